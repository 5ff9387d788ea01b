// One scan through the program's scan window on Qt's offscreen platform, timed, with the
// window's event loop watched by a timer that ticks every 10 ms: the longest gap between
// two ticks is the longest time the window could not have answered the user.
//
//     bench_scanwindow APPDIR FOLDER OUTDIR NAME
//
// Prints one JSON object: seconds (from the scan's start to its last log line), maxGapMs
// and maxGapEndS (when that gap ended, from the start), beginMs and showMs (what starting
// the scan and first showing the window took, before the event loop runs), lines (log
// lines), uiCpuMs (processor time of the window's thread for the whole run, start-up of the
// program included), completed (song database and digest in place).
#include "platform/ui/Desktop.h"
#include "scan/ui/ScanWindow.h"
#include "shell/Application.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QListView>
#include <QTimer>

#include <sys/resource.h>

#include <cstdio>
#include <filesystem>

namespace {

// No person at the screen: every message goes to standard error and every chooser is
// cancelled.
class ConsoleDesktop : public tl::Desktop {
public:
    std::optional<QString> chooseFolder(QWidget*, const QString&, const QString&) override {
        return std::nullopt;
    }
    std::optional<QStringList> chooseFilesToOpen(QWidget*, const tl::FileChooser&) override {
        return std::nullopt;
    }
    std::optional<QString> chooseFileToSave(QWidget*, const tl::FileChooser&) override {
        return std::nullopt;
    }
    void showMessage(QWidget*, tl::MessageIcon, const QString& text) override {
        std::fprintf(stderr, "message: %s\n", text.toUtf8().constData());
        ++messages;
    }
    bool askYesNo(QWidget*, tl::MessageIcon, const QString&, bool yesIsDefault) override {
        return yesIsDefault;
    }
    bool openWithDesktop(const QString&) override { return false; }
    bool startProgram(const QString&, const QString&) override { return false; }
    void showHelp(const QString&, const QString&) override {}

    int messages = 0;
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    if (argc != 5) {
        std::fprintf(stderr, "usage: bench_scanwindow APPDIR FOLDER OUTDIR NAME\n");
        return 2;
    }
    std::string appDir = std::filesystem::absolute(argv[1]).string();
    if (appDir.back() != '/')
        appDir += '/';
    ConsoleDesktop desktop;
    tl::Application app(appDir, desktop);
    app.show(); // the start-up routine: language, settings
    // As tunelister-cli does, albums are completed from their folder names without asking.
    app.context().settings->autoComplete = true;
    tl::ScanWindow& scan = *app.windows().scan;

    QElapsedTimer clock;
    qint64 lastTick = -1, maxGap = 0, maxGapEnd = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (lastTick >= 0 && now - lastTick > maxGap) {
            maxGap = now - lastTick;
            maxGapEnd = now;
        }
        lastTick = now;
    });
    QEventLoop loop;
    QObject::connect(&scan, &tl::ScanWindow::scanFinished, &loop, &QEventLoop::quit);

    clock.start();
    ticker.start();
    if (!scan.beginScan(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[4]),
                        QString::fromLocal8Bit(argv[3])))
        return 1;
    const qint64 begun = clock.nsecsElapsed();
    scan.show();
    const qint64 shown = clock.nsecsElapsed();
    loop.exec();
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    rusage self{};
    ::getrusage(RUSAGE_THREAD, &self);
    const double uiCpuMs =
        (static_cast<double>(self.ru_utime.tv_sec + self.ru_stime.tv_sec) * 1e3 +
         static_cast<double>(self.ru_utime.tv_usec + self.ru_stime.tv_usec) / 1e3);
    // The last tick to the end counts too: the window may have been stuck right up to it.
    if (clock.nsecsElapsed() - lastTick > maxGap) {
        maxGap = clock.nsecsElapsed() - lastTick;
        maxGapEnd = clock.nsecsElapsed();
    }

    const auto* log = scan.findChild<QListView*>(QStringLiteral("lstLog"));
    const int lines = log ? log->model()->rowCount() : -1;
    const std::string base = std::string(argv[3]) + "/" + argv[4];
    const bool completed = std::filesystem::exists(base + ".sds") &&
                           std::filesystem::exists(base + ".sdd") && desktop.messages == 0;
    std::printf("{\"seconds\": %.4f, \"maxGapMs\": %.2f, \"maxGapEndS\": %.3f, \"beginMs\": %.2f, "
                "\"showMs\": %.2f, \"uiCpuMs\": %.1f, \"lines\": %d, \"completed\": %s}\n",
                seconds, static_cast<double>(maxGap) / 1e6, static_cast<double>(maxGapEnd) / 1e9,
                static_cast<double>(begun) / 1e6, static_cast<double>(shown - begun) / 1e6, uiCpuMs,
                lines, completed ? "true" : "false");
    scan.hide();
    return 0;
}
