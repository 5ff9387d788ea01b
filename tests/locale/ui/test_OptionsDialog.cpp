// The options dialog inside the running program: what each control shows and saves, the
// resets, deleting the settings, changing the language, the plug-in list and help.
#include "locale/ui/OptionsDialog.h"

#include "frontend/ui/LocaleText.h"
#include "locale/Profile.h"
#include "locale/ui/Utf8LimitValidator.h"
#include "shell/Application.h"
#include "shell/MainWindow.h"
#include "support/Accessibility.h"
#include "support/ScriptedDesktop.h"
#include "support/TestApp.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <tuple>

using namespace tl;
using namespace tl::test;
namespace fs = std::filesystem;

namespace {

// A machine with a disk, a CD and a network share mounted, and the usual pseudo file systems.
constexpr const char* Mounts = "22 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw\n"
                               "23 22 0:21 / /proc rw - proc proc rw\n"
                               "24 22 0:22 / /run rw - tmpfs tmpfs rw\n"
                               "25 22 11:0 / /media/cdrom ro shared:2 - iso9660 /dev/sr0 ro\n"
                               "26 22 0:60 / /mnt/music rw shared:3 - nfs4 nas:/music rw\n";

QStringList items(const QComboBox* box) {
    QStringList texts;
    for (int i = 0; i < box->count(); ++i)
        texts += box->itemText(i);
    return texts;
}

QString q(const char* utf8) {
    return QString::fromUtf8(utf8);
}

/** Types @p text into @p widget key by key, letters beyond ASCII included. */
void typeText(QWidget* widget, const QString& text) {
    for (const uint codePoint : text.toUcs4())
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown,
                            QString::fromUcs4(reinterpret_cast<const char32_t*>(&codePoint), 1),
                            Qt::NoModifier);
}

/** The program started in a copy of its folder, with the options dialog at hand. */
class Program {
public:
    /** @p ini is the settings file to start with ("$APP/" stands for the program's folder). */
    explicit Program(std::string ini = "", bool keepPlugins = true) {
        for (std::size_t at; (at = ini.find("$APP/")) != std::string::npos;)
            ini.replace(at, 5, dir.path());
        if (!ini.empty())
            writeFile(dir.file("Tunelister.ini"), ini);
        writeFile(dir.file("mountinfo"), Mounts);
        if (!keepPlugins)
            fs::remove_all(dir.file("plugins"));
        fs::create_directories(dir.file("plugins"));
        app = std::make_unique<Application>(dir.path(), desktop);
        ended = std::make_unique<QSignalSpy>(app.get(), &Application::endRequested);
        app->show();
        dialog = app->windows().options;
        PlatformPaths paths;
        paths.mountInfo = dir.file("mountinfo");
        paths.useBlkid = false;
        dialog->setPlatformPaths(paths);
    }

    template <typename T = QWidget> T* child(const char* name) const {
        T* widget = dialog->findChild<T*>(QString::fromLatin1(name));
        if (!widget)
            throw std::runtime_error(std::string("no control ") + name);
        return widget;
    }
    void open() {
        dialog->show();
        dialog->activateWindow();
        (void)QTest::qWaitForWindowActive(dialog);
    }
    /** Chooses @p page in the page tree, as a click there does. */
    void goTo(OptionsDialog::Page page) {
        auto* tree = child<QTreeWidget>("treOptions");
        tree->setCurrentItem(tree->topLevelItem(page));
    }
    void click(const char* button) {
        auto* target = child<QAbstractButton>(button);
        // A check box answers on its box and text only, not on the rest of its row.
        const QPoint where = qobject_cast<QCheckBox*>(target)
                                 ? QPoint(target->height() / 2, target->height() / 2)
                                 : target->rect().center();
        QTest::mouseClick(target, Qt::LeftButton, {}, where);
    }
    void type(const char* edit, const QString& text) {
        auto* line = child<QLineEdit>(edit);
        line->selectAll();
        typeText(line, text);
    }
    std::string ini() const { return dir.file("Tunelister.ini"); }
    std::string saved(const char* key) const {
        const auto profile = Profile::load(ini());
        if (!profile)
            return "(no file)";
        const auto value = profile->find("Settings", key);
        return value ? std::string(*value) : "(no key)";
    }
    Settings& settings() { return *app->context().settings; }
    /** The language files as the program would read them with @p primary first. */
    Locale language(const std::string& primary) const {
        Locale locale;
        locale.setPrimaryPath(primary);
        locale.setFallbackPath(dir.file("default.lcl"));
        return locale;
    }

