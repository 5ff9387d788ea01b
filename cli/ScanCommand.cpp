// tunelister-cli scan: catalogues a folder into a song database and its digest, printing
// the scan log on standard error and, on a terminal, one progress line.
#include "cli/Cli.h"
#include "cli/JobDriver.h"

#include "frontend/FrontEnd.h"
#include "platform/Volumes.h"
#include "plugins/Pluginmanager.h"
#include "scan/VolumeScanner.h"

#include <ostream>

namespace tl::cli {
namespace {

struct ScanOptions {
    std::string folder;
    std::string out;
    std::string name;
};

int scan(Context& ctx, const ScanOptions& options) {
    std::string name = options.name;
    if (name.empty()) {
        VolumeInfo volume;
        if (!identifyVolume(options.folder, "", volume)) {
            ctx.log(scanBeginMessage(VolumeScanner::BeginNotReady));
            return ExitFailed;
        }
        name = defaultCatalogueName(volume);
    }
    if (!isPlainFileName(name)) {
        *ctx.err << "tunelister-cli: scan: "
                 << (options.name.empty() ? "no database name can be derived; give --name"
                                          : "--name must be a plain file name")
                 << "\n";
        return ExitUsage;
    }
    PluginManager plugins(ctx.appDir + "plugins/");
    plugins.load();
    // After a scan the albums are completed from their folder names without asking.
    ScanRequest request = scanRequest(ctx.settings(), &plugins, options.folder, name,
                                      options.out.empty() ? std::string("./") : options.out, true);
    request.census = progressLineShown(); // the totals are for the progress line
    ScanJob job(std::move(request));
    const JobResult result = driveJob(ctx, job);
    if (result.message) // the scan could not begin; the rest was in the log
        ctx.log(*result.message);
    return exitStatusOf(result);
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
