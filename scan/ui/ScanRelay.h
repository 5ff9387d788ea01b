#pragma once
/**
 * @file ScanRelay.h
 * Between a scan job's worker and the window's thread. The worker hands over every log
 * message, album question and the job's end, in order, without waiting: they queue up, and
 * the window takes whatever has queued in one go. A question or the end calls the window at
 * once (a queued call on its thread); log messages wait for the window's next take, which
 * it makes a few times a second, so that 10,000 warnings cost neither thread 10,000
 * wake-ups nor the window 10,000 redraws. Events that only move the progress display (the
 * folder and file being worked on, the counters) are not queued: the relay keeps the
 * latest, which the window reads as often as it redraws.
 */
#include "digest/Smartdigest.h"
#include "locale/Message.h"
#include "scan/ScanJob.h"
#include "scan/TreeCensus.h"

#include <QObject>

#include <functional>
#include <mutex>
#include <string>
#include <variant>
#include <vector>

namespace tl {

/** Where a job has got to, for the progress display. */
struct ScanProgress {
    std::string directory; ///< the folder being walked
    std::string file;      ///< the file being analysed; empty on entering a folder
    FileTotals done;       ///< files analysed and their bytes
    bool digesting = false;
    DigestProgress digest;
};

class ScanRelay : public ScanJobListener {
public:
    /** A message for the log, an album question, or the job's end. */
    using Item = std::variant<Message, Fields, ScanOutcome>;

    /** @p deliver is called on @p receiver's thread when a question or the end waits (it
     *  takes all that waits). The receiver outlives the job: it stops and waits for the
     *  worker before it goes. */
    ScanRelay(QObject* receiver, std::function<void()> deliver);

    // On the job's worker.
    void scanEvent(const ScanEvent& event) override;
    void digestStarted() override;
    void digestProgress(const DigestProgress& progress) override;
    void albumQuestion(const Fields& album) override;
    void jobFinished(const ScanOutcome& outcome) override;

    // On the window's thread.
    /** The items queued since the last take, in order. */
    std::vector<Item> take();
    ScanProgress progress() const;
    /** Forgets the progress of an earlier job. */
    void reset();

private:
    void post(Item item, bool callNow);

    QObject* m_receiver;
    std::function<void()> m_deliver;
    mutable std::mutex m_mutex;
    std::vector<Item> m_items;
    bool m_called = false; // a deliver call is on its way
    ScanProgress m_progress;
};

} // namespace tl
