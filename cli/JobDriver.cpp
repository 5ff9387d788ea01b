#include "cli/JobDriver.h"

#include "cli/Interrupt.h"
#include "storage/Utf8.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <ostream>
#include <sys/ioctl.h>
#include <unistd.h>

namespace tl::cli {
namespace {

using Clock = std::chrono::steady_clock;

// The job's side, on its worker: lines and progress are written at once; a question for
// the console is handed to the main thread.
class Console : public JobListener {
public:
    Console(Context& ctx, Job& job, bool console)
        : m_ctx(ctx), m_job(job), m_console(console), m_terminal(progressLineShown()) {}

    void jobEvent(const JobEvent& event) override {
        if (const auto* progress = std::get_if<JobProgress>(&event)) {
            if (m_terminal)
                drawProgress(*progress);
            return;
        }
        clearProgress();
        if (const auto* line = std::get_if<Message>(&event)) {
            m_ctx.log(*line);
            m_ctx.err->flush();
            return;
        }
        const auto& question = std::get<JobQuestion>(event);
        if (!m_console) {
            m_job.answer({question.choices.empty() ? std::string() : question.choices.front(),
                          std::nullopt});
            return;
        }
        {
            std::lock_guard lock(m_mutex);
            m_question = question;
        }
        InterruptGuard::wake();
    }
    void jobFinished(const JobResult&) override {
        clearProgress();
        {
            std::lock_guard lock(m_mutex);
            m_finished = true;
        }
        InterruptGuard::wake();
    }

    /** Waits a moment for a question, the end or Ctrl-C: the question, if one came. */
    std::optional<JobQuestion> wait(bool& finished) {
        InterruptGuard::waitForInput(-1, 50);
        std::lock_guard lock(m_mutex);
        finished = m_finished;
        return std::exchange(m_question, std::nullopt);
    }

private:
    void drawProgress(const JobProgress& progress) {
        const Clock::time_point now = Clock::now();
        if (m_start == Clock::time_point{})
            m_start = now;
        if (now - m_lastDraw < std::chrono::milliseconds(100))
            return;
        m_lastDraw = now;
        const double seconds = std::chrono::duration<double>(now - m_start).count();
        const double rate = seconds > 0.05 ? static_cast<double>(progress.done) / seconds : 0.0;
        char head[96];
        if (progress.total > 0)
            std::snprintf(head, sizeof head, "%llu/%llu, %.0f/s, ",
                          static_cast<unsigned long long>(progress.done),
                          static_cast<unsigned long long>(progress.total), rate);
        else
            std::snprintf(head, sizeof head, "%llu, %.0f/s, ",
                          static_cast<unsigned long long>(progress.done), rate);
        std::string where = utf8Sanitized(progress.folder);
        winsize ws{};
        const std::size_t columns =
            ::ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0 ? ws.ws_col : 80;
        const std::size_t used = std::strlen(head) + 1;
        const std::size_t room = columns > used ? columns - used : 0;
        // Long folders keep their end, which says most about where the job is.
        const std::size_t chars = utf8Length(where);
        if (chars > room && room > 3) {
            std::size_t pos = 0;
            for (std::size_t i = 0; i < chars - (room - 3); ++i) {
                std::size_t length = 1;
                utf8Decode(where, pos, &length);
                pos += length;
            }
            where = "..." + where.substr(pos);
        }
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

JobResult driveJob(Context& ctx, Job& job, const ConsoleAnswerer& answer) {
    Console console(ctx, job, static_cast<bool>(answer));
    InterruptGuard interrupt;
    if (!job.start(console))
        return failedResult(-1, makeMessage("General", "Error", Severity::Error));
    bool cancelled = false;
    for (bool finished = false; !finished;) {
        std::optional<JobQuestion> question = console.wait(finished);
        if (!cancelled && InterruptGuard::flag().load()) {
            job.cancel();
            cancelled = true;
        }
        if (!question)
            continue;
        if (std::optional<JobAnswer> given = answer(*question)) {
            job.answer(std::move(*given));
        } else if (!cancelled) {
            job.cancel(); // Ctrl-C while the console asked
            cancelled = true;
        }
    }
    return job.wait();
}

} // namespace tl::cli
