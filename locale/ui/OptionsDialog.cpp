#include "locale/ui/OptionsDialog.h"

#include "frontend/ui/LocaleText.h"
#include "locale/ui/Utf8LimitValidator.h"
#include "platform/ui/Desktop.h"
#include "plugins/Pluginmanager.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QShowEvent>
#include <QStackedWidget>
#include <QStyle>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cstring>
#include <limits>

namespace tl {
namespace {

constexpr const char* Section = "DialogOptions";
/** The locale keys of the page names, in page order. */
constexpr const char* PageKeys[OptionsDialog::PageCount] = {"General", "Report", "Sort",
                                                            "Digest",  "Search", "Plugins"};
constexpr const char* HelpAnchors[OptionsDialog::PageCount] = {"general", "report", "sort",
                                                               "digest",  "search", "plugins"};

/** A text of a plug-in's information record, which need not end in its field. */
template <std::size_t N> QString fieldText(const char (&field)[N]) {
    return qText(std::string_view(field, ::strnlen(field, N)));
}

/** The text of an edit as a setting: the bytes shown when the dialog opened while the user
 *  has not changed them (so a table that is not valid UTF-8 survives an OK untouched). */
std::string editedText(const QString& now, const std::string& before) {
    return now == qText(before) ? before : stdText(now);
}

/** A page's column of controls. */
QVBoxLayout* pageLayout(QWidget* page) {
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    return layout;
}

/** A label right above its control. */
void addLabelled(QVBoxLayout* layout, QLabel* label, QWidget* control) {
    auto* pair = new QVBoxLayout;
    pair->setSpacing(2);
    pair->addWidget(label);
    pair->addWidget(control);
    layout->addLayout(pair);
}

/** A button at the start of its own row, as wide as its text. */
void addButtonRow(QVBoxLayout* layout, QWidget* button) {
    auto* row = new QHBoxLayout;
    row->addWidget(button);
    row->addStretch();
    layout->addLayout(row);
}

QLineEdit* tableEdit(QWidget* parent, const char* name) {
    auto* edit = named(new QLineEdit(parent), name);
    Utf8LimitValidator::limit(edit, MaxSettingText);
    return edit;
}

} // namespace

OptionsDialog::OptionsDialog(AppContext& context, QWidget* parent)
    : QDialog(parent), m_context(context) {
    setObjectName(QStringLiteral("TfrmOptions"));

    m_treOptions = named(new QTreeWidget(this), "treOptions");
    m_treOptions->setHeaderHidden(true);
    m_treOptions->setRootIsDecorated(false);
    m_treOptions->setSelectionMode(QAbstractItemView::SingleSelection);
    m_treOptions->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_treOptions->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    for (int page = 0; page < PageCount; ++page)
        new QTreeWidgetItem(m_treOptions);

    // The title strip: the page's name, bold, in the colours of a selection.
    m_lblLabel = named(new QLabel(this), "lblLabel");
    m_lblLabel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_lblLabel->setAutoFillBackground(true);
    m_lblLabel->setBackgroundRole(QPalette::Highlight);
    m_lblLabel->setForegroundRole(QPalette::HighlightedText);
    QFont titleFont = m_lblLabel->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.15);
    m_lblLabel->setFont(titleFont);
    m_lblLabel->setMargin(3);

    m_ntbPanes = named(new QStackedWidget(this), "ntbPanes");
    // Room for a good part of the language's tables and the plug-ins' descriptions.
    const int line = fontMetrics().height();
    m_ntbPanes->setMinimumSize(30 * line, 16 * line);
    m_ntbPanes->addWidget(makeGeneralPage());
    m_ntbPanes->addWidget(makeReportPage());
    m_ntbPanes->addWidget(makeSortPage());
    m_ntbPanes->addWidget(makeDigestPage());
    m_ntbPanes->addWidget(makeSearchPage());
    m_ntbPanes->addWidget(makePluginsPage());

    m_cmdHelp = named(new QPushButton(this), "cmdHelp");
    m_cmdHelp->setAutoDefault(false);
    m_cmdOK = named(new QPushButton(QStringLiteral("OK"), this), "cmdOK");
    m_cmdOK->setDefault(true);
    m_cmdCancel = named(new QPushButton(this), "cmdCancel");
    m_cmdCancel->setAutoDefault(false);

