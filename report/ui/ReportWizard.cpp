#include "report/ui/ReportWizard.h"

#include "frontend/FrontEnd.h"
#include "frontend/ui/JobRelay.h"
#include "frontend/ui/LocaleText.h"
#include "report/ReportTemplate.h"
#include "report/ui/FilterDialog.h"
#include "report/ui/FilterList.h"

#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QStringListModel>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>

#include <algorithm>

namespace tl {
namespace {

// The caption key of each page of ntbWizard (the empty page has none).
constexpr const char* PageCaptions[] = {nullptr,        "pageFiles", "pageFilter",
                                        "pageTemplate", "pageDone",  "pageError"};

bool endsWithIgnoringCase(const QString& text, QLatin1String end) {
    return text.endsWith(end, Qt::CaseInsensitive);
}

// The template as the user names it: its file name without the folder and ".tpl".
QString templateName(const std::string& path) {
    QString name = QFileInfo(pathText(path)).fileName();
    if (endsWithIgnoringCase(name, QLatin1String(".tpl")))
        name.chop(4);
    return name;
}

// A chooser of existing files of one kind (@p kindKey names them, @p patterns match them) in
// @p folder.
FileChooser filesChooser(const Locale& locale, const char* titleKey, const std::string& folder,
                         const char* kindKey, const char* patterns) {
    FileChooser chooser;
    chooser.title = localeQText(locale, "DialogReportWizard", titleKey);
    chooser.directory = pathText(folder);
    chooser.filters = {localeQText(locale, "DialogReportWizard", kindKey) +
                       QStringLiteral(" (%1)").arg(QLatin1String(patterns))};
    return chooser;
}

} // namespace

ReportWizard::ReportWizard(AppContext& context, QWidget* parent)
    : QDialog(parent), m_context(context), m_relay(new JobRelay(this)),
      m_makeJob(
          [](ReportRequest request) { return std::make_unique<ReportJob>(std::move(request)); }) {
    setObjectName(QStringLiteral("TfrmReportWizard"));
    setModal(true);
    buildWindow();

    connect(m_cmdNext, &QPushButton::clicked, this, &ReportWizard::next);
    connect(m_cmdBack, &QPushButton::clicked, this, &ReportWizard::back);
    connect(m_cmdCancel, &QPushButton::clicked, this, &ReportWizard::reject);
    connect(m_cmdClose, &QPushButton::clicked, this, &ReportWizard::reject);
    connect(m_cmdAdd, &QPushButton::clicked, this, &ReportWizard::addFiles);
    connect(m_cmdRemove, &QPushButton::clicked, this, &ReportWizard::removeFiles);
    connect(m_lstExtern->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { m_cmdRemove->setEnabled(m_lstExtern->selectionModel()->hasSelection()); });
    connect(m_cmdAddFilter, &QPushButton::clicked, this, &ReportWizard::addFilter);
    connect(m_cmdEditFilter, &QPushButton::clicked, this, &ReportWizard::editFilter);
    connect(m_cmdRemoveFilter, &QPushButton::clicked, this, &ReportWizard::removeFilter);
    connect(m_lstFilters, &QAbstractItemView::doubleClicked, this, &ReportWizard::editFilter);
    connect(m_lstFilters, &FilterListView::editRequested, this, &ReportWizard::editFilter);
    connect(m_lstFilters->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ReportWizard::updateFilterButtons);
    connect(m_filters, &QAbstractItemModel::modelReset, this, &ReportWizard::updateFilterButtons);
    connect(m_filters, &QAbstractItemModel::rowsRemoved, this, &ReportWizard::updateFilterButtons);
    connect(m_cmdChangeDir, &QPushButton::clicked, this, &ReportWizard::changeTemplate);
    connect(m_cmdOpen, &QPushButton::clicked, this, &ReportWizard::openReport);
    connect(m_cmdReCreate, &QPushButton::clicked, this, &ReportWizard::makeReport);
    connect(m_cmdRetry, &QPushButton::clicked, this, &ReportWizard::makeReport);
    connect(m_txtPreview, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        if (url.hasFragment() && url.adjusted(QUrl::RemoveFragment).isEmpty()) {
            m_txtPreview->scrollToAnchor(url.fragment());
            return;
        }
        const QUrl target = m_txtPreview->document()->baseUrl().resolved(url);
        m_context.desktop->openWithDesktop(target.isLocalFile() ? target.toLocalFile()
                                                                : target.toString());
    });

