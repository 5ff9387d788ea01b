#include "digest/DigestJob.h"

#include "DigestFiles.h"
#include "support/JobWindow.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

using namespace tl;
using namespace tl::test;
namespace fs = std::filesystem;

namespace {

class DigestJobTest : public ::testing::Test {
protected:
    void SetUp() override {
        songs = dir.file("CD1.sds");
        digest = dir.file("CD1.sdd");
        // Three albums with no tags, completed from their folders; one tagged album.
        writeRecords(songs, {song("Music/Blue Lake/Northern Roads"),
                             song("Music/Blue Lake/Northern Roads"), song("Music/Amber - Tides"),
                             song("Music/Tagged", {{Artist, "Cedar"}, {Album, "Rings"}}),
                             song("Music/Dust")});
        writeFile(digest, "EARLIER DIGEST");
    }
    DigestRequest request(bool autoComplete = false) {
        return {songs, digest, {"Various", 3, autoComplete}};
    }
    std::vector<std::string> folder() {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir.path()))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    TempDir dir;
    std::string songs, digest;
};

// Runs @p job on the test's thread as a console does, answering every album question with
// @p answer.
JobResult runAnswering(DigestJob& job, const std::function<AlbumAnswer(const Fields&)>& answer) {
    class Console : public JobListener {
    public:
        Console(DigestJob& job, const std::function<AlbumAnswer(const Fields&)>& answer)
            : m_job(job), m_answer(answer) {}
        void jobEvent(const JobEvent& event) override {
            if (const auto* q = std::get_if<JobQuestion>(&event))
                m_job.answer(jobAnswer(m_answer(*askedAlbum(*q))));
        }
        void jobFinished(const JobResult&) override {}

    private:
        DigestJob& m_job;
        const std::function<AlbumAnswer(const Fields&)>& m_answer;
    } console(job, answer);
    return job.runHere(console);
}

} // namespace

TEST_F(DigestJobTest, AnswersFromAnotherThreadAreWrittenIntoTheDigest) {
    JobWindow window;
    DigestJob job(request());
    ASSERT_TRUE(job.start(window));
    std::optional<JobResult> end;
    std::vector<Fields> asked;
    const std::vector<AlbumAnswer> answers{
        {std::nullopt, false}, // replaced below by the changed album
        {std::nullopt, false}, // keep "Amber" / "Tides"
        {std::nullopt, true},  // the prompt's Auto: "Dust" keeps its values, nothing more asked
    };
    while (std::optional<JobQuestion> question = window.nextQuestion(end)) {
        const Fields* album = askedAlbum(*question);
        ASSERT_TRUE(album);
        asked.push_back(*album);
        AlbumAnswer answer = answers.at(asked.size() - 1);
        if (asked.size() == 1) {
            Fields changed = *album;
            changed[Artist] = "Blue Lake Trio";
            changed[Genre] = "Folk";
            changed[Year] = std::string(1500, 'y'); // longer than a field holds
            answer.album = changed;
        }
        job.answer(jobAnswer(answer));
    }
    ASSERT_TRUE(end);
    EXPECT_EQ(end->status, JobStatus::Done);
    EXPECT_EQ(end->files, std::vector<std::string>{digest});
    ASSERT_EQ(asked.size(), 3u);
    EXPECT_EQ(asked[0][Artist], "Blue Lake");
    EXPECT_EQ(asked[0][Album], "Northern Roads");
    EXPECT_EQ(asked[2][Album], "Dust");

    const std::vector<Fields> albums = readDigest(digest);
    ASSERT_EQ(albums.size(), 4u);
    EXPECT_EQ(albums[0][Artist], "Blue Lake Trio");
    EXPECT_EQ(albums[0][Genre], "Folk");
    EXPECT_EQ(albums[0][Year].size(), SongFieldWidth - 1);
    EXPECT_EQ(albums[0][Track], "2");
    EXPECT_EQ(albums[1][Artist], "Amber");
    EXPECT_EQ(albums[2][Artist], "Cedar");
    EXPECT_EQ(albums[3][Artist], "Music");
    ASSERT_FALSE(window.progressSeen.empty());
    EXPECT_EQ(window.progressSeen.back().stage, DigestStage);
    EXPECT_EQ(window.progressSeen.back().done, 5u);
    EXPECT_EQ(window.progressSeen.back().written, 4u);
    EXPECT_EQ(folder(), (std::vector<std::string>{"CD1.sdd", "CD1.sds"}));
}

TEST_F(DigestJobTest, CompleteRestAndAutoCompleteAskNoMore) {
    for (const bool autoComplete : {false, true}) {
        SCOPED_TRACE(autoComplete);
        DigestJob job(request(autoComplete));
        int asked = 0;
        const JobResult result = runAnswering(job, [&](const Fields&) {
            ++asked;
            return AlbumAnswer{std::nullopt, true}; // the prompt's Auto
        });
        EXPECT_TRUE(result.ok());
        EXPECT_EQ(asked, autoComplete ? 0 : 1);
        const std::vector<Fields> albums = readDigest(digest);
        ASSERT_EQ(albums.size(), 4u);
        EXPECT_EQ(albums[0][Artist], "Blue Lake");
        EXPECT_EQ(albums[1][Album], "Tides");
    }
}

