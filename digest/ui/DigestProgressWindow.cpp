#include "digest/ui/DigestProgressWindow.h"

#include "digest/DigestMessages.h"
#include "digest/ui/DigestPrompt.h"
#include "frontend/ui/JobRelay.h"
#include "frontend/ui/LocaleText.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tl {

DigestProgressWindow::DigestProgressWindow(AppContext& context, DigestPrompt& prompt,
                                           QWidget* parent)
    : QDialog(parent), m_context(context), m_prompt(prompt), m_relay(new JobRelay(this)) {
    setObjectName(QStringLiteral("TfrmDigestProgress"));
    setModal(true);
    const Locale& locale = *m_context.locale;
    setWindowTitle(localeQText(locale, "DialogDigest", "Caption"));

    m_lblFile = named(new QLabel(this), "lblFile");
    m_lblFile->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_lblSongs = named(new QLabel(this), "lblSongs");
    m_lblAlbums = named(new QLabel(this), "lblAlbums");
    auto* buttons = new QDialogButtonBox(this);
    m_cmdCancel = named(buttons->addButton(localeQText(locale, "DialogCommon", "Cancel"),
                                           QDialogButtonBox::RejectRole),
                        "cmdCancel");
    m_cmdCancel->setAccessibleName(m_cmdCancel->text());
    connect(m_cmdCancel, &QPushButton::clicked, this, &DigestProgressWindow::cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_lblFile);
    layout->addWidget(m_lblSongs);
    layout->addWidget(m_lblAlbums);
    layout->addWidget(buttons);
    setMinimumWidth(360);

    connect(m_relay, &JobRelay::progressed, this, &DigestProgressWindow::showProgress);
    connect(m_relay, &JobRelay::asked, this,
            [this](const JobQuestion& question) { m_prompt.answer(*m_relay, question); });
    connect(m_relay, &JobRelay::finished, this, &DigestProgressWindow::finish);
}

DigestProgressWindow::~DigestProgressWindow() = default;

bool DigestProgressWindow::isRunning() const {
    return m_relay->isRunning();
}

JobResult DigestProgressWindow::run(DigestRequest request) {
    m_cancelling = false;
    m_cmdCancel->setEnabled(true);
    m_lblFile->setText(pathText(request.songPath));
    showProgress({});
    m_prompt.setAutoComplete(request.options.autoComplete);
    if (!m_relay->start(std::make_unique<DigestJob>(std::move(request)))) {
        // No worker: reported as a failed digest.
        const auto failed = DigestResult::WriteFailed;
        return failedResult(static_cast<int>(failed),
                            digestResultMessage(failed, DigestCaller::ReCreate));
    }
    Q_EMIT runStarted();
    exec();
    return m_result;
}

void DigestProgressWindow::cancel() {
    if (!isRunning() || m_cancelling)
        return;
    m_cancelling = true;
    m_cmdCancel->setEnabled(false);
    QApplication::setOverrideCursor(Qt::BusyCursor);
    m_relay->cancel();
    m_prompt.abandon();
}

void DigestProgressWindow::reject() {
    if (isRunning())
        cancel();
    else
        QDialog::reject();
}

void DigestProgressWindow::closeEvent(QCloseEvent* event) {
    if (isRunning()) {
        cancel();
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void DigestProgressWindow::finish(const JobResult& result) {
    m_result = result;
    if (m_cancelling)
        QApplication::restoreOverrideCursor();
    m_cancelling = false;
    accept();
}

void DigestProgressWindow::showProgress(const JobProgress& progress) {
    const Locale& locale = *m_context.locale;
    m_lblSongs->setText(localeQText(locale, "DialogDigest", "SongsRead", {progress.done}));
    m_lblAlbums->setText(localeQText(locale, "DialogDigest", "AlbumsWritten", {progress.written}));
}

} // namespace tl
