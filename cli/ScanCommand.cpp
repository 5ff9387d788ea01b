// tunelister-cli scan: catalogues a folder into a song database, printing the scan log on
// standard error and, on a terminal, one progress line.
#include "cli/Cli.h"
#include "cli/DigestStep.h"

#include "locale/Settings.h"
#include "platform/Volumes.h"
#include "plugins/Pluginmanager.h"
#include "scan/ScanMessages.h"
#include "scan/VolumeScanner.h"
#include "storage/Utf8.h"

#include <chrono>
#include <csignal>
#include <cstring>
#include <ostream>
#include <sstream>
#include <sys/ioctl.h>
#include <unistd.h>

namespace tl::cli {
namespace {

const char* severityPrefix(Severity severity) {
    switch (severity) {
    case Severity::Information:
        return "info: ";
    case Severity::Warning:
        return "warning: ";
    case Severity::Error:
        return "error: ";
    }
    return "";
}

void printLine(Context& ctx, Severity severity, const std::string& text) {
    *ctx.err << severityPrefix(severity) << text << "\n";
}

// The scanner of the command line: log lines go to standard error as they come (the
// worker writes them itself; the main thread only waits), and the progress line is
// redrawn at most ten times a second.
class CliScanner : public VolumeScanner {
public:
    CliScanner(Context& ctx, bool terminal) : m_ctx(ctx), m_terminal(terminal) {}
    ~CliScanner() override { stop(); }

protected:
    bool message() override {
        const std::optional<ScanLogLine> line =
            scanLogLine(status(), currentDirectory(), currentFileName());
        if (!line) {
            if (m_terminal)
                drawProgress(false);
            return true;
        }
        clearProgress();
        printLine(m_ctx, line->severity, line->text(m_ctx.locale));
        m_ctx.err->flush();
        return true;
    }
    int scanEnded(bool completed) override {
        clearProgress();
        return completed ? ExitOk : ExitFailed;
    }

private:
    using Clock = std::chrono::steady_clock;

    void drawProgress(bool force) {
        const Clock::time_point now = Clock::now();
        if (m_start == Clock::time_point{})
            m_start = now;
        if (!force && now - m_lastDraw < std::chrono::milliseconds(100))
            return;
        m_lastDraw = now;
        const double seconds = std::chrono::duration<double>(now - m_start).count();
        const double rate = seconds > 0.05 ? static_cast<double>(recordCount()) / seconds : 0.0;
        char head[96];
        std::snprintf(head, sizeof head, "%llu files, %.0f files/s, ",
                      static_cast<unsigned long long>(recordCount()), rate);
        std::string folder = utf8Sanitized(currentDirectory());
        winsize ws{};
        const std::size_t columns =
            ::ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0 ? ws.ws_col : 80;
        const std::size_t used = std::strlen(head) + 1;
        const std::size_t room = columns > used ? columns - used : 0;
        // Long folders keep their end, which says most about where the scan is.
        const std::size_t chars = utf8Length(folder);
        if (chars > room && room > 3) {
            std::size_t pos = 0;
            for (std::size_t i = 0; i < chars - (room - 3); ++i) {
                std::size_t length = 1;
                utf8Decode(folder, pos, &length);
                pos += length;
            }
            folder = "..." + folder.substr(pos);
        }
        *m_ctx.err << "\r\033[K" << head << folder << std::flush;
        m_shown = true;
    }
    void clearProgress() {
        if (m_shown)
            *m_ctx.err << "\r\033[K" << std::flush;
        m_shown = false;
    }

