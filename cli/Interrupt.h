#pragma once
/**
 * @file Interrupt.h
 * Ctrl-C on the command line: while a guard lives, the first Ctrl-C sets a flag that the
 * job driver turns into a cancel of its job (which ends at the next file or record, an
 * earlier file of its name kept); a second one ends the program at once.
 *
 * The main thread waits on one pipe for both Ctrl-C and news of its job, so that it sees
 * either at once: the signal handler writes to it, and so does wake().
 */
#include <atomic>
#include <signal.h>

namespace tl::cli {

class InterruptGuard {
public:
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

    /** Set by Ctrl-C. */
    static const std::atomic<bool>& flag();

    /** Waits until Ctrl-C or wake(), at most @p timeoutMs, also for input on @p fd when it
     *  is not -1; true when @p fd has input (or its end). */
    static bool waitForInput(int fd, int timeoutMs);
    /** Ends a waitForInput() of another thread. Any thread. */
    static void wake();

private:
    struct sigaction m_previous {};
};

} // namespace tl::cli