    TestAppDir dir;
    ScriptedDesktop desktop;
    std::unique_ptr<Application> app;
    std::unique_ptr<QSignalSpy> ended;
    OptionsDialog* dialog = nullptr;
};

} // namespace

TEST(OptionsDialog, EveryControlWritesItsSettingOnOkAndNothingElse) {
    Program p("[Settings]\nuseCh=0\nsongTemplate=/keep/songs.tpl\nLCL=\n");
    p.open();
    const struct {
        OptionsDialog::Page page;
        const char* control;
        const char* key;
        bool before;
    } checks[] = {
        {OptionsDialog::Report, "chkAutoOpen", "autoOpen", false},
        {OptionsDialog::Report, "chkRememberTemplate", "rememberTemplate", false},
        {OptionsDialog::Sort, "chkUseCh", "useCh", false},
        {OptionsDialog::Digest, "chkAutoComplete", "autoComplete", false},
        {OptionsDialog::Search, "chkIgnoreDiacritics", "IgnoreDiacritics", false},
        {OptionsDialog::Plugins, "chkModernTags", "modernTags", true},
    };
    for (const auto& c : checks) {
        SCOPED_TRACE(c.control);
        p.goTo(c.page);
        EXPECT_EQ(p.child<QCheckBox>(c.control)->isChecked(), c.before);
        p.click(c.control);
    }
    const struct {
        OptionsDialog::Page page;
        const char* control;
        const char* key;
        const char* typed;
    } edits[] = {
        {OptionsDialog::Report, "edtReportVarious", "reportVarious", "Různí"},
        {OptionsDialog::Sort, "edtCaseTable", "caseTable", "ÁáČč"},
        {OptionsDialog::Sort, "edtSortTable", "sortTable", "aábcčdefghchi"},
        {OptionsDialog::Digest, "edtDigestVarious", "digestVarious", "Mixed"},
        {OptionsDialog::Search, "edtDiacritics", "diacriticsTable", "áačc"},
    };
    for (const auto& e : edits) {
        p.goTo(e.page);
        p.type(e.control, q(e.typed));
    }
    p.goTo(OptionsDialog::Report);
    p.child<QComboBox>("cmbDrive")->setCurrentText(QStringLiteral("/media/cdrom"));
    p.goTo(OptionsDialog::Digest);
    p.child<QComboBox>("cmbTooMany")->setCurrentIndex(3);
    p.goTo(OptionsDialog::Search);
    p.child<QComboBox>("cmbDateFormat")->setCurrentIndex(1);

    p.click("cmdOK");
    EXPECT_FALSE(p.dialog->isVisible());
    for (const auto& c : checks)
        EXPECT_EQ(p.saved(c.key), c.before ? "0" : "1") << c.key;
    for (const auto& e : edits)
        EXPECT_EQ(p.saved(e.key), e.typed) << e.key;
    EXPECT_EQ(p.saved("defaultDrive"), "/media/cdrom");
    EXPECT_EQ(p.saved("tooMany"), "5");
    EXPECT_EQ(p.saved("usDate"), "1");
    // What the dialog does not show is written back as it was.
    EXPECT_EQ(p.saved("songTemplate"), "/keep/songs.tpl");
    EXPECT_EQ(p.saved("LCL"), "");
    // The program's record holds the same at once.
    EXPECT_TRUE(p.settings().autoOpen && p.settings().useCh && !p.settings().modernTags);
    EXPECT_EQ(p.settings().sortTable, "aábcčdefghchi");
    EXPECT_EQ(p.settings().tooMany, 5);
    EXPECT_EQ(p.ended->count(), 0);
}

