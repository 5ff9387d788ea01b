#pragma once
// A front end's side of a job for the core's tests: every event and the end are queued as
// values on the job's worker and taken off the queue by the test's own thread, as a
// window's event loop would take them.
#include "job/Job.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <variant>

namespace tl::test {

/** One call of the job: an event, or its end. */
using JobCall = std::variant<JobEvent, JobResult>;

class JobWindow : public JobListener {
public:
    void jobEvent(const JobEvent& event) override { post(event); }
    void jobFinished(const JobResult& result) override { post(result); }

    /** The next call, or none after @p timeout. */
    std::optional<JobCall> take(std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
        std::unique_lock lock(m_mutex);
        if (!m_posted.wait_for(lock, timeout, [this] { return !m_calls.empty(); }))
            return std::nullopt;
        JobCall call = std::move(m_calls.front());
        m_calls.pop_front();
        return call;
    }

    /** Takes calls up to the next question (returned) or the end (none, kept in @p end). */
    std::optional<JobQuestion> nextQuestion(std::optional<JobResult>& end) {
        while (std::optional<JobCall> call = take()) {
            if (const auto* result = std::get_if<JobResult>(&*call)) {
                end = *result;
                return std::nullopt;
            }
            const JobEvent& event = std::get<JobEvent>(*call);
            if (const auto* progress = std::get_if<JobProgress>(&event))
                progressSeen.push_back(*progress);
            else if (const auto* line = std::get_if<Message>(&event))
                lines.push_back(*line);
            else
                return std::get<JobQuestion>(event);
        }
        return std::nullopt; // the job fell silent
    }

    std::vector<JobProgress> progressSeen; ///< taken by nextQuestion()
    std::vector<Message> lines;            ///< taken by nextQuestion()

private:
    void post(JobCall call) {
        {
            std::lock_guard lock(m_mutex);
            m_calls.push_back(std::move(call));
        }
        m_posted.notify_one();
    }

    std::mutex m_mutex;
    std::condition_variable m_posted;
    std::deque<JobCall> m_calls;
};

} // namespace tl::test