// The window is closed while a question waits: the run ends within 100 ms, and the
// earlier digest is as it was.
TEST_F(DigestJobTest, CancelWhileAQuestionWaitsEndsAtOnceAndKeepsTheEarlierDigest) {
    JobWindow window;
    DigestJob job(request());
    ASSERT_TRUE(job.start(window));
    std::optional<JobResult> end;
    ASSERT_TRUE(window.nextQuestion(end));
    const auto asked = std::chrono::steady_clock::now();
    job.cancel();
    const JobResult result = job.wait();
    EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::milliseconds(100));
    EXPECT_EQ(result.status, JobStatus::Cancelled);
    EXPECT_EQ(result.code, static_cast<int>(DigestResult::Cancelled));
    ASSERT_TRUE(result.message);
    EXPECT_EQ(result.message->key, "Cancelled");
    EXPECT_TRUE(result.files.empty());
    EXPECT_EQ(readFile(digest), "EARLIER DIGEST");
    EXPECT_EQ(folder(), (std::vector<std::string>{"CD1.sdd", "CD1.sds"}));
    // A late answer finds nobody waiting and does no harm; the next run starts afresh.
    job.answer(jobAnswer({std::nullopt, true}));
    DigestJob again(request(true));
    JobWindow quiet;
    ASSERT_TRUE(again.start(quiet));
    EXPECT_TRUE(again.wait().ok());
    EXPECT_EQ(readDigest(digest).size(), 4u);
}

TEST_F(DigestJobTest, DestroyingTheJobWhileAQuestionWaitsDoesNotHang) {
    JobWindow window;
    {
        DigestJob job(request());
        ASSERT_TRUE(job.start(window));
        std::optional<JobResult> end;
        ASSERT_TRUE(window.nextQuestion(end));
    }
    EXPECT_EQ(readFile(digest), "EARLIER DIGEST");
}

// What the front ends show and keep: each way a run ends has its status, its code (the
// DigestResult), its message and, when done, the digest.
TEST_F(DigestJobTest, EachOutcomeHasItsStatusCodeMessageAndFiles) {
    const struct {
        const char* what;
        std::function<void()> make;
        JobStatus status;
        DigestResult code;
        const char* section;
        const char* key;
    } cases[] = {
        {"songs", [] {}, JobStatus::Done, DigestResult::Done, "Digest", "ReDigest"},
        {"missing", [&] { fs::remove(songs); }, JobStatus::Failed, DigestResult::CannotOpen,
         "Digest", "SDBOpenErr"},
        {"a digest, not songs", [&] { writeRecords(songs, {song("x")}, "Dgst"); },
         JobStatus::Failed, DigestResult::WrongFormat, "Scan", "SDBInFormatErr"},
        {"truncated", [&] { fs::resize_file(songs, fs::file_size(songs) - 10); }, JobStatus::Failed,
         DigestResult::ReadFailed, "Digest", "DigestErr"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        c.make();
        DigestJob job(request(true));
        JobWindow window;
        const JobResult result = job.runHere(window);
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(result.code, static_cast<int>(c.code));
        ASSERT_TRUE(result.message);
        EXPECT_EQ(result.message->section, c.section);
        EXPECT_EQ(result.message->key, c.key);
        EXPECT_EQ(result.message->severity,
                  c.status == JobStatus::Done ? Severity::Information : Severity::Error);
        if (c.status == JobStatus::Done) {
            EXPECT_EQ(result.files, std::vector<std::string>{digest});
            EXPECT_EQ(readDigest(digest).size(), 4u);
        } else {
            EXPECT_TRUE(result.files.empty());
            EXPECT_EQ(readFile(digest), "EARLIER DIGEST");
        }
    }
}

// A console answers inside the question, on the digest's own thread.
TEST_F(DigestJobTest, AnAnswerGivenInsideTheQuestionIsTaken) {
    DigestJob job(request());
    const JobResult result = runAnswering(job, [](const Fields& album) {
        Fields answer = album;
        answer[Album] += " (confirmed)";
        return AlbumAnswer{answer, false};
    });
    EXPECT_TRUE(result.ok());
    const std::vector<Fields> albums = readDigest(digest);
    ASSERT_EQ(albums.size(), 4u);
    EXPECT_EQ(albums[0][Album], "Northern Roads (confirmed)");
    EXPECT_EQ(albums[2][Album], "Rings");
}

TEST_F(DigestJobTest, ProgressCountsSongsInStepsAndStopsBetweenSongs) {
    std::vector<Fields> many;
    for (std::uint64_t i = 0; i < 3 * DigestBuilder::ProgressStep; ++i)
        many.push_back(
            song("Music/Album " + std::to_string(i / 10), {{Artist, "A"}, {Album, "B"}}));
    writeRecords(songs, many);
    class CancelAtSecondStep : public JobListener {
    public:
        Job* job = nullptr;
        std::vector<JobProgress> seen;
        void jobEvent(const JobEvent& event) override {
            const JobProgress& p = std::get<JobProgress>(event);
            seen.push_back(p);
            if (p.done == 2 * DigestBuilder::ProgressStep)
                job->cancel();
        }
        void jobFinished(const JobResult&) override {}
    } listener;
    DigestJob job(request());
    listener.job = &job;
    EXPECT_EQ(job.runHere(listener).status, JobStatus::Cancelled);
    ASSERT_EQ(listener.seen.size(), 2u);
    EXPECT_EQ(listener.seen[0].done, DigestBuilder::ProgressStep);
    EXPECT_EQ(listener.seen[0].written, (DigestBuilder::ProgressStep - 1) / 10);
    EXPECT_EQ(readFile(digest), "EARLIER DIGEST");
}
