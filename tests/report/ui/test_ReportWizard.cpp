#include "report/ui/ReportWizard.h"

#include "frontend/ui/LocaleText.h"
#include "locale/ui/OptionsDialog.h"
#include "report/ui/FilterDialog.h"
#include "report/ui/FilterList.h"
#include "shell/Application.h"
#include "support/Accessibility.h"
#include "support/Digests.h"
#include "support/ScriptedDesktop.h"
#include "support/TestApp.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <mutex>

using namespace tl;
using namespace tl::test;
namespace fs = std::filesystem;

namespace {

const std::string TextTemplate = "[General]\n"
                                 "TPLVersion=1\nTPLCompatibility=1\nType=AlbumList\n"
                                 "Description=One line%nper album\n"
                                 "Author=The tests\n"
                                 "FileExtension=txt\n"
                                 "SortBy=Artist\n"
                                 "[Item]\nItem=%Artist% - %Album% (%Year%)%n\n";

const std::string HtmlTemplate = "[General]\n"
                                 "TPLVersion=1\nTPLCompatibility=1\nType=AlbumList\n"
                                 "FileExtension=html\n"
                                 "SortBy=Artist\n"
                                 "[Document]\nStart=<html><body><table>%n\n"
                                 "End=</table></body></html>%n\n"
                                 "[Item]\nItem=<tr><td>%Artist%</td><td>%Album%</td></tr>%n\n";

// The report job held at its first progress of one stage until the test lets it go on
// (or cancels it), so that a test can act while the report is at that point.
class HeldReportJob : public ReportJob {
public:
    HeldReportJob(ReportRequest request, int stage)
        : ReportJob(std::move(request)), m_stage(stage) {}
    ~HeldReportJob() override { stop(); }

    bool held() const { return m_held.load(); }
    void release() {
        std::lock_guard lock(m_mutex);
        m_released = true;
        m_changed.notify_all();
    }

protected:
    JobResult run(JobContext& context) override {
        Holding holding(*this, context);
        return ReportJob::run(holding);
    }

private:
    class Holding : public JobContext {
    public:
        Holding(HeldReportJob& job, JobContext& outer) : m_job(job), m_outer(outer) {}
        void progress(const JobProgress& p) override {
            m_outer.progress(p);
            if (p.stage == m_job.m_stage && !m_job.m_held.exchange(true)) {
                std::unique_lock lock(m_job.m_mutex);
                m_job.m_changed.wait(lock, [this] { return m_job.m_released; });
            }
        }
        void log(Message message) override { m_outer.log(std::move(message)); }
        std::optional<JobAnswer> ask(JobQuestion question) override {
            return m_outer.ask(std::move(question));
        }
        void started() override { m_outer.started(); }
        const std::atomic<bool>& cancelFlag() const override { return m_outer.cancelFlag(); }

    private:
        HeldReportJob& m_job;
        JobContext& m_outer;
    };

