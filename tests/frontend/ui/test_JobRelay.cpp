// The relay between a job's worker and a window: order, batches of log lines, the latest
// progress, questions and the end at once, and no reordering by a modal loop.
#include "frontend/ui/JobRelay.h"

#include <QEventLoop>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

using namespace tl;

namespace {

// A job that does what its steps say: log lines, progress, a question, a pause.
class StepsJob : public Job {
public:
    struct Step {
        enum Kind { Log, Progress, Ask, Sleep } kind;
        int count = 1; ///< lines, progress events, or milliseconds
        int stage = 0; ///< the stage of progress events
    };
    explicit StepsJob(std::vector<Step> steps) : m_steps(std::move(steps)) {}
    ~StepsJob() override { stop(); }

protected:
    JobResult run(JobContext& context) override {
        int line = 0;
        for (const Step& step : m_steps) {
            if (context.cancelled())
                return cancelledResult(8, makeMessage("Test", "Cancelled", Severity::Error));
            switch (step.kind) {
            case Step::Log:
                for (int i = 0; i < step.count; ++i)
                    context.log(
                        makeMessage("Test", "Line", Severity::Warning, {std::int64_t{line++}}));
                break;
            case Step::Progress:
                for (int i = 1; i <= step.count; ++i) {
                    JobProgress p;
                    p.stage = step.stage;
                    p.done = std::uint64_t(i);
                    context.progress(p);
                }
                break;
            case Step::Ask:
                if (!context.ask({"test", std::nullopt, {"go"}, {}}))
                    return cancelledResult(8, makeMessage("Test", "Cancelled", Severity::Error));
                break;
            case Step::Sleep:
                std::this_thread::sleep_for(std::chrono::milliseconds(step.count));
                break;
            }
        }
        return {};
    }

private:
    std::vector<Step> m_steps;
};

using S = StepsJob::Step;

// What the window sees, in order: "lines FIRST-LAST", "asked", "finished", and whatever the
// test's handlers add.
class Window : public QObject {
public:
    explicit Window(JobRelay& relay) : m_relay(relay) {
        QObject::connect(&relay, &JobRelay::logged, this, [this](const std::vector<Message>& l) {
            seen.push_back("lines " + arg(l.front()) + "-" + arg(l.back()));
            for (const Message& m : l)
                lines.push_back(std::stoi(arg(m)));
        });
        QObject::connect(&relay, &JobRelay::progressed, this, [this](const JobProgress& p) {
            progress.push_back(p.done);
            stages.push_back(p.stage);
        });
        QObject::connect(&relay, &JobRelay::asked, this, [this](const JobQuestion&) {
            seen.push_back("asked");
            if (onAsked)
                onAsked();
        });
        QObject::connect(&relay, &JobRelay::finished, this, [this](const JobResult& r) {
            seen.push_back(r.ok() ? "finished" : "ended early");
            progressAtEnd = progress.empty() ? 0 : progress.back();
        });
    }
    bool runToEnd(std::vector<S> steps) {
        QSignalSpy end(&m_relay, &JobRelay::finished);
        if (!m_relay.start(std::make_unique<StepsJob>(std::move(steps))))
            return false;
        return end.wait(20000);
    }
    static std::string arg(const Message& m) {
        return std::to_string(std::get<std::int64_t>(m.args[0]));
    }

    std::vector<std::string> seen;
    std::vector<int> lines;
    std::vector<std::uint64_t> progress;
    std::vector<int> stages;
    std::uint64_t progressAtEnd = 0;
    std::function<void()> onAsked;

private:
    JobRelay& m_relay;
};

} // namespace

// Lines that come over half a second reach the window complete, in order and in a few
// batches, not one signal each.
TEST(JobRelay, LinesArriveCompleteInOrderAndInFewBatches) {
    JobRelay relay;
    Window window(relay);
    std::vector<S> steps;
    for (int burst = 0; burst < 50; ++burst) {
        steps.push_back({S::Log, 20});
        steps.push_back({S::Sleep, 10});
    }
    ASSERT_TRUE(window.runToEnd(steps));
    std::vector<int> expected(1000);
    for (int i = 0; i < 1000; ++i)
        expected[std::size_t(i)] = i;
    EXPECT_EQ(window.lines, expected);
    const auto batches = window.seen.size() - 1; // the last is "finished"
    EXPECT_GE(batches, 2u);
    EXPECT_LE(batches, 20u); // 50 bursts of lines, taken about every 100 ms
    EXPECT_EQ(window.seen.back(), "finished");
}