    auto* pane = new QVBoxLayout;
    pane->addWidget(m_lblLabel);
    pane->addWidget(m_ntbPanes, 1);
    auto* body = new QHBoxLayout;
    body->addWidget(m_treOptions);
    body->addLayout(pane, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_cmdHelp);
    buttons->addStretch();
    buttons->addWidget(m_cmdOK);
    buttons->addWidget(m_cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body, 1);
    layout->addLayout(buttons);

    connect(m_treOptions, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item)
            showPage(m_treOptions->indexOfTopLevelItem(item));
    });
    connect(m_cmdOK, &QPushButton::clicked, this, &OptionsDialog::acceptOptions);
    connect(m_cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_cmdHelp, &QPushButton::clicked, this, &OptionsDialog::showHelp);
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(f1, &QShortcut::activated, this, &OptionsDialog::showHelp);
}

OptionsDialog::~OptionsDialog() = default;

QWidget* OptionsDialog::makeGeneralPage() {
    auto* page = named(new QWidget, "pageGeneral");
    m_lblLanguage = named(new QLabel(page), "lblLanguage");
    m_edtLanguage = named(new QLineEdit(page), "edtLanguage");
    m_edtLanguage->setReadOnly(true);
    m_cmdChangeDir = named(new QToolButton(page), "cmdChangeDir");
    m_cmdChangeDir->setIcon(QIcon::fromTheme(QStringLiteral("document-open"),
                                             style()->standardIcon(QStyle::SP_DirOpenIcon)));
    m_cmdDeleteSettings = named(new QPushButton(page), "cmdDeleteSettings");
    m_cmdDeleteSettings->setAutoDefault(false);

    auto* layout = pageLayout(page);
    auto* language = new QHBoxLayout;
    language->addWidget(m_edtLanguage, 1);
    language->addWidget(m_cmdChangeDir);
    auto* pair = new QVBoxLayout;
    pair->setSpacing(2);
    pair->addWidget(m_lblLanguage);
    pair->addLayout(language);
    layout->addLayout(pair);
    layout->addSpacing(12);
    addButtonRow(layout, m_cmdDeleteSettings);
    layout->addStretch();

    connect(m_cmdChangeDir, &QToolButton::clicked, this, &OptionsDialog::changeLanguage);
    connect(m_cmdDeleteSettings, &QPushButton::clicked, this, &OptionsDialog::deleteAllSettings);
    return page;
}

QWidget* OptionsDialog::makeReportPage() {
    auto* page = named(new QWidget, "pageReport");
    m_chkAutoOpen = named(new QCheckBox(page), "chkAutoOpen");
    m_chkRememberTemplate = named(new QCheckBox(page), "chkRememberTemplate");
    m_lblMapDrive = named(new QLabel(page), "lblMapDrive");
    m_cmbDrive = named(new QComboBox(page), "cmbDrive");
    // The mount points of this machine, and any other folder typed in: a volume that is
    // not mounted now may be found there later.
    m_cmbDrive->setEditable(true);
    m_cmbDrive->setInsertPolicy(QComboBox::NoInsert);
    m_cmbDrive->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_cmbDrive->setMinimumContentsLength(24);
    m_lblReportVarious = named(new QLabel(page), "lblReportVarious");
    m_edtReportVarious = tableEdit(page, "edtReportVarious");

    auto* layout = pageLayout(page);
    layout->addWidget(m_chkAutoOpen);
    layout->addWidget(m_chkRememberTemplate);
    layout->addSpacing(8);
    addLabelled(layout, m_lblMapDrive, m_cmbDrive);
    addLabelled(layout, m_lblReportVarious, m_edtReportVarious);
    layout->addStretch();
    return page;
}