    const int m_stage;
    std::atomic<bool> m_held{false};
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_released = false;
};

// The program with its windows in a folder of its own: a digest "Rock.Classics.sdd" of three
// albums in db/, the templates "list.tpl" (text) and "page.tpl" (HTML), and reports/.
class ReportWizardTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(dir.path() + "db");
        fs::create_directories(dir.path() + "reports");
        digest = dir.path() + "db/Rock.Classics.sdd";
        ASSERT_TRUE(writeDigestFile(digest, {albumRecord("Cedar", "Rings", "2003"),
                                             albumRecord("Amber", "Tides", "1984"),
                                             albumRecord("Blue Lake", "Northern Roads", "1991")}));
        textTemplate = dir.path() + "templates/list.tpl";
        htmlTemplate = dir.path() + "templates/page.tpl";
        writeFile(textTemplate, TextTemplate);
        writeFile(htmlTemplate, HtmlTemplate);
        app = std::make_unique<Application>(dir.path(), desktop);
        app->show();
        wizard = app->windows().reportWizard;
        ASSERT_NE(wizard, nullptr);
        wizard->setTemplatePath(textTemplate);
    }

    template <typename T = QWidget> T* child(const char* name) {
        T* widget = wizard->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    void click(const char* name) { child<QPushButton>(name)->click(); }
    QString lcl(const char* section, const char* key, std::initializer_list<LocaleArg> args = {}) {
        return localeQText(*app->context().locale, section, key, args);
    }
    QString messageOf(const Message& message) {
        return messageText(*app->context().locale, message);
    }
    // Opens the wizard as the main window does, without waiting in a modal loop; the
    // digests' chooser takes @p digests (none: the user cancels it).
    void open(bool searchMode, QStringList digests) {
        if (!digests.isEmpty())
            desktop.filesToOpen.push_back({digests});
        wizard->begin(searchMode);
        wizard->show();
        QCoreApplication::processEvents();
    }
    // The report is made off the window's thread: wait until the wizard is idle again.
    bool waitIdle() {
        return QTest::qWaitFor([this] { return !wizard->isBusy(); }, 20000);
    }
    bool clickAndWait(const char* name) {
        click(name);
        return waitIdle();
    }
    // From page 1 of a wizard opened with @p digests to the end of making the report, with
    // the save chooser answering @p reportPath (empty: cancelled).
    void makeReport(bool searchMode, QStringList digests, const QString& reportPath) {
        open(searchMode, std::move(digests));
        click("cmdNext");
        if (searchMode)
            click("cmdNext");
        if (!reportPath.isEmpty())
            desktop.filesToSave.push_back({reportPath});
        ASSERT_TRUE(clickAndWait("cmdNext"));
    }
    QString report(const char* name) { return pathText(dir.path() + "reports/" + name); }
    QStringList listed() {
        QStringList files;
        auto* view = child<QListView>("lstExtern");
        for (int i = 0; i < view->model()->rowCount(); ++i)
            files += view->model()->index(i, 0).data().toString();
        return files;
    }
    bool visible(const char* name) { return child(name)->isVisibleTo(wizard); }
    bool enabled(const char* name) { return child(name)->isEnabled(); }

    TestAppDir dir;
    ScriptedDesktop desktop;
    std::unique_ptr<Application> app;
    ReportWizard* wizard = nullptr;
    std::string digest;
    std::string textTemplate;
    std::string htmlTemplate;
};

} // namespace

// Plain mode goes from the digests straight to the template; search mode passes the
// conditions. Back retraces the same road.
TEST_F(ReportWizardTest, PagesFollowTheModeForwardAndBack) {
    struct Case {
        bool search;
        std::vector<int> forward;
        std::vector<int> backward;
    };
    const Case cases[] = {{false, {1, 3}, {3, 1}}, {true, {1, 2, 3}, {3, 2, 1}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.search);
        desktop.openChoosers.clear();
        open(c.search, {pathText(digest)});
        std::vector<int> pages{wizard->currentPage()};
        while (wizard->currentPage() != ReportWizard::TemplatePage) {
            click("cmdNext");
            pages.push_back(wizard->currentPage());
        }
        EXPECT_EQ(pages, c.forward);
        pages = {wizard->currentPage()};
        while (wizard->currentPage() != ReportWizard::FilesPage) {
            click("cmdBack");
            pages.push_back(wizard->currentPage());
        }
        EXPECT_EQ(pages, c.backward);
        // The digests' chooser opened once, at the start, when the list was empty.
        EXPECT_EQ(desktop.openChoosers.size(), 1u);
        wizard->hide();
    }
}

TEST_F(ReportWizardTest, CaptionAndButtonsFollowThePage) {
    // The header shows the page's caption; Back, Next, and Cancel or Close, as each page has
    // them.
    const auto expectFrame = [this](const char* captionKey, bool back, bool next, bool cancel) {
        SCOPED_TRACE(captionKey);
        EXPECT_EQ(child<QLabel>("lblCaption")->text(),
                  QStringLiteral(" ") + lcl("DialogReportWizard", captionKey));
        EXPECT_EQ(enabled("cmdBack"), back);
        EXPECT_EQ(enabled("cmdNext"), next);
        EXPECT_EQ(visible("cmdCancel"), cancel);
        EXPECT_EQ(visible("cmdClose"), !cancel);
    };
    open(true, {pathText(digest)});
    expectFrame("pageFiles", false, true, true);
    EXPECT_FALSE(enabled("cmdRemove"));
    click("cmdNext");
    expectFrame("pageFilter", true, true, true);
    click("cmdNext");
    expectFrame("pageTemplate", true, true, true);
    desktop.filesToSave.push_back({report("x.txt")});
    ASSERT_TRUE(clickAndWait("cmdNext"));
    expectFrame("pageDone", true, false, false);
    fs::remove(digest);
    ASSERT_TRUE(clickAndWait("cmdReCreate"));
    expectFrame("pageError", true, false, false);
    // The page of the source is part of the window but never shown.
    EXPECT_NE(child<QRadioButton>("rdbDigest"), nullptr);
    EXPECT_FALSE(visible("rdbDigest"));
    click("cmdClose");
    EXPECT_FALSE(wizard->isVisible());
}