    Context& m_ctx;
    bool m_terminal;
    bool m_shown = false;
    Clock::time_point m_start{};
    Clock::time_point m_lastDraw{};
};

std::atomic<VolumeScanner*> g_interrupted{nullptr};

extern "C" void onInterrupt(int) {
    if (VolumeScanner* scanner = g_interrupted.load())
        scanner->requestStop();
}

// Ctrl-C cancels the scan the way the scan window's Cancel does; a second one ends the
// program at once.
class InterruptGuard {
public:
    explicit InterruptGuard(VolumeScanner& scanner) {
        g_interrupted.store(&scanner);
        struct sigaction action {};
        action.sa_handler = onInterrupt;
        action.sa_flags = SA_RESTART | SA_RESETHAND;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGINT, &action, &m_previous);
    }
    ~InterruptGuard() {
        ::sigaction(SIGINT, &m_previous, nullptr);
        g_interrupted.store(nullptr);
    }
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

private:
    struct sigaction m_previous {};
};

std::string lastComponent(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool isPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

// After a completed scan the album digest is built beside the song database, albums
// completed from their folder names without asking; the song database stays whatever the
// digest's outcome.
int buildDigest(Context& ctx, const std::string& base) {
    Settings settings;
    settings.path = settingsFilePath(ctx.appDir);
    settings.locale = &ctx.locale;
    loadSettings(settings);
    printLine(ctx, Severity::Information, digestText(ctx, DigestBuildingMessage));
    DigestJob job{base + ".sds", base + ".sdd", ConfirmPolicy::Auto, settings.digestVarious,
                  settings.tooMany};
    std::istringstream noAnswers;
    const DigestResult result = runDigest(ctx, job, noAnswers);
    const bool done = result == DigestResult::Done;
    printLine(ctx, done ? Severity::Information : Severity::Error,
              digestText(ctx, digestResultMessage(result, DigestCaller::Scan)));
    return done ? ExitOk : ExitFailed;
}

struct ScanOptions {
    std::string folder;
    std::string out;
    std::string name;
};

int scan(Context& ctx, const ScanOptions& options) {
    VolumeInfo volume;
    if (!identifyVolume(options.folder, "", volume)) {
        printLine(ctx, Severity::Error, ctx.locale.text("Scan", "NotReady"));
        return ExitFailed;
    }
    std::string name = options.name;
    if (name.empty()) {
        // A label or folder name may hold a "/", which a file name cannot.
        name = volume.label.empty() ? lastComponent(volume.folder) : volume.label;
        for (char& c : name)
            if (c == '/')
                c = '_';
    }
    if (!isPlainName(name)) {
        *ctx.err << "tunelister-cli: scan: "
                 << (options.name.empty() ? "no database name can be "
                                            "derived; give --name"
                                          : "--name must be a plain "
                                            "file name")
                 << "\n";
        return ExitUsage;
    }

    PluginManager plugins(ctx.appDir + "plugins/");
    plugins.load();
    CliScanner scanner(ctx, ::isatty(STDERR_FILENO) == 1);
    scanner.setPluginManager(&plugins);
    scanner.setPluginOptions(settingsPluginOptions(ctx));
    scanner.setRootDirectory(options.folder);
    scanner.setDatabaseName(name);
    scanner.setOutputDirectory(options.out.empty() ? std::string("./") : options.out);

    InterruptGuard guard(scanner);
    switch (scanner.beginScan()) {
    case VolumeScanner::BeginOk:
        break;
    case VolumeScanner::BeginNotReady:
        printLine(ctx, Severity::Error, ctx.locale.text("Scan", "NotReady"));
        return ExitFailed;
    case VolumeScanner::BeginOutputError:
        printLine(ctx, Severity::Error, ctx.locale.text("Scan", "OutputErr"));
        return ExitFailed;
    default:
        printLine(ctx, Severity::Error, ctx.locale.text("General", "Error"));
        return ExitFailed;
    }
    if (scanner.wait() != ExitOk)
        return ExitFailed;
    return buildDigest(ctx, scanner.outputDirectory() + name);
}

} // namespace

void addScanCommand(CLI::App& app, Context& ctx) {
    auto* cmd = app.add_subcommand("scan", "Catalogue a folder into a song database (.sds).");
    static ScanOptions options;
    cmd->add_option("FOLDER", options.folder, "Folder to scan")->required();
    cmd->add_option("--out", options.out, "Folder of the song database (default: current folder)");
    cmd->add_option("--name", options.name,
                    "Database name, without .sds (default: the volume label, else the folder's "
                    "name)");
    cmd->callback([&ctx] { ctx.status = scan(ctx, options); });
}

} // namespace tl::cli
