#pragma once
/**
 * @file WorkerThread.h
 * A minimal thread object whose work is given by two virtual operations.
 */
#include <atomic>
#include <thread>

namespace tl {

class WorkerThread {
public:
    WorkerThread() = default;
    /** Asks a running thread to stop and waits for it. */
    virtual ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    /** Starts run() and then finished(result) on a new thread. Refuses (false) while the
     *  previous thread is still running or when no thread can be created. Clears the
     *  terminate flag. */
    bool start();
    /** Runs run() and then finished(result) on the calling thread (a job's worker) and
     *  returns the exit code; -1 while a thread started with start() runs. Clears the
     *  terminate flag. */
    int runHere();
    /** A flag of the owner's that stops the work as the terminate flag does (a job's cancel);
     *  not owned, none by default. Set before the work starts. */
    void setStopFlag(const std::atomic<bool>* flag) { m_stopFlag = flag; }
    /** True from start() until finished() has returned. */
    bool isRunning() const { return m_running.load(); }
    /** Waits for the thread to end and returns its exit code (finished()'s result);
     *  the exit code of the last run, or 0, when no thread is running. */
    int wait();
    /** Sets the terminate flag that the work polls. Only stores an atomic flag, so it may
     *  be called from a signal handler. */
    void requestStop() { m_terminate.store(true); }
    bool terminateRequested() const {
        return m_terminate.load() || (m_stopFlag && m_stopFlag->load(std::memory_order_relaxed));
    }
    /** requestStop() and wait(). A derived class whose operations the thread calls must
     *  call this in its own destructor, before its part of the object is gone. */
    void stop();

protected:
    /** The work, on the new thread. */
    virtual int run() = 0;
    /** Called on the thread with run()'s result; returns the exit code. */
    virtual int finished(int result) { return result; }

private:
    std::thread m_thread;
    std::atomic<bool> m_terminate{false};
    std::atomic<bool> m_running{false};
    std::atomic<int> m_exitCode{0};
    const std::atomic<bool>* m_stopFlag = nullptr;
};

} // namespace tl
