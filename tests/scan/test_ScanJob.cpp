#include "scan/ScanJob.h"

#include "ScanVolume.h"
#include "scan/TreeWalker.h"
#include "scan/VolumeScanner.h"
#include "support/JobWindow.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>

using namespace tl;
using tl::test::JobCall;
using tl::test::JobWindow;
using tl::test::readFile;
using tl::test::ScanVolumeTest;
using tl::test::writeFile;
namespace fs = std::filesystem;

namespace {

class ScanJobTest : public ScanVolumeTest {
protected:
    ScanRequest request(const std::string& name = "CD 1") {
        ScanRequest r;
        r.folder = vol;
        r.databaseName = name;
        r.outputDirectory = out;
        r.plugins = plugins.get();
        r.paths = paths;
        return r;
    }
    // Takes calls until the job finishes; answers album questions with @p answer and
    // returns the log ("Section/Key file" for each line, "album PATH" for each question).
    std::vector<std::string> drain(JobWindow& window, Job& job,
                                   const std::function<void(const Fields&)>& answer,
                                   JobResult& end) {
        std::vector<std::string> log;
        for (;;) {
            std::optional<JobCall> call = window.take();
            if (!call) {
                ADD_FAILURE() << "the job fell silent";
                job.cancel();
                return log;
            }
            if (const auto* result = std::get_if<JobResult>(&*call)) {
                end = *result;
                return log;
            }
            const JobEvent& event = std::get<JobEvent>(*call);
            if (const auto* m = std::get_if<Message>(&event)) {
                const std::string file =
                    m->args.size() > 1 ? std::get<std::string>(m->args[1]) : std::string();
                log.push_back(m->section + "/" + m->key + (file.empty() ? "" : " " + file));
            } else if (const auto* q = std::get_if<JobQuestion>(&event)) {
                log.push_back("album " + (*askedAlbum(*q))[Path]);
                answer(*askedAlbum(*q));
            }
        }
    }
};

} // namespace

TEST_F(ScanJobTest, CompletedScanBuildsTheDigestAskingAboutAlbumsFromFolderNames) {
    fs::create_directories(vol + "/Blue Lake/Northern Roads");
    writeFile(vol + "/Blue Lake/Northern Roads/01.mp3", "length=61000\n");
    writeFile(vol + "/Blue Lake/Northern Roads/02.mp3", "length=59500\nresult=5\n");
    fs::create_directories(vol + "/Tagged");
    writeFile(vol + "/Tagged/x.mp3", "artist=Cedar\n");
    JobWindow window;
    ScanJob job(request());
    ASSERT_TRUE(job.start(window));
    JobResult end;
    const std::vector<std::string> log = drain(
        window, job,
        [&](const Fields& album) {
            Fields confirmed = album;
            confirmed[Genre] = "Folk";
            job.answer(jobAnswer({confirmed, false}));
        },
        end);
    EXPECT_EQ(log, (std::vector<std::string>{"Scan/Started", "Scan/TagErr 02.mp3", "Scan/Done",
                                             "Digest/Building", "album Blue Lake/Northern Roads",
                                             "album Tagged", "Scan/Done"}));
    EXPECT_EQ(end.status, JobStatus::Done);
    EXPECT_EQ(end.code, static_cast<int>(DigestResult::Done));
    EXPECT_FALSE(end.message); // the log has said it all
    EXPECT_EQ(end.files, (std::vector<std::string>{out + "/CD 1.sds", out + "/CD 1.sdd"}));
    EXPECT_EQ(job.databasePath(), out + "/CD 1.sds");
    EXPECT_EQ(job.digestPath(), out + "/CD 1.sdd");
    EXPECT_EQ(outFiles(), (std::vector<std::string>{"CD 1.sdd", "CD 1.sds"}));
    EXPECT_EQ(records(out + "/CD 1.sds").size(), 3u);
    RecordFile digest;
    ASSERT_EQ(digest.open(out + "/CD 1.sdd"), RecordResult::Ok);
    PackedRecord first;
    ASSERT_EQ(digest.readNext(first), RecordResult::Ok);
    Fields album;
    digest.unpack(&first, album, SongFieldWidth);
    EXPECT_EQ(album[Artist], "Blue Lake");
    EXPECT_EQ(album[Album], "Northern Roads");
    EXPECT_EQ(album[Genre], "Folk");
    EXPECT_EQ(album[Length], "120");
}