TEST_F(ReportWizardTest, AnEmptyListOpensTheChooserAtOnceAndCancellingItLeavesNextDisabled) {
    open(false, {});
    ASSERT_EQ(desktop.openChoosers.size(), 1u);
    const FileChooser& chooser = desktop.openChoosers[0];
    EXPECT_TRUE(chooser.multiple);
    EXPECT_EQ(chooser.directory, pathText(dir.path() + "db/"));
    EXPECT_EQ(wizard->currentPage(), ReportWizard::FilesPage);
    EXPECT_FALSE(enabled("cmdNext"));
    desktop.filesToOpen.push_back({{pathText(digest)}});
    click("cmdAdd");
    EXPECT_TRUE(enabled("cmdNext"));
}

TEST_F(ReportWizardTest, OnlyDigestsCanBeChosenAndTheChooserStaysOpenForAnotherChoice) {
    const QString songs = pathText(dir.path() + "db/Rock.sds");
    const QString upper = pathText(dir.path() + "db/POP.SDD");
    desktop.filesToOpen.push_back({{songs, pathText(digest)}, {pathText(digest), upper}});
    open(false, {});
    ASSERT_EQ(desktop.shown.size(), 1u);
    EXPECT_EQ(desktop.shown[0].icon, MessageIcon::Warning);
    EXPECT_EQ(desktop.shown[0].text, lcl("DialogReportWizard", "UnsupportedFormat"));
    EXPECT_EQ(desktop.refused, QStringList({songs, pathText(digest)}));
    EXPECT_EQ(listed(), QStringList({pathText(digest), upper}));
}

TEST_F(ReportWizardTest, ADigestMayBeListedTwiceAndDeleteRemovesTheSelectedOnes) {
    const QString other = pathText(dir.path() + "db/Jazz.sdd");
    open(false, {pathText(digest), other});
    desktop.filesToOpen.push_back({{pathText(digest)}});
    click("cmdAdd");
    EXPECT_EQ(listed(), QStringList({pathText(digest), other, pathText(digest)}));

    auto* view = child<QListView>("lstExtern");
    view->setFocus();
    view->selectionModel()->select(view->model()->index(0, 0), QItemSelectionModel::Select);
    EXPECT_TRUE(enabled("cmdRemove"));
    view->selectionModel()->select(view->model()->index(2, 0), QItemSelectionModel::Select);
    QTest::keyClick(view, Qt::Key_Delete);
    EXPECT_EQ(listed(), QStringList({other}));
    EXPECT_FALSE(enabled("cmdRemove"));

    // Delete acts in the file list only.
    click("cmdNext");
    QTest::keyClick(wizard, Qt::Key_Delete);
    click("cmdBack");
    EXPECT_EQ(listed(), QStringList({other}));
    view->selectionModel()->select(view->model()->index(0, 0), QItemSelectionModel::Select);
    click("cmdRemove");
    EXPECT_TRUE(listed().isEmpty());
    EXPECT_FALSE(enabled("cmdNext"));
}

TEST_F(ReportWizardTest, TemplatePageShowsNameDescriptionAndAuthor) {
    open(false, {pathText(digest)});
    click("cmdNext");
    EXPECT_EQ(child<QLineEdit>("edtDir")->text(), QStringLiteral("list"));
    EXPECT_EQ(child<QPlainTextEdit>("mmoTemplateInfo")->toPlainText(),
              QStringLiteral("One line\nper album"));
    EXPECT_EQ(child<QPlainTextEdit>("mmoAuthor")->toPlainText(), QStringLiteral("The tests"));
    EXPECT_TRUE(enabled("cmdNext"));
    EXPECT_TRUE(desktop.shown.empty());

    // Another template, chosen in the templates folder, is kept for the whole run.
    desktop.filesToOpen.push_back({{pathText(htmlTemplate)}});
    click("cmdChangeDir");
    ASSERT_EQ(desktop.openChoosers.size(), 2u);
    EXPECT_EQ(desktop.openChoosers[1].directory, pathText(dir.path() + "templates/"));
    EXPECT_FALSE(desktop.openChoosers[1].multiple);
    EXPECT_EQ(child<QLineEdit>("edtDir")->text(), QStringLiteral("page"));
    EXPECT_EQ(child<QPlainTextEdit>("mmoTemplateInfo")->toPlainText(), QString());
    EXPECT_EQ(wizard->templatePath(), htmlTemplate);
}

