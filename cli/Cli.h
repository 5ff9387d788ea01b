#pragma once
/**
 * @file Cli.h
 * Shared pieces of tunelister-cli's commands. Scan, digest and report make their job's
 * request with the decisions both programs share (frontend/) and run it with the job
 * driver (JobDriver.h); info, dump and plugins print what the core reads. The commands
 * decide only what is the command line's own: options, exit status, which stream.
 */
#include "locale/Locale.h"
#include "locale/Message.h"
#include "locale/Settings.h"

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
    tl::Locale locale; ///< the program's language (or --locale FILE), falling back to default.lcl
    int status = ExitOk;

    /** The text of @p message in the locale. */
    std::string text(const Message& message) const;
    /** The locale text of @p key in @p section with @p args filled in. */
    std::string text(std::string_view section, std::string_view key,
                     std::initializer_list<LocaleArg> args = {}) const;
    /** Prints "tunelister-cli: " and the message's text on the error stream and sets the
     *  exit status to @p exit (the job failed, unless told otherwise). */
    void fail(const Message& message, ExitStatus exit = ExitFailed);
    void fail(std::string_view section, std::string_view key,
              std::initializer_list<LocaleArg> args = {}, ExitStatus exit = ExitFailed);
    /** Prints the text like fail() but leaves the exit status alone. */
    void warn(std::string_view section, std::string_view key,
              std::initializer_list<LocaleArg> args = {}) const;
    /** Prints a log line: its severity ("info: ", "warning: ", "error: ") and its text. */
    void log(const Message& message) const;

    /** The user's settings from the settings file of the application folder. */
    Settings settings() const;
};

/** Adds the global option "--locale FILE", which makes FILE the primary locale file. A file
 *  that cannot be read is a usage error; one that cannot be used is reported and the
 *  default locale file is used alone. */
void addLocaleOption(CLI::App& app, Context& ctx);

/** Each command adds its subcommand to @p app; its callback sets ctx.status. */
void addPluginsCommand(CLI::App& app, Context& ctx);
void addDumpCommand(CLI::App& app, Context& ctx);
void addScanCommand(CLI::App& app, Context& ctx);
void addReportCommand(CLI::App& app, Context& ctx);
void addDigestCommand(CLI::App& app, Context& ctx);
void addInfoCommand(CLI::App& app, Context& ctx);

} // namespace tl::cli
