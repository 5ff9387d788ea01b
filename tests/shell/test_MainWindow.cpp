#include "shell/MainWindow.h"

#include "frontend/FrontEnd.h"
#include "locale/Profile.h"
#include "platform/Volumes.h"
#include "platform/ui/QtDesktop.h"
#include "platform/ui/WindowText.h"
#include "scan/ui/ScanWindow.h"
#include "shell/AboutBox.h"
#include "shell/Application.h"
#include "support/Accessibility.h"
#include "support/ScriptedDesktop.h"
#include "support/TestApp.h"
#include "support/UiSteps.h"

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <filesystem>

using namespace tl;
using namespace tl::test;
namespace fs = std::filesystem;

namespace {

const char* const Buttons[] = {"tbScan",      "tbDigest", "tbReport", "tbSearch", "tbOptions",
                               "tbGenerator", "tbHelp",   "tbAbout",  "tbExit"};

QString lclText(const std::string& file, const char* section, const char* key) {
    const auto profile = Profile::load(file);
    return profile ? QString::fromStdString(std::string(*profile->find(section, key))) : QString();
}

// The program in a copy of the application folder, started as the desktop starts it.
struct RunningProgram {
    TestAppDir dir;
    ScriptedDesktop desktop;
    std::unique_ptr<Application> app;

    void start() {
        app = std::make_unique<Application>(dir.path(), desktop);
        app->show();
    }
    MainWindow& main() { return *app->windows().main; }
    QAction* action(const char* name) {
        return main().findChild<QAction*>(QString::fromLatin1(name));
    }
    QToolButton* button(const char* name) {
        return main().findChild<QToolButton*>(QString::fromLatin1(name));
    }
    QString text(const char* section, const char* key) {
        return lclText(dir.file("default.lcl"), section, key);
    }
};

} // namespace

