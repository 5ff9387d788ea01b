#include "job/Job.h"

#include <system_error>

namespace tl {

Job::~Job() {
    // A derived job has stopped its run already; this only reaps a thread that ended.
    stop();
}

bool Job::start(JobListener& listener) {
    if (m_running.load())
        return false;
    if (m_thread.joinable())
        m_thread.join();
    m_cancel.store(false);
    m_running.store(true);
    beginRun();
    try {
        m_thread = std::thread([this, &listener] {
            JobResult result = runWith(listener);
            listener.jobFinished(result);
            m_running.store(false);
        });
    } catch (const std::system_error&) {
        {
            std::lock_guard lock(m_mutex);
            m_ended = true;
        }
        m_running.store(false);
        return false;
    }
    return true;
}

void Job::beginRun() {
    std::lock_guard lock(m_mutex);
    m_begun = false;
    m_ended = false;
}

JobResult Job::runHere(JobListener& listener) {
    if (m_running.load())
        return failedResult(-1, makeMessage("General", "Error", Severity::Error));
    if (m_thread.joinable())
        m_thread.join();
    m_running.store(true);
    beginRun();
    JobResult result = runWith(listener);
    listener.jobFinished(result);
    m_cancel.store(false);
    m_running.store(false);
    return result;
}

JobResult Job::runWith(JobListener& listener) {
    {
        std::lock_guard lock(m_mutex);
        m_listener = &listener;
        m_waiting = false;
        m_answer.reset();
    }
    m_result = run(*this);
    {
        std::lock_guard lock(m_mutex);
        m_ended = true;
    }
    m_phaseChanged.notify_all();
    return m_result;
}

void Job::cancel() {
    {
        std::lock_guard lock(m_mutex);
        m_cancel.store(true);
    }
    m_answered.notify_all();
}

void Job::answer(JobAnswer answer) {
    {
        std::lock_guard lock(m_mutex);
        if (!m_waiting || m_answer)
            return; // nothing waits, or it has its answer already
        m_answer = std::move(answer);
    }
    m_answered.notify_all();
}

bool Job::waitStarted() {
    std::unique_lock lock(m_mutex);
    m_phaseChanged.wait(lock, [this] { return m_begun || m_ended; });
    return m_begun;
}

void Job::started() {
    {
        std::lock_guard lock(m_mutex);
        m_begun = true;
    }
    m_phaseChanged.notify_all();
}

JobResult Job::wait() {
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
        m_thread.join();
    return m_result;
}

void Job::stop() {
    cancel();
    wait();
}

void Job::progress(const JobProgress& progress) {
    m_listener->jobProgress(progress);
}

void Job::log(Message message) {
    m_listener->jobLogged(std::move(message));
}

std::optional<JobAnswer> Job::ask(JobQuestion question) {
    {
        std::lock_guard lock(m_mutex);
        if (m_cancel.load())
            return std::nullopt;
        m_answer.reset();
        m_waiting = true; // before the listener hears it: it may answer at once
    }
    m_listener->jobEvent(std::move(question));
    std::unique_lock lock(m_mutex);
    m_answered.wait(lock, [this] { return m_answer.has_value() || m_cancel.load(); });
    m_waiting = false;
    std::optional<JobAnswer> answer = std::move(m_answer);
    m_answer.reset();
    if (m_cancel.load())
        return std::nullopt;
    return answer;
}

JobAnswer proposedAnswer(const JobQuestion& question) {
    return {question.choices.empty() ? std::string() : question.choices.front(), std::nullopt};
}

JobResult cancelledResult(int code, Message message) {
    message.severity = Severity::Information;
    return {JobStatus::Cancelled, code, std::move(message), {}};
}

JobResult failedResult(int code, Message message) {
    return {JobStatus::Failed, code, std::move(message), {}};
}

} // namespace tl
