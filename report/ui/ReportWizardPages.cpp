// The report wizard's controls: the pages of ntbWizard, the caption above them, the
// progress and the buttons below, their texts and the report's preview.
#include "report/ui/ReportWizard.h"

#include "frontend/ui/LocaleText.h"
#include "report/ui/FilterList.h"

#include <QFileInfo>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QStringDecoder>
#include <QStringListModel>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace tl {
namespace {

QLabel* wrappingLabel(QWidget* parent, const char* name) {
    auto* label = named(new QLabel(parent), name);
    label->setWordWrap(true);
    return label;
}

QPlainTextEdit* readOnlyMemo(QWidget* parent, const char* name) {
    auto* memo = named(new QPlainTextEdit(parent), name);
    memo->setReadOnly(true);
    memo->setTabChangesFocus(true);
    return memo;
}

// A page: its controls top to bottom, and a column of buttons beside the list when given.
QVBoxLayout* pageLayout(QWidget* page) {
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    return layout;
}

QVBoxLayout* buttonColumn(std::initializer_list<QPushButton*> buttons) {
    auto* column = new QVBoxLayout;
    for (QPushButton* button : buttons)
        column->addWidget(button);
    column->addStretch();
    return column;
}

bool looksLikeHtml(const QString& path, const QByteArray& bytes) {
    const QString suffix = path.section(QLatin1Char('.'), -1).toLower();
    if (suffix == QLatin1String("html") || suffix == QLatin1String("htm") ||
        suffix == QLatin1String("xhtml"))
        return true;
    const QByteArray start = bytes.left(512).trimmed().toLower();
    return start.startsWith("<!doctype html") || start.startsWith("<html");
}

// The beginning of a report as text; a character cut by the end of what was read is left
// out rather than shown broken.
QString decodeBeginning(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8);
    return decoder(bytes);
}

} // namespace

void ReportWizard::buildWindow() {
    m_lblCaption = named(new QLabel(this), "lblCaption");
    QFont captionFont = m_lblCaption->font();
    captionFont.setBold(true);
    captionFont.setPointSizeF(captionFont.pointSizeF() * 1.2);
    m_lblCaption->setFont(captionFont);
    auto* topLine = new QFrame(this);
    topLine->setFrameShape(QFrame::HLine);
    topLine->setFrameShadow(QFrame::Sunken);

    m_ntbWizard = named(new QStackedWidget(this), "ntbWizard");
    m_ntbWizard->addWidget(named(new QWidget(m_ntbWizard), "pageStart"));
    m_ntbWizard->addWidget(buildFilesPage());
    m_ntbWizard->addWidget(buildFilterPage());
    m_ntbWizard->addWidget(buildTemplatePage());
    m_ntbWizard->addWidget(buildDonePage());
    m_ntbWizard->addWidget(buildErrorPage());
    m_ntbWizard->addWidget(buildSourcePage());

    m_lblProgress = named(new QLabel(this), "lblProgress");
    m_prgReport = named(new QProgressBar(this), "prgReport");
    m_prgReport->setTextVisible(false);
    auto* progressRow = new QHBoxLayout;
    progressRow->addWidget(m_lblProgress, 1);
    progressRow->addWidget(m_prgReport, 1);
    m_lblProgress->hide();
    m_prgReport->hide();

    auto* bottomLine = new QFrame(this);
    bottomLine->setFrameShape(QFrame::HLine);
    bottomLine->setFrameShadow(QFrame::Sunken);
    m_cmdBack = named(new QPushButton(this), "cmdBack");
    m_cmdNext = named(new QPushButton(this), "cmdNext");
    m_cmdCancel = named(new QPushButton(this), "cmdCancel");
    m_cmdClose = named(new QPushButton(this), "cmdClose");
    m_cmdClose->hide();
    for (QPushButton* button : {m_cmdBack, m_cmdNext, m_cmdCancel, m_cmdClose})
        button->setAutoDefault(false);
    m_cmdNext->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cmdBack);
    buttons->addWidget(m_cmdNext);
    buttons->addSpacing(12);
    buttons->addWidget(m_cmdCancel);
    buttons->addWidget(m_cmdClose);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_lblCaption);
    layout->addWidget(topLine);
    layout->addWidget(m_ntbWizard, 1);
    layout->addLayout(progressRow);
    layout->addWidget(bottomLine);
    layout->addLayout(buttons);
    resize(640, 480);
}

