#pragma once
/**
 * @file ReportWizard.h
 * The report wizard: album digests, in search mode the filter conditions, the template,
 * the report's name, and the result with the choice to open or re-create it.
 *
 * Pages of ntbWizard, by index: 0 an empty page while the window opens, 1 the digests,
 * 2 the search conditions (search mode only), 3 the template, 4 the report made (with a
 * preview of its beginning), 5 why it failed. The report is made by the report job
 * through the relay, with a progress bar; the job asks for the report's name with the save
 * chooser; Cancel stops it, any earlier report of that name stays as it was, and the
 * wizard stays on its page.
 */
#include "locale/Settings.h"
#include "platform/ui/AppContext.h"
#include "report/ReportJob.h"

#include <QByteArray>
#include <QDialog>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QGroupBox;
class QLabel;
class QLineEdit;
class QListView;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QStringListModel;
class QTextBrowser;

namespace tl {

struct Message;
class FilterListModel;
class FilterListView;
class JobRelay;

/** The beginning of a report just written, for its preview. */
struct ReportBeginning {
    QByteArray bytes;  ///< at most the first PreviewBytes of the file
    bool cut = false;  ///< the file is longer than that
    bool read = false; ///< the file could be read
};

class ReportWizard : public QDialog {
    Q_OBJECT
public:
    /** The pages of ntbWizard. */
    enum Page {
        StartPage = 0,
        FilesPage = 1,
        FilterPage = 2,
        TemplatePage = 3,
        DonePage = 4,
        ErrorPage = 5,
        SourcePage = 6 ///< never shown
    };

    /** The part of a report read for its preview. */
    static constexpr qint64 PreviewBytes = 256 * 1024;
    /** Makes the job of a report (tests make one they can hold). */
    using JobFactory = std::function<std::unique_ptr<Job>(ReportRequest request)>;

    explicit ReportWizard(AppContext& context, QWidget* parent = nullptr);
    ~ReportWizard() override;

    /** Sets every text from the locale. */
    void retranslate();

    /** The template path the wizard offers (at start-up the remembered template or the
     *  language's default, see startingTemplate()); it lasts while the program runs and is
     *  saved with the settings, to be offered again when it is to be remembered. */
    const std::string& templatePath() const { return m_templatePath; }
    void setTemplatePath(std::string path) { m_templatePath = std::move(path); }

    /** Opens the wizard modally; @p searchMode adds the filter page. */
    int run(bool searchMode);
    /** The steps of run() before the window is shown: empties the lists and the report
     *  path and shows the empty page; the first showing then goes on to the digests. */
    void begin(bool searchMode);

    bool searchMode() const { return m_searchMode; }
    int currentPage() const;
    /** True while a report is being made. */
    bool isBusy() const;
    /** The report file chosen for this opening (empty until the save chooser gave one). */
    const std::string& reportPath() const { return m_reportPath; }
    /** The digests listed on page 1, in order. */
    std::vector<std::string> digests() const;
    /** Replaces the report's job. */
    void setJobFactory(JobFactory factory) { m_makeJob = std::move(factory); }

    /** Reads the beginning of @p path for a preview. */
    static ReportBeginning readBeginning(const std::string& path, qint64 limit = PreviewBytes);

Q_SIGNALS:
    /** A report has been made or has failed or was cancelled: the wizard is idle again. */
    void jobEnded();

public Q_SLOTS:
    /** Cancel and Close, Escape and the window's close button. While a report is being
     *  made they stop it instead. */
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // ReportWizardPages.cpp: the controls.
    void buildWindow();
    QWidget* buildFilesPage();
    QWidget* buildFilterPage();
    QWidget* buildTemplatePage();
    QWidget* buildDonePage();
    QWidget* buildErrorPage();
    QWidget* buildSourcePage();
    void nameControls();
    void showPreview(const ReportBeginning& beginning);

    // ReportWizard.cpp: what the window does.
    void activate();
    void showPage(int page);
    void showCaption();
    void updateButtons(bool warnAboutTemplate);
    void next();
    void back();
    void addFiles();
    void removeFiles();
    void changeTemplate();
    void showTemplate();
    bool templateReadable() const;
    void addFilter();
    void editFilter();
    void removeFilter();
    void updateFilterButtons();
    void makeReport();
    void askReportPath(const JobQuestion& question);
    void reportEnded(const JobResult& result);
    void showProgress(const JobProgress& progress);
    void setBusy(bool busy);
    void showError(const Message& message);
    void openReport();

    AppContext& m_context;
    std::string m_templatePath;
    std::string m_reportPath;
    std::vector<std::string> m_paths; // the digests handed to the job, taken from page 1
    bool m_searchMode = false;
    bool m_activationPending = false;
    JobRelay* m_relay;
    JobFactory m_makeJob;

    // Around the pages.
    QLabel* m_lblCaption = nullptr;
    QStackedWidget* m_ntbWizard = nullptr;
    QLabel* m_lblProgress = nullptr;
    QProgressBar* m_prgReport = nullptr;
    QPushButton* m_cmdBack = nullptr;
    QPushButton* m_cmdNext = nullptr;
    QPushButton* m_cmdCancel = nullptr;
    QPushButton* m_cmdClose = nullptr;
    // Page 1.
    QLabel* m_lblSelectFiles = nullptr;
    QStringListModel* m_files = nullptr;
    QListView* m_lstExtern = nullptr;
    QPushButton* m_cmdAdd = nullptr;
    QPushButton* m_cmdRemove = nullptr;
    // Page 2.
    QLabel* m_lblFilter = nullptr;
    FilterListModel* m_filters = nullptr;
    FilterListView* m_lstFilters = nullptr;
    QPushButton* m_cmdAddFilter = nullptr;
    QPushButton* m_cmdEditFilter = nullptr;
    QPushButton* m_cmdRemoveFilter = nullptr;
    QPushButton* m_cmdMoveUpFilter = nullptr;
    QPushButton* m_cmdMoveDownFilter = nullptr;
    // Page 3.
    QLabel* m_lblTemplate = nullptr;
    QLineEdit* m_edtDir = nullptr;
    QPushButton* m_cmdChangeDir = nullptr;
    QGroupBox* m_grpTemplate = nullptr;
    QPlainTextEdit* m_mmoTemplateInfo = nullptr;
    QGroupBox* m_grpAuthor = nullptr;
    QPlainTextEdit* m_mmoAuthor = nullptr;
    QLabel* m_lblNextToFinish = nullptr;
    // Page 4.
    QLabel* m_lblCreated = nullptr;
    QLabel* m_lblCreatedMessage = nullptr;
    QPushButton* m_cmdOpen = nullptr;
    QGroupBox* m_grpPreview = nullptr;
    QTextBrowser* m_txtPreview = nullptr;
    QLabel* m_lblReCreate = nullptr;
    QPushButton* m_cmdReCreate = nullptr;
    // Page 5.
    QLabel* m_lblFailure = nullptr;
    QLabel* m_lblFailureMessage = nullptr;
    QLabel* m_lblError = nullptr;
    QLabel* m_lblRetryCreate = nullptr;
    QPushButton* m_cmdRetry = nullptr;
    // The page that is never shown.
    QLabel* m_lblSource = nullptr;
    QRadioButton* m_rdbDigest = nullptr;
    QRadioButton* m_rdbSong = nullptr;
};

} // namespace tl
