#include "digest/DigestJob.h"

#include "DigestFiles.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <future>
#include <mutex>

using namespace tl;
using namespace tl::test;
namespace fs = std::filesystem;

namespace {

// A front end's side of a digest run: questions are queued for a "window" thread, which
// is the test's own, and answered from there.
class WindowListener : public DigestListener {
public:
    void albumQuestion(const Fields& album) override {
        {
            std::lock_guard lock(m_mutex);
            m_questions.push_back(album);
        }
        m_changed.notify_all();
    }
    void digestProgress(const DigestProgress& p) override {
        std::lock_guard lock(m_mutex);
        m_progress.push_back(p);
    }
    void digestFinished(DigestResult result) override {
        {
            std::lock_guard lock(m_mutex);
            m_finished = result;
        }
        m_changed.notify_all();
    }

    // Waits for question number @p n (from 1); false when the run finished first.
    bool waitForQuestion(std::size_t n) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(10), [&] {
            return m_questions.size() >= n || m_finished.has_value();
        }) && m_questions.size() >= n;
    }
    std::vector<Fields> questions() {
        std::lock_guard lock(m_mutex);
        return m_questions;
    }
    std::vector<DigestProgress> progress() {
        std::lock_guard lock(m_mutex);
        return m_progress;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Fields> m_questions;
    std::vector<DigestProgress> m_progress;
    std::optional<DigestResult> m_finished;
};

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

} // namespace

TEST_F(DigestJobTest, AnswersFromAnotherThreadAreWrittenIntoTheDigest) {
    WindowListener window;
    DigestJob job(window);
    ASSERT_TRUE(job.start(songs, digest, {}));
    ASSERT_TRUE(window.waitForQuestion(1));
    EXPECT_EQ(window.questions()[0][Artist], "Blue Lake");
    EXPECT_EQ(window.questions()[0][Album], "Northern Roads");
    Fields changed = window.questions()[0];
    changed[Artist] = "Blue Lake Trio";
    changed[Genre] = "Folk";
    changed[Year] = std::string(1500, 'y'); // longer than a field holds
    job.answerAlbum({changed, false});
    ASSERT_TRUE(window.waitForQuestion(2));
    job.answerAlbum({std::nullopt, false}); // keep "Amber" / "Tides"
    ASSERT_TRUE(window.waitForQuestion(3));
    EXPECT_EQ(window.questions()[2][Album], "Dust");
    job.answerAlbum({std::nullopt, true});
    EXPECT_EQ(job.wait(), DigestResult::Done);

    const std::vector<Fields> albums = readDigest(digest);
    ASSERT_EQ(albums.size(), 4u);
    EXPECT_EQ(albums[0][Artist], "Blue Lake Trio");
    EXPECT_EQ(albums[0][Genre], "Folk");
    EXPECT_EQ(albums[0][Year].size(), SongFieldWidth - 1);
    EXPECT_EQ(albums[0][Track], "2");
    EXPECT_EQ(albums[1][Artist], "Amber");
    EXPECT_EQ(albums[2][Artist], "Cedar");
    EXPECT_EQ(albums[3][Artist], "Music");
    EXPECT_EQ(window.questions().size(), 3u);
    ASSERT_FALSE(window.progress().empty());
    EXPECT_EQ(window.progress().back().songsRead, 5u);
    EXPECT_EQ(window.progress().back().albumsWritten, 4u);
    EXPECT_EQ(folder(), (std::vector<std::string>{"CD1.sdd", "CD1.sds"}));
}

TEST_F(DigestJobTest, CompleteRestAndAutoCompleteAskNoMore) {
    for (const bool autoComplete : {false, true}) {
        SCOPED_TRACE(autoComplete);
        WindowListener window;
        DigestJob job(window);
        ASSERT_TRUE(job.start(songs, digest, {"Various", 3, autoComplete}));
        if (!autoComplete) {
            ASSERT_TRUE(window.waitForQuestion(1));
            job.answerAlbum({std::nullopt, true}); // the prompt's Auto
        }
        EXPECT_EQ(job.wait(), DigestResult::Done);
        EXPECT_EQ(window.questions().size(), autoComplete ? 0u : 1u);
        const std::vector<Fields> albums = readDigest(digest);
        ASSERT_EQ(albums.size(), 4u);
        EXPECT_EQ(albums[0][Artist], "Blue Lake");
        EXPECT_EQ(albums[1][Album], "Tides");
    }
}

// The window is closed while a question waits: the run ends within 100 ms, and the
// earlier digest is as it was.
TEST_F(DigestJobTest, StopWhileAQuestionWaitsEndsAtOnceAndKeepsTheEarlierDigest) {
    WindowListener window;
    DigestJob job(window);
    ASSERT_TRUE(job.start(songs, digest, {}));
    ASSERT_TRUE(window.waitForQuestion(1));
    const auto asked = std::chrono::steady_clock::now();
    job.requestStop();
    EXPECT_EQ(job.wait(), DigestResult::Cancelled);
    EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::milliseconds(100));
    EXPECT_EQ(readFile(digest), "EARLIER DIGEST");
    EXPECT_EQ(folder(), (std::vector<std::string>{"CD1.sdd", "CD1.sds"}));
    // A late answer finds nobody waiting and does no harm; the next run starts afresh.
    job.answerAlbum({std::nullopt, true});
    ASSERT_TRUE(job.start(songs, digest, {"Various", 3, true}));
    EXPECT_EQ(job.wait(), DigestResult::Done);
    EXPECT_EQ(readDigest(digest).size(), 4u);
}

TEST_F(DigestJobTest, DestroyingTheJobWhileAQuestionWaitsDoesNotHang) {
    WindowListener window;
    {
        DigestJob job(window);
        ASSERT_TRUE(job.start(songs, digest, {}));
        ASSERT_TRUE(window.waitForQuestion(1));
    }
    EXPECT_EQ(readFile(digest), "EARLIER DIGEST");
}

// A console answers inside the question, on the digest's own thread.
TEST_F(DigestJobTest, AnAnswerGivenInsideTheQuestionIsTaken) {
    class Console : public DigestListener {
    public:
        DigestJob* job = nullptr;
        void albumQuestion(const Fields& album) override {
            Fields answer = album;
            answer[Album] += " (confirmed)";
            job->answerAlbum({answer, false});
        }
    } console;
    DigestJob job(console);
    console.job = &job;
    EXPECT_EQ(job.run(songs, digest, {}), DigestResult::Done);
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
    class StopAtSecondStep : public DigestListener {
    public:
        DigestJob* job = nullptr;
        std::vector<DigestProgress> seen;
        void digestProgress(const DigestProgress& p) override {
            seen.push_back(p);
            if (p.songsRead == 2 * DigestBuilder::ProgressStep)
                job->requestStop();
        }
        void albumQuestion(const Fields&) override {}
    } listener;
    DigestJob job(listener);
    listener.job = &job;
    EXPECT_EQ(job.run(songs, digest, {}), DigestResult::Cancelled);
    ASSERT_EQ(listener.seen.size(), 2u);
    EXPECT_EQ(listener.seen[0].songsRead, DigestBuilder::ProgressStep);
    EXPECT_EQ(listener.seen[0].albumsWritten, (DigestBuilder::ProgressStep - 1) / 10);
    EXPECT_EQ(readFile(digest), "EARLIER DIGEST");
}
