#include "cli/Cli.h"
#include "cli/DigestStep.h"

#include <iostream>

namespace tl::cli {
namespace {

int digestCommand(Context& ctx, const std::string& songPath, std::string digestPath, bool ask) {
    if (digestPath.empty()) {
        // The digest lies beside its song database, named by the ".sds" name; any other
        // name would give no sensible digest name, so it has to be given.
        if (!isSongDatabaseName(songPath)) {
            *ctx.err << "tunelister-cli: " << songPath << ": "
                     << digestText(ctx, {"DialogScan", "SDSRequired"})
                     << " (name the digest to read another file)\n";
            return ExitUsage;
        }
        digestPath = digestPathFor(songPath);
    }
    DigestJob job{songPath, digestPath, ask ? ConfirmPolicy::Ask : ConfirmPolicy::Auto};
    const DigestResult result = runDigest(ctx, job, std::cin);
    const std::string text = digestText(ctx, digestResultMessage(result, DigestCaller::ReCreate));
    if (result != DigestResult::Done) {
        *ctx.err << "tunelister-cli: " << songPath << ": " << text << " (result "
                 << static_cast<int>(result) << ")\n";
        return ExitFailed;
    }
    *ctx.out << digestPath << ": " << text << "\n";
    return ExitOk;
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
