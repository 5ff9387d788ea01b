#include "job/Job.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <mutex>

namespace tl {
namespace {

using namespace std::chrono_literals;

// A job that does what its script says, so that every path through Job can be driven.
class ScriptedJob : public Job {
public:
    ~ScriptedJob() override { stop(); }

    int items = 3;
    bool askAfterFirst = false;
    bool saysStarted = false;
    std::optional<std::promise<void>> holdBeforeEnd; // the run waits for it at its end
    std::optional<JobAnswer> answerSeen;
    bool asked = false;

protected:
    JobResult run(JobContext& context) override {
        for (int i = 0; i < items; ++i) {
            if (context.cancelled())
                return cancelledResult(8, makeMessage("Test", "Cancelled", Severity::Error));
            JobProgress step;
            step.done = std::uint64_t(i + 1);
            step.file = "f" + std::to_string(i);
            context.progress(step);
            context.log(makeMessage("Test", "Item", Severity::Warning, {std::int64_t{i}}));
            if (i == 0 && saysStarted)
                context.started();
            if (i == 0 && askAfterFirst) {
                answerSeen = context.ask({"album", std::nullopt, {"confirm", "auto"}, {"a"}});
                asked = true;
                if (!answerSeen)
                    return cancelledResult(8, makeMessage("Test", "Cancelled", Severity::Error));
            }
        }
        if (holdBeforeEnd)
            holdBeforeEnd->get_future().wait();
        JobResult done;
        done.files = {"/out/a.sds"};
        return done;
    }
};

// Keeps every event; answers questions with the answer it was given, at once or never.
class Recorder : public JobListener {
public:
    std::optional<JobAnswer> answerAtOnce;
    Job* job = nullptr;

    void jobEvent(const JobEvent& event) override {
        std::lock_guard lock(m_mutex);
        events.push_back(event);
        if (std::holds_alternative<JobQuestion>(event)) {
            questionArrived.set_value();
            if (answerAtOnce)
                job->answer(*answerAtOnce);
        }
    }
    void jobFinished(const JobResult& r) override {
        result = r;
        finished.set_value();
    }

    std::mutex m_mutex;
    std::vector<JobEvent> events;
    std::optional<JobResult> result;
    std::promise<void> questionArrived;
    std::promise<void> finished;
};

TEST(Job, EventsArriveInTheOrderTheJobSentThem) {
    ScriptedJob job;
    Recorder listener;
    ASSERT_TRUE(job.start(listener));
    const JobResult result = job.wait();
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(result.files, std::vector<std::string>{"/out/a.sds"});
    ASSERT_EQ(listener.events.size(), 6u);
    for (int i = 0; i < 3; ++i) {
        const auto* p = std::get_if<JobProgress>(&listener.events[2 * i]);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->done, std::uint64_t(i + 1));
        const auto* m = std::get_if<Message>(&listener.events[2 * i + 1]);
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(m->args, (std::vector<MessageArg>{std::int64_t{i}}));
    }
    ASSERT_TRUE(listener.result);
    EXPECT_TRUE(listener.result->ok());
}

TEST(Job, AnswersReachTheWaitingJobFromAnyThreadOrFromInsideTheEvent) {
    for (const bool atOnce : {true, false}) {
        SCOPED_TRACE(atOnce ? "answered inside the event" : "answered from the test's thread");
        ScriptedJob job;
        job.askAfterFirst = true;
        Recorder listener;
        listener.job = &job;
        const JobAnswer answer{"auto", Fields{"x", "y"}};
        if (atOnce)
            listener.answerAtOnce = answer;
        auto arrived = listener.questionArrived.get_future();
        ASSERT_TRUE(job.start(listener));
        ASSERT_EQ(arrived.wait_for(5s), std::future_status::ready);
        if (!atOnce) {
            job.answer(answer);
            job.answer({"confirm", std::nullopt}); // the first answer is the one taken
        }
        EXPECT_TRUE(job.wait().ok());
        ASSERT_TRUE(job.answerSeen);
        EXPECT_EQ(job.answerSeen->choice, "auto");
        EXPECT_EQ(job.answerSeen->record, (Fields{"x", "y"}));
    }
}

TEST(Job, CancelWhileAQuestionWaitsEndsTheRunAtOnceAndKeepsNoFiles) {
    ScriptedJob job;
    job.askAfterFirst = true;
    Recorder listener;
    auto arrived = listener.questionArrived.get_future();
    auto finished = listener.finished.get_future();
    ASSERT_TRUE(job.start(listener));
    ASSERT_EQ(arrived.wait_for(5s), std::future_status::ready);
    const auto before = std::chrono::steady_clock::now();
    job.cancel();
    ASSERT_EQ(finished.wait_for(5s), std::future_status::ready);
    EXPECT_LT(std::chrono::steady_clock::now() - before, 100ms);
    const JobResult result = job.wait();
    EXPECT_EQ(result.status, JobStatus::Cancelled);
    EXPECT_TRUE(result.files.empty());
    // A cancel the user chose is told as information, whatever the job said.
    ASSERT_TRUE(result.message);
    EXPECT_EQ(result.message->severity, Severity::Information);
    job.answer({"confirm", std::nullopt}); // too late: nothing waits, nothing happens
}

TEST(Job, ASecondStartWhileRunningIsRefusedAndAFinishedJobRunsAgain) {
    ScriptedJob job;
    job.askAfterFirst = true;
    Recorder first;
    auto arrived = first.questionArrived.get_future();
    ASSERT_TRUE(job.start(first));
    ASSERT_EQ(arrived.wait_for(5s), std::future_status::ready);
    Recorder second;
    EXPECT_FALSE(job.start(second));
    EXPECT_TRUE(job.isRunning());
    job.answer({"confirm", std::nullopt});
    EXPECT_TRUE(job.wait().ok());

    // start() forgets the earlier cancel; runHere() runs on the caller's thread.
    job.cancel();
    job.askAfterFirst = false;
    Recorder third;
    ASSERT_TRUE(job.start(third));
    EXPECT_TRUE(job.wait().ok());
    Recorder here;
    EXPECT_TRUE(job.runHere(here).ok());
    EXPECT_TRUE(here.result && here.result->ok());
    EXPECT_FALSE(job.isRunning());
}

TEST(Job, ACancelBeforeRunHereEndsItAtOnce) {
    ScriptedJob job;
    Recorder listener;
    job.cancel();
    const JobResult result = job.runHere(listener);
    EXPECT_EQ(result.status, JobStatus::Cancelled);
    EXPECT_EQ(result.code, 8);
    EXPECT_TRUE(listener.events.empty());
}

} // namespace
} // namespace tl