QWidget* ReportWizard::buildFilesPage() {
    auto* page = named(new QWidget(m_ntbWizard), "pageFiles");
    m_lblSelectFiles = wrappingLabel(page, "lblSelectFiles");
    m_files = new QStringListModel(this);
    m_lstExtern = named(new QListView(page), "lstExtern");
    m_lstExtern->setModel(m_files);
    m_lstExtern->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_lstExtern->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_lstExtern->setUniformItemSizes(true);
    m_lstExtern->setTextElideMode(Qt::ElideMiddle);
    m_lstExtern->installEventFilter(this);
    m_cmdAdd = named(new QPushButton(page), "cmdAdd");
    m_cmdRemove = named(new QPushButton(page), "cmdRemove");

    auto* row = new QHBoxLayout;
    row->addWidget(m_lstExtern, 1);
    row->addLayout(buttonColumn({m_cmdAdd, m_cmdRemove}));
    QVBoxLayout* layout = pageLayout(page);
    layout->addWidget(m_lblSelectFiles);
    layout->addLayout(row, 1);
    return page;
}

QWidget* ReportWizard::buildFilterPage() {
    auto* page = named(new QWidget(m_ntbWizard), "pageFilter");
    m_lblFilter = wrappingLabel(page, "lblFilter");
    m_filters = new FilterListModel(this);
    m_lstFilters = named(new FilterListView(page), "lstFilters");
    m_lstFilters->setModel(m_filters);
    m_cmdAddFilter = named(new QPushButton(page), "cmdAddFilter");
    m_cmdEditFilter = named(new QPushButton(page), "cmdEditFilter");
    m_cmdRemoveFilter = named(new QPushButton(page), "cmdRemoveFilter");
    // The order of the conditions is changed by dragging an entry onto another.
    m_cmdMoveUpFilter = named(new QPushButton(page), "cmdMoveUpFilter");
    m_cmdMoveDownFilter = named(new QPushButton(page), "cmdMoveDownFilter");
    m_cmdMoveUpFilter->hide();
    m_cmdMoveDownFilter->hide();

    auto* row = new QHBoxLayout;
    row->addWidget(m_lstFilters, 1);
    row->addLayout(buttonColumn({m_cmdAddFilter, m_cmdEditFilter, m_cmdRemoveFilter,
                                 m_cmdMoveUpFilter, m_cmdMoveDownFilter}));
    QVBoxLayout* layout = pageLayout(page);
    layout->addWidget(m_lblFilter);
    layout->addLayout(row, 1);
    return page;
}

QWidget* ReportWizard::buildTemplatePage() {
    auto* page = named(new QWidget(m_ntbWizard), "pageTemplate");
    m_lblTemplate = named(new QLabel(page), "lblTemplate");
    m_edtDir = named(new QLineEdit(page), "edtDir");
    m_edtDir->setReadOnly(true);
    m_cmdChangeDir = named(new QPushButton(page), "cmdChangeDir");
    m_grpTemplate = named(new QGroupBox(page), "grpTemplate");
    m_mmoTemplateInfo = readOnlyMemo(m_grpTemplate, "mmoTemplateInfo");
    (new QVBoxLayout(m_grpTemplate))->addWidget(m_mmoTemplateInfo);
    m_grpAuthor = named(new QGroupBox(page), "grpAuthor");
    m_mmoAuthor = readOnlyMemo(m_grpAuthor, "mmoAuthor");
    m_mmoAuthor->setMaximumHeight(m_mmoAuthor->fontMetrics().lineSpacing() * 4);
    (new QVBoxLayout(m_grpAuthor))->addWidget(m_mmoAuthor);
    m_lblNextToFinish = wrappingLabel(page, "lblNextToFinish");

    auto* row = new QHBoxLayout;
    row->addWidget(m_lblTemplate);
    row->addWidget(m_edtDir, 1);
    row->addWidget(m_cmdChangeDir);
    QVBoxLayout* layout = pageLayout(page);
    layout->addLayout(row);
    layout->addWidget(m_grpTemplate, 3);
    layout->addWidget(m_grpAuthor, 1);
    layout->addWidget(m_lblNextToFinish);
    return page;
}

