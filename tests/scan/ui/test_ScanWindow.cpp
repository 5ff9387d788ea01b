// The scan window on the real scan job, with the scan test plug-in (whose files say what it
// reports): the log and its icons, the labels, Cancel, the closing rules, the digest with
// its prompt, and the saved log.
#include "scan/ui/ScanWindow.h"

#include "digest/DigestFiles.h"
#include "digest/DigestMessages.h"
#include "digest/ui/DigestPrompt.h"
#include "frontend/ui/LocaleText.h"
#include "locale/ui/OptionsDialog.h"
#include "scan/VolumeScanner.h"
#include "scan/ui/ScanLog.h"
#include "shell/Application.h"
#include "shell/MainWindow.h"
#include "support/Accessibility.h"
#include "support/ScriptedDesktop.h"
#include "support/TempDir.h"
#include "support/TestApp.h"
#include "support/UiSteps.h"

#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>

using namespace tl;
using namespace tl::test;
namespace fs = std::filesystem;

namespace {

// The application folder with the scan test plug-in as its only plug-in.
TestAppDir& withScanPlugin(TestAppDir& dir) {
    fs::remove_all(dir.path() + "plugins");
    fs::create_directories(dir.path() + "plugins");
    fs::copy_file(TL_SCAN_PLUGIN, dir.path() + "plugins/scan.so");
    return dir;
}

struct Line {
    QString text;
    Severity severity;
    friend bool operator==(const Line&, const Line&) = default;
};
void PrintTo(const Line& line, std::ostream* out) {
    *out << static_cast<int>(line.severity) << " " << line.text.toStdString();
}

class ScanWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        app.show();
        vol = fs::canonical(folder.path()).string() + "/vol";
        out = fs::canonical(folder.path()).string() + "/out";
        fs::create_directories(vol);
        fs::create_directories(out);
    }

    template <typename W = QWidget> W* control(const char* name) {
        W* w = scan.findChild<W*>(QString::fromLatin1(name));
        EXPECT_TRUE(w) << name;
        return w;
    }
    bool enabled(const char* name) { return control(name)->isEnabled(); }
    QString labelText(const char* name) { return control<QLabel>(name)->text(); }

    Line line(const char* section, const char* key, Severity severity,
              std::vector<MessageArg> args = {}) {
        return {messageText(*app.context().locale, makeMessage(section, key, severity, args)),
                severity};
    }
    Line fileLine(const char* key, Severity severity, const std::string& dir,
                  const std::string& file) {
        return line("Scan", key, severity, {dir, file});
    }
    std::vector<Line> log() {
        std::vector<Line> lines;
        const QAbstractItemModel* model = control<QListView>("lstLog")->model();
        for (int row = 0; row < model->rowCount(); ++row) {
            const QModelIndex index = model->index(row, 0);
            lines.push_back(
                {index.data().toString(),
                 static_cast<Severity>(index.data(ScanLogModel::SeverityRole).toInt())});
        }
        return lines;
    }

    bool begin(const std::string& name = "CD 1") {
        return scan.beginScan(QString::fromStdString(vol), QString::fromStdString(name),
                              QString::fromStdString(out));
    }
    // Waits for the job to end.
    void waitForEnd() {
        if (!scan.isBusy())
            return;
        QSignalSpy finished(&scan, &ScanWindow::scanFinished);
        ASSERT_TRUE(finished.wait(30000));
    }
    void scanToEnd(const std::string& name = "CD 1") {
        ASSERT_TRUE(begin(name));
        waitForEnd();
    }

    TestAppDir dir;
    TempDir folder;
    std::string vol, out;
    ScriptedDesktop desktop;
    Application app{withScanPlugin(dir).path(), desktop};
    ScanWindow& scan = *app.windows().scan;
    DigestPrompt& prompt = *app.windows().digestPrompt;
};

} // namespace