QWidget* OptionsDialog::makeSortPage() {
    auto* page = named(new QWidget, "pageSort");
    m_chkUseCh = named(new QCheckBox(page), "chkUseCh");
    m_lblCaseTable = named(new QLabel(page), "lblCaseTable");
    m_edtCaseTable = tableEdit(page, "edtCaseTable");
    m_lblSortTable = named(new QLabel(page), "lblSortTable");
    m_edtSortTable = tableEdit(page, "edtSortTable");
    m_cmdReset = named(new QPushButton(page), "cmdReset");
    m_cmdReset->setAutoDefault(false);

    auto* layout = pageLayout(page);
    layout->addWidget(m_chkUseCh);
    layout->addSpacing(8);
    addLabelled(layout, m_lblCaseTable, m_edtCaseTable);
    addLabelled(layout, m_lblSortTable, m_edtSortTable);
    layout->addSpacing(8);
    addButtonRow(layout, m_cmdReset);
    layout->addStretch();
    connect(m_cmdReset, &QPushButton::clicked, this, &OptionsDialog::resetSort);
    return page;
}

QWidget* OptionsDialog::makeDigestPage() {
    auto* page = named(new QWidget, "pageDigest");
    m_chkAutoComplete = named(new QCheckBox(page), "chkAutoComplete");
    m_lblDigestVarious = named(new QLabel(page), "lblDigestVarious");
    m_edtDigestVarious = tableEdit(page, "edtDigestVarious");
    m_lblTooMany = named(new QLabel(page), "lblTooMany");
    m_cmbTooMany = named(new QComboBox(page), "cmbTooMany");

    auto* layout = pageLayout(page);
    layout->addWidget(m_chkAutoComplete);
    layout->addSpacing(8);
    addLabelled(layout, m_lblDigestVarious, m_edtDigestVarious);
    auto* tooMany = new QHBoxLayout;
    tooMany->addWidget(m_lblTooMany);
    tooMany->addWidget(m_cmbTooMany);
    tooMany->addStretch();
    layout->addLayout(tooMany);
    layout->addStretch();
    return page;
}

QWidget* OptionsDialog::makeSearchPage() {
    auto* page = named(new QWidget, "pageSearch");
    m_lblDateFormat = named(new QLabel(page), "lblDateFormat");
    m_cmbDateFormat = named(new QComboBox(page), "cmbDateFormat");
    // The two orders of day and month, written the same in every language.
    m_cmbDateFormat->addItems({QStringLiteral("dd.mm.yy"), QStringLiteral("mm/dd/yy")});
    m_chkIgnoreDiacritics = named(new QCheckBox(page), "chkIgnoreDiacritics");
    m_lblDiacritics = named(new QLabel(page), "lblDiacritics");
    m_edtDiacritics = tableEdit(page, "edtDiacritics");
    m_cmdResetSearch = named(new QPushButton(page), "cmdResetSearch");
    m_cmdResetSearch->setAutoDefault(false);

    auto* layout = pageLayout(page);
    auto* date = new QHBoxLayout;
    date->addWidget(m_lblDateFormat);
    date->addWidget(m_cmbDateFormat);
    date->addStretch();
    layout->addLayout(date);
    layout->addSpacing(8);
    layout->addWidget(m_chkIgnoreDiacritics);
    addLabelled(layout, m_lblDiacritics, m_edtDiacritics);
    layout->addSpacing(8);
    addButtonRow(layout, m_cmdResetSearch);
    layout->addStretch();
    connect(m_cmdResetSearch, &QPushButton::clicked, this, &OptionsDialog::resetSearch);
    return page;
}