QWidget* ReportWizard::buildDonePage() {
    auto* page = named(new QWidget(m_ntbWizard), "pageDone");
    m_lblCreated = wrappingLabel(page, "lblCreated");
    m_lblCreatedMessage = wrappingLabel(page, "lblCreatedMessage");
    m_cmdOpen = named(new QPushButton(page), "cmdOpen");
    m_grpPreview = named(new QGroupBox(page), "grpPreview");
    m_txtPreview = named(new QTextBrowser(m_grpPreview), "txtPreview");
    // Links inside the report move within the preview; others go to the desktop.
    m_txtPreview->setOpenLinks(false);
    (new QVBoxLayout(m_grpPreview))->addWidget(m_txtPreview);
    m_lblReCreate = wrappingLabel(page, "lblReCreate");
    m_cmdReCreate = named(new QPushButton(page), "cmdReCreate");

    auto* openRow = new QHBoxLayout;
    openRow->addWidget(m_lblCreatedMessage, 1);
    openRow->addWidget(m_cmdOpen);
    auto* againRow = new QHBoxLayout;
    againRow->addWidget(m_lblReCreate, 1);
    againRow->addWidget(m_cmdReCreate);
    QVBoxLayout* layout = pageLayout(page);
    layout->addWidget(m_lblCreated);
    layout->addLayout(openRow);
    layout->addWidget(m_grpPreview, 1);
    layout->addLayout(againRow);
    return page;
}

QWidget* ReportWizard::buildErrorPage() {
    auto* page = named(new QWidget(m_ntbWizard), "pageError");
    m_lblFailure = wrappingLabel(page, "lblFailure");
    m_lblFailureMessage = wrappingLabel(page, "lblFailureMessage");
    m_lblError = wrappingLabel(page, "lblError");
    m_lblError->setTextFormat(Qt::PlainText);
    m_lblError->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_lblRetryCreate = wrappingLabel(page, "lblRetryCreate");
    m_cmdRetry = named(new QPushButton(page), "cmdRetry");

    auto* retryRow = new QHBoxLayout;
    retryRow->addWidget(m_lblRetryCreate, 1);
    retryRow->addWidget(m_cmdRetry);
    QVBoxLayout* layout = pageLayout(page);
    layout->addWidget(m_lblFailure);
    layout->addSpacing(8);
    layout->addWidget(m_lblFailureMessage);
    layout->addWidget(m_lblError);
    layout->addStretch();
    layout->addLayout(retryRow);
    return page;
}

QWidget* ReportWizard::buildSourcePage() {
    // Reports are made from album digests only; the choice of source is kept but never
    // offered.
    auto* page = named(new QWidget(m_ntbWizard), "pageSource");
    m_lblSource = named(new QLabel(page), "lblSource");
    m_rdbDigest = named(new QRadioButton(page), "rdbDigest");
    m_rdbSong = named(new QRadioButton(page), "rdbSong");
    m_rdbDigest->setChecked(true);
    QVBoxLayout* layout = pageLayout(page);
    layout->addWidget(m_lblSource);
    layout->addWidget(m_rdbDigest);
    layout->addWidget(m_rdbSong);
    layout->addStretch();
    return page;
}

