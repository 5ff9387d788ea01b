#pragma once
/**
 * @file Cli.h
 * Shared pieces of tunelister-cli's commands.
 */
#include "locale/Locale.h"

#include <CLI/CLI.hpp>

#include <iosfwd>
#include <string>

namespace tl::cli {

/** Exit statuses: success, the job failed, usage error. */
enum ExitStatus : int { ExitOk = 0, ExitFailed = 1, ExitUsage = 2 };

/** What every command gets: the application folder, the locale and the output streams. */
struct Context {
    std::string appDir; ///< ends in "/"
    std::ostream* out;
    std::ostream* err;
    tl::Locale locale; ///< appDir's locale.lcl, falling back to default.lcl
    int status = ExitOk;
};

/** Each command adds its subcommand to @p app; its callback sets ctx.status. */
void addPluginsCommand(CLI::App& app, Context& ctx);
void addDumpCommand(CLI::App& app, Context& ctx);
void addScanCommand(CLI::App& app, Context& ctx);

} // namespace tl::cli