    connect(m_relay, &JobRelay::progressed, this, &ReportWizard::showProgress);
    connect(m_relay, &JobRelay::asked, this, &ReportWizard::askReportPath);
    connect(m_relay, &JobRelay::finished, this, &ReportWizard::reportEnded);

    m_ntbWizard->setCurrentIndex(StartPage);
    updateFilterButtons();
}

ReportWizard::~ReportWizard() = default;

bool ReportWizard::isBusy() const {
    return m_relay->isRunning();
}

ReportBeginning ReportWizard::readBeginning(const std::string& path, qint64 limit) {
    ReportBeginning beginning;
    QFile file(pathText(path));
    if (!file.open(QIODevice::ReadOnly))
        return beginning;
    beginning.bytes = file.read(limit);
    beginning.read = true;
    beginning.cut = !file.atEnd();
    return beginning;
}

int ReportWizard::currentPage() const {
    return m_ntbWizard->currentIndex();
}

std::vector<std::string> ReportWizard::digests() const {
    std::vector<std::string> paths;
    for (const QString& file : m_files->stringList())
        paths.push_back(pathBytes(file));
    return paths;
}

int ReportWizard::run(bool searchMode) {
    begin(searchMode);
    return exec();
}

void ReportWizard::begin(bool searchMode) {
    m_searchMode = searchMode;
    m_filters->clear();
    m_files->setStringList({});
    m_paths.clear();
    m_reportPath.clear();
    m_txtPreview->clear();
    m_lblError->clear();
    m_ntbWizard->setCurrentIndex(StartPage);
    showCaption();
    updateButtons(false);
    m_activationPending = true;
    if (isVisible())
        QTimer::singleShot(0, this, &ReportWizard::activate);
}

void ReportWizard::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // The digests' chooser opens once the window is on the screen, not while it is shown.
    if (m_activationPending)
        QTimer::singleShot(0, this, &ReportWizard::activate);
}

void ReportWizard::activate() {
    if (!m_activationPending)
        return;
    m_activationPending = false;
    m_edtDir->setText(templateName(m_templatePath));
    showPage(FilesPage);
}

void ReportWizard::showCaption() {
    // The caption is set one blank in from the edge of the header.
    const int page = currentPage();
    const char* key =
        page < static_cast<int>(std::size(PageCaptions)) ? PageCaptions[page] : nullptr;
    m_lblCaption->setText(key ? QStringLiteral(" ") +
                                    localeQText(*m_context.locale, "DialogReportWizard", key)
                              : QString());
}

void ReportWizard::showPage(int page) {
    m_ntbWizard->setCurrentIndex(page);
    showCaption();
    switch (page) {
    case FilesPage:
        m_lstExtern->clearSelection();
        updateButtons(false);
        m_cmdRemove->setEnabled(false);
        m_lstExtern->setFocus();
        if (m_files->rowCount() == 0)
            addFiles();
        break;
    case FilterPage:
        updateFilterButtons();
        m_lstFilters->setFocus();
        break;
    case TemplatePage:
        showTemplate();
        m_cmdNext->setFocus();
        break;
    case DonePage:
        m_cmdOpen->setFocus();
        break;
    case ErrorPage:
        m_cmdRetry->setFocus();
        break;
    default:
        break;
    }
    updateButtons(page == TemplatePage);
}

void ReportWizard::updateButtons(bool warnAboutTemplate) {
    const int page = currentPage();
    const bool resultPage = page == DonePage || page == ErrorPage;
    m_cmdBack->setEnabled(page != FilesPage);
    m_cmdCancel->setVisible(!resultPage);
    m_cmdClose->setVisible(resultPage);
    m_cmdNext->setEnabled(!resultPage);
    m_cmdNext->setDefault(!resultPage);
    m_cmdClose->setDefault(resultPage);
    if (page == FilesPage)
        m_cmdNext->setEnabled(m_files->rowCount() > 0);
    if (page == TemplatePage && !templateReadable()) {
        m_cmdNext->setEnabled(false);
        if (warnAboutTemplate)
            m_context.desktop->showMessage(
                this, MessageIcon::Warning,
                localeQText(*m_context.locale, "Report", "TemplateMissingErr"));
    }
}