TEST_F(ReportWizardTest, AMissingTemplateDisablesNextWithAWarning) {
    wizard->setTemplatePath(dir.path() + "templates/gone.tpl");
    open(false, {pathText(digest)});
    click("cmdNext");
    ASSERT_EQ(wizard->currentPage(), ReportWizard::TemplatePage);
    EXPECT_FALSE(enabled("cmdNext"));
    ASSERT_EQ(desktop.shown.size(), 1u);
    EXPECT_EQ(desktop.shown[0].icon, MessageIcon::Warning);
    EXPECT_EQ(desktop.shown[0].text, lcl("Report", "TemplateMissingErr"));
    desktop.filesToOpen.push_back({{pathText(textTemplate)}});
    click("cmdChangeDir");
    EXPECT_TRUE(enabled("cmdNext"));
    EXPECT_EQ(desktop.shown.size(), 1u);
}

TEST_F(ReportWizardTest, TheReportIsProposedInReportsWithTheDigestsNameAndShownWhenMade) {
    wizard->setTemplatePath(htmlTemplate);
    makeReport(false, {pathText(digest)}, report("Rock.html"));
    ASSERT_EQ(desktop.saveChoosers.size(), 1u);
    const FileChooser& save = desktop.saveChoosers[0];
    EXPECT_EQ(save.proposedName, QStringLiteral("Rock.html"));
    EXPECT_EQ(save.directory, pathText(dir.path() + "reports/"));
    EXPECT_EQ(save.defaultSuffix, QStringLiteral("html"));
    EXPECT_EQ(save.filters.value(0), QStringLiteral("*.html"));
    EXPECT_TRUE(save.confirmOverwrite);

    ASSERT_EQ(wizard->currentPage(), ReportWizard::DonePage);
    const std::string written = readFile(dir.path() + "reports/Rock.html");
    EXPECT_NE(written.find("<tr><td>Amber</td><td>Tides</td></tr>\r\n"), std::string::npos);
    // The preview renders the HTML: the albums in the order of the report, no tags.
    const QString preview = child<QTextBrowser>("txtPreview")->toPlainText();
    EXPECT_LT(preview.indexOf(QStringLiteral("Amber")), preview.indexOf(QStringLiteral("Cedar")));
    EXPECT_GE(preview.indexOf(QStringLiteral("Amber")), 0);
    EXPECT_FALSE(preview.contains(QStringLiteral("<td>")));
    EXPECT_TRUE(desktop.opened.isEmpty()); // autoOpen is off
    click("cmdOpen");
    EXPECT_EQ(desktop.opened, QStringList({report("Rock.html")}));
    expectEveryControlNamed(wizard);
}

TEST_F(ReportWizardTest, SeveralDigestsAreProposedUnderTheDefaultReportName) {
    const QString jazz = pathText(dir.path() + "db/Jazz.sdd");
    ASSERT_TRUE(writeDigestFile(pathBytes(jazz), {albumRecord("Dune", "Sand", "1977")}));
    makeReport(false, {pathText(digest), jazz}, report("all.txt"));
    ASSERT_EQ(desktop.saveChoosers.size(), 1u);
    EXPECT_EQ(desktop.saveChoosers[0].proposedName,
              lcl("Report", "DefaultReportName") + QStringLiteral(".txt"));
    EXPECT_EQ(readFile(dir.path() + "reports/all.txt"),
              "Amber - Tides (1984)\r\nBlue Lake - Northern Roads (1991)\r\n"
              "Cedar - Rings (2003)\r\nDune - Sand (1977)\r\n");
    // A plain text report is previewed as it is.
    EXPECT_TRUE(child<QTextBrowser>("txtPreview")
                    ->toPlainText()
                    .startsWith(QStringLiteral("Amber - Tides (1984)\nBlue Lake")));
}

TEST_F(ReportWizardTest, AutoOpenOpensTheReportJustMade) {
    app->context().settings->autoOpen = true;
    makeReport(false, {pathText(digest)}, report("Rock.txt"));
    EXPECT_EQ(wizard->currentPage(), ReportWizard::DonePage);
    EXPECT_EQ(desktop.opened, QStringList({report("Rock.txt")}));
}

