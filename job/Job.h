#pragma once
/**
 * @file Job.h
 * The one shape of every long piece of work of the core (a scan, a digest, a report, an
 * index update, ...), so that the command line and the windows drive them all the same way.
 *
 * A job is made from its inputs and started with a listener. It runs on a worker thread of
 * its own and tells the listener everything as values: progress (counts and bytes), log
 * lines (a Message: key, arguments, severity) and questions (with their choices), which it
 * then waits for an answer to. It can be cancelled at any point, also while a question
 * waits, and it ends with one JobResult: how it ended, its own result code, the message
 * that says so and the files it wrote.
 *
 *     MyJob job(inputs);
 *     job.start(listener);   // events arrive on the job's worker
 *     ...                    // job.answer(...) for a question, job.cancel() any time
 *     JobResult r = job.wait();
 *
 * A new job derives from Job, takes its inputs in its constructor (a request struct that
 * frontend/FrontEnd.h fills from the settings for both programs), does its work in run()
 * against the JobContext, and gives its questions a kind and a record of its own (see
 * albumQuestion() and reportPathQuestion()). A window runs it with JobRelay (frontend/ui),
 * the command line with driveJob() (cli/JobDriver.h); neither needs to know more of it.
 */
#include "locale/Message.h"
#include "storage/Fieldnames.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <variant>
#include <vector>

namespace tl {

/** How far a job has come. Each job documents what its counts count. */
struct JobProgress {
    int stage = 0;                ///< the job's own stage number (a scan: walking, digest)
    std::uint64_t done = 0;       ///< items done (files, songs, records)
    std::uint64_t total = 0;      ///< items in all; 0 while not known
    std::uint64_t bytesDone = 0;  ///< bytes of the items done
    std::uint64_t bytesTotal = 0; ///< 0 while not known
    std::uint64_t written = 0;    ///< results written so far (albums, report items)
    std::string folder;           ///< the folder being worked on, if any
    std::string file;             ///< the file being worked on, if any

    friend bool operator==(const JobProgress&, const JobProgress&) = default;
};

/** A question the job waits on. Its first choice, answered with the record as it stands,
 *  accepts what the job proposes (keep the album as derived, write the report under the
 *  proposed name): a front end with nobody to ask answers so. */
struct JobQuestion {
    std::string kind;                 ///< what is asked, for the front end that answers it
    std::optional<Message> text;      ///< the question as the user reads it, if it has one
    std::vector<std::string> choices; ///< the answers it takes, by name
    Fields record;                    ///< the record the question is about (may be edited)

    friend bool operator==(const JobQuestion&, const JobQuestion&) = default;
};

/** The answer to a JobQuestion. */
struct JobAnswer {
    std::string choice;           ///< one of the question's choices
    std::optional<Fields> record; ///< the record as the user changed it; none: unchanged
};

/** The answer that accepts what @p question proposes: its first choice, the record as it
 *  stands. */
JobAnswer proposedAnswer(const JobQuestion& question);

/** One event of a running job, in the order the job sent them. */
using JobEvent = std::variant<JobProgress, Message, JobQuestion>;

/** How a job ended. */
enum class JobStatus : int {
    Done = 0,      ///< the job did what it was asked
    Failed = 1,    ///< it could not: the message says why
    Cancelled = 2, ///< cancel() ended it: nothing of the user's was lost
};

/** The end of a job. */
struct JobResult {
    JobStatus status = JobStatus::Done;
    /** The job's own result code (its result enum's number; 0 for success). */
    int code = 0;
    /** What to tell the user about the end, if anything (its severity: Information for a
     *  job done or cancelled, Error for a failure). */
    std::optional<Message> message;
    /** The files the job wrote and put in place, in the order it wrote them. A job that
     *  ended early lists what it had put in place before (a scan whose digest failed has
     *  its song database). */
    std::vector<std::string> files;

    bool ok() const { return status == JobStatus::Done; }
};

/** Receives a job's events. Both operations run on the job's worker and must not wait for
 *  the user: copy what they need and hand it on. A question is answered later, from any
 *  thread, with Job::answer(), or from inside event() by a console that reads it at once. */
class JobListener {
public:
    virtual ~JobListener() = default;
    virtual void jobEvent(const JobEvent& event) = 0;
    /** The job's last act on its worker. */
    virtual void jobFinished(const JobResult& result) = 0;

