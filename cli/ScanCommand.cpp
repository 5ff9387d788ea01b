// tunelister-cli scan: catalogues a folder into a song database, printing the scan log on
// standard error and, on a terminal, one progress line.
#include "cli/Cli.h"
#include "cli/Interrupt.h"

#include "digest/DigestMessages.h"
#include "platform/Volumes.h"
#include "plugins/Pluginmanager.h"
#include "scan/ScanJob.h"
#include "storage/Text.h"
#include "storage/Utf8.h"

#include <chrono>
#include <cstring>
#include <future>
#include <ostream>
#include <sys/ioctl.h>
#include <unistd.h>

namespace tl::cli {
namespace {

// The scan of the command line: log lines go to standard error as they come (on the
// worker; the main thread only waits), and on a terminal one progress line is redrawn at
// most ten times a second.
class CliScan : public ScanJobListener {
public:
    CliScan(Context& ctx, bool terminal) : m_ctx(ctx), m_terminal(terminal) {}

    std::future<void> done() { return m_done.get_future(); }

    void scanEvent(const ScanEvent& event) override {
        const std::optional<Message> line = scanMessage(event);
        if (!line) {
            if (m_terminal)
                drawProgress(event);
            return;
        }
        clearProgress();
        m_ctx.log(*line);
        m_ctx.err->flush();
    }
    void digestStarted() override { m_ctx.log(digestBuildingMessage()); }
    // Albums are completed from their folder names without asking.
    void albumQuestion(const Fields&) override {}
    void jobFinished(const ScanOutcome& outcome) override {
        clearProgress();
        if (outcome.digest)
            m_ctx.log(digestResultMessage(*outcome.digest, DigestCaller::Scan));
        m_done.set_value();
    }

private:
    using Clock = std::chrono::steady_clock;

    void drawProgress(const ScanEvent& event) {
        const Clock::time_point now = Clock::now();
        if (m_start == Clock::time_point{})
            m_start = now;
        if (now - m_lastDraw < std::chrono::milliseconds(100))
            return;
        m_lastDraw = now;
        const double seconds = std::chrono::duration<double>(now - m_start).count();
        const double rate = seconds > 0.05 ? static_cast<double>(event.filesDone) / seconds : 0.0;
        char head[96];
        std::snprintf(head, sizeof head, "%llu files, %.0f files/s, ",
                      static_cast<unsigned long long>(event.filesDone), rate);
        std::string folder = utf8Sanitized(event.directory);
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
    std::promise<void> m_done;
};

bool isPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

struct ScanOptions {
    std::string folder;
    std::string out;
    std::string name;
};

int scan(Context& ctx, const ScanOptions& options) {
    VolumeInfo volume;
    if (!identifyVolume(options.folder, "", volume)) {
        ctx.log(scanBeginMessage(VolumeScanner::BeginNotReady));
        return ExitFailed;
    }
    std::string name = options.name;
    if (name.empty()) {
        // A label or folder name may hold a "/", which a file name cannot.
        name = volume.label.empty() ? std::string(fileNameOf(volume.folder)) : volume.label;
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

    const Settings settings = ctx.settings();
    PluginManager plugins(ctx.appDir + "plugins/");
    plugins.load();
    CliScan listener(ctx, ::isatty(STDERR_FILENO) == 1);
    std::future<void> done = listener.done();
    ScanJob job(listener);
    ScanRequest request;
    request.folder = options.folder;
    request.databaseName = name;
    request.outputDirectory = options.out.empty() ? std::string("./") : options.out;
    request.plugins = &plugins;
    request.pluginOptions = pluginOptionsFor(settings);
    // After a scan the albums are completed from their folder names without asking.
    request.digest = {settings.digestVarious, settings.tooMany, true};

    InterruptGuard interrupt;
    if (const int begun = job.begin(request); begun != VolumeScanner::BeginOk) {
        ctx.log(scanBeginMessage(begun));
        return ExitFailed;
    }
    for (bool asked = false;
         done.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready;) {
        if (!asked && InterruptGuard::flag().load()) {
            job.requestStop();
            asked = true;
        }
    }
    return job.wait().completed() ? ExitOk : ExitFailed;
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