// The scan command from the folder chooser to the scan window: what is asked, what is
// refused with which message, and what the scan is started with.
TEST(MainWindowScan, ChoosersRefusalsAndTheScanStarted) {
    struct Case {
        const char* what;
        std::string folder; // "" cancels; "<tmp>" a folder of the test's
        std::vector<const char*> tries;
        int warnings;         // SDSRequired shown
        bool notReady;        // Scan/NotReady shown
        const char* baseName; // the scan's, or "" when no scan starts
        bool saveAsked = true;
    };
    const std::vector<Case> cases{
        {"folder chooser cancelled", "", {}, 0, false, "", false},
        {"folder cannot be examined", "/no/such/folder/here", {}, 0, true, "", false},
        {"save chooser cancelled", "<tmp>", {}, 0, false, ""},
        {"plain name", "<tmp>", {"Music"}, 0, false, "Music"},
        {"name with a dot", "<tmp>", {"my.list"}, 0, false, "my.list"},
        {"digest names refused, the chooser stays open",
         "<tmp>",
         {"music.sdd", "MUSIC.SDD", "music.Sdd"},
         2,
         false,
         "music.Sdd"},
        {"every try refused, then cancelled", "<tmp>", {"a.sdd"}, 1, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RunningProgram p;
        p.start();
        const QString db = pathText(p.app->context().folders.songDatabases());
        const QString folder =
            pathText(c.folder == "<tmp>" ? p.dir.path() + "templates" : c.folder);
        p.desktop.folders.push_back(folder);
        std::vector<QString> tries;
        for (const char* name : c.tries)
            tries.push_back(db + QString::fromUtf8(name));
        if (c.saveAsked)
            p.desktop.filesToSave.push_back(tries);
        QSignalSpy started(&p.main(), &MainWindow::scanStarting);
        // A scan that starts runs in the scan window, which is closed once the scan is done.
        ScanWindow* scan = p.app->windows().scan;
        if (*c.baseName)
            whenTrue(
                scan, [scan] { return scan->isVisible() && !scan->isBusy(); },
                [scan] { scan->accept(); });

        p.action("tbScan")->trigger();

        ASSERT_EQ(p.desktop.folderTitles.size(), 1u);
        EXPECT_EQ(p.desktop.folderTitles[0], p.text("DialogScan", "SelectDevice"));
        EXPECT_EQ(p.desktop.saveChoosers.size(), c.saveAsked ? 1u : 0u);
        std::vector<std::pair<MessageIcon, QString>> expected;
        if (c.notReady)
            expected.emplace_back(MessageIcon::Error, p.text("Scan", "NotReady"));
        for (int i = 0; i < c.warnings; ++i)
            expected.emplace_back(MessageIcon::Warning, p.text("DialogScan", "SDSRequired"));
        std::vector<std::pair<MessageIcon, QString>> shown;
        for (const auto& s : p.desktop.shown)
            shown.emplace_back(s.icon, s.text);
        EXPECT_EQ(shown, expected);
        EXPECT_EQ(p.desktop.refused.size(), c.warnings);

        if (!*c.baseName) {
            EXPECT_EQ(started.count(), 0);
            continue;
        }
        ASSERT_EQ(started.count(), 1);
        const QList<QVariant> args = started.takeFirst();
        EXPECT_EQ(args.at(0).toString(), folder);
        EXPECT_EQ(args.at(1).toString(), QString::fromUtf8(c.baseName));
        EXPECT_EQ(args.at(2).toString(), db);
    }
}

TEST(MainWindowScan, TheSaveChooserProposesTheVolumeLabelInTheCataloguesFolder) {
    RunningProgram p;
    p.start();
    const std::string folder = p.dir.path() + "templates";
    VolumeInfo volume;
    ASSERT_TRUE(identifyVolume(folder, {}, volume));
    p.desktop.folders.push_back(pathText(folder));
    p.main().scanVolume();
    ASSERT_EQ(p.desktop.saveChoosers.size(), 1u);
    const FileChooser& chooser = p.desktop.saveChoosers[0];
    EXPECT_EQ(chooser.proposedName, qText(volume.label));
    EXPECT_EQ(chooser.directory, pathText(p.app->context().folders.songDatabases()));
    EXPECT_EQ(chooser.defaultSuffix, QStringLiteral("sds"));
    EXPECT_TRUE(chooser.confirmOverwrite);
    EXPECT_TRUE(chooser.filters.join(QString()).contains(QStringLiteral("*.sds")));
}

// The program's own save chooser with the scan's refusal rule, typed into as a user would:
// a refused name leaves it open with the name still there, an accepted one closes it, and
// a name without an ending gets ".sds".
TEST(MainWindowScan, TheProgramsSaveChooserStaysOpenOnARefusedName) {
    TempDir dir;
    const QString folder = QString::fromStdString(dir.path().string());
    QtDesktop desktop(QString{});
    FileChooser chooser;
    chooser.directory = folder;
    chooser.filters = {QStringLiteral("SDS (*.sds)")};
    chooser.defaultSuffix = QStringLiteral("sds");
    QStringList offered;
    chooser.canClose = [&](const QStringList& chosen) {
        offered += chosen;
        return acceptableSongDatabaseName(pathBytes(chosen.value(0)));
    };
    QStringList typed{QStringLiteral("music.sdd"), QStringLiteral("Music")};
    std::vector<bool> openAfter;
    QString leftInField;
    std::function<void()> typeNext = [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            QTimer::singleShot(10, typeNext);
            return;
        }
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        auto* buttons = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
        ASSERT_TRUE(name && buttons);
        name->setText(typed.takeFirst());
        buttons->button(QDialogButtonBox::Save)->click();
        openAfter.push_back(dialog->isVisible());
        if (dialog->isVisible())
            leftInField = name->text();
        if (!typed.isEmpty())
            QTimer::singleShot(0, typeNext);
        else if (dialog->isVisible())
            dialog->reject();
    };
    QTimer::singleShot(0, typeNext);
    const std::optional<QString> chosen = desktop.chooseFileToSave(nullptr, chooser);
    EXPECT_EQ(openAfter, (std::vector<bool>{true, false}));
    EXPECT_EQ(leftInField, QStringLiteral("music.sdd"));
    EXPECT_EQ(offered, (QStringList{folder + QStringLiteral("/music.sdd"),
                                    folder + QStringLiteral("/Music.sds")}));
    EXPECT_EQ(chosen, std::optional<QString>(folder + QStringLiteral("/Music.sds")));
}

TEST(MainWindowCommands, HelpTemplateEditorAndAboutReachTheDesktop) {
    RunningProgram p;
    p.start();
    p.action("tbHelp")->trigger();
    p.action("tbGenerator")->trigger();
    ASSERT_EQ(p.desktop.help.size(), 1u);
    EXPECT_EQ(p.desktop.help[0].first, QStringLiteral("introduction.html"));
    EXPECT_TRUE(p.desktop.help[0].second.isEmpty());
    EXPECT_EQ(p.desktop.started, QStringList{pathText(p.dir.path() + "Formwright")});
    EXPECT_TRUE(p.desktop.shown.empty()); // a missing editor is not reported

    // The about box opens modally, showing the version.
    QString version;
    bool shown = false;
    QTimer::singleShot(0, [&] {
        auto* about = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        shown = about && about == p.app->windows().about;
        if (about) {
            version = about->findChild<QLabel*>(QStringLiteral("lblVer"))->text();
            about->accept();
        }
    });
    p.action("tbAbout")->trigger();
    EXPECT_TRUE(shown);
    EXPECT_EQ(version, QStringLiteral("1.0"));
}