// A hundred thousand progress events are kept as the latest, not queued: the window sees a
// few of them, and the last before the end is the job's last.
TEST(JobRelay, ProgressIsTheLatestAndShownBeforeTheEnd) {
    JobRelay relay;
    Window window(relay);
    ASSERT_TRUE(window.runToEnd({{S::Progress, 100000}, {S::Sleep, 300}}));
    EXPECT_FALSE(window.progress.empty());
    EXPECT_LE(window.progress.size(), 10u);
    EXPECT_EQ(window.progressAtEnd, 100000u);
    EXPECT_FALSE(relay.isRunning());
}

// A job that goes on to its next stage between two shows: the stage it left is shown once
// more with its last progress, then the stage it is in.
TEST(JobRelay, AStageLeftIsShownWithItsLastProgressBeforeTheNext) {
    JobRelay relay;
    relay.setIntervals(3600 * 1000, 3600 * 1000);
    Window window(relay);
    ASSERT_TRUE(window.runToEnd({{S::Progress, 7, 0}, {S::Progress, 3, 1}}));
    EXPECT_EQ(window.stages, (std::vector<int>{0, 1}));
    EXPECT_EQ(window.progress, (std::vector<std::uint64_t>{7, 3}));
}

// With takes an hour apart, the question and the end still come at once, each behind the
// lines sent before it.
TEST(JobRelay, AQuestionAndTheEndComeAtOnceBehindTheLinesBeforeThem) {
    JobRelay relay;
    relay.setIntervals(3600 * 1000, 3600 * 1000);
    Window window(relay);
    window.onAsked = [&] { relay.answer({"go", std::nullopt}); };
    ASSERT_TRUE(window.runToEnd({{S::Log, 3}, {S::Ask}, {S::Log, 2}}));
    EXPECT_EQ(window.seen,
              (std::vector<std::string>{"lines 0-2", "asked", "lines 3-4", "finished"}));
}

// A window that answers inside a modal loop of its own: what the job sends meanwhile waits
// until the handler has returned, and then comes in order.
TEST(JobRelay, AModalLoopInAHandlerDoesNotLetLaterEventsOvertake) {
    JobRelay relay;
    relay.setIntervals(5, 5);
    Window window(relay);
    window.onAsked = [&] {
        relay.answer({"go", std::nullopt});
        QEventLoop modal;
        QTimer::singleShot(400, &modal, &QEventLoop::quit);
        modal.exec(); // the job logs and ends meanwhile; the relay's timers keep firing
        window.seen.push_back("prompt closed");
    };
    ASSERT_TRUE(window.runToEnd({{S::Log, 1}, {S::Ask}, {S::Log, 5}}));
    EXPECT_EQ(window.seen, (std::vector<std::string>{"lines 0-0", "asked", "prompt closed",
                                                     "lines 1-5", "finished"}));
}

// Cancel while a question waits ends the job; a second job cannot start while one runs,
// and one can once it has ended.
TEST(JobRelay, CancelEndsAWaitingJobAndOnlyOneRunsAtATime) {
    JobRelay relay;
    Window window(relay);
    window.onAsked = [&] {
        EXPECT_FALSE(relay.start(std::make_unique<StepsJob>(std::vector<S>{})));
        relay.cancel();
    };
    ASSERT_TRUE(window.runToEnd({{S::Ask}, {S::Log, 1}}));
    EXPECT_EQ(window.seen, (std::vector<std::string>{"asked", "ended early"}));
    EXPECT_TRUE(relay.cancelRequested());
    window.seen.clear();
    ASSERT_TRUE(window.runToEnd({{S::Log, 1}}));
    EXPECT_EQ(window.seen, (std::vector<std::string>{"lines 0-0", "finished"}));
    EXPECT_FALSE(relay.cancelRequested());
}

// A relay destroyed while its job waits for an answer stops the job and does not hang.
TEST(JobRelay, DestroyingTheRelayStopsAWaitingJob) {
    auto relay = std::make_unique<JobRelay>();
    QSignalSpy asked(relay.get(), &JobRelay::asked);
    ASSERT_TRUE(relay->start(std::make_unique<StepsJob>(std::vector<S>{{S::Ask}})));
    ASSERT_TRUE(asked.wait(20000));
    const auto before = std::chrono::steady_clock::now();
    relay.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(2));
}