// "Started", the walk's error lines, "Done", then the digest's "Building" and "Done"; the
// labels end on the last folder and file, and only Close and Save log are left enabled.
TEST_F(ScanWindowTest, CompletedScanLogsItsLinesAndBuildsTheDigest) {
    app.context().settings->autoComplete = true;
    fs::create_directories(vol + "/Blue Lake - Northern Roads");
    writeFile(vol + "/Blue Lake - Northern Roads/01.mp3", "length=61000\n");
    writeFile(vol + "/Blue Lake - Northern Roads/02.mp3", "result=5\n");
    writeFile(vol + "/Blue Lake - Northern Roads/notes.txt", "not claimed");
    writeFile(vol + "/z.mp3", "");
    ::chmod((vol + "/z.mp3").c_str(), 0);
    const bool canReadAnyway = ::access((vol + "/z.mp3").c_str(), R_OK) == 0; // root
    scanToEnd();

    std::vector<Line> expected{line("Scan", "Started", Severity::Information)};
    if (!canReadAnyway)
        expected.push_back(fileLine("OpenErr", Severity::Error, vol, "z.mp3"));
    expected.push_back(
        fileLine("TagErr", Severity::Warning, vol + "/Blue Lake - Northern Roads", "02.mp3"));
    expected.push_back(line("Scan", "Done", Severity::Information));
    expected.push_back(line("Digest", "Building", Severity::Information));
    expected.push_back(line("Scan", "Done", Severity::Information));
    EXPECT_EQ(log(), expected);

    EXPECT_EQ(labelText("lblPath"), QString::fromStdString(vol + "/Blue Lake - Northern Roads"));
    EXPECT_EQ(labelText("lblFilename"), QStringLiteral("02.mp3"));
    const QString files = localeQText(*app.context().locale, "DialogScan", "FilesOfTotal",
                                      {canReadAnyway ? 3 : 2, canReadAnyway ? 3 : 2});
    EXPECT_EQ(labelText("lblFiles"), files);
    EXPECT_EQ(labelText("lblTimeLeft"), QStringLiteral("0:00"));
    EXPECT_TRUE(enabled("cmdClose"));
    EXPECT_TRUE(enabled("cmdSaveLog"));
    EXPECT_FALSE(enabled("cmdCancel"));
    EXPECT_TRUE(fs::exists(out + "/CD 1.sds"));
    EXPECT_TRUE(fs::exists(out + "/CD 1.sdd"));
    EXPECT_TRUE(desktop.shown.empty());
}

// Each plug-in result has its line and severity: 262 information, 259-261 warnings, any
// other an error; the severity is the line's icon, tooltip and accessible description.
TEST_F(ScanWindowTest, PluginResultsGiveLinesWithTheIconOfTheirSeverity) {
    app.context().settings->autoComplete = true;
    const struct {
        int result;
        const char* key;
        Severity severity;
    } cases[] = {{3, "ReadErr", Severity::Warning},
                 {4, "StreamErr", Severity::Warning},
                 {5, "TagErr", Severity::Warning},
                 {6, "IntStreamErr", Severity::Information},
                 {9, "Unspecified", Severity::Error}};
    for (const auto& c : cases)
        writeFile(vol + "/r" + std::to_string(c.result) + ".mp3",
                  "result=" + std::to_string(c.result) + "\n");
    scanToEnd();
    const QAbstractItemModel* model = control<QListView>("lstLog")->model();
    const std::vector<Line> lines = log();
    ASSERT_EQ(lines.size(), std::size(cases) + 4);
    const Locale& locale = *app.context().locale;
    const char* severityKeys[] = {"Information", "Warning", "Error"};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE(c.key);
        const std::string file = "r" + std::to_string(c.result) + ".mp3";
        const Line expected =
            c.severity == Severity::Error
                ? line("Scan", c.key, c.severity, {vol, file, std::int64_t{256 + c.result}})
                : fileLine(c.key, c.severity, vol, file);
        EXPECT_EQ(lines[i + 1], expected);
        const QModelIndex index = model->index(static_cast<int>(i + 1), 0);
        const QString severityName =
            localeQText(locale, "DialogScan", severityKeys[static_cast<int>(c.severity)]);
        EXPECT_EQ(index.data(Qt::ToolTipRole).toString(), severityName);
        EXPECT_EQ(index.data(Qt::AccessibleDescriptionRole).toString(), severityName);
        const QIcon icon = index.data(Qt::DecorationRole).value<QIcon>();
        ASSERT_FALSE(icon.isNull());
        EXPECT_TRUE(icon.pixmap(16).toImage() == severityIcon(c.severity).pixmap(16).toImage());
    }
}