// F1 opens the introduction wherever the focus is in the main window.
TEST(MainWindowCommands, F1OpensTheIntroductionFromEveryButton) {
    RunningProgram p;
    p.start();
    p.main().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&p.main()));
    for (const char* name : Buttons) {
        SCOPED_TRACE(name);
        QToolButton* button = p.button(name);
        ASSERT_NE(button, nullptr);
        button->setFocus();
        p.desktop.help.clear();
        QTest::keyClick(button, Qt::Key_F1);
        ASSERT_EQ(p.desktop.help.size(), 1u);
        EXPECT_EQ(p.desktop.help[0].first, QStringLiteral("introduction.html"));
    }
}

TEST(MainWindowCommands, EveryCommandHasOneButtonAndDistinctKeys) {
    RunningProgram p;
    p.start();
    QList<QKeySequence> keys;
    for (const char* name : Buttons) {
        SCOPED_TRACE(name);
        QAction* action = p.action(name);
        ASSERT_NE(action, nullptr);
        QToolButton* button = p.button(name);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->defaultAction(), action);
        EXPECT_NE(button->focusPolicy() & Qt::TabFocus, 0);
        if (!action->shortcut().isEmpty()) {
            EXPECT_FALSE(keys.contains(action->shortcut()));
            keys += action->shortcut();
            EXPECT_TRUE(
                action->toolTip().contains(action->shortcut().toString(QKeySequence::NativeText)));
        }
    }
    EXPECT_EQ(p.action("tbHelp")->shortcut(), QKeySequence(Qt::Key_F1));
    EXPECT_EQ(p.action("tbExit")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
}

// The window is as wide as its widest caption needs, in any language, and no wider.
TEST(MainWindowLayout, TheWidthFollowsTheTranslatedCaptions) {
    int widths[2] = {0, 0};
    for (const bool longCaption : {false, true}) {
        SCOPED_TRACE(longCaption);
        RunningProgram p;
        if (longCaption) {
            std::string lcl = readFile(p.dir.file("default.lcl"));
            const std::string from = "Scan=Scan volume\n";
            lcl.replace(lcl.find(from), from.size(),
                        "Scan=Scan a volume of music into a new catalogue\n");
            writeFile(p.dir.file("locale.lcl"), lcl);
        }
        p.start();
        MainWindow& window = p.main();
        EXPECT_EQ(window.minimumSize(), window.maximumSize()); // fixed
        for (const char* name : Buttons) {
            SCOPED_TRACE(name);
            QToolButton* button = p.button(name);
            EXPECT_GE(button->width(), button->sizeHint().width()); // the caption is not cut
            EXPECT_GE(button->height(), 38);
        }
        widths[longCaption ? 1 : 0] = window.width();
        int widest = 0;
        for (const char* name : Buttons) {
            widest = std::max(widest, p.button(name)->sizeHint().width());
            EXPECT_EQ(p.button(name)->x(), p.button("tbScan")->x()); // images line up
        }
        EXPECT_EQ(p.button("tbScan")->width(), widest);
        EXPECT_LE(window.width(), widest + 24); // no room to spare beyond the margins
    }
    EXPECT_GT(widths[1], widths[0]);
}

TEST(MainWindowLayout, RestoringEitherWindowRestoresBoth) {
    for (const bool restoreMain : {true, false}) {
        SCOPED_TRACE(restoreMain);
        RunningProgram p;
        p.start();
        QWidget* scan = p.app->windows().scan;
        scan->show();
        p.main().setWindowState(Qt::WindowMinimized);
        scan->setWindowState(Qt::WindowMinimized);
        QWidget* restored = restoreMain ? static_cast<QWidget*>(&p.main()) : scan;
        restored->setWindowState(Qt::WindowNoState);
        EXPECT_FALSE(p.main().windowState() & Qt::WindowMinimized);
        EXPECT_FALSE(scan->windowState() & Qt::WindowMinimized);
        scan->hide();
    }
}

TEST(MainWindowLayout, AScreenReaderCanNameEveryButton) {
    RunningProgram p;
    p.start();
    expectEveryControlNamed(&p.main());
    EXPECT_EQ(p.button("tbScan")->accessibleName(), p.text("DialogMain", "Scan"));
    EXPECT_EQ(p.main().windowTitle(), QStringLiteral("Tunelister"));
}
