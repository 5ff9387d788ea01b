#pragma once
/**
 * @file DigestProgressWindow.h
 * A digest job in a small modal window: the job runs through the relay, the window shows
 * the songs read and the albums written so far, answers the job's album questions with
 * the digest prompt, and offers Cancel. A cancelled run keeps an earlier digest of that
 * name.
 */
#include "digest/DigestJob.h"
#include "platform/ui/AppContext.h"

#include <QDialog>

class QLabel;
class QPushButton;

namespace tl {

class DigestPrompt;
class JobRelay;

class DigestProgressWindow : public QDialog {
    Q_OBJECT
public:
    DigestProgressWindow(AppContext& context, DigestPrompt& prompt, QWidget* parent = nullptr);
    ~DigestProgressWindow() override;

    /** Runs the digest of @p request, showing this window modally until it has ended; the
     *  job's result (its message says how it ended). */
    JobResult run(DigestRequest request);

    /** Stops the run (also while the prompt asks); the window closes when it has ended. */
    void cancel();
    /** True from run() until the run has ended. */
    bool isRunning() const;

public Q_SLOTS:
    /** Escape cancels the run; the window stays until the run has ended. */
    void reject() override;

Q_SIGNALS:
    /** The run has begun and the window is about to show. */
    void runStarted();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void finish(const JobResult& result);
    void showProgress(const JobProgress& progress);

    AppContext& m_context;
    DigestPrompt& m_prompt;
    QLabel* m_lblFile;
    QLabel* m_lblSongs;
    QLabel* m_lblAlbums;
    QPushButton* m_cmdCancel;
    JobRelay* m_relay;
    bool m_cancelling = false;
    JobResult m_result;
};

} // namespace tl
