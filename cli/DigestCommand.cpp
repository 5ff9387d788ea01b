// tunelister-cli digest: rebuilds the album digest of a song database.
#include "cli/Cli.h"
#include "cli/DigestStep.h"
#include "cli/Interrupt.h"

#include <future>
#include <iostream>

namespace tl::cli {
namespace {

// Relays the end of the run to the waiting main thread.
class DigestRun : public ConsoleAlbumPrompt {
public:
    using ConsoleAlbumPrompt::ConsoleAlbumPrompt;
    std::future<void> done() { return m_done.get_future(); }
    void digestFinished(DigestResult) override { m_done.set_value(); }

private:
    std::promise<void> m_done;
};

int digestCommand(Context& ctx, const std::string& songPath, std::string digestPath, bool ask) {
    if (digestPath.empty()) {
        // The digest lies beside its song database, named by the ".sds" name; for any other
        // name the digest has to be named.
        if (!isSongDatabaseName(songPath)) {
            ctx.fail("Cli", "DigestFailed", {songPath, ctx.text("DialogScan", "SDSRequired")},
                     ExitUsage);
            return ExitUsage;
        }
        digestPath = digestPathFor(songPath);
    }
    DigestRun prompt(ctx, std::cin);
    DigestJob job(prompt);
    prompt.setJob(&job);
    std::future<void> done = prompt.done();
    InterruptGuard interrupt;
    if (!job.start(songPath, digestPath, digestOptions(ctx, ask))) {
        ctx.fail("General", "Error");
        return ExitFailed;
    }
    InterruptGuard::waitFor(done, [&job] { job.requestStop(); });
    const DigestResult result = job.wait();
    const std::string text = ctx.text(digestResultMessage(result, DigestCaller::ReCreate));
    if (result != DigestResult::Done) {
        ctx.fail("Cli", "DigestFailed", {songPath, text});
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
