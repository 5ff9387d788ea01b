#include "scan/ScanJob.h"

#include "ScanVolume.h"
#include "digest/DigestMessages.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <mutex>
#include <thread>
#include <variant>

using namespace tl;
using tl::test::readFile;
using tl::test::ScanVolumeTest;
using tl::test::writeFile;
namespace fs = std::filesystem;

namespace {

// What a window receives: every call of the job queued as a value and taken off the
// queue by another thread, the test's own, as a window's event loop would.
struct DigestBegun {};
using JobCall = std::variant<ScanEvent, DigestBegun, Fields, ScanOutcome>;

class QueuedListener : public ScanJobListener {
public:
    void scanEvent(const ScanEvent& event) override { post(event); }
    void digestStarted() override { post(DigestBegun{}); }
    void albumQuestion(const Fields& album) override { post(album); }
    void jobFinished(const ScanOutcome& outcome) override { post(outcome); }

    /** The next call, or none after @p timeout. */
    std::optional<JobCall> take(std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
        std::unique_lock lock(m_mutex);
        if (!m_posted.wait_for(lock, timeout, [this] { return !m_calls.empty(); }))
            return std::nullopt;
        JobCall call = std::move(m_calls.front());
        m_calls.pop_front();
        return call;
    }

private:
    void post(JobCall call) {
        {
            std::lock_guard lock(m_mutex);
            m_calls.push_back(std::move(call));
        }
        m_posted.notify_one();
    }

    std::mutex m_mutex;
    std::condition_variable m_posted;
    std::deque<JobCall> m_calls;
};

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
    // returns the log ("status file" for scan events with a line, "digest", "album PATH").
    std::vector<std::string> drain(QueuedListener& window, ScanJob& job,
                                   const std::function<void(const Fields&)>& answer,
                                   ScanOutcome& outcome) {
        std::vector<std::string> log;
        for (;;) {
            std::optional<JobCall> call = window.take();
            if (!call) {
                ADD_FAILURE() << "the job fell silent";
                job.requestStop();
                return log;
            }
            if (const auto* e = std::get_if<ScanEvent>(&*call)) {
                if (scanMessage(*e))
                    log.push_back(std::to_string(e->status) + " " + e->file);
            } else if (std::holds_alternative<DigestBegun>(*call)) {
                log.push_back("digest");
            } else if (const auto* album = std::get_if<Fields>(&*call)) {
                log.push_back("album " + (*album)[Path]);
                answer(*album);
            } else {
                outcome = std::get<ScanOutcome>(*call);
                return log;
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
    QueuedListener window;
    ScanJob job(window);
    ASSERT_EQ(job.begin(request()), VolumeScanner::BeginOk);
    ScanOutcome outcome;
    const std::vector<std::string> log = drain(
        window, job,
        [&](const Fields& album) {
            Fields confirmed = album;
            confirmed[Genre] = "Folk";
            job.answerAlbum({confirmed, false});
        },
        outcome);
    EXPECT_EQ(log, (std::vector<std::string>{"5 ", "261 02.mp3", "0 ", "digest",
                                             "album Blue Lake/Northern Roads", "album Tagged"}));
    EXPECT_TRUE(outcome.completed());
    EXPECT_EQ(outcome.databasePath, out + "/CD 1.sds");
    EXPECT_EQ(outcome.digestPath, out + "/CD 1.sdd");
    EXPECT_EQ(job.wait().digest, DigestResult::Done);
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
        QueuedListener window;
        ScanJob job(window);
        ASSERT_EQ(job.begin(request()), VolumeScanner::BeginOk);
        ScanOutcome outcome;
        for (bool done = false; !done;) {
            std::optional<JobCall> call = window.take();
            ASSERT_TRUE(call);
            if (const auto* e = std::get_if<ScanEvent>(&*call)) {
                if (!duringDigest && e->status == TreeWalker::StatusOpening)
                    job.requestStop();
            } else if (std::holds_alternative<Fields>(*call)) {
                job.requestStop();
            } else if (const auto* o = std::get_if<ScanOutcome>(&*call)) {
                outcome = *o;
                done = true;
            }
        }
        EXPECT_EQ(outcome.scanCompleted, duringDigest);
        if (duringDigest)
            EXPECT_EQ(outcome.digest, DigestResult::Cancelled);
        else
            EXPECT_FALSE(outcome.digest.has_value());
        EXPECT_FALSE(outcome.completed());
        EXPECT_EQ(outFiles(), (std::vector<std::string>{"CD 1.sdd", "CD 1.sds"}));
        EXPECT_EQ(readFile(out + "/CD 1.sdd"), "EARLIER DIGEST");
        if (duringDigest)
            EXPECT_EQ(records(out + "/CD 1.sds").size(), 2u);
        else
            EXPECT_EQ(readFile(out + "/CD 1.sds"), "EARLIER SONGS");
    }
}

TEST_F(ScanJobTest, BeginRefusesAnUnidentifiableFolderAndStartsNothing) {
    QueuedListener window;
    ScanJob job(window);
    ScanRequest r = request();
    r.folder = vol + "/absent";
    EXPECT_EQ(job.begin(r), VolumeScanner::BeginNotReady);
    EXPECT_EQ(scanBeginMessage(VolumeScanner::BeginNotReady).key, "NotReady");
    EXPECT_EQ(scanBeginMessage(VolumeScanner::BeginOutputError).key, "OutputErr");
    EXPECT_FALSE(window.take(std::chrono::milliseconds(50)));
    EXPECT_TRUE(outFiles().empty());
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
    QueuedListener window;
    ScanJob job(window);
    ScanRequest r = request();
    r.digest.autoComplete = true;
    ASSERT_EQ(job.begin(r), VolumeScanner::BeginOk);

    std::uint64_t fileEvents = 0, lastFilesDone = 0;
    std::string lastFile;
    int folder = -1;
    std::optional<ScanOutcome> outcome;
    while (!outcome) {
        std::optional<JobCall> call = window.take();
        ASSERT_TRUE(call) << "after " << fileEvents << " file events";
        if (const auto* o = std::get_if<ScanOutcome>(&*call)) {
            outcome = *o;
            continue;
        }
        const auto* e = std::get_if<ScanEvent>(&*call);
        if (!e)
            continue;
        ASSERT_GE(e->filesDone, lastFilesDone);
        lastFilesDone = e->filesDone;
        if (e->status == TreeWalker::StatusEntering && e->directory != vol) {
            ++folder;
            ASSERT_EQ(e->directory, vol + "/f" + std::to_string(100 + folder));
            lastFile.clear();
            continue;
        }
        if (e->status != TreeWalker::StatusOpening &&
            e->status != VolumeScanner::pluginStatus(TL_AFI_TAG_ERROR))
            continue;
        // Each file is opened, then reported, in name order, with its folder.
        const std::uint64_t index = fileEvents++;
        const std::string expected = std::to_string(10000 + (index / 2) % FilesPerFolder) + ".mp3";
        ASSERT_EQ(e->file, expected) << index;
        ASSERT_EQ(e->directory, vol + "/f" + std::to_string(100 + folder)) << index;
        ASSERT_EQ(e->status, index % 2 == 0 ? TreeWalker::StatusOpening
                                            : VolumeScanner::pluginStatus(TL_AFI_TAG_ERROR));
        // The tag error comes after the file's record: the count includes it.
        ASSERT_EQ(e->filesDone, index / 2 + (index % 2));
        ASSERT_EQ(e->bytesDone, 9 * e->filesDone);
    }
    EXPECT_EQ(fileEvents, 2u * Folders * FilesPerFolder);
    EXPECT_TRUE(outcome->completed());
}
