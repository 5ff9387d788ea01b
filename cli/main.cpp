// tunelister-cli: the command-line companion of Tunelister, on the same core.
#include "cli/Cli.h"

#include "platform/AppDir.h"
#include "platform/Version.h"

#include <iostream>

int main(int argc, char** argv) {
    using namespace tl::cli;
    Context ctx{tl::applicationDir(), &std::cout, &std::cerr, {}, ExitOk};
    // The language the user chose in the program, unless --locale chooses for this run.
    const tl::LocalePaths language = tl::localePathsFor(ctx.appDir);
    ctx.locale.setPrimaryPath(language.primary);
    ctx.locale.setFallbackPath(language.fallback);

    CLI::App app{"Tunelister command-line companion: catalogue music volumes, make reports."};
    app.name("tunelister-cli");
    app.set_version_flag("--version", std::string("tunelister-cli ") + tl::ProgramVersion,
                         "Print the version and exit");
    app.require_subcommand(1);
    addLocaleOption(app, ctx);
    addPluginsCommand(app, ctx);
    addDumpCommand(app, ctx);
    addScanCommand(app, ctx);
    addReportCommand(app, ctx);
    addDigestCommand(app, ctx);
    addInfoCommand(app, ctx);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return e.get_exit_code() == 0 ? ExitOk : ExitUsage;
    }
    return ctx.status;
}