    /** Where progress and log lines arrive: by default they are handed to jobEvent(). A
     *  listener that keeps them (a relay to a window: a scan sends a few events per file)
     *  takes them here, without the copy into a JobEvent: the line is its own to move. */
    virtual void jobProgress(const JobProgress& progress) { jobEvent(progress); }
    virtual void jobLogged(Message&& line) { jobEvent(JobEvent(std::move(line))); }
};

/** What the work of a job sees of the job that runs it: where its events go, the cancel
 *  flag and the way to ask. Work that more than one job does (a digest after a scan, or
 *  on its own) is written once against this. Used on the thread that runs the job. */
class JobContext {
public:
    virtual void progress(const JobProgress& progress) = 0;
    virtual void log(Message message) = 0;
    /** Hands @p question to the listener and waits for the answer; none when the job was
     *  cancelled before or while it waited. */
    virtual std::optional<JobAnswer> ask(JobQuestion question) = 0;
    /** Says that the job has begun: what it sets up before its long part is in place (a
     *  scan's volume is identified and its song database created). See Job::waitStarted(). */
    virtual void started() = 0;
    /** The flag cancel() sets, for loops of the core that look at a flag between items. */
    virtual const std::atomic<bool>& cancelFlag() const = 0;
    bool cancelled() const { return cancelFlag().load(std::memory_order_relaxed); }

protected:
    ~JobContext() = default;
};

class Job : protected JobContext {
public:
    Job() = default;
    /** A derived job must call stop() in its own destructor, before its part is gone. */
    virtual ~Job();
    Job(const Job&) = delete;
    Job& operator=(const Job&) = delete;

    /**
     * Starts the job on a new worker thread with @p listener (which must outlive the run).
     * False while a run is still going, or when no thread can be started (the listener
     * then hears nothing). Forgets an earlier cancel.
     */
    bool start(JobListener& listener);
    /** Runs the job on the calling thread and returns its result; the listener hears the
     *  same as with start(). A cancel() since the last run ends it at once. */
    JobResult runHere(JobListener& listener);

    /** Ends the run as soon as possible with JobStatus::Cancelled, also while a question
     *  waits. Any thread (not a signal handler). */
    void cancel();
    /** Answers the question the run waits for; ignored when none waits or it has been
     *  answered already. Any thread. */
    void answer(JobAnswer answer);

    bool cancelRequested() const { return m_cancel.load(std::memory_order_relaxed); }
    /** True from start() until the listener's jobFinished() has returned. */
    bool isRunning() const { return m_running.load(); }
    /** Waits until the run started with start() has said JobContext::started() (true) or
     *  has ended without saying it (false): a window that shows only a job that could begin
     *  waits for this. For jobs that say started() (each job's header tells). */
    bool waitStarted();
    /** Waits for a worker started with start(); the result of the last run. */
    JobResult wait();
    /** cancel() and wait(). */
    void stop();

protected:
    /** The work, on the worker (or the caller's thread with runHere()). */
    virtual JobResult run(JobContext& context) = 0;

private:
    JobResult runWith(JobListener& listener);
    void progress(const JobProgress& progress) override;
    void log(Message message) override;
    std::optional<JobAnswer> ask(JobQuestion question) override;
    void started() override;
    const std::atomic<bool>& cancelFlag() const override { return m_cancel; }
    void beginRun();

    JobListener* m_listener = nullptr;
    std::atomic<bool> m_cancel{false};
    std::atomic<bool> m_running{false};
    std::thread m_thread;
    JobResult m_result;

    std::mutex m_mutex;
    std::condition_variable m_answered;
    bool m_waiting = false;
    std::optional<JobAnswer> m_answer;
    std::condition_variable m_phaseChanged;
    bool m_begun = false; // the run has said started()
    bool m_ended = false; // the run has returned
};

/** The result of a job cancelled by the user: JobStatus::Cancelled with @p message (an
 *  Information message: a cancel the user chose is no error). */
JobResult cancelledResult(int code, Message message);
/** A failure with its message (severity Error unless the message says otherwise). */
JobResult failedResult(int code, Message message);

} // namespace tl