// A cancel keeps the volume's earlier catalogue: during the walk both files stay; while
// the digest waits for an answer the new song database is in place (the scan completed)
// but the earlier digest stays.
TEST_F(ScanJobTest, CancelKeepsTheEarlierCatalogue) {
    fs::create_directories(vol + "/Amber - Tides");
    writeFile(vol + "/Amber - Tides/01.mp3", "delay_ms=50\n");
    writeFile(vol + "/Amber - Tides/02.mp3", "delay_ms=50\n");
    for (const bool duringDigest : {false, true}) {
        SCOPED_TRACE(duringDigest ? "digest" : "scan");
        writeFile(out + "/CD 1.sds", "EARLIER SONGS");
        writeFile(out + "/CD 1.sdd", "EARLIER DIGEST");
        JobWindow window;
        ScanJob job(request());
        ASSERT_TRUE(job.start(window));
        std::optional<JobResult> end;
        while (!end) {
            std::optional<JobCall> call = window.take();
            ASSERT_TRUE(call);
            if (const auto* result = std::get_if<JobResult>(&*call)) {
                end = *result;
                continue;
            }
            const JobEvent& event = std::get<JobEvent>(*call);
            const auto* progress = std::get_if<JobProgress>(&event);
            if ((!duringDigest && progress && !progress->file.empty()) ||
                std::holds_alternative<JobQuestion>(event))
                job.cancel();
        }
        EXPECT_EQ(end->status, JobStatus::Cancelled);
        EXPECT_EQ(end->code, duringDigest ? static_cast<int>(DigestResult::Cancelled)
                                          : static_cast<int>(TreeWalker::StatusAborted));
        EXPECT_EQ(end->files, duringDigest ? std::vector<std::string>{out + "/CD 1.sds"}
                                           : std::vector<std::string>{});
        EXPECT_EQ(outFiles(), (std::vector<std::string>{"CD 1.sdd", "CD 1.sds"}));
        EXPECT_EQ(readFile(out + "/CD 1.sdd"), "EARLIER DIGEST");
        if (duringDigest) {
            EXPECT_EQ(records(out + "/CD 1.sds").size(), 2u);
        } else {
            EXPECT_EQ(readFile(out + "/CD 1.sds"), "EARLIER SONGS");
        }
    }
}

