// The main window's re-create digest command: which song databases its chooser takes, the
// run with its progress window and prompt, and the message for each way it ends.
#include "digest/DigestMessages.h"
#include "digest/ui/DigestPrompt.h"
#include "frontend/ui/LocaleText.h"
#include "shell/Application.h"
#include "shell/MainWindow.h"

#include "digest/DigestFiles.h"
#include "support/Accessibility.h"
#include "support/ScriptedDesktop.h"
#include "support/TempDir.h"
#include "support/TestApp.h"
#include "support/UiSteps.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

using namespace tl;
using namespace tl::test;
namespace fs = std::filesystem;

namespace {

class RecreateDigestTest : public ::testing::Test {
protected:
    void SetUp() override { app.show(); }

    QString message(const char* section, const char* key) {
        return localeQText(*app.context().locale, section, key);
    }
    std::string path(const std::string& name) { return folder.file(name); }
    // The user chooses @p names in turn in the chooser; then the command runs.
    void recreate(std::vector<QStringList> tries) {
        desktop.filesToOpen.push_back(std::move(tries));
        app.windows().main->recreateDigest();
    }
    // Two albums: one with tags, one completed from its folder names.
    void writeSongs(const std::string& name) {
        writeRecords(path(name), {song("Tagged", {{Artist, "Cedar"}, {Album, "Rings"}}),
                                  song("Music/Blue Lake - Northern Roads"),
                                  song("Music/Blue Lake - Northern Roads")});
    }

    TestAppDir dir;
    TempDir folder;
    ScriptedDesktop desktop;
    Application app{dir.path(), desktop};
    DigestPrompt& prompt = *app.windows().digestPrompt;
};

} // namespace

// A name is taken when it ends in ".sds" in any case; anything else is refused with a
// warning and the chooser stays open for the next try.
TEST_F(RecreateDigestTest, ChooserTakesOnlySongDatabaseNames) {
    app.context().settings->autoComplete = true;
    writeSongs("CD1.SDS");
    const QStringList refused{QString::fromStdString(path("CD1.sdd")),
                              QString::fromStdString(path("songs.txt")),
                              QString::fromStdString(path("songs.sds.bak")), QStringLiteral("sds")};
    std::vector<QStringList> tries;
    for (const QString& name : refused)
        tries.push_back({name});
    tries.push_back({QString::fromStdString(path("CD1.SDS"))});
    recreate(tries);

    EXPECT_EQ(desktop.refused, refused);
    ASSERT_EQ(desktop.openChoosers.size(), 1u);
    const FileChooser& chooser = desktop.openChoosers[0];
    EXPECT_EQ(chooser.title, message("DialogDigest", "Choose"));
    EXPECT_EQ(chooser.defaultSuffix, QStringLiteral("sds"));
    // The program's own folder of song databases, not wherever the process was started.
    EXPECT_EQ(chooser.directory, pathText(app.context().folders.songDatabases()));
    EXPECT_FALSE(chooser.multiple);
    const auto refusals = static_cast<std::size_t>(refused.size());
    ASSERT_EQ(desktop.shown.size(), refusals + 1);
    for (std::size_t i = 0; i < refusals; ++i) {
        EXPECT_EQ(desktop.shown[i].icon, MessageIcon::Warning);
        EXPECT_EQ(desktop.shown[i].text, message("DialogScan", "SDSRequired"));
    }
    // ".SDS" gives ".SDd": the last character becomes "d".
    EXPECT_EQ(desktop.shown.back().text, message("Digest", "ReDigest"));
    EXPECT_EQ(desktop.shown.back().icon, MessageIcon::Information);
    EXPECT_EQ(readDigest(path("CD1.SDd")).size(), 2u);
}

TEST_F(RecreateDigestTest, CancellingTheChooserDoesNothing) {
    recreate({});
    EXPECT_TRUE(desktop.shown.empty());
}

// Every way a run ends has its message; a run that fails keeps the earlier digest.
TEST_F(RecreateDigestTest, EachOutcomeHasItsMessageAndAFailureKeepsTheEarlierDigest) {
    app.context().settings->autoComplete = true;
    const struct {
        const char* what;
        std::function<void(const std::string&)> make;
        const char* section;
        const char* key;
        MessageIcon icon;
    } cases[] = {
        {"songs", [&](const std::string& p) { writeSongs(p); }, "Digest", "ReDigest",
         MessageIcon::Information},
        {"missing", [](const std::string&) {}, "Digest", "SDBOpenErr", MessageIcon::Error},
        {"a digest, not songs", [](const std::string& p) { writeRecords(p, {song("x")}, "Dgst"); },
         "Scan", "SDBInFormatErr", MessageIcon::Error},
        {"truncated",
         [&](const std::string& p) {
             writeSongs(p);
             fs::resize_file(p, fs::file_size(p) - 10);
         },
         "Digest", "DigestErr", MessageIcon::Error},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        desktop.shown.clear();
        const std::string songs = path("CD1.sds");
        fs::remove(songs);
        c.make(songs);
        writeFile(path("CD1.sdd"), "EARLIER DIGEST");
        recreate({{QString::fromStdString(songs)}});
        ASSERT_EQ(desktop.shown.size(), 1u);
        EXPECT_EQ(desktop.shown[0].text, message(c.section, c.key));
        EXPECT_EQ(desktop.shown[0].icon, c.icon);
        if (c.icon == MessageIcon::Information) {
            EXPECT_EQ(readDigest(path("CD1.sdd")).size(), 2u);
        } else {
            EXPECT_EQ(readFile(path("CD1.sdd")), "EARLIER DIGEST");
        }
        EXPECT_FALSE(prompt.isVisible());
    }
}

