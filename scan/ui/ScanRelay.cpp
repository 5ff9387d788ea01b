#include "scan/ui/ScanRelay.h"

#include "digest/DigestMessages.h"

#include <QMetaObject>

namespace tl {

ScanRelay::ScanRelay(QObject* receiver, std::function<void()> deliver)
    : m_receiver(receiver), m_deliver(std::move(deliver)) {}

void ScanRelay::scanEvent(const ScanEvent& event) {
    std::optional<Message> line = scanMessage(event);
    {
        std::lock_guard lock(m_mutex);
        m_progress.done = {event.filesDone, event.bytesDone};
        if (event.status == TreeWalker::StatusEntering) {
            m_progress.directory = event.directory;
            m_progress.file.clear();
        } else if (event.status == TreeWalker::StatusOpening) {
            m_progress.file = event.file;
        }
    }
    if (line)
        post(std::move(*line), false);
}

void ScanRelay::digestStarted() {
    {
        std::lock_guard lock(m_mutex);
        m_progress.digesting = true;
    }
    post(digestBuildingMessage(), false);
}

void ScanRelay::digestProgress(const DigestProgress& progress) {
    std::lock_guard lock(m_mutex);
    m_progress.digest = progress;
}

void ScanRelay::albumQuestion(const Fields& album) {
    post(album, true);
}

void ScanRelay::jobFinished(const ScanOutcome& outcome) {
    post(outcome, true);
}

void ScanRelay::post(Item item, bool callNow) {
    {
        std::lock_guard lock(m_mutex);
        m_items.push_back(std::move(item));
        if (!callNow || m_called)
            return; // the window's next take, or the call on its way, takes this item too
        m_called = true;
    }
    QMetaObject::invokeMethod(m_receiver, m_deliver, Qt::QueuedConnection);
}

std::vector<ScanRelay::Item> ScanRelay::take() {
    std::vector<Item> items;
    std::lock_guard lock(m_mutex);
    items.swap(m_items);
    m_called = false;
    return items;
}

ScanProgress ScanRelay::progress() const {
    std::lock_guard lock(m_mutex);
    return m_progress;
}

void ScanRelay::reset() {
    std::lock_guard lock(m_mutex);
    m_items.clear();
    m_called = false;
    m_progress = {};
}

} // namespace tl
