#pragma once
/**
 * @file DigestJob.h
 * A digest run that a window can start and answer: the builder runs on a worker thread
 * (or on the caller's own), reports its progress, hands every album it completed from
 * folder names to its listener as a question, and waits for the answer. A stop asked at
 * any time, also while a question waits, ends the run at once; the digest being written is
 * then dropped and an earlier digest of that name stays as it was.
 */
#include "digest/Smartdigest.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace tl {

/** The settings a digest run takes. */
struct DigestOptions {
    std::string variousWord = "Various"; ///< digestVarious
    int tooMany = 3;                     ///< tooMany
    bool autoComplete = false;           ///< autoComplete: never ask, keep the derived values
};

/** The user's answer to an album question. */
struct AlbumAnswer {
    /** The album as confirmed (every field may have been changed); none keeps the values
     *  the digest derived. */
    std::optional<Fields> album;
    /** Ask nothing more in this run: the remaining albums keep their derived values. */
    bool completeRest = false;
};

/** Receives what a digest run has to say. Every operation runs on the thread of the run. */
class DigestListener {
public:
    virtual ~DigestListener() = default;
    /** Every DigestBuilder::ProgressStep songs and at the end. */
    virtual void digestProgress(const DigestProgress&) {}
    /**
     * An album completed from its folder names waits for the user. The run then waits until
     * DigestJob::answerAlbum() or DigestJob::requestStop() is called, from any thread (or
     * from inside this call, as a console that reads the answer at once does). The call
     * itself must not wait for a window.
     */
    virtual void albumQuestion(const Fields& album) = 0;
    /** The last act of a run started with DigestJob::start(). */
    virtual void digestFinished(DigestResult) {}
};

class DigestJob {
public:
    explicit DigestJob(DigestListener& listener);
    /** Stops a running worker and waits for it. */
    ~DigestJob();
    DigestJob(const DigestJob&) = delete;
    DigestJob& operator=(const DigestJob&) = delete;

    /** Runs the digest of @p songPath into @p digestPath on a new worker thread; the
     *  listener's digestFinished() is its last act. False while a run is still going or
     *  when no thread can be started. Clears an earlier stop. */
    bool start(std::string songPath, std::string digestPath, DigestOptions options);
    /** Runs the digest on the calling thread. A stop asked before it (since start() or
     *  clearStop()) ends it at once. */
    DigestResult run(const std::string& songPath, const std::string& digestPath,
                     const DigestOptions& options);

    /** Answers the question the run waits for; ignored when none waits. Any thread. */
    void answerAlbum(AlbumAnswer answer);
    /** Ends the run as soon as possible with DigestResult::Cancelled, also while a question
     *  waits. Any thread (not a signal handler). */
    void requestStop();
    /** Forgets an earlier stop before a run() of the caller's own. */
    void clearStop();
    bool stopRequested() const { return m_stop.load(); }

    /** True from start() until the worker's digestFinished() has returned. */
    bool isRunning() const { return m_running.load(); }
    /** Waits for a worker started with start() and gives its result. */
    DigestResult wait();

private:
    class AskingBuilder;
    void confirm(Fields& album);

    DigestListener& m_listener;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_running{false};
    std::thread m_thread;
    DigestResult m_result = DigestResult::Done;

    std::mutex m_mutex;
    std::condition_variable m_answered;
    bool m_waiting = false;
    std::optional<AlbumAnswer> m_answer;
    bool m_completeRest = false; // this run asks no more
};

} // namespace tl