TEST_F(ReportWizardTest, CancellingTheSaveChooserStaysOnTheTemplatePageWithoutAMessage) {
    makeReport(false, {pathText(digest)}, QString());
    EXPECT_EQ(wizard->currentPage(), ReportWizard::TemplatePage);
    EXPECT_TRUE(desktop.shown.empty());
    EXPECT_TRUE(enabled("cmdNext"));
    EXPECT_TRUE(enabled("cmdBack"));
    EXPECT_TRUE(wizard->reportPath().empty());
    EXPECT_FALSE(fs::exists(dir.path() + "reports/Rock.txt"));
}

// Every failure of making the report ends on the error page, with its reason.
TEST_F(ReportWizardTest, EveryFailureEndsOnTheErrorPageWithItsMessage) {
    const std::string tpl = dir.path() + "templates/case.tpl";
    const std::string general = "[General]\nTPLVersion=1\nTPLCompatibility=1\nType=AlbumList\n";
    const std::string item = "[Item]\nItem=%Artist%%n\n";
    struct Case {
        const char* what;
        std::string templateText; // empty: the template is removed after page 3
        std::function<void()> before;
        QString reportPath;
        Message message;
    };
    const std::string missingDigest = dir.path() + "db/Gone.sdd";
    const std::vector<Case> cases{
        {"digest removed", general + item, [&] { fs::remove(missingDigest); }, report("x.txt"),
         makeMessage("General", "UnsupportedFile", Severity::Error, {missingDigest})},
        {"empty digest", general + item, [&] { ASSERT_TRUE(writeDigestFile(missingDigest, {})); },
         report("x.txt"), makeMessage("Report", "LoadEmpty", Severity::Error)},
        {"template removed", "", [&] { fs::remove(tpl); }, report("x.txt"),
         makeMessage("Report", "TemplateMissingErr", Severity::Error)},
        {"template too new", "[General]\nTPLVersion=2\nTPLCompatibility=2\nType=AlbumList\n" + item,
         nullptr, report("x.txt"), makeMessage("Report", "TemplateVersionErr", Severity::Error)},
        {"template not valid", general + "GroupBy=Art\n" + item, nullptr, report("x.txt"),
         makeMessage("Report", "LoadTemplateErr", Severity::Error, {std::string("GroupBy")})},
        {"unknown field", general + "[Item]\nItem=ab%Nonsense%\n", nullptr, report("x.txt"),
         makeMessage("Report", "FieldErr", Severity::Error,
                     {std::string("Item:Nonsense"), std::int64_t{3}})},
        {"placeholder not closed", general + "[Item]\nItem=ab%Artist\n", nullptr, report("x.txt"),
         makeMessage("Report", "EolErr", Severity::Error, {std::string("Item"), std::int64_t{9}})},
        {"include missing", general + "Include=none.txt\n[Item]\nItem=%i\n", nullptr,
         report("x.txt"), makeMessage("Report", "LinkErr", Severity::Error)},
        {"copy missing", general + "Copy=none.css\n" + item, nullptr, report("x.txt"),
         makeMessage("Report", "CopyErr", Severity::Error)},
        {"report folder missing", general + item, nullptr, pathText(dir.path() + "nowhere/x.txt"),
         makeMessage("Report", "GenericErr", Severity::Error)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(writeDigestFile(missingDigest, {albumRecord("Amber", "Tides", "1984")}));
        writeFile(tpl, c.templateText.empty() ? general + item : c.templateText);
        wizard->setTemplatePath(tpl);
        desktop.shown.clear();
        open(false, {pathText(missingDigest)});
        click("cmdNext");
        ASSERT_EQ(wizard->currentPage(), ReportWizard::TemplatePage);
        if (c.before)
            c.before();
        desktop.filesToSave.push_back({c.reportPath});
        ASSERT_TRUE(clickAndWait("cmdNext"));
        EXPECT_EQ(wizard->currentPage(), ReportWizard::ErrorPage);
        EXPECT_EQ(child<QLabel>("lblError")->text(), messageOf(c.message));
        EXPECT_TRUE(child<QLabel>("lblError")->wordWrap());
        EXPECT_TRUE(visible("cmdClose"));
        EXPECT_FALSE(enabled("cmdNext"));
        EXPECT_TRUE(desktop.shown.empty());
        wizard->hide();
        desktop.filesToSave.clear();
    }
}

TEST_F(ReportWizardTest, ReCreateRewritesTheSameFileWithoutAsking) {
    makeReport(false, {pathText(digest)}, report("Rock.txt"));
    ASSERT_EQ(wizard->currentPage(), ReportWizard::DonePage);
    ASSERT_TRUE(writeDigestFile(digest, {albumRecord("Zinc", "Late", "2020")}));
    ASSERT_TRUE(clickAndWait("cmdReCreate"));
    EXPECT_EQ(wizard->currentPage(), ReportWizard::DonePage);
    EXPECT_EQ(desktop.saveChoosers.size(), 1u);
    EXPECT_EQ(readFile(dir.path() + "reports/Rock.txt"), "Zinc - Late (2020)\r\n");
    EXPECT_TRUE(
        child<QTextBrowser>("txtPreview")->toPlainText().startsWith(QStringLiteral("Zinc")));

    // A failed re-creation goes to the error page; Retry, once the fault is gone, writes the
    // same file again, still without asking.
    fs::remove(digest);
    ASSERT_TRUE(clickAndWait("cmdReCreate"));
    EXPECT_EQ(wizard->currentPage(), ReportWizard::ErrorPage);
    ASSERT_TRUE(writeDigestFile(digest, {albumRecord("Oak", "Leaves", "1999")}));
    ASSERT_TRUE(clickAndWait("cmdRetry"));
    EXPECT_EQ(wizard->currentPage(), ReportWizard::DonePage);
    EXPECT_EQ(desktop.saveChoosers.size(), 1u);
    EXPECT_EQ(readFile(dir.path() + "reports/Rock.txt"), "Oak - Leaves (1999)\r\n");
}

TEST_F(ReportWizardTest, RetryAsksForTheNameWhenNoneWasChosenYet) {
    const std::string empty = dir.path() + "db/Empty.sdd";
    ASSERT_TRUE(writeDigestFile(empty, {}));
    makeReport(false, {pathText(empty)}, report("never.txt"));
    ASSERT_EQ(wizard->currentPage(), ReportWizard::ErrorPage);
    EXPECT_TRUE(desktop.saveChoosers.empty());
    ASSERT_TRUE(writeDigestFile(empty, {albumRecord("Amber", "Tides", "1984")}));
    ASSERT_TRUE(clickAndWait("cmdRetry"));
    EXPECT_EQ(desktop.saveChoosers.size(), 1u);
    EXPECT_EQ(wizard->currentPage(), ReportWizard::DonePage);
    EXPECT_EQ(readFile(dir.path() + "reports/never.txt"), "Amber - Tides (1984)\r\n");
}

// Cancel while the report is written stops the job; the earlier report of that name stays.
// A sort order changed in the options is used by the next report, without a restart.
TEST_F(ReportWizardTest, TheNextReportSortsAsTheOptionsNowSay) {
    makeReport(false, {pathText(digest)}, report("Rock.txt"));
    EXPECT_EQ(readFile(dir.path() + "reports/Rock.txt"),
              "Amber - Tides (1984)\r\nBlue Lake - Northern Roads (1991)\r\n"
              "Cedar - Rings (2003)\r\n");
    wizard->hide();

    OptionsDialog* options = app->windows().options;
    options->show();
    options->findChild<QLineEdit*>(QStringLiteral("edtSortTable"))->setText(QStringLiteral("cba"));
    options->findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
    ASSERT_FALSE(options->isVisible());

    makeReport(false, {pathText(digest)}, report("Rock.txt"));
    EXPECT_EQ(readFile(dir.path() + "reports/Rock.txt"),
              "Cedar - Rings (2003)\r\nBlue Lake - Northern Roads (1991)\r\n"
              "Amber - Tides (1984)\r\n");
}

TEST_F(ReportWizardTest, CancelWhileWritingKeepsTheEarlierReport) {
    writeFile(dir.path() + "reports/Rock.txt", "earlier report");
    HeldReportJob* job = nullptr;
    wizard->setJobFactory([&job](ReportRequest request) {
        auto made = std::make_unique<HeldReportJob>(std::move(request), ReportWriting);
        job = made.get();
        return made;
    });
    open(false, {pathText(digest)});
    click("cmdNext");
    desktop.filesToSave.push_back({report("Rock.txt")});
    click("cmdNext");
    ASSERT_TRUE(wizard->isBusy());
    EXPECT_FALSE(enabled("cmdNext"));
    EXPECT_FALSE(enabled("cmdBack"));
    EXPECT_TRUE(enabled("cmdCancel"));
    EXPECT_TRUE(visible("prgReport"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return job->held(); }, 20000)); // writing, held back
    ASSERT_EQ(desktop.saveChoosers.size(), 1u);
    click("cmdCancel");
    EXPECT_TRUE(wizard->isVisible()); // Cancel stops the job; it does not close the window
    job->release();
    ASSERT_TRUE(waitIdle());
    // The user's own stop is no failure: the wizard stays where it was and says, as news,
    // that the earlier report is kept.
    EXPECT_EQ(wizard->currentPage(), ReportWizard::TemplatePage);
    ASSERT_EQ(desktop.shown.size(), 1u);
    EXPECT_EQ(desktop.shown[0].icon, MessageIcon::Information);
    EXPECT_EQ(desktop.shown[0].text, lcl("Report", "Cancelled"));
    EXPECT_TRUE(enabled("cmdNext"));
    EXPECT_FALSE(visible("prgReport"));
    EXPECT_EQ(readFile(dir.path() + "reports/Rock.txt"), "earlier report");
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(dir.path() + "reports"))
        left.push_back(entry.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{"Rock.txt"});
    // Cancel now closes.
    click("cmdCancel");
    EXPECT_FALSE(wizard->isVisible());
}

