#pragma once
/**
 * @file OptionsDialog.h
 * The options: a tree of pages (general, report, sort, digest, search, plug-ins), each
 * control mapped to its setting. The dialog edits its own copy; OK writes it into the
 * program's settings and saves them, Cancel leaves record and file as they were.
 *
 * Two actions end the program without saving the rest: deleting all settings, and taking
 * another language file (only its name is saved, and it is used from the next start).
 */
#include "locale/Settings.h"
#include "platform/Volumes.h"
#include "platform/ui/AppContext.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace tl {

class OptionsDialog : public QDialog {
    Q_OBJECT
public:
    /** What the dialog asks of the program around it. */
    struct Hooks {
        std::function<bool()> saveSettings;     ///< saves the settings as the program does
        std::function<void()> endWithoutSaving; ///< ends the program, nothing saved
        /** OK has changed the settings: what is made from them is made again, so that the
         *  next report, scan or digest uses them. */
        std::function<void()> settingsChanged;
    };

    /** The pages, in the order of the page tree. */
    enum Page { General, Report, Sort, Digest, Search, Plugins, PageCount };

    explicit OptionsDialog(AppContext& context, QWidget* parent = nullptr);
    ~OptionsDialog() override;

    void setHooks(Hooks hooks) { m_hooks = std::move(hooks); }
    /** Where the mount table for the choice of mount points is read (tests use a fixture). */
    void setPlatformPaths(PlatformPaths paths) { m_platformPaths = std::move(paths); }

    /** Sets every text from the locale. */
    void retranslate();

    /** Shows the options modally; OK writes them into the settings and saves them. */
    int run();

    /** The page shown. */
    Page currentPage() const;

    /** The help anchor of each page ("general", "report", ...). */
    static QString helpAnchor(Page page);

protected:
    /** Each opening shows the settings as they are now, on the first page. */
    void showEvent(QShowEvent* event) override;

private:
    QWidget* makeGeneralPage();
    QWidget* makeReportPage();
    QWidget* makeSortPage();
    QWidget* makeDigestPage();
    QWidget* makeSearchPage();
    QWidget* makePluginsPage();
    void nameControls();

    void loadControls(const Settings& settings);
    /** The controls into @p settings; false (with a message) when one holds no valid value. */
    bool storeControls(Settings& settings);

    void showPage(int page);
    void showHelp();
    void acceptOptions();
    void resetSort();
    void resetSearch();
    void deleteAllSettings();
    void changeLanguage();
    void rebuildPluginTree();
    void refreshPlugins();
    void pluginChosen();
    void configurePlugin();
    /** The plug-in index behind the selected node, or -1 when no plug-in node is selected. */
    int selectedPlugin() const;
    /** Closes the dialog and ends the program without saving. */
    void endProgram();

    AppContext& m_context;
    Hooks m_hooks;
    PlatformPaths m_platformPaths;
    Settings m_shown; ///< the settings as they were when the dialog opened

    QTreeWidget* m_treOptions = nullptr;
    QLabel* m_lblLabel = nullptr;
    QStackedWidget* m_ntbPanes = nullptr;
    // General
    QLabel* m_lblLanguage = nullptr;
    QLineEdit* m_edtLanguage = nullptr;
    QToolButton* m_cmdChangeDir = nullptr;
    QPushButton* m_cmdDeleteSettings = nullptr;
    // Report
    QCheckBox* m_chkAutoOpen = nullptr;
    QCheckBox* m_chkRememberTemplate = nullptr;
    QLabel* m_lblMapDrive = nullptr;
    QComboBox* m_cmbDrive = nullptr;
    QLabel* m_lblReportVarious = nullptr;
    QLineEdit* m_edtReportVarious = nullptr;
    // Sort
    QCheckBox* m_chkUseCh = nullptr;
    QLabel* m_lblCaseTable = nullptr;
    QLineEdit* m_edtCaseTable = nullptr;
    QLabel* m_lblSortTable = nullptr;
    QLineEdit* m_edtSortTable = nullptr;
    QPushButton* m_cmdReset = nullptr;
    // Digest
    QCheckBox* m_chkAutoComplete = nullptr;
    QLabel* m_lblDigestVarious = nullptr;
    QLineEdit* m_edtDigestVarious = nullptr;
    QLabel* m_lblTooMany = nullptr;
    QComboBox* m_cmbTooMany = nullptr;
    // Search
    QLabel* m_lblDateFormat = nullptr;
    QComboBox* m_cmbDateFormat = nullptr;
    QCheckBox* m_chkIgnoreDiacritics = nullptr;
    QLabel* m_lblDiacritics = nullptr;
    QLineEdit* m_edtDiacritics = nullptr;
    QPushButton* m_cmdResetSearch = nullptr;
    // Plugins
    QTreeWidget* m_trePlugins = nullptr;
    QPushButton* m_cmdRefresh = nullptr;
    QPushButton* m_cmdConfigure = nullptr;
    QPushButton* m_cmdRemove = nullptr;
    QCheckBox* m_chkModernTags = nullptr;
    // Buttons
    QPushButton* m_cmdHelp = nullptr;
    QPushButton* m_cmdOK = nullptr;
    QPushButton* m_cmdCancel = nullptr;
};

} // namespace tl
