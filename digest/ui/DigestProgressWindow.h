#pragma once
/**
 * @file DigestProgressWindow.h
 * A digest run in a small modal window: the run goes on a worker, the window shows the
 * songs read and the albums written so far, answers the run's album questions with the
 * digest prompt, and offers Cancel. A cancelled run keeps an earlier digest of that name.
 */
#include "digest/DigestJob.h"
#include "platform/ui/AppContext.h"

#include <QDialog>

#include <atomic>
#include <memory>

class QLabel;
class QPushButton;
class QTimer;

namespace tl {

class DigestPrompt;

class DigestProgressWindow : public QDialog {
    Q_OBJECT
public:
    DigestProgressWindow(AppContext& context, DigestPrompt& prompt, QWidget* parent = nullptr);
    ~DigestProgressWindow() override;

    /** Builds the digest @p digestPath from the song database @p songPath with @p options,
     *  showing this window modally until the run has ended; the run's result. */
    DigestResult run(const std::string& songPath, const std::string& digestPath,
                     const DigestOptions& options);

    /** Stops the run (also while the prompt asks); the window closes when it has ended. */
    void cancel();
    /** True from run() until the run has ended. */
    bool isRunning() const { return m_running; }

public Q_SLOTS:
    /** Escape cancels the run; the window stays until the run has ended. */
    void reject() override;

Q_SIGNALS:
    /** The run has begun and the window is about to show. */
    void runStarted();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    class Relay;
    void ask(const Fields& album);
    void finish(DigestResult result);
    void showProgress();

    AppContext& m_context;
    DigestPrompt& m_prompt;
    QLabel* m_lblFile;
    QLabel* m_lblSongs;
    QLabel* m_lblAlbums;
    QPushButton* m_cmdCancel;
    QTimer* m_timer;
    bool m_running = false;
    bool m_cancelling = false;
    DigestResult m_result = DigestResult::Done;
    std::atomic<std::uint64_t> m_songsRead{0};
    std::atomic<std::uint64_t> m_albumsWritten{0};
    std::unique_ptr<Relay> m_relay;
    std::unique_ptr<DigestJob> m_job; // after the relay: the job stops first
};

} // namespace tl
