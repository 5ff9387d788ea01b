#include "scan/ui/ScanWindow.h"

#include "digest/ui/DigestPrompt.h"
#include "frontend/FrontEnd.h"
#include "frontend/ui/JobRelay.h"
#include "frontend/ui/LocaleText.h"
#include "platform/Version.h"
#include "platform/ui/Desktop.h"
#include "scan/ScanJob.h"
#include "scan/TreeCensus.h"
#include "scan/ui/ScanLog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QPainter>
#include <QPushButton>
#include <QSaveFile>
#include <QVBoxLayout>

#include <cmath>

namespace tl {
namespace {

// A label for a path or file name that may be longer than the window is wide: it keeps
// its whole text (for screen readers and the tooltip) and draws it shortened in the
// middle, so a long path never widens the window.
class ElidedLabel : public QLabel {
public:
    explicit ElidedLabel(QWidget* parent) : QLabel(parent) {
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        setMinimumWidth(40);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QRect area = contentsRect();
        painter.drawText(area, int(alignment()),
                         fontMetrics().elidedText(text(), Qt::ElideMiddle, area.width()));
    }
};

// "1:02:03" or "2:05": seconds rounded up, so a scan never claims to be done early.
QString durationText(double seconds) {
    const auto total = static_cast<long long>(std::ceil(std::max(0.0, seconds)));
    const long long h = total / 3600, m = total / 60 % 60, s = total % 60;
    if (h > 0)
        return QStringLiteral("%1:%2:%3")
            .arg(h)
            .arg(m, 2, 10, QLatin1Char('0'))
            .arg(s, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(m).arg(s, 2, 10, QLatin1Char('0'));
}

} // namespace

ScanWindow::ScanWindow(AppContext& context, QWidget* parent)
    : QDialog(parent), m_context(context), m_relay(new JobRelay(this)) {
    setObjectName(QStringLiteral("TfrmScan"));
    setWindowTitle(QStringLiteral("Tunelister"));
    setWindowFlags(windowFlags() | Qt::WindowMinimizeButtonHint);
    setModal(true);

    auto* group = named(new QGroupBox(this), "GroupBox1");
    m_label1 = named(new QLabel(group), "Label1");
    m_lblPath = named(new ElidedLabel(group), "lblPath");
    m_label2 = named(new QLabel(group), "Label2");
    m_lblFilename = named(new ElidedLabel(group), "lblFilename");
    m_lblFilesCaption = named(new QLabel(group), "lblFilesCaption");
    m_lblFiles = named(new QLabel(group), "lblFiles");
    m_lblRateCaption = named(new QLabel(group), "lblRateCaption");
    m_lblRate = named(new QLabel(group), "lblRate");
    m_lblTimeLeftCaption = named(new QLabel(group), "lblTimeLeftCaption");
    m_lblTimeLeft = named(new QLabel(group), "lblTimeLeft");
    auto* grid = new QGridLayout(group);
    grid->addWidget(m_label1, 0, 0);
    grid->addWidget(m_lblPath, 0, 1);
    grid->addWidget(m_label2, 1, 0);
    grid->addWidget(m_lblFilename, 1, 1);
    auto* counters = new QHBoxLayout;
    for (const auto& [caption, value] :
         {std::pair{m_lblFilesCaption, m_lblFiles}, std::pair{m_lblRateCaption, m_lblRate},
          std::pair{m_lblTimeLeftCaption, m_lblTimeLeft}}) {
        counters->addWidget(caption);
        counters->addWidget(value, 1);
    }
    grid->addLayout(counters, 2, 0, 1, 2);
    grid->setColumnStretch(1, 1);

    m_label5 = named(new QLabel(this), "Label5");
    m_lstLog = named(new QListView(this), "lstLog");
    m_log = new ScanLogModel(this);
    m_lstLog->setModel(m_log);
    m_lstLog->setUniformItemSizes(true);
    m_lstLog->setIconSize(QSize(16, 16));
    m_lstLog->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_lstLog->setSelectionMode(QAbstractItemView::SingleSelection);
    m_lstLog->setTextElideMode(Qt::ElideMiddle);

    m_cmdSaveLog = named(new QPushButton(this), "cmdSaveLog");
    m_cmdClose = named(new QPushButton(this), "cmdClose");
    m_cmdCancel = named(new QPushButton(this), "cmdCancel");
    m_cmdClose->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_cmdSaveLog);
    buttons->addStretch(1);
    buttons->addWidget(m_cmdClose);
    buttons->addWidget(m_cmdCancel);
    connect(m_cmdSaveLog, &QPushButton::clicked, this, &ScanWindow::saveLog);
    connect(m_cmdClose, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cmdCancel, &QPushButton::clicked, this, &ScanWindow::cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(m_label5);
    layout->addWidget(m_lstLog, 1);
    layout->addLayout(buttons);
    setTabOrder(m_lstLog, m_cmdSaveLog);
    setTabOrder(m_cmdSaveLog, m_cmdClose);
    setTabOrder(m_cmdClose, m_cmdCancel);
    resize(620, 400);

    // Each take of log lines is one insertion and at most one redraw of the list, however
    // many lines it brings; the progress is redrawn a few times a second.
    connect(m_relay, &JobRelay::logged, this, &ScanWindow::appendLines);
    connect(m_relay, &JobRelay::progressed, this, &ScanWindow::takeProgress);
    connect(m_relay, &JobRelay::asked, this, &ScanWindow::askAlbum);
    connect(m_relay, &JobRelay::finished, this, &ScanWindow::finish);
    setBusy(false);
}

ScanWindow::~ScanWindow() {
    delete m_relay; // stops a running job and waits for its worker
    if (m_cancelling)
        QApplication::restoreOverrideCursor();
}

bool ScanWindow::isBusy() const {
    return m_relay->isRunning();
}

void ScanWindow::retranslate() {
    const Locale& locale = *m_context.locale;
    const auto text = [&locale](const char* key) { return localeQText(locale, "DialogScan", key); };
    m_label1->setText(text("Path"));
    m_label2->setText(text("Filename"));
    m_lblFilesCaption->setText(text("Files"));
    m_lblRateCaption->setText(text("Rate"));
    m_lblTimeLeftCaption->setText(text("TimeLeft"));
    m_label5->setText(text("Status"));
    m_cmdSaveLog->setText(text("SaveLog"));
    m_cmdClose->setText(localeQText(locale, "DialogCommon", "Close"));
    m_cmdCancel->setText(localeQText(locale, "DialogCommon", "Cancel"));
    m_log->setSeverityNames({text("Information"), text("Warning"), text("Error")});

    nameControlsFromTheirTexts(this);
    nameControl(m_label5, m_lstLog);
    // The value labels are read with their current text, announced by their captions.
    for (const auto& [caption, value] :
         {std::pair{m_label1, m_lblPath}, std::pair{m_label2, m_lblFilename},
          std::pair{m_lblFilesCaption, m_lblFiles}, std::pair{m_lblRateCaption, m_lblRate},
          std::pair{m_lblTimeLeftCaption, m_lblTimeLeft}}) {
        caption->setBuddy(value);
        value->setAccessibleName(QString());
    }
}

int ScanWindow::startScan(const QString& folder, const QString& baseName,
                          const QString& outputDirectory) {
    if (!beginScan(folder, baseName, outputDirectory))
        return QDialog::Rejected;
    return exec();
}

bool ScanWindow::beginScan(const QString& folder, const QString& baseName,
                           const QString& outputDirectory) {
    if (isBusy())
        return false;
    m_lblPath->clear();
    m_lblFilename->clear();
    m_lblFiles->clear();
    m_lblRate->clear();
    m_lblTimeLeft->clear();
    m_log->clear();
    m_walk = {};
    m_completed = false;

    const Settings& settings = *m_context.settings;
    ScanRequest request = scanRequest(
        settings, m_context.plugins, pathBytes(folder), pathBytes(baseName),
        outputDirectory.isEmpty() ? m_context.folders.songDatabases() : pathBytes(outputDirectory),
        settings.autoComplete);
    request.paths = m_paths;
    if (DigestPrompt* prompt = m_context.windows ? m_context.windows->digestPrompt : nullptr)
        prompt->setAutoComplete(request.digest.autoComplete);
    else
        request.digest.autoComplete = true; // nobody to ask

    // The window shows a scan that has begun; one that could not is a message box.
    auto job = std::make_unique<ScanJob>(std::move(request));
    ScanJob& scan = *job;
    if (!m_relay->start(std::move(job)))
        return false;
    setBusy(true);
    if (!scan.waitStarted()) {
        const JobResult ended = scan.wait();
        m_relay->deliverNow(); // the end, which finish() leaves to the message box
        setBusy(false);
        showMessage(*m_context.desktop, this, *m_context.locale,
                    ended.message.value_or(makeMessage("General", "Error", Severity::Error)));
        return false;
    }
    m_begun = true;
    m_elapsed.start();
    showProgress();
    return true;
}

void ScanWindow::setBusy(bool busy) {
    m_cmdCancel->setEnabled(busy);
    m_cmdClose->setEnabled(!busy);
    m_cmdSaveLog->setEnabled(!busy);
}

void ScanWindow::reject() {
    if (m_cmdClose->isEnabled())
        accept(); // Escape is Close's key
}

void ScanWindow::closeEvent(QCloseEvent* event) {
    if (!m_cmdClose->isEnabled()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void ScanWindow::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    // Minimising the scan minimises the program: every other window goes with it.
    if (event->type() == QEvent::WindowStateChange && isMinimized())
        for (QWidget* window : QApplication::topLevelWidgets())
            if (window != this && window->isVisible() && !window->isMinimized())
                window->showMinimized();
}

void ScanWindow::cancel() {
    if (!isBusy() || m_cancelling)
        return;
    m_cancelling = true;
    m_cmdCancel->setEnabled(false);
    QApplication::setOverrideCursor(Qt::BusyCursor);
    m_relay->cancel();
    // A question still open is answered by the stop: the run ends without it.
    if (m_asking && m_context.windows && m_context.windows->digestPrompt)
        m_context.windows->digestPrompt->abandon();
}

void ScanWindow::appendLines(const std::vector<Message>& lines) {
    const Locale& locale = *m_context.locale;
    std::vector<LogLine> shown;
    shown.reserve(lines.size());
    for (const Message& line : lines)
        shown.push_back({messageText(locale, line), line.severity});
    m_log->append(std::move(shown));
    m_lstLog->scrollToBottom(); // the newest line stays in view
}

void ScanWindow::askAlbum(const JobQuestion& question) {
    DigestPrompt* prompt = m_context.windows ? m_context.windows->digestPrompt : nullptr;
    if (!prompt)
        return;
    showProgress();
    m_asking = true;
    prompt->answer(*m_relay, question);
    m_asking = false;
}

void ScanWindow::finish(const JobResult& result) {
    if (!m_begun)
        return; // a scan that could not begin has said so in a message box
    m_begun = false;
    m_completed = result.ok();
    if (m_cancelling)
        QApplication::restoreOverrideCursor();
    m_cancelling = false;
    setBusy(false);
    showProgress();
    m_cmdClose->setFocus();
    Q_EMIT scanFinished();
}

void ScanWindow::takeProgress(const JobProgress& progress) {
    if (progress.stage == ScanWalking)
        m_walk = progress;
    showProgress();
}

void ScanWindow::showProgress() {
    const Locale& locale = *m_context.locale;
    const JobProgress& progress = m_walk;
    m_lblPath->setText(pathText(progress.folder));
    m_lblFilename->setText(pathText(progress.file));
    const FileTotals done{progress.done, progress.bytesDone};
    std::optional<FileTotals> total;
    if (progress.total > 0 || progress.bytesTotal > 0)
        total = FileTotals{progress.total, progress.bytesTotal};
    if (!isBusy() && m_completed)
        total = done; // a completed scan has analysed all there was
    const ScanEstimate estimate =
        estimateScan(static_cast<double>(m_elapsed.elapsed()) / 1000.0, done, total);
    m_lblFiles->setText(
        total ? localeQText(locale, "DialogScan", "FilesOfTotal", {done.files, total->files})
              : localeQText(locale, "DialogScan", "FilesDone", {done.files}));
    m_lblRate->setText(
        localeQText(locale, "DialogScan", "RateValue", {std::llround(estimate.filesPerSecond)}));
    if (isBusy())
        m_lblTimeLeft->setText(estimate.secondsLeft
                                   ? durationText(*estimate.secondsLeft)
                                   : localeQText(locale, "DialogScan", "Estimating"));
    else
        m_lblTimeLeft->setText(m_completed ? durationText(0) : QString());
}

void ScanWindow::saveLog() {
    const Locale& locale = *m_context.locale;
    FileChooser chooser;
    chooser.title = localeQText(locale, "DialogScan", "SaveLogTitle");
    chooser.directory = pathText(m_context.folders.logs());
    chooser.filters = {localeQText(locale, "DialogScan", "TextFiles") + QStringLiteral(" (*.txt)")};
    chooser.defaultSuffix = QStringLiteral("txt");
    chooser.proposedName = QString::fromLatin1(ProposedLogName);
    const std::optional<QString> chosen = m_context.desktop->chooseFileToSave(this, chooser);
    if (!chosen)
        return;
    const QByteArray bytes =
        logFileContents(QStringLiteral("%1 log").arg(qText(ProgramNameAndVersion)), m_log->lines());
    QSaveFile file(*chosen);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        showMessage(*m_context.desktop, this, locale,
                    makeMessage("General", "Error", Severity::Error));
}

} // namespace tl