TEST_F(ReportWizardTest, CancelWhileReadingTheDigestsAsksForNoName) {
    HeldReportJob* job = nullptr;
    wizard->setJobFactory([&job](ReportRequest request) {
        auto made = std::make_unique<HeldReportJob>(std::move(request), ReportLoading);
        job = made.get();
        return made;
    });
    open(false, {pathText(digest)});
    click("cmdNext");
    desktop.filesToSave.push_back({report("Rock.txt")});
    click("cmdNext");
    ASSERT_TRUE(QTest::qWaitFor([&] { return job->held(); }, 20000)); // reading, held back
    QTest::keyClick(wizard, Qt::Key_Escape);                          // as Cancel
    EXPECT_TRUE(wizard->isVisible());
    job->release();
    ASSERT_TRUE(waitIdle());
    EXPECT_TRUE(desktop.saveChoosers.empty());
    EXPECT_EQ(wizard->currentPage(), ReportWizard::TemplatePage);
    ASSERT_EQ(desktop.shown.size(), 1u);
    EXPECT_EQ(desktop.shown[0].icon, MessageIcon::Information);
    EXPECT_EQ(desktop.shown[0].text, lcl("Report", "Cancelled"));
}

TEST_F(ReportWizardTest, ThePreviewShowsTheBeginningOfALargeReport) {
    std::vector<Fields> albums;
    for (int i = 0; i < 12000; ++i)
        albums.push_back(albumRecord("Artist " + std::to_string(10000 + i), "Album", "2001"));
    ASSERT_TRUE(writeDigestFile(digest, albums));
    makeReport(false, {pathText(digest)}, report("big.txt"));
    ASSERT_EQ(wizard->currentPage(), ReportWizard::DonePage);
    const auto size = fs::file_size(dir.path() + "reports/big.txt");
    ASSERT_GT(size, std::uintmax_t(ReportWizard::PreviewBytes));
    // The first 256 KiB of the file, line ends shown as line breaks.
    std::string head =
        readFile(dir.path() + "reports/big.txt").substr(0, ReportWizard::PreviewBytes);
    std::erase(head, '\r');
    const QString preview = child<QTextBrowser>("txtPreview")->toPlainText();
    EXPECT_TRUE(preview.startsWith(QStringLiteral("Artist 10000 - Album (2001)\nArtist 10001")));
    EXPECT_TRUE(preview.startsWith(QString::fromStdString(head.substr(0, head.size() - 40))));
    EXPECT_NEAR(double(preview.size()), double(head.size()), 2.0);
    EXPECT_EQ(child<QGroupBox>("grpPreview")->title(),
              lcl("DialogReportWizard", "PreviewPart", {256}));
}