void ReportWizard::retranslate() {
    const Locale& locale = *m_context.locale;
    const auto text = [&locale](const char* key) {
        return localeQText(locale, "DialogReportWizard", key);
    };
    const auto common = [&locale](const char* key) {
        return localeQText(locale, "DialogCommon", key);
    };
    setWindowTitle(text("Caption"));
    m_cmdNext->setText(common("Next"));
    m_cmdBack->setText(common("Back"));
    m_cmdClose->setText(common("Close"));
    m_cmdCancel->setText(common("Cancel"));
    m_lblSelectFiles->setText(text("SelectFiles"));
    m_cmdAdd->setText(common("Add"));
    m_cmdRemove->setText(common("Remove"));
    m_lblTemplate->setText(text("Template"));
    m_cmdChangeDir->setText(text("ChangeTemplate"));
    m_grpTemplate->setTitle(text("TemplateInfo"));
    m_grpAuthor->setTitle(text("TemplateAuthor"));
    m_lblNextToFinish->setText(text("NextToFinish"));
    m_lblCreated->setText(text("Created"));
    m_lblCreatedMessage->setText(text("CreatedMessage"));
    m_lblReCreate->setText(text("ReCreate"));
    m_cmdReCreate->setText(text("ReCreateBtn"));
    m_cmdOpen->setText(common("Open"));
    m_grpPreview->setTitle(text("Preview"));
    m_lblFailure->setText(text("Failure"));
    m_lblFailureMessage->setText(text("FailureMessage"));
    m_lblRetryCreate->setText(text("Retry"));
    m_cmdRetry->setText(text("RetryBtn"));
    m_lblSource->setText(text("Source"));
    m_rdbDigest->setText(text("DigestDB"));
    m_rdbSong->setText(text("SongDB"));
    m_lblFilter->setText(text("Filter"));
    m_cmdAddFilter->setText(common("Add"));
    m_cmdRemoveFilter->setText(common("Remove"));
    m_cmdEditFilter->setText(common("Edit"));
    m_cmdMoveUpFilter->setText(common("MoveUp"));
    m_cmdMoveDownFilter->setText(common("MoveDown"));
    m_filters->setHeaders(text("Condition"), text("Field"), text("Value"));
    m_filters->setTexts(FilterTexts::fromLocale(locale));
    showCaption();
    nameControls();
}

void ReportWizard::nameControls() {
    nameControlsFromTheirTexts(this);
    // Labels whose text changes as the wizard goes on are read by their text.
    m_lblCaption->setAccessibleName(QString());
    m_lblProgress->setAccessibleName(QString());
    nameControl(m_lblFailureMessage, m_lblError);
    nameControl(m_lblSelectFiles, m_lstExtern);
    nameControl(m_lblFilter, m_lstFilters);
    nameControl(m_lblTemplate, m_edtDir);
    m_mmoTemplateInfo->setAccessibleName(m_grpTemplate->title());
    m_mmoAuthor->setAccessibleName(m_grpAuthor->title());
    m_txtPreview->setAccessibleName(m_grpPreview->title());
    m_prgReport->setAccessibleName(
        localeQText(*m_context.locale, "DialogReportWizard", "Progress"));
}

void ReportWizard::showPreview(const ReportBeginning& beginning) {
    const QString path = pathText(m_reportPath);
    const QString text = decodeBeginning(beginning.bytes);
    QString title = localeQText(*m_context.locale, "DialogReportWizard", "Preview");
    if (beginning.cut)
        title = localeQText(*m_context.locale, "DialogReportWizard", "PreviewPart",
                            {static_cast<int>(PreviewBytes / 1024)});
    m_grpPreview->setTitle(title);
    m_txtPreview->setAccessibleName(title);
    m_txtPreview->clear();
    // Style sheets and pictures next to the report are found from its folder.
    m_txtPreview->setSearchPaths({QFileInfo(path).absolutePath()});
    m_txtPreview->document()->setBaseUrl(
        QUrl::fromLocalFile(QFileInfo(path).absolutePath() + QLatin1Char('/')));
    if (looksLikeHtml(path, beginning.bytes)) {
        m_txtPreview->setHtml(text);
        return;
    }
    QString plain = text;
    plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (beginning.cut && plain.endsWith(QLatin1Char('\r')))
        plain.chop(1); // the line feed of this line end was not read
    m_txtPreview->setPlainText(plain);
}

} // namespace tl