namespace tl {
namespace {

// A window waits for the job to have begun before it shows: a job that said started() is
// begun from then on, also after it has ended; one that ends without saying it never was.
TEST(Job, WaitStartedTellsWhetherTheRunSaidItHadBegunBeforeItEnded) {
    const struct {
        const char* what;
        bool says;
        int items;
        bool holdEnd;
    } cases[] = {
        {"says started, still running", true, 3, true},
        {"says started, already ended", true, 3, false},
        {"ends without saying it", false, 3, false},
        {"ends before its first item", true, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedJob job;
        job.saysStarted = c.says;
        job.items = c.items;
        if (c.holdEnd)
            job.holdBeforeEnd.emplace();
        Recorder listener;
        auto finished = listener.finished.get_future();
        ASSERT_TRUE(job.start(listener));
        if (!c.holdEnd) {
            ASSERT_EQ(finished.wait_for(5s), std::future_status::ready);
        }
        EXPECT_EQ(job.waitStarted(), c.says && c.items > 0);
        if (c.holdEnd) {
            EXPECT_TRUE(job.isRunning());
            job.holdBeforeEnd->set_value();
        }
        EXPECT_TRUE(job.wait().ok());
    }
}

} // namespace
} // namespace tl

namespace tl {
namespace {

// A listener that takes progress and lines on their own paths gets them there, in order,
// and jobEvent() only what has no path of its own (the question).
TEST(Job, ProgressAndLinesComeOnTheirOwnPathsWhereAListenerTakesThem) {
    class Taker : public JobListener {
    public:
        Job* job = nullptr;
        std::vector<std::string> seen;
        void jobProgress(const JobProgress& p) override {
            seen.push_back("progress " + std::to_string(p.done));
        }
        void jobLogged(Message&& line) override {
            seen.push_back("line " + std::to_string(std::get<std::int64_t>(line.args[0])));
        }
        void jobEvent(const JobEvent& event) override {
            seen.push_back(std::holds_alternative<JobQuestion>(event) ? "question" : "other");
            job->answer(proposedAnswer(std::get<JobQuestion>(event)));
        }
        void jobFinished(const JobResult&) override { seen.push_back("end"); }
    } taker;
    ScriptedJob job;
    job.items = 2;
    job.askAfterFirst = true;
    taker.job = &job;
    EXPECT_TRUE(job.runHere(taker).ok());
    EXPECT_EQ(taker.seen, (std::vector<std::string>{"progress 1", "line 0", "question",
                                                    "progress 2", "line 1", "end"}));
    EXPECT_EQ(job.answerSeen->choice, "confirm"); // the proposal: the first choice
}

} // namespace
} // namespace tl
