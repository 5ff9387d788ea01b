#include "cli/Cli.h"

#include "plugins/Pluginmanager.h"

#include <ostream>

namespace tl::cli {

void addPluginsCommand(CLI::App& app, Context& ctx) {
    auto* cmd = app.add_subcommand("plugins", "List the loaded input plug-ins.");
    cmd->callback([&ctx] {
        PluginManager manager(ctx.appDir + "plugins/");
        manager.load();
        std::ostream& out = *ctx.out;
        out << "Plug-in folder: " << manager.directory() << "\n";
        if (manager.count() == 0)
            out << "No plug-ins loaded.\n";
        for (int i = 0; i < manager.count(); ++i) {
            PluginInfo info{};
            if (manager.getInfo(i, info) != 0)
                continue;
            out << i << ": " << info.name << "\n"
                << "   extension: " << info.extension << "\n"
                << "   about: " << info.about << "\n"
                << "   version: " << info.versionText << "\n"
                << "   file: " << manager.fileName(i) << "\n";
        }
        ctx.status = ExitOk;
    });
}

} // namespace tl::cli