// Cancel in the first folder: "Started", "Aborted", the volume's earlier song database and
// digest untouched, a busy cursor until the job has ended, then Close and Save log.
TEST_F(ScanWindowTest, CancelInTheFirstFolderKeepsTheEarlierCatalogue) {
    // Slow files: the cancel comes long before the folder is done, even on a busy machine.
    for (int i = 0; i < 10; ++i)
        writeFile(vol + "/" + std::to_string(10 + i) + ".mp3", "delay_ms=300\n");
    writeFile(out + "/CD 1.sds", "EARLIER SONGS");
    writeFile(out + "/CD 1.sdd", "EARLIER DIGEST");
    ASSERT_TRUE(begin());
    EXPECT_FALSE(enabled("cmdClose"));
    EXPECT_FALSE(enabled("cmdSaveLog"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !log().empty(); }, 10000)); // "Started"
    control<QPushButton>("cmdCancel")->click();
    EXPECT_FALSE(enabled("cmdCancel"));
    ASSERT_TRUE(QApplication::overrideCursor());
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::BusyCursor);
    waitForEnd();
    EXPECT_EQ(log(), (std::vector<Line>{line("Scan", "Started", Severity::Information),
                                        line("Scan", "Aborted", Severity::Information)}));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(enabled("cmdClose"));
    EXPECT_TRUE(enabled("cmdSaveLog"));
    EXPECT_FALSE(enabled("cmdCancel"));
    EXPECT_EQ(labelText("lblTimeLeft"), QString());
    EXPECT_EQ(readFile(out + "/CD 1.sds"), "EARLIER SONGS");
    EXPECT_EQ(readFile(out + "/CD 1.sdd"), "EARLIER DIGEST");
}

// During a scan neither Escape nor the window's close box closes the window; afterwards
// Escape is Close.
TEST_F(ScanWindowTest, EscapeAndCloseAreIgnoredDuringAScan) {
    for (int i = 0; i < 5; ++i)
        writeFile(vol + "/0" + std::to_string(i) + ".mp3", "delay_ms=200\n");
    app.context().settings->autoComplete = true;
    whenVisible(&scan, [&] {
        QTest::keyClick(&scan, Qt::Key_Escape);
        EXPECT_TRUE(scan.isVisible());
        EXPECT_FALSE(scan.close());
        EXPECT_TRUE(scan.isVisible());
        EXPECT_TRUE(scan.isBusy());
        whenTrue(
            &scan, [&] { return !scan.isBusy(); }, [&] { QTest::keyClick(&scan, Qt::Key_Escape); });
    });
    EXPECT_EQ(scan.startScan(QString::fromStdString(vol), QStringLiteral("CD 1"),
                             QString::fromStdString(out)),
              QDialog::Accepted);
    EXPECT_FALSE(scan.isVisible());
    EXPECT_EQ(log().back(), line("Scan", "Done", Severity::Information));
}