TEST(ReportBeginning, ReadsAtMostTheLimitAndSaysWhetherItWasCut) {
    TempDir dir;
    writeFile(dir.file("short.txt"), "abc");
    writeFile(dir.file("long.txt"), std::string(100, 'x'));
    const ReportBeginning whole = ReportWizard::readBeginning(dir.file("short.txt"), 10);
    EXPECT_TRUE(whole.read);
    EXPECT_FALSE(whole.cut);
    EXPECT_EQ(whole.bytes, QByteArray("abc"));
    const ReportBeginning part = ReportWizard::readBeginning(dir.file("long.txt"), 10);
    EXPECT_TRUE(part.cut);
    EXPECT_EQ(part.bytes.size(), 10);
    EXPECT_FALSE(ReportWizard::readBeginning(dir.file("none.txt")).read);
}

// In search mode the conditions of the list decide which albums enter the report; the first
// condition's connective cannot be chosen.
TEST_F(ReportWizardTest, SearchConditionsNarrowTheReport) {
    FilterDialog* filter = app->windows().filter;
    auto fillIn = [&](int field, int op, int connective, const char* value,
                      bool* connectiveEnabled) {
        QTimer::singleShot(0, filter, [=] {
            auto* condition = filter->findChild<QComboBox*>(QStringLiteral("lstCondition"));
            *connectiveEnabled = condition->isEnabled();
            condition->setCurrentIndex(connective);
            filter->findChild<QComboBox*>(QStringLiteral("lstField"))->setCurrentIndex(field);
            filter->findChild<QComboBox*>(QStringLiteral("lstOperator"))->setCurrentIndex(op);
            filter->findChild<QLineEdit*>(QStringLiteral("edtValue"))
                ->setText(QString::fromUtf8(value));
            filter->findChild<QPushButton*>(QStringLiteral("cmdOk"))->click();
        });
    };
    open(true, {pathText(digest)});
    click("cmdNext");
    ASSERT_EQ(wizard->currentPage(), ReportWizard::FilterPage);
    EXPECT_FALSE(enabled("cmdEditFilter"));
    EXPECT_FALSE(enabled("cmdRemoveFilter"));
    EXPECT_FALSE(visible("cmdMoveUpFilter"));
    EXPECT_FALSE(visible("cmdMoveDownFilter"));
    bool firstConnective = true;
    bool secondConnective = false;
    fillIn(3, 4, 0, "1990", &firstConnective); // Year at least 1990
    click("cmdAddFilter");
    fillIn(1, 0, 1, "am", &secondConnective); // or Artist begins with "am"
    click("cmdAddFilter");
    EXPECT_FALSE(firstConnective);
    EXPECT_TRUE(secondConnective);
    auto* list = child<FilterListView>("lstFilters");
    ASSERT_EQ(list->filterModel()->size(), 2);
    EXPECT_EQ(list->model()->index(0, 0).data().toString(), QString());
    EXPECT_EQ(list->model()->index(1, 0).data().toString(), lcl("DialogFilter", "OR"));
    EXPECT_EQ(list->model()->index(1, 3).data().toString(), QStringLiteral("am"));

    click("cmdNext");
    desktop.filesToSave.push_back({report("found.txt")});
    ASSERT_TRUE(clickAndWait("cmdNext"));
    EXPECT_EQ(readFile(dir.path() + "reports/found.txt"),
              "Amber - Tides (1984)\r\nBlue Lake - Northern Roads (1991)\r\n"
              "Cedar - Rings (2003)\r\n");

    // Narrowed: Year at least 1990 and Artist begins with "c"; Enter edits the second.
    click("cmdBack");
    click("cmdBack");
    list->selectRow(1);
    fillIn(1, 0, 0, "c", &secondConnective);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_TRUE(secondConnective);
    EXPECT_EQ(list->model()->index(1, 0).data().toString(),
              lcl("DialogFilter", "AND").prepend(QStringLiteral("  ")));
    click("cmdNext");
    desktop.filesToSave.push_back({report("found.txt")});
    ASSERT_TRUE(clickAndWait("cmdNext"));
    EXPECT_EQ(readFile(dir.path() + "reports/found.txt"), "Cedar - Rings (2003)\r\n");

    // A search that finds nothing ends on the error page.
    click("cmdBack");
    click("cmdBack");
    list->selectRow(0);
    EXPECT_TRUE(enabled("cmdRemoveFilter"));
    click("cmdRemoveFilter");
    fillIn(1, 2, 0, "Nobody", &secondConnective);
    click("cmdAddFilter");
    click("cmdNext");
    ASSERT_TRUE(clickAndWait("cmdNext"));
    EXPECT_EQ(wizard->currentPage(), ReportWizard::ErrorPage);
    EXPECT_EQ(child<QLabel>("lblError")->text(), lcl("Report", "LoadEmpty"));

    // Opening the wizard again starts with no conditions.
    wizard->hide();
    open(true, {pathText(digest)});
    EXPECT_EQ(list->filterModel()->size(), 0);
}

TEST_F(ReportWizardTest, EveryPageCanBeReadByAScreenReader) {
    open(true, {pathText(digest)});
    for (int page = ReportWizard::FilesPage; page <= ReportWizard::ErrorPage; ++page) {
        child<QStackedWidget>("ntbWizard")->setCurrentIndex(page);
        expectEveryControlNamed(wizard);
    }
}