void ReportWizard::next() {
    switch (currentPage()) {
    case FilesPage:
        m_paths = digests();
        showPage(m_searchMode ? FilterPage : TemplatePage);
        break;
    case FilterPage:
        showPage(TemplatePage);
        break;
    case TemplatePage:
        m_reportPath.clear();
        makeReport();
        break;
    default:
        break;
    }
}

void ReportWizard::back() {
    switch (currentPage()) {
    case TemplatePage:
        showPage(m_searchMode ? FilterPage : FilesPage);
        break;
    case DonePage:
    case ErrorPage:
        showPage(TemplatePage);
        break;
    case FilterPage:
        showPage(FilesPage);
        break;
    default:
        break;
    }
}

void ReportWizard::reject() {
    if (isBusy()) {
        m_relay->cancel();
        m_cmdCancel->setEnabled(false); // until the job has seen it
        return;
    }
    QDialog::reject();
}

bool ReportWizard::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_lstExtern && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        removeFiles();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

// --- page 1: the digests ---

void ReportWizard::addFiles() {
    const Locale& locale = *m_context.locale;
    FileChooser chooser =
        filesChooser(locale, "pageFiles", m_context.folders.digests(), "DigestDB", "*.sdd *.SDD");
    chooser.multiple = true;
    chooser.canClose = [this, &locale](const QStringList& chosen) {
        const bool allDigests = std::all_of(chosen.begin(), chosen.end(), [](const QString& f) {
            return endsWithIgnoringCase(f, QLatin1String(".sdd"));
        });
        if (!allDigests)
            m_context.desktop->showMessage(
                this, MessageIcon::Warning,
                localeQText(locale, "DialogReportWizard", "UnsupportedFormat"));
        return allDigests;
    };
    if (const std::optional<QStringList> chosen =
            m_context.desktop->chooseFilesToOpen(this, chooser)) {
        // The same digest may be listed twice; it is then reported twice.
        QStringList files = m_files->stringList();
        for (const QString& file : *chosen)
            if (endsWithIgnoringCase(file, QLatin1String(".sdd")))
                files += file;
        m_files->setStringList(files);
    }
    updateButtons(false);
}

void ReportWizard::removeFiles() {
    QModelIndexList selected = m_lstExtern->selectionModel()->selectedRows();
    std::sort(selected.begin(), selected.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() > b.row(); });
    for (const QModelIndex& index : selected)
        m_files->removeRow(index.row());
    m_cmdRemove->setEnabled(m_lstExtern->selectionModel()->hasSelection());
    updateButtons(false);
}

// --- page 2: the conditions ---

void ReportWizard::addFilter() {
    FilterDialog* dialog = m_context.windows ? m_context.windows->filter : nullptr;
    if (!dialog)
        return;
    FilterCondition condition;
    if (dialog->edit(condition, m_filters->size() != 0)) {
        m_filters->append(condition);
        m_lstFilters->selectRow(m_filters->size() - 1);
    }
    m_lstFilters->setFocus();
}

void ReportWizard::editFilter() {
    FilterDialog* dialog = m_context.windows ? m_context.windows->filter : nullptr;
    const int row = m_lstFilters->selectedRow();
    if (!dialog || row < 0)
        return;
    FilterCondition condition = m_filters->at(row);
    if (dialog->edit(condition, row != 0))
        m_filters->replace(row, condition);
    m_lstFilters->setFocus();
}

void ReportWizard::removeFilter() {
    const int row = m_lstFilters->selectedRow();
    if (row >= 0)
        m_filters->remove(row);
}

void ReportWizard::updateFilterButtons() {
    const bool selected = m_lstFilters->selectedRow() >= 0;
    m_cmdEditFilter->setEnabled(selected);
    m_cmdRemoveFilter->setEnabled(selected);
}

// --- page 3: the template ---

bool ReportWizard::templateReadable() const {
    return readTemplateInfo(m_templatePath).has_value();
}

void ReportWizard::showTemplate() {
    m_edtDir->setText(templateName(m_templatePath));
    const std::optional<TemplateInfo> info = readTemplateInfo(m_templatePath);
    QString description = info ? qText(info->description) : QString();
    description.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_mmoTemplateInfo->setPlainText(description);
    m_mmoAuthor->setPlainText(info ? qText(info->author) : QString());
}