// A scan that cannot begin shows one message box and no window; a missing output folder is
// named.
TEST_F(ScanWindowTest, ScanThatCannotBeginIsReportedInABox) {
    const std::string root = fs::canonical(folder.path()).string();
    const struct {
        const char* what;
        std::string folder, output;
        const char* key;
        std::vector<MessageArg> args;
    } cases[] = {
        {"folder missing", "/vol/absent", "/out", "NotReady", {}},
        {"output folder missing", "/vol", "/out/absent", "NoOutputFolder", {root + "/out/absent"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        desktop.shown.clear();
        EXPECT_EQ(scan.startScan(QString::fromStdString(root + c.folder), QStringLiteral("CD 1"),
                                 QString::fromStdString(root + c.output)),
                  QDialog::Rejected);
        EXPECT_FALSE(scan.isVisible());
        EXPECT_FALSE(scan.isBusy());
        ASSERT_EQ(desktop.shown.size(), 1u);
        EXPECT_EQ(desktop.shown[0].icon, MessageIcon::Error);
        EXPECT_EQ(desktop.shown[0].text, line("Scan", c.key, Severity::Error, c.args).text);
    }
}

// The saved log: the header line, an empty line and every line, each ended by CR LF.
TEST_F(ScanWindowTest, SavedLogHoldsTheHeaderAndEveryLineWithCrLf) {
    app.context().settings->autoComplete = true;
    writeFile(vol + "/a.mp3", "result=5\n");
    scanToEnd();
    const std::string saved = folder.file("saved log.txt");
    desktop.filesToSave.push_back({QString::fromStdString(saved)});
    control<QPushButton>("cmdSaveLog")->click();

    ASSERT_EQ(desktop.saveChoosers.size(), 1u);
    const FileChooser& chooser = desktop.saveChoosers[0];
    EXPECT_EQ(chooser.proposedName, QStringLiteral("Tunelister Log.txt"));
    EXPECT_EQ(chooser.defaultSuffix, QStringLiteral("txt"));
    EXPECT_EQ(chooser.directory, QString::fromStdString(app.context().folders.logs()));
    std::string expected = "Tunelister 1.0 log\r\n\r\n";
    for (const Line& l : log())
        expected += l.text.toStdString() + "\r\n";
    EXPECT_EQ(log().size(), 5u);
    EXPECT_EQ(readFile(saved), expected);
    EXPECT_TRUE(desktop.shown.empty());

    // A file that cannot be written is reported, and the log stays as it was.
    desktop.filesToSave.push_back({QString::fromStdString(folder.file("absent/log.txt"))});
    control<QPushButton>("cmdSaveLog")->click();
    ASSERT_EQ(desktop.shown.size(), 1u);
    EXPECT_EQ(desktop.shown[0].icon, MessageIcon::Error);
    EXPECT_EQ(desktop.shown[0].text, line("General", "Error", Severity::Error).text);
    EXPECT_EQ(log().size(), 5u);
}

// Thousands of lines reach the log complete and in walk order.
TEST_F(ScanWindowTest, ManyLinesArriveCompleteAndInOrder) {
    constexpr int Folders = 4, FilesPerFolder = 750;
    const TempDir memory(memoryTempBase());
    vol = fs::canonical(memory.path()).string();
    for (int d = 0; d < Folders; ++d) {
        const std::string dirPath = vol + "/f" + std::to_string(d);
        fs::create_directories(dirPath);
        for (int f = 0; f < FilesPerFolder; ++f) {
            const std::string name = dirPath + "/" + std::to_string(1000 + f) + ".mp3";
            const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ASSERT_GE(fd, 0);
            ASSERT_EQ(::write(fd, "result=5\n", 9), 9);
            ::close(fd);
        }
    }
    app.context().settings->autoComplete = true;
    scanToEnd();
    const std::vector<Line> lines = log();
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(Folders * FilesPerFolder + 4));
    for (int d = 0; d < Folders; ++d)
        for (int f = 0; f < FilesPerFolder; ++f)
            ASSERT_EQ(lines[static_cast<std::size_t>(1 + d * FilesPerFolder + f)],
                      fileLine("TagErr", Severity::Warning, vol + "/f" + std::to_string(d),
                               std::to_string(1000 + f) + ".mp3"))
                << d << "/" << f;
    EXPECT_EQ(labelText("lblFiles"),
              localeQText(*app.context().locale, "DialogScan", "FilesOfTotal",
                          {Folders * FilesPerFolder, Folders * FilesPerFolder}));
}

// After a completed scan the digest asks about albums completed from folder names; the
// answer is written, and the prompt's box starts from the autoComplete setting.
TEST_F(ScanWindowTest, DigestAfterTheScanAsksThroughThePrompt) {
    fs::create_directories(vol + "/Blue Lake - Northern Roads");
    writeFile(vol + "/Blue Lake - Northern Roads/01.mp3", "");
    app.context().settings->autoComplete = false;
    prompt.setAutoComplete(true); // left from elsewhere: the scan starts from the setting
    int asked = 0;
    whenVisible(&prompt, [&] {
        ++asked;
        EXPECT_TRUE(scan.isBusy());
        EXPECT_FALSE(enabled("cmdClose"));
        EXPECT_TRUE(enabled("cmdCancel"));
        QTest::keyClicks(prompt.findChild<QLineEdit*>(QStringLiteral("edtGenre")),
                         QStringLiteral("Folk"));
        prompt.findChild<QPushButton*>(QStringLiteral("cmdOk"))->click();
    });
    scanToEnd();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(log().back(), line("Scan", "Done", Severity::Information));
    const std::vector<Fields> albums = readDigest(out + "/CD 1.sdd");
    ASSERT_EQ(albums.size(), 1u);
    EXPECT_EQ(albums[0][Artist], "Blue Lake");
    EXPECT_EQ(albums[0][Genre], "Folk");
}

// Cancel while the prompt asks ends the digest at once: the prompt closes, the log says
// the digest was cancelled, and the volume's earlier digest stays.
TEST_F(ScanWindowTest, CancelWhileThePromptAsksEndsTheRunCleanly) {
    fs::create_directories(vol + "/Amber - Tides");
    writeFile(vol + "/Amber - Tides/01.mp3", "");
    writeFile(out + "/CD 1.sdd", "EARLIER DIGEST");
    app.context().settings->autoComplete = false;
    whenVisible(&prompt, [&] { control<QPushButton>("cmdCancel")->click(); });
    scanToEnd();
    EXPECT_FALSE(prompt.isVisible());
    EXPECT_EQ(log().back(), line("Digest", "Cancelled", Severity::Information));
    EXPECT_EQ(readFile(out + "/CD 1.sdd"), "EARLIER DIGEST");
    EXPECT_TRUE(enabled("cmdClose"));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// The digest of a scan takes the various word and "too many" as the options say now: a
// change made there is used by the next scan, without a restart.
TEST_F(ScanWindowTest, DigestUsesTheVariousWordAndLimitOfTheOptions) {
    app.context().settings->autoComplete = true;
    OptionsDialog* options = app.windows().options;
    options->show();
    options->findChild<QLineEdit*>(QStringLiteral("edtDigestVarious"))
        ->setText(QStringLiteral("Mixed"));
    options->findChild<QComboBox*>(QStringLiteral("cmbTooMany"))->setCurrentIndex(0); // 2
    options->findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
    ASSERT_FALSE(options->isVisible());
    fs::create_directories(vol + "/Cedar - Rings");
    writeFile(vol + "/Cedar - Rings/01.mp3", "artist=One\n");
    writeFile(vol + "/Cedar - Rings/02.mp3", "artist=Two\n");
    scanToEnd();
    const std::vector<Fields> albums = readDigest(out + "/CD 1.sdd");
    ASSERT_EQ(albums.size(), 1u);
    EXPECT_EQ(albums[0][Artist], "Mixed");
}

// While a slow scan runs the window tells how many of how many files are done and, once
// the rate has settled, the time left.
TEST_F(ScanWindowTest, ProgressShowsTheFilesOfTheTotalAndTheTimeLeft) {
    app.context().settings->autoComplete = true;
    for (int i = 0; i < 6; ++i)
        writeFile(vol + "/0" + std::to_string(i) + ".mp3", "delay_ms=300\n");
    ASSERT_TRUE(begin());
    const Locale& locale = *app.context().locale;
    EXPECT_EQ(labelText("lblTimeLeft"), localeQText(locale, "DialogScan", "Estimating"));
    // The census has counted all six files while the scan is still at work.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            for (int done = 1; done < 6; ++done)
                if (labelText("lblFiles") ==
                    localeQText(locale, "DialogScan", "FilesOfTotal", {done, 6}))
                    return true;
            return false;
        },
        10000))
        << labelText("lblFiles").toStdString();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return QRegularExpression(QStringLiteral("^\\d+:\\d\\d$"))
                .match(labelText("lblTimeLeft"))
                .hasMatch();
        },
        10000))
        << labelText("lblTimeLeft").toStdString();
    EXPECT_TRUE(labelText("lblRate").contains(QRegularExpression(QStringLiteral("\\d"))));
    control<QPushButton>("cmdCancel")->click();
    waitForEnd();
}