QWidget* OptionsDialog::makePluginsPage() {
    auto* page = named(new QWidget, "pagePlugins");
    m_trePlugins = named(new QTreeWidget(page), "trePlugins");
    m_trePlugins->setHeaderHidden(true);
    m_trePlugins->setSelectionMode(QAbstractItemView::SingleSelection);
    m_trePlugins->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_trePlugins->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_cmdRefresh = named(new QPushButton(page), "cmdRefresh");
    m_cmdRefresh->setAutoDefault(false);
    m_cmdConfigure = named(new QPushButton(page), "cmdConfigure");
    m_cmdConfigure->setAutoDefault(false);
    // A plug-in is removed by taking its file out of the plug-in folder; the button stays
    // out of sight.
    m_cmdRemove = named(new QPushButton(page), "cmdRemove");
    m_cmdRemove->setEnabled(false);
    m_cmdRemove->setVisible(false);
    m_chkModernTags = named(new QCheckBox(page), "chkModernTags");

    auto* layout = pageLayout(page);
    layout->addWidget(m_trePlugins, 1);
    auto* row = new QHBoxLayout;
    row->addWidget(m_cmdRefresh);
    row->addWidget(m_cmdConfigure);
    row->addWidget(m_cmdRemove);
    row->addStretch();
    layout->addLayout(row);
    layout->addSpacing(8);
    layout->addWidget(m_chkModernTags);

    connect(m_trePlugins, &QTreeWidget::itemSelectionChanged, this, &OptionsDialog::pluginChosen);
    connect(m_cmdRefresh, &QPushButton::clicked, this, &OptionsDialog::refreshPlugins);
    connect(m_cmdConfigure, &QPushButton::clicked, this, &OptionsDialog::configurePlugin);
    return page;
}

void OptionsDialog::retranslate() {
    const Locale& locale = *m_context.locale;
    const auto text = [&locale](const char* key) { return localeQText(locale, Section, key); };
    setWindowTitle(text("Caption"));
    m_cmdCancel->setText(localeQText(locale, "DialogCommon", "Cancel"));
    m_cmdHelp->setText(localeQText(locale, "DialogCommon", "Help"));
    for (int page = 0; page < PageCount; ++page)
        m_treOptions->topLevelItem(page)->setText(0, text(PageKeys[page]));
    // As wide as the longest page name in this language.
    m_treOptions->resizeColumnToContents(0);
    m_treOptions->setFixedWidth(m_treOptions->columnWidth(0) + 2 * m_treOptions->frameWidth() +
                                style()->pixelMetric(QStyle::PM_ScrollBarExtent));

    m_lblLanguage->setText(localeQText(locale, "DialogAbout", "Language"));
    m_cmdChangeDir->setToolTip(text("ChangeLanguage"));
    m_cmdDeleteSettings->setText(text("DeleteSettings"));
    m_chkAutoOpen->setText(text("AutoOpen"));
    m_chkRememberTemplate->setText(text("RememberTemplate"));
    m_lblMapDrive->setText(text("MapDrive"));
    m_lblReportVarious->setText(text("ReportVarious"));
    m_chkUseCh->setText(text("UseCh"));
    m_lblCaseTable->setText(text("CaseTable"));
    m_lblSortTable->setText(text("SortTable"));
    m_cmdReset->setText(text("Reset"));
    m_chkAutoComplete->setText(text("AutoComplete"));
    m_lblDigestVarious->setText(text("DigestVarious"));
    m_lblTooMany->setText(text("TooMany"));
    m_cmdRefresh->setText(text("Refresh"));
    m_cmdRemove->setText(text("Remove"));
    m_cmdConfigure->setText(text("Configure"));
    m_chkModernTags->setText(text("ModernTags"));
    m_chkIgnoreDiacritics->setText(text("IgnoreDiacritics"));
    m_lblDiacritics->setText(text("Diacritics"));
    m_lblDateFormat->setText(text("DateFormat"));
    m_cmdResetSearch->setText(text("Reset"));
    showPage(currentPage());
    nameControls();
}

void OptionsDialog::nameControls() {
    nameControlsFromTheirTexts(this);
    nameControl(m_lblLanguage, m_edtLanguage);
    nameControl(m_lblMapDrive, m_cmbDrive);
    nameControl(m_lblReportVarious, m_edtReportVarious);
    nameControl(m_lblCaseTable, m_edtCaseTable);
    nameControl(m_lblSortTable, m_edtSortTable);
    nameControl(m_lblDigestVarious, m_edtDigestVarious);
    nameControl(m_lblTooMany, m_cmbTooMany);
    nameControl(m_lblDateFormat, m_cmbDateFormat);
    nameControl(m_lblDiacritics, m_edtDiacritics);
    for (QComboBox* box : {m_cmbDrive, m_cmbTooMany, m_cmbDateFormat})
        box->view()->setAccessibleName(box->accessibleName()); // the list that drops down
    m_cmbDrive->lineEdit()->setAccessibleName(m_cmbDrive->accessibleName());
    m_cmdChangeDir->setAccessibleName(m_cmdChangeDir->toolTip());
    m_treOptions->setAccessibleName(windowTitle());
    m_trePlugins->setAccessibleName(m_treOptions->topLevelItem(Plugins)->text(0));
}

