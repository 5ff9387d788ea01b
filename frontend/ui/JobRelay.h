#pragma once
/**
 * @file JobRelay.h
 * How a window runs a job of the core: the relay starts the job on its worker and turns
 * the job's events into signals on the window's thread, in the order the job sent them,
 * and carries the window's answers and Cancel back to the job.
 *
 * It costs the window little however busy the job is. Log lines are taken a few times a
 * second, each take one logged() signal with every line that came (one insertion into a
 * log's model, one redraw); progress is not queued: the relay keeps the latest of each
 * stage, and progressed() shows it a few times a second (a stage the job has left is shown
 * once more when it changed since last shown, before the stage the job is in). A question and the
 * end come at once, behind the log lines sent before them. Nothing overtakes what came before it:
 * while a window handles a signal (a modal prompt for a question runs an event loop of its own),
 * what the job sends meanwhile waits and follows when the handler has returned.
 */
#include "job/Job.h"

#include <QObject>

#include <deque>
#include <memory>
#include <mutex>
#include <variant>
#include <vector>

class QTimer;

namespace tl {

class JobRelay : public QObject, private JobListener {
    Q_OBJECT
public:
    /** How often log lines are taken, and how often progress is shown, by default. */
    static constexpr int LogIntervalMs = 100;
    static constexpr int ProgressIntervalMs = 250;

    explicit JobRelay(QObject* parent = nullptr);
    /** Cancels a running job and waits for its worker. */
    ~JobRelay() override;

    /** Starts @p job on a worker of its own; its signals follow. False while another job
     *  runs, or when no thread can be started (the job is then dropped, nothing follows). */
    bool start(std::unique_ptr<Job> job);
    /** True from start() until finished() has been emitted. */
    bool isRunning() const { return m_running; }
    /** The running or last job (none before the first start). */
    Job* job() const { return m_job.get(); }

    /** Answers the question of the last asked() (see Job::answer). */
    void answer(JobAnswer answer);
    /** Asks the job to end (see Job::cancel); finished() follows. */
    void cancel();
    bool cancelRequested() const { return m_job && m_job->cancelRequested(); }

    /** Hands over at once what the job has sent, instead of at the next take: after
     *  Job::wait(), its end. */
    void deliverNow() { deliver(); }

    /** The latest progress the job has sent (of the stage it sent last). */
    JobProgress progress() const;
    /** Changes how often log lines are taken and progress is shown (tests slow them down). */
    void setIntervals(int logMs, int progressMs);

Q_SIGNALS:
    /** The log lines that came since the last take, in order. */
    void logged(const std::vector<tl::Message>& lines);
    /** The latest progress: every progress interval while the job runs, before a question
     *  and before the end; first that of a stage left since it was last shown. */
    void progressed(const tl::JobProgress& progress);
    /** The job waits for answer() (or cancel()). */
    void asked(const tl::JobQuestion& question);
    /** The job has ended; isRunning() is false and another job may start. */
    void finished(const tl::JobResult& result);

private:
    using Item = std::variant<Message, JobQuestion, JobResult>;

    // On the job's worker.
    void jobEvent(const JobEvent& event) override;
    void jobProgress(const JobProgress& progress) override;
    void jobLogged(Message&& line) override { post(std::move(line), false); }
    void jobFinished(const JobResult& result) override;
    void post(Item item, bool callNow);

    // On the window's thread.
    void deliver();
    void dispatch(Item& item);
    void flushLines(std::vector<Message>& lines);
    void showProgress();

    std::unique_ptr<Job> m_job;
    QTimer* m_logTimer;
    QTimer* m_progressTimer;
    bool m_running = false;
    bool m_dispatching = false;
    std::deque<Item> m_inbox; // taken from the job, not yet handed to the window

    mutable std::mutex m_mutex; // guards what the worker hands over
    std::vector<Item> m_items;
    bool m_called = false; // a call to deliver() is on its way
    struct Stage {
        JobProgress latest;
        bool shown = false;
    };
    std::vector<Stage> m_stages; ///< each stage the job has reported, in the order they came
    std::size_t m_current = 0;   ///< the stage reported last
};

} // namespace tl