TEST_F(ScanWindowTest, TextsComeFromTheLocaleAndEveryControlAndLineIsNamed) {
    app.context().settings->autoComplete = true;
    writeFile(vol + "/a.mp3", "result=5\n");
    scanToEnd();
    const Locale& locale = *app.context().locale;
    EXPECT_EQ(scan.windowTitle(), QStringLiteral("Tunelister"));
    EXPECT_EQ(labelText("Label1"), localeQText(locale, "DialogScan", "Path"));
    EXPECT_EQ(labelText("Label2"), localeQText(locale, "DialogScan", "Filename"));
    EXPECT_EQ(labelText("Label5"), localeQText(locale, "DialogScan", "Status"));
    EXPECT_EQ(control<QPushButton>("cmdClose")->text(),
              localeQText(locale, "DialogCommon", "Close"));
    EXPECT_EQ(control<QPushButton>("cmdSaveLog")->text(),
              localeQText(locale, "DialogScan", "SaveLog"));
    EXPECT_TRUE(control<QPushButton>("cmdClose")->isDefault());
    expectEveryControlNamed(&scan);
    // The log is read as the status list; a label with a value is read with its value.
    EXPECT_EQ(control("lstLog")->accessibleName(), localeQText(locale, "DialogScan", "Status"));
    EXPECT_EQ(control<QLabel>("Label2")->buddy(), control("lblFilename"));
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(control("lblFilename"));
    ASSERT_TRUE(face);
    EXPECT_EQ(face->text(QAccessible::Name), QStringLiteral("a.mp3"));
}

// Minimising the scan minimises the program's other windows with it.
TEST_F(ScanWindowTest, MinimisingTheScanWindowMinimisesTheProgram) {
    scan.show();
    scan.showMinimized();
    EXPECT_TRUE(app.windows().main->isMinimized());
    scan.hide();
}