void ReportWizard::changeTemplate() {
    const FileChooser chooser = filesChooser(*m_context.locale, "pageTemplate",
                                             m_context.folders.templates(), "Templates", "*.tpl");
    const std::optional<QStringList> chosen = m_context.desktop->chooseFilesToOpen(this, chooser);
    if (!chosen || chosen->isEmpty())
        return;
    m_templatePath = pathBytes(chosen->front());
    showTemplate();
    updateButtons(true);
}

// --- making the report ---

void ReportWizard::makeReport() {
    ReportRequest request =
        reportRequest(*m_context.settings, *m_context.locale, m_paths, m_templatePath, m_reportPath,
                      m_context.folders.reports());
    if (m_searchMode)
        request.conditions = m_filters->conditions();
    request.collator = m_context.collator;
    setBusy(true);
    if (!m_relay->start(m_makeJob(std::move(request)))) {
        setBusy(false);
        showError(makeMessage("General", "Error", Severity::Error));
    }
}

void ReportWizard::askReportPath(const JobQuestion& question) {
    const std::optional<ReportPathProposal> proposal = proposedReportPath(question);
    if (!proposal)
        return;
    m_lblProgress->hide(); // nothing moves while the user names the report
    m_prgReport->hide();
    FileChooser chooser;
    chooser.title = localeQText(*m_context.locale, "DialogReportWizard", "SaveAs");
    chooser.directory = pathText(proposal->folder);
    chooser.filters = {QStringLiteral("*.") + qText(proposal->extension), QStringLiteral("*")};
    chooser.defaultSuffix = qText(proposal->extension);
    chooser.proposedName = pathText(proposal->name);
    chooser.confirmOverwrite = true;
    const std::optional<QString> chosen = m_context.desktop->chooseFileToSave(this, chooser);
    if (chosen)
        m_reportPath = pathBytes(*chosen);
    m_lblProgress->show();
    m_prgReport->show();
    // No name, no report, and nothing to say: the user stays where they were.
    m_relay->answer(reportPathAnswer(chosen ? std::optional(m_reportPath) : std::nullopt));
}

// A stop the user asked for leaves the wizard where it was, with the news that an earlier
// report of the name is kept; a failure shows why on the error page.
void ReportWizard::reportEnded(const JobResult& result) {
    setBusy(false);
    if (result.ok()) {
        showPreview(readBeginning(result.files.front()));
        showPage(DonePage);
        if (m_context.settings->autoOpen)
            openReport();
        Q_EMIT jobEnded();
        return;
    }
    if (result.status == JobStatus::Cancelled) {
        if (result.message)
            showMessage(*m_context.desktop, this, *m_context.locale, *result.message);
        Q_EMIT jobEnded();
        return;
    }
    showError(result.message.value_or(makeMessage("Report", "GenericErr", Severity::Error)));
}

void ReportWizard::showError(const Message& message) {
    m_lblError->setText(messageText(*m_context.locale, message));
    showPage(ErrorPage);
    Q_EMIT jobEnded();
}

void ReportWizard::openReport() {
    if (!m_reportPath.empty())
        m_context.desktop->openWithDesktop(pathText(m_reportPath));
}

void ReportWizard::showProgress(const JobProgress& progress) {
    const Locale& locale = *m_context.locale;
    if (progress.stage != ReportWriting) {
        m_prgReport->setRange(0, 0); // the number of records is not known before they are read
        m_lblProgress->setText(
            localeQText(locale, "DialogReportWizard", "Loading", {progress.done}));
        return;
    }
    const std::uint64_t total = std::max<std::uint64_t>(progress.total, 1);
    m_prgReport->setRange(0, 1000);
    m_prgReport->setValue(static_cast<int>(progress.done * 1000 / total));
    m_lblProgress->setText(
        localeQText(locale, "DialogReportWizard", "Writing", {progress.done, progress.total}));
}

void ReportWizard::setBusy(bool busy) {
    m_ntbWizard->setEnabled(!busy);
    m_lblProgress->setVisible(busy);
    m_prgReport->setVisible(busy);
    if (busy) {
        showProgress({});
        m_cmdBack->setEnabled(false);
        m_cmdNext->setEnabled(false);
        m_cmdClose->hide();
        m_cmdCancel->show();
        m_cmdCancel->setEnabled(true);
        m_cmdCancel->setFocus();
    } else {
        m_cmdCancel->setEnabled(true);
        updateButtons(false);
    }
}

} // namespace tl
