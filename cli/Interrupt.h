#pragma once
/**
 * @file Interrupt.h
 * Ctrl-C on the command line: while a job runs, the first Ctrl-C asks it to stop (it
 * ends at the next file or record, and an earlier file of its name is kept); a second one
 * ends the program at once.
 */
#include <atomic>
#include <chrono>
#include <future>
#include <signal.h>

namespace tl::cli {

class InterruptGuard {
public:
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

    /** Set by Ctrl-C; a job may look at it directly, between records. */
    static const std::atomic<bool>& flag();

    /** Waits until @p done is ready; on the way asks @p stop() once when Ctrl-C was
     *  pressed (a job's requestStop, which may not be called from a signal handler). */
    template <typename Stop> static void waitFor(std::future<void>& done, Stop stop) {
        bool asked = false;
        while (done.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
            if (!asked && flag().load()) {
                stop();
                asked = true;
            }
        }
    }

private:
    struct sigaction m_previous {};
};

} // namespace tl::cli
