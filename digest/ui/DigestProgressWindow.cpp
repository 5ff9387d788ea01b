#include "digest/ui/DigestProgressWindow.h"

#include "digest/ui/DigestPrompt.h"
#include "platform/ui/WindowText.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace tl {

// The run's calls, on its worker: progress is kept for the window's timer to read; a
// question and the end are queued calls on the window's thread.
class DigestProgressWindow::Relay : public DigestListener {
public:
    explicit Relay(DigestProgressWindow& window) : m_window(window) {}
    void digestProgress(const DigestProgress& p) override {
        m_window.m_songsRead.store(p.songsRead, std::memory_order_relaxed);
        m_window.m_albumsWritten.store(p.albumsWritten, std::memory_order_relaxed);
    }
    void albumQuestion(const Fields& album) override {
        QMetaObject::invokeMethod(
            &m_window, [w = &m_window, album] { w->ask(album); }, Qt::QueuedConnection);
    }
    void digestFinished(DigestResult result) override {
        QMetaObject::invokeMethod(
            &m_window, [w = &m_window, result] { w->finish(result); }, Qt::QueuedConnection);
    }

private:
    DigestProgressWindow& m_window;
};

DigestProgressWindow::DigestProgressWindow(AppContext& context, DigestPrompt& prompt,
                                           QWidget* parent)
    : QDialog(parent), m_context(context), m_prompt(prompt) {
    setObjectName(QStringLiteral("TfrmDigestProgress"));
    setModal(true);
    const Locale& locale = *m_context.locale;
    setWindowTitle(localeQText(locale, "DialogDigest", "Caption"));

    m_lblFile = new QLabel(this);
    m_lblFile->setObjectName(QStringLiteral("lblFile"));
    m_lblFile->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_lblSongs = new QLabel(this);
    m_lblSongs->setObjectName(QStringLiteral("lblSongs"));
    m_lblAlbums = new QLabel(this);
    m_lblAlbums->setObjectName(QStringLiteral("lblAlbums"));
    auto* buttons = new QDialogButtonBox(this);
    m_cmdCancel = buttons->addButton(localeQText(locale, "DialogCommon", "Cancel"),
                                     QDialogButtonBox::RejectRole);
    m_cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    m_cmdCancel->setAccessibleName(m_cmdCancel->text());
    connect(m_cmdCancel, &QPushButton::clicked, this, &DigestProgressWindow::cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_lblFile);
    layout->addWidget(m_lblSongs);
    layout->addWidget(m_lblAlbums);
    layout->addWidget(buttons);
    setMinimumWidth(360);

    m_timer = new QTimer(this);
    m_timer->setInterval(250);
    connect(m_timer, &QTimer::timeout, this, &DigestProgressWindow::showProgress);

    m_relay = std::make_unique<Relay>(*this);
    m_job = std::make_unique<DigestJob>(*m_relay);
}

DigestProgressWindow::~DigestProgressWindow() {
    m_job.reset(); // stops and waits for a run that is still going
}

DigestResult DigestProgressWindow::run(const std::string& songPath, const std::string& digestPath,
                                       const DigestOptions& options) {
    m_songsRead = 0;
    m_albumsWritten = 0;
    m_cancelling = false;
    m_cmdCancel->setEnabled(true);
    m_lblFile->setText(pathText(songPath));
    showProgress();
    if (!m_job->start(songPath, digestPath, options))
        return DigestResult::WriteFailed; // no worker: reported as a failed digest
    m_running = true;
    m_timer->start();
    Q_EMIT runStarted();
    exec();
    return m_result;
}

void DigestProgressWindow::cancel() {
    if (!m_running || m_cancelling)
        return;
    m_cancelling = true;
    m_cmdCancel->setEnabled(false);
    QApplication::setOverrideCursor(Qt::BusyCursor);
    m_job->requestStop();
    m_prompt.abandon();
}

void DigestProgressWindow::reject() {
    if (m_running)
        cancel();
    else
        QDialog::reject();
}

void DigestProgressWindow::closeEvent(QCloseEvent* event) {
    if (m_running) {
        cancel();
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void DigestProgressWindow::ask(const Fields& album) {
    if (m_cancelling)
        return; // the stop has already released the run
    m_job->answerAlbum(m_prompt.confirm(album));
}

void DigestProgressWindow::finish(DigestResult result) {
    m_result = result;
    m_running = false;
    m_timer->stop();
    showProgress();
    if (m_cancelling)
        QApplication::restoreOverrideCursor();
    m_cancelling = false;
    accept();
}

void DigestProgressWindow::showProgress() {
    const Locale& locale = *m_context.locale;
    m_lblSongs->setText(localeQText(locale, "DialogDigest", "SongsRead",
                                    {m_songsRead.load(std::memory_order_relaxed)}));
    m_lblAlbums->setText(localeQText(locale, "DialogDigest", "AlbumsWritten",
                                     {m_albumsWritten.load(std::memory_order_relaxed)}));
}

} // namespace tl