// A scan that cannot begin says why in its result, sends nothing and is never started;
// a missing output folder is named.
TEST_F(ScanJobTest, AScanThatCannotBeginSaysWhyAndStartsNothing) {
    const struct {
        const char* what;
        std::string folder, output;
        int code;
        Message message;
    } cases[] = {
        {"folder missing", vol + "/absent", out, VolumeScanner::BeginNotReady,
         makeMessage("Scan", "NotReady", Severity::Error)},
        {"output folder missing", vol, out + "/absent", VolumeScanner::BeginOutputError,
         makeMessage("Scan", "NoOutputFolder", Severity::Error, {out + "/absent"})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        JobWindow window;
        ScanRequest r = request();
        r.folder = c.folder;
        r.outputDirectory = c.output;
        ScanJob job(r);
        ASSERT_TRUE(job.start(window));
        EXPECT_FALSE(job.waitStarted());
        const JobResult result = job.wait();
        EXPECT_EQ(result.status, JobStatus::Failed);
        EXPECT_EQ(result.code, c.code);
        EXPECT_EQ(result.message, c.message);
        const std::optional<JobCall> first = window.take();
        ASSERT_TRUE(first);
        EXPECT_TRUE(std::holds_alternative<JobResult>(*first)); // nothing before the end
        EXPECT_TRUE(outFiles().empty());
    }
}

// 100,000 events (an opening and a tag error for each of 50,000 files) cross to another
// thread through a queue, complete and in order, while the worker never waits for them.
TEST_F(ScanJobTest, HundredThousandEventsArriveCompleteAndInOrder) {
    constexpr int Folders = 20, FilesPerFolder = 2500;
    // The volume moves to a folder in memory: 50,000 files are made in a moment there.
    const tl::test::TempDir memory(tl::test::memoryTempBase());
    vol = fs::canonical(memory.path()).string() + "/vol";
    fs::create_directories(vol);
    mountAs("vfat", "/dev/sdz1");
    for (int d = 0; d < Folders; ++d) {
        const std::string folder = vol + "/f" + std::to_string(100 + d);
        fs::create_directories(folder);
        for (int f = 0; f < FilesPerFolder; ++f) {
            const std::string name = folder + "/" + std::to_string(10000 + f) + ".mp3";
            const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ASSERT_GE(fd, 0);
            ASSERT_EQ(::write(fd, "result=5\n", 9), 9);
            ::close(fd);
        }
    }
    JobWindow window;
    ScanRequest r = request();
    r.digest.autoComplete = true;
    ScanJob job(r);
    ASSERT_TRUE(job.start(window));

    std::uint64_t fileEvents = 0, lastDone = 0;
    int folder = -1;
    std::optional<JobResult> end;
    while (!end) {
        std::optional<JobCall> call = window.take();
        ASSERT_TRUE(call) << "after " << fileEvents << " file events";
        if (const auto* result = std::get_if<JobResult>(&*call)) {
            end = *result;
            continue;
        }
        const JobEvent& event = std::get<JobEvent>(*call);
        const std::string expectedFile =
            std::to_string(10000 + (fileEvents / 2) % FilesPerFolder) + ".mp3";
        const std::string expectedFolder = vol + "/f" + std::to_string(100 + folder);
        if (const auto* p = std::get_if<JobProgress>(&event)) {
            // The walk's start and end move no folder or file of their own.
            if (p->stage != ScanWalking || p->folder.empty() ||
                fileEvents == 2u * Folders * FilesPerFolder)
                continue;
            ASSERT_GE(p->done, lastDone);
            lastDone = p->done;
            if (p->file.empty()) { // entering a folder
                if (p->folder != vol && p->folder != expectedFolder) {
                    ASSERT_EQ(p->folder, vol + "/f" + std::to_string(100 + ++folder));
                }
                continue;
            }
            if (fileEvents % 2 == 1)
                continue; // the counts of the tag error's own event
            // Each file is opened, then reported, in name order, with its folder.
            ASSERT_EQ(p->file, expectedFile) << fileEvents;
            ASSERT_EQ(p->folder, expectedFolder) << fileEvents;
            ASSERT_EQ(p->done, fileEvents / 2);
            ASSERT_EQ(p->bytesDone, 9 * p->done);
            ++fileEvents;
        } else if (const auto* m = std::get_if<Message>(&event)) {
            if (m->key != "TagErr")
                continue;
            ASSERT_EQ(fileEvents % 2, 1u) << "the tag error comes after its file's opening";
            ASSERT_EQ(m->args, (std::vector<MessageArg>{expectedFolder, expectedFile}));
            ++fileEvents;
        }
    }
    EXPECT_EQ(fileEvents, 2u * Folders * FilesPerFolder);
    EXPECT_TRUE(end->ok());
}

// With the census on, the progress tells the files and bytes the scan has ahead once the
// census has ended; without it, never.
TEST_F(ScanJobTest, TheProgressCarriesTheTotalsOfTheCensus) {
    for (int i = 0; i < 6; ++i)
        writeFile(vol + "/0" + std::to_string(i) + ".mp3", "delay_ms=40\n");
    writeFile(vol + "/notes.txt", "not claimed");
    const auto bytes = static_cast<std::uint64_t>(6 * fs::file_size(vol + "/00.mp3"));
    for (const bool census : {true, false}) {
        SCOPED_TRACE(census);
        JobWindow window;
        ScanRequest r = request();
        r.census = census;
        r.digest.autoComplete = true;
        ScanJob job(r);
        ASSERT_TRUE(job.start(window));
        JobProgress last;
        while (std::optional<JobCall> call = window.take()) {
            if (std::holds_alternative<JobResult>(*call))
                break;
            const auto* p = std::get_if<JobProgress>(&std::get<JobEvent>(*call));
            if (p && p->stage == ScanWalking)
                last = *p;
        }
        EXPECT_EQ(last.done, 6u);
        EXPECT_EQ(last.total, census ? 6u : 0u);
        EXPECT_EQ(last.bytesTotal, census ? bytes : 0u);
    }
}

// A window shows the volume's label and serial while the scan runs: what it reads of the
// volume is not written by the worker meanwhile.
TEST_F(ScanJobTest, TheVolumeFactsCanBeReadWhileTheScanRuns) {
    for (int d = 0; d < 40; ++d) {
        fs::create_directories(vol + "/f" + std::to_string(d));
        writeFile(vol + "/f" + std::to_string(d) + "/a.mp3", "delay_ms=2\n");
    }
    JobWindow window;
    ScanRequest r = request();
    r.digest.autoComplete = true;
    ScanJob job(r);
    ASSERT_TRUE(job.start(window));
    ASSERT_TRUE(job.waitStarted());
    VolumeInfo seen;
    int reads = 0;
    while (job.isRunning() || reads == 0) {
        seen = job.volume();
        ++reads;
    }
    EXPECT_TRUE(job.wait().ok());
    EXPECT_EQ(seen.label, "MUSIC");
    EXPECT_EQ(seen.serial, "12AB34CD");
}
