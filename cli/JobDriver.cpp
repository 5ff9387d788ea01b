#include "cli/JobDriver.h"

#include "storage/DisplayWidth.h"
#include "storage/Utf8.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <mutex>
#include <ostream>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace tl::cli {
namespace {

using Clock = std::chrono::steady_clock;

std::atomic<bool> g_interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");
int g_wake[2] = {-1, -1}; // the pipe the main thread waits on: read end, write end

void wake() {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_wake[1], &byte, 1);
    errno = saved;
}

extern "C" void onInterrupt(int) {
    g_interrupted.store(true);
    wake();
}

// Ctrl-C while a job runs: the first is caught, the second finds the default action again.
class InterruptGuard {
public:
    InterruptGuard() {
        g_interrupted.store(false);
        if (g_wake[0] < 0 && ::pipe2(g_wake, O_CLOEXEC | O_NONBLOCK) != 0)
            g_wake[0] = g_wake[1] = -1; // Ctrl-C is then seen at the next timeout
        struct sigaction action {};
        action.sa_handler = onInterrupt;
        action.sa_flags = SA_RESTART | SA_RESETHAND;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGINT, &action, &m_previous);
    }
    ~InterruptGuard() { ::sigaction(SIGINT, &m_previous, nullptr); }

private:
    struct sigaction m_previous {};
};

// The job's side, on its worker: lines and progress are written at once; a question for
// the console is handed to the main thread.
class Console : public JobListener {
public:
    Console(Context& ctx, Job& job, bool console)
        : m_ctx(ctx), m_job(job), m_console(console), m_terminal(progressLineShown()) {}

    void jobProgress(const JobProgress& progress) override {
        if (m_terminal)
            drawProgress(progress);
    }
    void jobEvent(const JobEvent& event) override {
        clearProgress();
        if (const auto* line = std::get_if<Message>(&event)) {
            m_ctx.log(*line);
            m_ctx.err->flush();
        } else if (const auto* question = std::get_if<JobQuestion>(&event);
                   question && !m_console) {
            m_job.answer(proposedAnswer(*question));
        } else if (question) {
            hand([&] { m_question = *question; });
        }
    }
    void jobFinished(const JobResult&) override {
        clearProgress();
        hand([this] { m_finished = true; });
    }

    /** Waits a moment for a question, the end or Ctrl-C: the question, if one came. */
    std::optional<JobQuestion> wait(bool& finished) {
        waitForInput(-1, 50);
        std::lock_guard lock(m_mutex);
        finished = m_finished;
        return std::exchange(m_question, std::nullopt);
    }

private:
    template <typename Change> void hand(Change change) {
        {
            std::lock_guard lock(m_mutex);
            change();
        }
        wake();
    }
    void drawProgress(const JobProgress& progress) {
        const Clock::time_point now = Clock::now();
        if (m_start == Clock::time_point{})
            m_start = now;
        if (now - m_lastDraw < std::chrono::milliseconds(100))
            return;
        m_lastDraw = now;
        const double seconds = std::chrono::duration<double>(now - m_start).count();
        const double rate = seconds > 0.05 ? static_cast<double>(progress.done) / seconds : 0.0;
        std::string head = std::to_string(progress.done);
        if (progress.total > 0)
            head += "/" + std::to_string(progress.total);
        char speed[32];
        std::snprintf(speed, sizeof speed, ", %.0f/s, ", rate);
        head += speed;
        winsize ws{};
        const std::size_t columns =
            ::ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0 ? ws.ws_col : 80;
        const std::size_t room = columns > head.size() + 1 ? columns - head.size() - 1 : 0;
        // Long folders keep their end, which says most about where the job is.
        std::string where = utf8Sanitized(progress.folder);
        if (displayWidth(where) > room && room > 3)
            where = "..." + where.substr(where.size() - columnSuffix(where, room - 3).bytes);
        *m_ctx.err << "\r\033[K" << head << where << std::flush;
        m_shown = true;
    }
    void clearProgress() {
        if (m_shown)
            *m_ctx.err << "\r\033[K" << std::flush;
        m_shown = false;
    }

    Context& m_ctx;
    Job& m_job;
    const bool m_console;
    const bool m_terminal;
    bool m_shown = false;
    Clock::time_point m_start{};
    Clock::time_point m_lastDraw{};

    std::mutex m_mutex;
    std::optional<JobQuestion> m_question;
    bool m_finished = false;
};

} // namespace

bool progressLineShown() {
    return ::isatty(STDERR_FILENO) == 1;
}

bool interrupted() {
    return g_interrupted.load();
}

bool waitForInput(int fd, int timeoutMs) {
    pollfd fds[2] = {{g_wake[0], POLLIN, 0}, {fd, POLLIN, 0}};
    const int ready = ::poll(fds, fd < 0 ? 1 : 2, timeoutMs);
    if (ready > 0 && (fds[0].revents & POLLIN)) {
        char drained[64];
        while (::read(g_wake[0], drained, sizeof drained) > 0) {
        }
    }
    return ready > 0 && fd >= 0 && fds[1].revents != 0;
}

JobResult driveJob(Context& ctx, Job& job, const ConsoleAnswerer& answer) {
    Console console(ctx, job, static_cast<bool>(answer));
    InterruptGuard guard;
    if (!job.start(console))
        return failedResult(-1, makeMessage("General", "Error", Severity::Error));
    bool cancelled = false;
    for (bool finished = false; !finished;) {
        const std::optional<JobQuestion> question = console.wait(finished);
        if (question && !cancelled) {
            if (std::optional<JobAnswer> given = answer(*question)) {
                job.answer(std::move(*given));
                continue;
            }
        }
        if (!cancelled && (question || interrupted())) {
            job.cancel(); // Ctrl-C, also while the console asked
            cancelled = true;
        }
    }
    return job.wait();
}

} // namespace tl::cli
