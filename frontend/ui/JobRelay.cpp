#include "frontend/ui/JobRelay.h"

#include <QMetaObject>
#include <QTimer>

namespace tl {

JobRelay::JobRelay(QObject* parent)
    : QObject(parent), m_logTimer(new QTimer(this)), m_progressTimer(new QTimer(this)) {
    m_logTimer->setInterval(LogIntervalMs);
    m_progressTimer->setInterval(ProgressIntervalMs);
    connect(m_logTimer, &QTimer::timeout, this, &JobRelay::deliver);
    connect(m_progressTimer, &QTimer::timeout, this, [this] {
        if (!m_dispatching)
            showProgress();
    });
}

JobRelay::~JobRelay() {
    // The worker's last calls post to this object; they are dropped with it.
    if (m_job)
        m_job->stop();
}

bool JobRelay::start(std::unique_ptr<Job> job) {
    if (m_running || !job)
        return false;
    if (m_job)
        m_job->wait();
    {
        std::lock_guard lock(m_mutex);
        m_items.clear();
        m_called = false;
        m_stages.clear();
        m_current = 0;
    }
    m_inbox.clear();
    m_job = std::move(job);
    if (!m_job->start(*this))
        return false;
    m_running = true;
    m_logTimer->start();
    m_progressTimer->start();
    return true;
}

void JobRelay::answer(JobAnswer answer) {
    if (m_job)
        m_job->answer(std::move(answer));
}

void JobRelay::cancel() {
    if (m_job && m_running)
        m_job->cancel();
}

JobProgress JobRelay::progress() const {
    std::lock_guard lock(m_mutex);
    return m_stages.empty() ? JobProgress{} : m_stages[m_current].latest;
}

void JobRelay::setIntervals(int logMs, int progressMs) {
    m_logTimer->setInterval(logMs);
    m_progressTimer->setInterval(progressMs);
}

void JobRelay::jobEvent(const JobEvent& event) {
    if (const auto* progress = std::get_if<JobProgress>(&event))
        jobProgress(*progress);
    else if (const auto* message = std::get_if<Message>(&event))
        post(*message, false);
    else
        post(std::get<JobQuestion>(event), true);
}

void JobRelay::jobProgress(const JobProgress& progress) {
    std::lock_guard lock(m_mutex);
    if (m_stages.empty() || m_stages[m_current].latest.stage != progress.stage) {
        m_current = 0;
        while (m_current < m_stages.size() && m_stages[m_current].latest.stage != progress.stage)
            ++m_current;
        if (m_current == m_stages.size())
            m_stages.emplace_back();
    }
    Stage& stage = m_stages[m_current];
    stage.latest = progress; // assigned in place: the strings keep their capacity
    stage.shown = false;
}

void JobRelay::jobFinished(const JobResult& result) {
    post(result, true);
}

void JobRelay::post(Item item, bool callNow) {
    {
        std::lock_guard lock(m_mutex);
        m_items.push_back(std::move(item));
        if (!callNow || m_called)
            return; // the next take, or the call on its way, takes this item too
        m_called = true;
    }
    QMetaObject::invokeMethod(this, &JobRelay::deliver, Qt::QueuedConnection);
}

void JobRelay::deliver() {
    {
        std::lock_guard lock(m_mutex);
        for (Item& item : m_items)
            m_inbox.push_back(std::move(item));
        m_items.clear();
        m_called = false;
    }
    if (m_dispatching)
        return; // a handler further up runs a loop of its own; it goes on with the inbox
    m_dispatching = true;
    std::vector<Message> lines;
    while (!m_inbox.empty()) {
        Item item = std::move(m_inbox.front());
        m_inbox.pop_front();
        if (auto* message = std::get_if<Message>(&item)) {
            lines.push_back(std::move(*message));
            continue;
        }
        flushLines(lines);
        dispatch(item);
    }
    flushLines(lines);
    m_dispatching = false;
}

void JobRelay::dispatch(Item& item) {
    showProgress();
    if (const auto* question = std::get_if<JobQuestion>(&item)) {
        Q_EMIT asked(*question);
        return;
    }
    m_logTimer->stop();
    m_progressTimer->stop();
    m_job->wait(); // its worker's last act was to hand over this end
    m_running = false;
    Q_EMIT finished(std::get<JobResult>(item));
}

void JobRelay::flushLines(std::vector<Message>& lines) {
    if (lines.empty())
        return;
    Q_EMIT logged(lines);
    lines.clear();
}

void JobRelay::showProgress() {
    if (!m_running)
        return;
    std::vector<JobProgress> shown;
    {
        std::lock_guard lock(m_mutex);
        for (std::size_t i = 0; i < m_stages.size(); ++i)
            if (i != m_current && !m_stages[i].shown)
                shown.push_back(m_stages[i].latest);
        for (Stage& stage : m_stages)
            stage.shown = true;
        shown.push_back(m_stages.empty() ? JobProgress{} : m_stages[m_current].latest);
    }
    for (const JobProgress& progress : shown)
        Q_EMIT progressed(progress);
}

} // namespace tl
