// tunelister-cli digest: rebuilds the album digest of a song database.
#include "cli/AlbumPrompt.h"
#include "cli/Cli.h"
#include "cli/JobDriver.h"

#include "digest/DigestMessages.h"
#include "frontend/FrontEnd.h"

#include <ostream>

namespace tl::cli {
namespace {

int digestCommand(Context& ctx, const std::string& songPath, const std::string& digestPath,
                  bool ask) {
    // The digest lies beside its song database, named by the ".sds" name; for any other
    // name the digest has to be named.
    if (digestPath.empty() && !isSongDatabaseName(songPath)) {
        ctx.fail("Cli", "DigestFailed", {songPath, ctx.text("DialogScan", "SDSRequired")},
                 ExitUsage);
        return ExitUsage;
    }
    DigestJob job(digestRequest(ctx.settings(), songPath, digestPath, !ask));
    const JobResult result = ask ? driveJob(ctx, job, ConsoleAlbumPrompt(ctx)) : driveJob(ctx, job);
    const std::string text = result.message ? ctx.text(*result.message) : std::string();
    if (!result.ok())
        ctx.fail("Cli", "DigestFailed", {songPath, text});
    else
        *ctx.out << job.request().digestPath << ": " << text << "\n";
    return exitStatusOf(result);
}

} // namespace

void addDigestCommand(CLI::App& app, Context& ctx) {
    auto* cmd = app.add_subcommand("digest", "Rebuild the album digest of a song database.");
    static std::string songPath;
    static std::string digestPath;
    static bool ask = false;
    cmd->add_option("SONGS", songPath, "Song database (.sds)")->required();
    cmd->add_option("DIGEST", digestPath,
                    "Digest to write (default: the song database's name ending in .sdd)");
    cmd->add_flag("--ask", ask,
                  "Show each album completed from its folder names and ask for its values "
                  "(answers are read from standard input)");
    cmd->callback([&ctx] { ctx.status = digestCommand(ctx, songPath, digestPath, ask); });
}

} // namespace tl::cli