int OptionsDialog::run() {
    return exec();
}

OptionsDialog::Page OptionsDialog::currentPage() const {
    return static_cast<Page>(std::max(m_ntbPanes->currentIndex(), 0));
}

QString OptionsDialog::helpAnchor(Page page) {
    return QString::fromLatin1(HelpAnchors[page]);
}

void OptionsDialog::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        m_shown = *m_context.settings;
        loadControls(m_shown);
        m_edtLanguage->setText(localeQText(*m_context.locale, "General", "Language"));
        m_edtLanguage->setToolTip(pathText(m_context.locale->primaryPath()));
        rebuildPluginTree();
        showPage(General);
        m_treOptions->setFocus();
    }
    QDialog::showEvent(event);
}

void OptionsDialog::loadControls(const Settings& s) {
    m_chkAutoOpen->setChecked(s.autoOpen);
    m_chkRememberTemplate->setChecked(s.rememberTemplate);

    m_cmbDrive->clear();
    for (const std::string& point : volumeMountPoints(m_platformPaths))
        m_cmbDrive->addItem(pathText(point));
    // A place named by hand (or a volume not mounted now) is kept in the list.
    const QString drive = pathText(s.defaultDrive);
    int driveIndex = m_cmbDrive->findText(drive, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (driveIndex < 0 && !drive.isEmpty()) {
        m_cmbDrive->addItem(drive);
        driveIndex = m_cmbDrive->count() - 1;
    }
    m_cmbDrive->setCurrentIndex(driveIndex);
    m_cmbDrive->setEditText(drive);

    m_edtReportVarious->setText(qText(s.reportVarious));
    m_chkUseCh->setChecked(s.useCh);
    m_edtCaseTable->setText(qText(s.caseTable));
    m_edtSortTable->setText(qText(s.sortTable));
    m_chkAutoComplete->setChecked(s.autoComplete);
    m_edtDigestVarious->setText(qText(s.digestVarious));

    m_cmbTooMany->clear();
    for (int n = MinTooMany; n <= MaxTooMany; ++n)
        m_cmbTooMany->addItem(QString::number(n), n);
    // A number set by hand in the settings file is shown as it is and kept until the user
    // picks one of the list.
    if (m_cmbTooMany->findData(s.tooMany) < 0)
        m_cmbTooMany->addItem(QString::number(s.tooMany), s.tooMany);
    m_cmbTooMany->setCurrentIndex(m_cmbTooMany->findData(s.tooMany));

    m_cmbDateFormat->setCurrentIndex(s.usDate ? 1 : 0);
    m_chkIgnoreDiacritics->setChecked(s.ignoreDiacritics);
    m_edtDiacritics->setText(qText(s.diacriticsTable));
    m_chkModernTags->setChecked(s.modernTags);

    // Long tables show their beginning.
    for (QLineEdit* edit :
         {m_edtReportVarious, m_edtCaseTable, m_edtSortTable, m_edtDigestVarious, m_edtDiacritics})
        edit->setCursorPosition(0);
}

bool OptionsDialog::storeControls(Settings& s) {
    QString drive = m_cmbDrive->currentText().trimmed();
    if (drive == pathText(m_shown.defaultDrive)) {
        s.defaultDrive = m_shown.defaultDrive;
    } else {
        if (!drive.startsWith(QLatin1Char('/'))) {
            showPage(Report);
            m_cmbDrive->setFocus();
            m_context.desktop->showMessage(
                this, MessageIcon::Warning,
                localeQText(*m_context.locale, Section, "MountPointExpected"));
            return false;
        }
        while (drive.size() > 1 && drive.endsWith(QLatin1Char('/')))
            drive.chop(1);
        s.defaultDrive = pathBytes(drive);
    }

    s.autoOpen = m_chkAutoOpen->isChecked();
    s.rememberTemplate = m_chkRememberTemplate->isChecked();
    s.reportVarious = editedText(m_edtReportVarious->text(), m_shown.reportVarious);
    s.useCh = m_chkUseCh->isChecked();
    s.caseTable = editedText(m_edtCaseTable->text(), m_shown.caseTable);
    s.sortTable = editedText(m_edtSortTable->text(), m_shown.sortTable);
    s.autoComplete = m_chkAutoComplete->isChecked();
    s.digestVarious = editedText(m_edtDigestVarious->text(), m_shown.digestVarious);
    s.tooMany = m_cmbTooMany->currentData().toInt();
    s.usDate = m_cmbDateFormat->currentIndex() == 1;
    s.ignoreDiacritics = m_chkIgnoreDiacritics->isChecked();
    s.diacriticsTable = editedText(m_edtDiacritics->text(), m_shown.diacriticsTable);
    s.modernTags = m_chkModernTags->isChecked();
    return true;
}

void OptionsDialog::showPage(int page) {
    if (page < 0 || page >= PageCount)
        return;
    QTreeWidgetItem* node = m_treOptions->topLevelItem(page);
    if (m_treOptions->currentItem() != node)
        m_treOptions->setCurrentItem(node); // comes back here through currentItemChanged
    m_ntbPanes->setCurrentIndex(page);
    m_lblLabel->setText(QLatin1Char(' ') + node->text(0));
    m_lblLabel->setAccessibleName(node->text(0));
}

void OptionsDialog::showHelp() {
    m_context.desktop->showHelp(QStringLiteral("options.html"), helpAnchor(currentPage()));
}

void OptionsDialog::acceptOptions() {
    Settings edited = *m_context.settings;
    if (!storeControls(edited))
        return;
    *m_context.settings = edited;
    if (m_hooks.settingsChanged)
        m_hooks.settingsChanged();
    if (m_hooks.saveSettings && !m_hooks.saveSettings())
        m_context.desktop->showMessage(
            this, MessageIcon::Error,
            localeQText(*m_context.locale, Section, "SaveSettingsErr", {m_context.settings->path}));
    accept();
}

void OptionsDialog::resetSort() {
    Settings language;
    applyLanguageDefaults(language, *m_context.locale);
    m_chkUseCh->setChecked(language.useCh);
    m_edtCaseTable->setText(qText(language.caseTable));
    m_edtSortTable->setText(qText(language.sortTable));
    m_edtCaseTable->setCursorPosition(0);
    m_edtSortTable->setCursorPosition(0);
}

void OptionsDialog::resetSearch() {
    Settings language;
    applyLanguageDefaults(language, *m_context.locale);
    m_chkIgnoreDiacritics->setChecked(language.ignoreDiacritics);
    m_edtDiacritics->setText(qText(language.diacriticsTable));
    m_edtDiacritics->setCursorPosition(0);
    const bool usDate = m_context.locale->text("General", "UsDate").starts_with("1");
    m_cmbDateFormat->setCurrentIndex(usDate ? 1 : 0);
}

void OptionsDialog::deleteAllSettings() {
    Desktop& desktop = *m_context.desktop;
    const Locale& locale = *m_context.locale;
    // No is the default: the answer that loses nothing.
    if (!desktop.askYesNo(this, MessageIcon::Question,
                          localeQText(locale, Section, "DeleteSettingsMsg"), false))
        return;
    if (!deleteSettings(*m_context.settings)) {
        desktop.showMessage(
            this, MessageIcon::Error,
            localeQText(locale, Section, "DeleteSettingsErr", {m_context.settings->path}));
        return;
    }
    endProgram();
}

void OptionsDialog::changeLanguage() {
    Desktop& desktop = *m_context.desktop;
    Locale& locale = *m_context.locale;
    FileChooser chooser;
    chooser.title = localeQText(locale, Section, "ChangeLanguage");
    chooser.directory = pathText(m_context.folders.languages());
    chooser.filters = {localeQText(locale, Section, "LanguageFiles") +
                       QStringLiteral(" (*.lcl *.LCL)")};
    chooser.defaultSuffix = QStringLiteral("lcl");
    const std::optional<QStringList> chosen = desktop.chooseFilesToOpen(this, chooser);
    if (!chosen || chosen->isEmpty())
        return;

    const std::string file = pathBytes(chosen->first());
    const std::string previous = locale.primaryPath();
    locale.setPrimaryPath(file);
    if (checkLocales(locale) != LocaleStatus::Ok) {
        locale.setPrimaryPath(previous);
        desktop.showMessage(this, MessageIcon::Warning,
                            localeQText(locale, "General", "IncompatibleLocale"));
        return;
    }
    // The new language is used from the next start; nothing else of the dialog is kept.
    Settings& settings = *m_context.settings;
    const std::string previousLcl = settings.lcl;
    settings.lcl = file;
    if (!saveLanguageSetting(settings)) {
        settings.lcl = previousLcl;
        locale.setPrimaryPath(previous);
        desktop.showMessage(this, MessageIcon::Error,
                            localeQText(locale, Section, "SaveSettingsErr", {settings.path}));
        return;
    }
    desktop.showMessage(this, MessageIcon::Information, localeQText(locale, Section, "Restart"));
    endProgram();
}

void OptionsDialog::endProgram() {
    reject();
    if (m_hooks.endWithoutSaving)
        m_hooks.endWithoutSaving();
}

void OptionsDialog::rebuildPluginTree() {
    m_cmdConfigure->setEnabled(false);
    m_trePlugins->clear();
    const PluginManager* plugins = m_context.plugins;
    if (!plugins)
        return;
    const Locale& locale = *m_context.locale;
    const QString ext = localeQText(locale, Section, "Ext") + QStringLiteral(": ");
    const QString about = localeQText(locale, Section, "About") + QStringLiteral(": ");
    const QString version = localeQText(locale, Section, "Ver") + QLatin1Char(' ');
    const QIcon icon = QIcon::fromTheme(QStringLiteral("audio-x-generic"),
                                        style()->standardIcon(QStyle::SP_FileIcon));
    for (int index = 0; index < plugins->count(); ++index) {
        PluginInfo info{};
        if (plugins->getInfo(index, info) != 0)
            continue; // a plug-in that cannot say what it is is not listed
        auto* node = new QTreeWidgetItem(m_trePlugins, {fieldText(info.name)});
        node->setIcon(0, icon);
        // Left-out plug-ins make positions and indexes differ: the node keeps its index.
        node->setData(0, Qt::UserRole, index);
        node->setToolTip(0, pathText(plugins->fileName(index)));
        for (const QString& line : {ext + fieldText(info.extension), about + fieldText(info.about),
                                    version + fieldText(info.versionText)})
            (new QTreeWidgetItem(node, {line}))->setToolTip(0, line); // whole when cut short
    }
    m_trePlugins->collapseAll();
}

void OptionsDialog::refreshPlugins() {
    // A reload ends every plug-in handed out before it. A scan uses them on its worker
    // thread, but the scan window is modal and takes the program's whole attention while
    // it runs, so the options cannot be open then.
    m_context.plugins->load();
    rebuildPluginTree();
}

int OptionsDialog::selectedPlugin() const {
    const QList<QTreeWidgetItem*> selected = m_trePlugins->selectedItems();
    if (selected.isEmpty() || selected.first()->parent())
        return -1;
    return selected.first()->data(0, Qt::UserRole).toInt();
}

void OptionsDialog::pluginChosen() {
    const int index = selectedPlugin();
    m_cmdConfigure->setEnabled(index >= 0 && m_context.plugins &&
                               m_context.plugins->isConfigurable(index));
}

void OptionsDialog::configurePlugin() {
    const int index = selectedPlugin();
    if (index < 0 || !m_context.plugins)
        return;
    // The plug-in's own box is owned by this dialog; an id wider than the record's field
    // is passed as none.
    const WId owner = winId();
    PluginConfigRequest request{};
    if (owner <= std::numeric_limits<std::uint32_t>::max())
        request.ownerWindow = static_cast<std::uint32_t>(owner);
    m_context.plugins->configure(index, request);
}

} // namespace tl