// Without auto-complete the prompt asks about the album taken from its folder names, and
// what the user confirms is written; the prompt's box starts each run from the setting.
TEST_F(RecreateDigestTest, PromptAsksUnlessAutoCompleteIsOnAndItsAnswerIsWritten) {
    for (const bool autoComplete : {false, true}) {
        SCOPED_TRACE(autoComplete);
        app.context().settings->autoComplete = autoComplete;
        prompt.setAutoComplete(!autoComplete); // left from an earlier run
        writeSongs("CD1.sds");
        int asked = 0;
        if (!autoComplete) {
            whenVisible(&prompt, [&] {
                ++asked;
                EXPECT_EQ(prompt.findChild<QLineEdit*>(QStringLiteral("edtArtist"))->text(),
                          QStringLiteral("Blue Lake"));
                auto* genre = prompt.findChild<QLineEdit*>(QStringLiteral("edtGenre"));
                QTest::keyClicks(genre, QStringLiteral("Folk"));
                prompt.findChild<QPushButton*>(QStringLiteral("cmdOk"))->click();
            });
        }
        recreate({{QString::fromStdString(path("CD1.sds"))}});
        EXPECT_EQ(asked, autoComplete ? 0 : 1);
        const std::vector<Fields> albums = readDigest(path("CD1.sdd"));
        ASSERT_EQ(albums.size(), 2u);
        EXPECT_EQ(albums[1][Artist], "Blue Lake");
        EXPECT_EQ(albums[1][Album], "Northern Roads");
        EXPECT_EQ(albums[1][Genre], autoComplete ? "" : "Folk");
        EXPECT_EQ(desktop.shown.back().text, message("Digest", "ReDigest"));
    }
}

// Cancel while the prompt waits ends the run at once: the prompt closes, the earlier
// digest stays and the message says so.
TEST_F(RecreateDigestTest, CancelWhileThePromptAsksKeepsTheEarlierDigest) {
    writeSongs("CD1.sds");
    writeFile(path("CD1.sdd"), "EARLIER DIGEST");
    QWidget* progress = nullptr;
    whenVisible(&prompt, [&] {
        progress = app.windows().main->findChild<QWidget*>(QStringLiteral("TfrmDigestProgress"));
        ASSERT_TRUE(progress);
        EXPECT_TRUE(progress->isVisible());
        expectEveryControlNamed(progress);
        progress->findChild<QPushButton*>(QStringLiteral("cmdCancel"))->click();
    });
    recreate({{QString::fromStdString(path("CD1.sds"))}});
    EXPECT_TRUE(progress);
    EXPECT_FALSE(prompt.isVisible());
    EXPECT_FALSE(prompt.autoComplete()); // a stop is no answer
    ASSERT_EQ(desktop.shown.size(), 1u);
    EXPECT_EQ(desktop.shown[0].text, message("Digest", "Cancelled"));
    EXPECT_EQ(desktop.shown[0].icon, MessageIcon::Information); // the user's own choice
    EXPECT_EQ(readFile(path("CD1.sdd")), "EARLIER DIGEST");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// Escape in the progress window is Cancel; it does not close the window before the run
// has ended.
TEST_F(RecreateDigestTest, EscapeInTheProgressWindowCancelsTheRun) {
    writeSongs("CD1.sds");
    whenVisible(&prompt, [&] {
        QWidget* progress =
            app.windows().main->findChild<QWidget*>(QStringLiteral("TfrmDigestProgress"));
        ASSERT_TRUE(progress);
        QTest::keyClick(progress, Qt::Key_Escape);
        EXPECT_FALSE(progress->findChild<QPushButton*>(QStringLiteral("cmdCancel"))->isEnabled());
    });
    recreate({{QString::fromStdString(path("CD1.sds"))}});
    ASSERT_EQ(desktop.shown.size(), 1u);
    EXPECT_EQ(desktop.shown[0].text, message("Digest", "Cancelled"));
    EXPECT_EQ(desktop.shown[0].icon, MessageIcon::Information); // the user's own choice
    EXPECT_FALSE(fs::exists(path("CD1.sdd")));
}