TEST(OptionsDialog, CancelLeavesRecordAndFileAsTheyWere) {
    Program p("[Settings]\nautoOpen=1\ntooMany=4\nuseCh=0\ncaseTable=\xC9\xE9\n");
    const std::string fileBefore = readFile(p.ini());
    const Settings before = p.settings();
    p.open();
    EXPECT_EQ(p.child<QLineEdit>("edtCaseTable")->text(), q("\xEF\xBF\xBD\xEF\xBF\xBD"))
        << "bytes that are not UTF-8 show as replacement characters";
    p.goTo(OptionsDialog::Report);
    p.click("chkAutoOpen");
    p.type("edtReportVarious", QStringLiteral("Other"));
    p.goTo(OptionsDialog::Digest);
    p.child<QComboBox>("cmbTooMany")->setCurrentIndex(0);
    p.click("cmdCancel");
    EXPECT_FALSE(p.dialog->isVisible());
    EXPECT_EQ(readFile(p.ini()), fileBefore);
    EXPECT_EQ(p.settings().autoOpen, before.autoOpen);
    EXPECT_EQ(p.settings().reportVarious, before.reportVarious);
    EXPECT_EQ(p.settings().tooMany, 4);

    // The next opening shows the record again; an OK without changes keeps the table's
    // bytes, although they could not be shown as they are.
    p.open();
    EXPECT_TRUE(p.child<QCheckBox>("chkAutoOpen")->isChecked());
    EXPECT_EQ(p.child<QComboBox>("cmbTooMany")->currentText(), QStringLiteral("4"));
    p.click("cmdOK");
    EXPECT_EQ(p.saved("caseTable"), "\xC9\xE9");
}

