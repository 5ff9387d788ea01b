#include "shell/Application.h"

#include "digest/ui/DigestPrompt.h"
#include "locale/Profile.h"
#include "locale/ui/OptionsDialog.h"
#include "report/ui/FilterDialog.h"
#include "report/ui/ReportWizard.h"
#include "scan/ui/ScanWindow.h"
#include "shell/AboutBox.h"
#include "shell/MainWindow.h"
#include "support/Accessibility.h"
#include "support/ScriptedDesktop.h"
#include "support/TestApp.h"

#include <QAction>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <filesystem>

using namespace tl;
using namespace tl::test;
namespace fs = std::filesystem;

namespace {

QString actionText(const Application& app, const char* name) {
    const auto* action = app.windows().main->findChild<QAction*>(QString::fromLatin1(name));
    return action ? action->text() : QStringLiteral("(no action)");
}

QString lclText(const std::string& file, const char* section, const char* key) {
    const auto profile = Profile::load(file);
    return profile ? QString::fromStdString(std::string(*profile->find(section, key))) : QString();
}

} // namespace

// The four outcomes of the language check at start-up: which box, with which icon, and
// whether the program goes on.
TEST(ApplicationStartUp, LanguageFilesDecideTheFirstMessageAndWhetherTheProgramGoesOn) {
    struct Case {
        const char* what;
        bool keepLocale, keepDefault;
        std::string localeText; // replaces locale.lcl when not empty
        std::vector<MessageIcon> icons;
        const char* messageKey; // General/<key>, or nullptr for the fatal text
        bool goesOn;
    };
    const std::vector<Case> cases{
        {"both files usable", true, true, "", {}, nullptr, true},
        {"locale.lcl missing", false, true, "", {MessageIcon::Warning}, "MissingLocale", true},
        {"locale.lcl too new",
         true,
         true,
         "[General]\nLCLVersion=2\nLCLCompatibility=2\n",
         {MessageIcon::Warning},
         "IncompatibleLocale",
         true},
        {"neither file", false, false, "", {MessageIcon::Error}, nullptr, false},
        {"locale.lcl without version, default.lcl missing",
         true,
         false,
         "[General]\nLanguage=X\n",
         {MessageIcon::Error},
         nullptr,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestAppDir dir;
        if (!c.keepLocale)
            fs::remove(dir.file("locale.lcl"));
        if (!c.localeText.empty())
            writeFile(dir.file("locale.lcl"), c.localeText);
        const std::string defaultLcl = dir.file("default.lcl");
        const QString expected =
            c.messageKey ? lclText(defaultLcl, "General", c.messageKey) : QString();
        if (!c.keepDefault)
            fs::remove(defaultLcl);
        ScriptedDesktop desktop;
        Application app(dir.path(), desktop);
        QSignalSpy ended(&app, &Application::endRequested);
        app.show();
        ASSERT_TRUE(app.isStarted());
        std::vector<MessageIcon> icons;
        for (const auto& shown : desktop.shown)
            icons.push_back(shown.icon);
        EXPECT_EQ(icons, c.icons);
        if (c.messageKey) {
            EXPECT_EQ(desktop.shown.at(0).text, expected);
        } else if (!c.icons.empty()) {
            EXPECT_EQ(desktop.shown.at(0).text, QStringLiteral("Missing or incompatible locales"));
        }
        EXPECT_EQ(ended.count(), c.goesOn ? 0 : 1);
        EXPECT_EQ(app.isEnding(), !c.goesOn);
        if (c.goesOn) {
            EXPECT_EQ(actionText(app, "tbScan"), lclText(defaultLcl, "DialogMain", "Scan"));
        }
    }
}

TEST(ApplicationStartUp, TheLanguageSettingNamesThePrimaryFileAndTheRoutineRunsOnce) {
    TestAppDir dir;
    writeFile(dir.file("locale.lcl"), "this file must not be read");
    writeFile(dir.file("Tunelister.ini"), "[Settings]\nLCL=" + dir.file("cs.lcl") + "\n");
    ScriptedDesktop desktop;
    Application app(dir.path(), desktop);
    app.show();
    EXPECT_TRUE(desktop.shown.empty());
    EXPECT_EQ(actionText(app, "tbScan"), lclText(dir.file("cs.lcl"), "DialogMain", "Scan"));
    EXPECT_EQ(app.context().locale->primaryPath(), dir.file("cs.lcl"));
    // The Czech defaults of collation come from the language until the first save.
    EXPECT_TRUE(app.context().settings->useCh);
    app.windows().main->hide();
    app.windows().main->show();
    app.startUp();
    EXPECT_TRUE(desktop.shown.empty());
}

// The wizard offers the template used last only while it is to be remembered.
TEST(ApplicationStartUp, TheReportTemplateIsTheRememberedOneOrTheLanguages) {
    const struct {
        const char* ini;
        bool remembered;
    } cases[] = {
        {"", false},
        {"[Settings]\ndigestTemplate=/x/mine.tpl\n", false},
        {"[Settings]\nrememberTemplate=0\ndigestTemplate=/x/mine.tpl\n", false},
        {"[Settings]\nrememberTemplate=1\ndigestTemplate=/x/mine.tpl\n", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ini);
        TestAppDir dir;
        writeFile(dir.file("Tunelister.ini"), c.ini);
        ScriptedDesktop desktop;
        Application app(dir.path(), desktop);
        app.show();
        const std::string expected =
            c.remembered
                ? std::string("/x/mine.tpl")
                : dir.path() + "templates/" +
                      lclText(dir.file("default.lcl"), "General", "DefaultTemplate").toStdString();
        EXPECT_EQ(app.windows().reportWizard->templatePath(), expected);
    }
}

// Closing and Exit save the settings (the template in use, which is to be remembered,
// among them); an end asked for elsewhere saves nothing.
TEST(ApplicationEnd, ClosingAndExitSaveTheSettingsOtherEndsDoNot) {
    enum class Road { Close, Exit, WithoutSaving };
    for (const Road road : {Road::Close, Road::Exit, Road::WithoutSaving}) {
        SCOPED_TRACE(static_cast<int>(road));
        TestAppDir dir;
        writeFile(dir.file("Tunelister.ini"), "[Settings]\nrememberTemplate=1\n");
        ScriptedDesktop desktop;
        Application app(dir.path(), desktop);
        QSignalSpy ended(&app, &Application::endRequested);
        app.show();
        app.windows().reportWizard->setTemplatePath("/chosen/albums.tpl");
        switch (road) {
        case Road::Close:
            app.windows().main->close();
            break;
        case Road::Exit:
            app.windows().main->exitProgram();
            break;
        case Road::WithoutSaving:
            app.endWithoutSaving();
            break;
        }
        const auto saved = Profile::load(dir.file("Tunelister.ini"));
        ASSERT_TRUE(saved);
        EXPECT_EQ(saved->find("Settings", "autoOpen").has_value(), road != Road::WithoutSaving);
        EXPECT_EQ(saved->getString("Settings", "digestTemplate", "", 2047),
                  road != Road::WithoutSaving ? "/chosen/albums.tpl" : "");
        EXPECT_EQ(ended.count(), road == Road::Close ? 0 : 1);
    }
}

TEST(ApplicationStartUp, EveryWindowCanBeReadByAScreenReaderAfterStartUp) {
    TestAppDir dir;
    ScriptedDesktop desktop;
    Application app(dir.path(), desktop);
    app.show();
    const Windows& w = app.windows();
    for (QWidget* window : std::initializer_list<QWidget*>{
             w.main, w.options, w.about, w.scan, w.digestPrompt, w.reportWizard, w.filter})
        expectEveryControlNamed(window);
}