TEST(OptionsDialog, DriveChoiceListsMountPointsAndKeepsAnotherFolder) {
    const struct {
        const char* what;
        const char* setting;
        const char* typed; // nullptr: left as shown
        const char* saved; // nullptr: refused
        int extraItems;
    } cases[] = {
        {"a mount point of the list", "/media/cdrom", nullptr, "/media/cdrom", 0},
        {"a folder outside the list", "/mnt/elsewhere", nullptr, "/mnt/elsewhere", 1},
        {"another folder typed in", "/", "/media/usb stick/", "/media/usb stick", 0},
        {"the root typed as slashes", "/media/cdrom", "//", "/", 0},
        {"a relative folder", "/", "media/usb", nullptr, 0},
        {"nothing", "/", "", nullptr, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Program p(std::string("[Settings]\ndefaultDrive=") + c.setting + "\n");
        p.open();
        p.goTo(OptionsDialog::Report);
        auto* drive = p.child<QComboBox>("cmbDrive");
        QStringList expected{QStringLiteral("/"), QStringLiteral("/media/cdrom"),
                             QStringLiteral("/mnt/music")};
        if (c.extraItems)
            expected += q(c.setting);
        EXPECT_EQ(items(drive), expected);
        EXPECT_EQ(drive->currentText(), q(c.setting));
        if (c.typed) {
            drive->lineEdit()->selectAll();
            QTest::keyClick(drive->lineEdit(), Qt::Key_Delete);
            typeText(drive->lineEdit(), q(c.typed));
        }
        p.goTo(OptionsDialog::General);
        p.click("cmdOK");
        if (c.saved) {
            EXPECT_TRUE(p.desktop.shown.empty());
            EXPECT_EQ(p.saved("defaultDrive"), c.saved);
            EXPECT_EQ(p.settings().defaultDrive, c.saved);
            continue;
        }
        ASSERT_EQ(p.desktop.shown.size(), 1u);
        EXPECT_EQ(p.desktop.shown[0].icon, MessageIcon::Warning);
        EXPECT_EQ(p.desktop.shown[0].text,
                  localeQText(*p.app->context().locale, "DialogOptions", "MountPointExpected"));
        EXPECT_TRUE(p.dialog->isVisible()) << "the user can put it right";
        EXPECT_EQ(p.dialog->currentPage(), OptionsDialog::Report);
        EXPECT_EQ(p.settings().defaultDrive, c.setting);
        EXPECT_FALSE(fs::exists(p.ini()) && p.saved("autoOpen") != "(no key)");
    }
}

// The list offers 2 to 5; a number set by hand in the file is shown as it is and kept until
// the user picks one of the list.
TEST(OptionsDialog, TooManyOutsideTheListIsShownAndKeptUntilAnotherIsPicked) {
    Program p("[Settings]\ntooMany=7\n");
    p.open();
    auto* tooMany = p.child<QComboBox>("cmbTooMany");
    const QStringList list{QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4"),
                           QStringLiteral("5")};
    EXPECT_EQ(items(tooMany), list + QStringList{QStringLiteral("7")});
    EXPECT_EQ(tooMany->currentText(), QStringLiteral("7"));
    p.click("cmdOK");
    EXPECT_EQ(p.saved("tooMany"), "7");
    EXPECT_EQ(p.settings().tooMany, 7);

    p.open();
    p.goTo(OptionsDialog::Digest);
    tooMany->setCurrentIndex(2);
    p.click("cmdOK");
    EXPECT_EQ(p.saved("tooMany"), "4");
    p.open();
    EXPECT_EQ(items(tooMany), list) << "once a number of the list is chosen, 7 is gone";
    EXPECT_EQ(tooMany->currentText(), QStringLiteral("4"));
}

TEST(OptionsDialog, ResetsTakeTheirPagesValuesFromTheLanguageAndSaveNothing) {
    // The program speaks Czech, whose defaults differ from the settings on every point.
    const std::string ini = "[Settings]\nLCL=$APP/cs.lcl\nuseCh=0\ncaseTable=x\nsortTable=y\n"
                            "usDate=1\nIgnoreDiacritics=0\ndiacriticsTable=z\n";
    Program p(ini);
    const std::string fileBefore = readFile(p.ini());
    const Locale czech = p.language(p.dir.file("cs.lcl"));
    p.open();
    auto* useCh = p.child<QCheckBox>("chkUseCh");
    auto* caseTable = p.child<QLineEdit>("edtCaseTable");
    auto* sortTable = p.child<QLineEdit>("edtSortTable");
    auto* ignore = p.child<QCheckBox>("chkIgnoreDiacritics");
    auto* diacritics = p.child<QLineEdit>("edtDiacritics");
    auto* dateFormat = p.child<QComboBox>("cmbDateFormat");
    const auto searchPage = [&] {
        return std::make_tuple(ignore->isChecked(), diacritics->text(), dateFormat->currentIndex());
    };
    const auto sortPage = [&] {
        return std::make_tuple(useCh->isChecked(), caseTable->text(), sortTable->text());
    };

    p.goTo(OptionsDialog::Sort);
    p.click("cmdReset");
    EXPECT_EQ(sortPage(), std::make_tuple(true, qText(czech.text("General", "CaseTable")),
                                          qText(czech.text("General", "sortTable"))));
    EXPECT_TRUE(sortTable->text().startsWith(QStringLiteral(" !\"#$%&")))
        << "the language's table, its percent sign written once";
    EXPECT_EQ(searchPage(), std::make_tuple(false, QStringLiteral("z"), 1)) << "not this page's";

    p.goTo(OptionsDialog::Search);
    p.click("cmdResetSearch");
    EXPECT_EQ(searchPage(),
              std::make_tuple(true, qText(czech.text("General", "DiacriticsTable")), 0));

    // Nothing reaches the record or the file before OK.
    EXPECT_EQ(p.settings().caseTable, "x");
    EXPECT_EQ(readFile(p.ini()), fileBefore);
    p.click("cmdOK");
    EXPECT_EQ(p.saved("useCh"), "1");
    EXPECT_EQ(p.saved("sortTable"), czech.text("General", "sortTable"));
    EXPECT_EQ(p.saved("diacriticsTable"), czech.text("General", "diacriticsTable"));
    EXPECT_EQ(p.saved("usDate"), "0");
}

TEST(OptionsDialog, DeleteAllSettingsAsksThenEndsWithoutSaving) {
    for (const bool yes : {false, true}) {
        SCOPED_TRACE(yes);
        Program p("[Settings]\nautoOpen=1\n");
        p.open();
        p.click("chkAutoOpen");
        p.desktop.answers = {yes};
        p.click("cmdDeleteSettings");
        ASSERT_EQ(p.desktop.shown.size(), 1u);
        EXPECT_TRUE(p.desktop.shown[0].question);
        EXPECT_EQ(p.desktop.shown[0].icon, MessageIcon::Question);
        EXPECT_EQ(p.desktop.shown[0].text,
                  localeQText(*p.app->context().locale, "DialogOptions", "DeleteSettingsMsg"));
        EXPECT_EQ(fs::exists(p.ini()), !yes);
        EXPECT_EQ(p.ended->count(), yes ? 1 : 0);
        EXPECT_EQ(p.dialog->isVisible(), !yes);
        // The main window closing on the way out saves nothing either.
        p.app->windows().main->close();
        EXPECT_EQ(fs::exists(p.ini()), !yes);
    }
    // Without an answer the question's default, No, holds.
    Program p("[Settings]\nautoOpen=1\n");
    p.open();
    p.click("cmdDeleteSettings");
    EXPECT_TRUE(fs::exists(p.ini()));
    EXPECT_EQ(p.ended->count(), 0);
}

TEST(OptionsDialog, RefusedLanguageFileKeepsTheLanguageInUse) {
    const struct {
        const char* what;
        const char* text;
    } cases[] = {
        {"too new", "[General]\nLCLVersion=2\nLCLCompatibility=2\nLanguage=Novější\n"},
        {"without a version", "[General]\nLanguage=Bez verze\n"},
        {"without sections", "LCLVersion=1\n"},
        {"empty", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Program p("[Settings]\nLCL=$APP/cs.lcl\nautoOpen=1\n");
        const std::string fileBefore = readFile(p.ini());
        const std::string chosen = p.dir.file("new.lcl");
        writeFile(chosen, c.text);
        p.open();
        p.goTo(OptionsDialog::Report);
        p.click("chkAutoOpen");
        p.goTo(OptionsDialog::General);
        p.desktop.filesToOpen.push_back({QStringList{pathText(chosen)}});
        p.click("cmdChangeDir");

        ASSERT_EQ(p.desktop.openChoosers.size(), 1u);
        EXPECT_EQ(p.desktop.openChoosers[0].directory, pathText(p.dir.path()));
        EXPECT_TRUE(p.desktop.openChoosers[0].filters.value(0).contains(QStringLiteral("*.lcl")));
        ASSERT_EQ(p.desktop.shown.size(), 1u);
        EXPECT_EQ(p.desktop.shown[0].icon, MessageIcon::Warning);
        const Locale czech = p.language(p.dir.file("cs.lcl"));
        EXPECT_EQ(p.desktop.shown[0].text, qText(czech.text("General", "IncompatibleLocale")))
            << "told in the language still in use";
        EXPECT_EQ(p.app->context().locale->primaryPath(), p.dir.file("cs.lcl"));
        EXPECT_EQ(p.settings().lcl, p.dir.file("cs.lcl"));
        EXPECT_EQ(readFile(p.ini()), fileBefore);
        EXPECT_EQ(p.ended->count(), 0);
        // The dialog goes on with the user's changes.
        EXPECT_TRUE(p.dialog->isVisible());
        EXPECT_FALSE(p.child<QCheckBox>("chkAutoOpen")->isChecked());
    }
}

TEST(OptionsDialog, AcceptedLanguageIsTheOnlySettingSavedAndTheProgramEnds) {
    Program p("[Settings]\nautoOpen=0\ntooMany=4\n");
    p.open();
    // A chooser left without a choice changes nothing.
    p.click("cmdChangeDir");
    EXPECT_TRUE(p.desktop.shown.empty());
    EXPECT_TRUE(p.dialog->isVisible());

    p.goTo(OptionsDialog::Report);
    p.click("chkAutoOpen");
    const std::string czech = p.dir.file("cs.lcl");
    p.desktop.filesToOpen.push_back({QStringList{pathText(czech)}});
    p.goTo(OptionsDialog::General);
    p.click("cmdChangeDir");

    ASSERT_EQ(p.desktop.shown.size(), 1u);
    EXPECT_EQ(p.desktop.shown[0].icon, MessageIcon::Information);
    EXPECT_EQ(p.desktop.shown[0].text, qText(p.language(czech).text("DialogOptions", "Restart")))
        << "said in the new language";
    EXPECT_EQ(readFile(p.ini()), "[Settings]\nautoOpen=0\ntooMany=4\nLCL=" + czech + "\n");
    EXPECT_EQ(p.ended->count(), 1);
    EXPECT_FALSE(p.dialog->isVisible());
    p.app->windows().main->close();
    EXPECT_EQ(readFile(p.ini()), "[Settings]\nautoOpen=0\ntooMany=4\nLCL=" + czech + "\n");

    // The next start speaks Czech.
    ScriptedDesktop desktop;
    Application next(p.dir.path(), desktop);
    next.show();
    EXPECT_TRUE(desktop.shown.empty());
    EXPECT_EQ(next.context().locale->primaryPath(), czech);
    EXPECT_EQ(next.windows().options->windowTitle(),
              qText(p.language(czech).text("DialogOptions", "Caption")));
}

TEST(OptionsDialog, PluginTreeListsEachPluginAndRefreshFindsOnesCopiedIn) {
    Program p("", false);
    const std::string built = TL_TEST_PLUGIN_DIR;
    fs::copy_file(std::string(std::getenv("TL_APP_DIR")) + "/plugins/mp3.so",
                  p.dir.file("plugins/mp3.so"));
    // The plug-ins as the program found them at its start.
    p.app->context().plugins->load();
    p.open();
    p.goTo(OptionsDialog::Plugins);
    auto* tree = p.child<QTreeWidget>("trePlugins");
    auto* configure = p.child<QPushButton>("cmdConfigure");
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    QTreeWidgetItem* mp3 = tree->topLevelItem(0);
    EXPECT_EQ(mp3->text(0), QStringLiteral("Default MP3 plugin"));
    ASSERT_EQ(mp3->childCount(), 3);
    EXPECT_EQ(mp3->child(0)->text(0), QStringLiteral("Extension: MP3"));
    EXPECT_TRUE(mp3->child(1)->text(0).startsWith(QStringLiteral("About: ")));
    EXPECT_EQ(mp3->child(2)->text(0), QStringLiteral("Version 1.0"));
    EXPECT_FALSE(mp3->isExpanded());
    EXPECT_FALSE(configure->isEnabled());

    // Copied in while the program runs: listed after Refresh, in file-name order.
    fs::copy_file(built + "tp_record_config.so", p.dir.file("plugins/a-recorder.so"));
    fs::copy_file(built + "tp_no_config.so", p.dir.file("plugins/z-plain.so"));
    fs::copy_file(built + "tp_info_fails.so", p.dir.file("plugins/b-broken.so"));
    EXPECT_EQ(tree->topLevelItemCount(), 1);
    p.click("cmdRefresh");
    ASSERT_EQ(tree->topLevelItemCount(), 3);
    EXPECT_EQ(tree->topLevelItem(0)->text(0), QStringLiteral("Recorder"));
    EXPECT_EQ(tree->topLevelItem(0)->child(0)->text(0), QStringLiteral("Extension: REC"));
    EXPECT_EQ(tree->topLevelItem(0)->child(1)->text(0),
              QStringLiteral("About: Plug-in used by the tests"));
    EXPECT_EQ(tree->topLevelItem(0)->child(2)->text(0), QStringLiteral("Version 0.1"));
    EXPECT_EQ(tree->topLevelItem(1)->text(0), QStringLiteral("Default MP3 plugin"));
    EXPECT_EQ(tree->topLevelItem(2)->text(0), QStringLiteral("Test plugin"));

    // Configure: a plug-in node whose library can be configured, not a detail line.
    const struct {
        QTreeWidgetItem* node;
        bool enabled;
    } choices[] = {
        {tree->topLevelItem(0), true},
        {tree->topLevelItem(0)->child(1), false},
        {tree->topLevelItem(2), false},
        {tree->topLevelItem(1), true},
    };
    for (const auto& c : choices) {
        tree->setCurrentItem(c.node);
        EXPECT_EQ(configure->isEnabled(), c.enabled) << c.node->text(0).toStdString();
    }

    // The plug-in's box is owned by the dialog: it gets the dialog's window id.
    const std::string record = p.dir.file("configured");
    qputenv("TL_CONFIG_RECORD", QByteArray::fromStdString(record));
    tree->setCurrentItem(tree->topLevelItem(0));
    p.click("cmdConfigure");
    qunsetenv("TL_CONFIG_RECORD");
    const WId id = p.dialog->winId();
    ASSERT_LE(id, 0xFFFFFFFFu);
    EXPECT_EQ(readFile(record), std::to_string(id) + "\n");

    auto* remove = p.child<QPushButton>("cmdRemove");
    EXPECT_FALSE(remove->isVisible() || remove->isEnabled());
}

TEST(OptionsDialog, HelpOpensTheOptionsPageAtTheShownPagesPart) {
    Program p;
    p.open();
    const char* anchors[] = {"general", "report", "sort", "digest", "search", "plugins"};
    for (int page = 0; page < OptionsDialog::PageCount; ++page) {
        p.goTo(static_cast<OptionsDialog::Page>(page));
        QWidget* focus = QApplication::focusWidget() ? QApplication::focusWidget() : p.dialog;
        QTest::keyClick(focus, Qt::Key_F1);
        ASSERT_EQ(p.desktop.help.size(), static_cast<std::size_t>(page) + 1) << anchors[page];
        EXPECT_EQ(p.desktop.help.back(), std::make_pair(QStringLiteral("options.html"),
                                                        QString::fromLatin1(anchors[page])));
    }
    p.goTo(OptionsDialog::Digest);
    p.click("cmdHelp");
    EXPECT_EQ(p.desktop.help.back().second, QStringLiteral("digest"));
    EXPECT_TRUE(p.dialog->isVisible());
}

// The settings file keeps at most 511 bytes of each text; the edits take no more, and what
// goes over is taken from the text just typed or pasted, never half a character.
TEST(OptionsDialog, TableFieldsTakeAtMost511BytesOfUtf8) {
    Program p;
    p.open();
    const QString e = q("\xC3\xA9");            // é: 2 bytes
    const QString face = q("\xF0\x9F\x98\x80"); // 4 bytes, two UTF-16 units
    for (const char* name : {"edtReportVarious", "edtCaseTable", "edtSortTable", "edtDigestVarious",
                             "edtDiacritics"}) {
        SCOPED_TRACE(name);
        auto* edit = p.child<QLineEdit>(name);
        edit->setText(e.repeated(300));
        EXPECT_EQ(edit->text(), e.repeated(255));

        edit->setText(QString(509, QLatin1Char('a')));
        edit->setCursorPosition(3);
        edit->insert(face);
        EXPECT_EQ(edit->text(), QString(509, QLatin1Char('a'))) << "the character would not fit";
        edit->insert(QStringLiteral("bc"));
        EXPECT_EQ(utf8Size(edit->text()), 511u);
        EXPECT_EQ(edit->text().mid(3, 2), QStringLiteral("bc"));
        QTest::keyClicks(edit, QStringLiteral("x"));
        EXPECT_EQ(utf8Size(edit->text()), 511u);

        // A paste keeps what fits of its beginning and the text that was there.
        edit->setText(QString(500, QLatin1Char('a')));
        edit->setCursorPosition(10);
        edit->insert(e.repeated(20));
        EXPECT_EQ(edit->text(),
                  QString(10, QLatin1Char('a')) + e.repeated(5) + QString(490, QLatin1Char('a')));
        EXPECT_EQ(edit->cursorPosition(), 15);
    }
    p.click("cmdOK");
    EXPECT_EQ(p.saved("digestVarious").size(), 510u);
}

TEST(OptionsDialog, PageTreeChoosesThePageAndEveryControlCanBeNamed) {
    for (const char* lcl : {"", "cs.lcl"}) {
        SCOPED_TRACE(lcl);
        Program p(*lcl ? std::string("[Settings]\nLCL=$APP/") + lcl + "\n" : std::string());
        const Locale& locale = *p.app->context().locale;
        p.open();
        auto* tree = p.child<QTreeWidget>("treOptions");
        auto* panes = p.child<QStackedWidget>("ntbPanes");
        auto* title = p.child<QLabel>("lblLabel");
        const char* keys[] = {"General", "Report", "Sort", "Digest", "Search", "Plugins"};
        ASSERT_EQ(tree->topLevelItemCount(), 6);
        EXPECT_EQ(panes->currentIndex(), 0);
        for (int page = 5; page >= 0; --page) {
            const QString name = localeQText(locale, "DialogOptions", keys[page]);
            EXPECT_EQ(tree->topLevelItem(page)->text(0), name);
            QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                              tree->visualItemRect(tree->topLevelItem(page)).center());
            EXPECT_EQ(panes->currentIndex(), page);
            EXPECT_EQ(title->text(), QLatin1Char(' ') + name);
        }
        EXPECT_EQ(p.child<QLineEdit>("edtLanguage")->text(),
                  localeQText(locale, "General", "Language"));
        expectEveryControlNamed(p.dialog);
        const QSize size = p.dialog->sizeHint();
        EXPECT_LE(size.width(), 1280);
        EXPECT_LE(size.height(), 760);

        // Each reopening starts on the first page.
        p.click("cmdCancel");
        p.open();
        EXPECT_EQ(panes->currentIndex(), 0);
    }
}

TEST(OptionsDialog, TabGoesFromThePageTreeThroughThePageToTheButtons) {
    Program p;
    p.open();
    p.goTo(OptionsDialog::Report);
    auto* tree = p.child<QTreeWidget>("treOptions");
    tree->setFocus();
    QStringList order;
    for (int i = 0; i < 8; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* focus = QApplication::focusWidget();
        if (focus && focus->objectName().isEmpty() && focus->parentWidget())
            focus = focus->parentWidget(); // the editable drive list's own line edit
        order += focus ? focus->objectName() : QStringLiteral("(none)");
    }
    EXPECT_EQ(order,
              (QStringList{QStringLiteral("chkAutoOpen"), QStringLiteral("chkRememberTemplate"),
                           QStringLiteral("cmbDrive"), QStringLiteral("edtReportVarious"),
                           QStringLiteral("cmdHelp"), QStringLiteral("cmdOK"),
                           QStringLiteral("cmdCancel"), QStringLiteral("treOptions")}));
}

// A settings file that cannot be written or removed (here a folder stands in its place): the
// user is told, and nothing is reported done that was not.
TEST(OptionsDialog, SettingsThatCannotBeWrittenAreReportedAndTheProgramGoesOn) {
    enum class Action { Ok, Delete, Language };
    for (const Action action : {Action::Ok, Action::Delete, Action::Language}) {
        SCOPED_TRACE(static_cast<int>(action));
        Program p;
        const std::string blocked = p.dir.file("blocked");
        fs::create_directories(blocked + "/inside");
        p.settings().path = blocked;
        const Locale& locale = *p.app->context().locale;
        const std::string primary = locale.primaryPath();
        p.open();
        p.goTo(OptionsDialog::Report);
        p.click("chkAutoOpen");
        p.goTo(OptionsDialog::General);
        QString expected;
        switch (action) {
        case Action::Ok:
            p.click("cmdOK");
            expected = localeQText(locale, "DialogOptions", "SaveSettingsErr", {blocked});
            break;
        case Action::Delete:
            p.desktop.answers = {true};
            p.click("cmdDeleteSettings");
            expected = localeQText(locale, "DialogOptions", "DeleteSettingsErr", {blocked});
            break;
        case Action::Language:
            p.desktop.filesToOpen.push_back({QStringList{pathText(p.dir.file("cs.lcl"))}});
            p.click("cmdChangeDir");
            expected = localeQText(locale, "DialogOptions", "SaveSettingsErr", {blocked});
            break;
        }
        ASSERT_FALSE(p.desktop.shown.empty());
        EXPECT_EQ(p.desktop.shown.back().icon, MessageIcon::Error);
        EXPECT_EQ(p.desktop.shown.back().text, expected);
        EXPECT_EQ(p.ended->count(), 0);
        EXPECT_TRUE(fs::exists(blocked + "/inside"));
        // OK still puts the choices in force for this run; the others leave them to the user.
        EXPECT_EQ(p.dialog->isVisible(), action != Action::Ok);
        EXPECT_EQ(p.settings().autoOpen, action == Action::Ok);
        EXPECT_EQ(p.settings().lcl, "");
        EXPECT_EQ(locale.primaryPath(), primary);
    }
}
