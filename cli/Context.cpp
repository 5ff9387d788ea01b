#include "cli/Cli.h"

#include <ostream>

namespace tl::cli {
namespace {

constexpr std::string_view Program = "tunelister-cli: ";

// A message whose key no locale file holds would otherwise lose what it was about.
std::string withContext(std::string text, std::string_view section, std::string_view key,
                        std::initializer_list<LocaleArg> args) {
    if (text != MissingLocaleText)
        return text;
    text += " [";
    text.append(section).append("/").append(key);
    const char* separator = ": ";
    for (const LocaleArg& arg : args) {
        text.append(separator).append(arg.asText());
        separator = ", ";
    }
    return text + "]";
}

} // namespace

std::string Context::text(std::string_view section, std::string_view key,
                          std::initializer_list<LocaleArg> args) const {
    return locale.text(section, key, args);
}

void Context::warn(std::string_view section, std::string_view key,
                   std::initializer_list<LocaleArg> args) const {
    *err << Program << withContext(text(section, key, args), section, key, args) << "\n";
}

void Context::fail(std::string_view section, std::string_view key,
                   std::initializer_list<LocaleArg> args, ExitStatus exit) {
    warn(section, key, args);
    status = exit;
}

void addLocaleOption(CLI::App& app, Context& ctx) {
    app.add_option_function<std::string>(
           "--locale",
           [&ctx](const std::string& path) {
               if (!Profile::load(path))
                   throw CLI::ValidationError("--locale", ctx.text("Cli", "CannotOpen", {path}));
               ctx.locale.setPrimaryPath(path);
               if (checkLocales(ctx.locale) != LocaleStatus::Ok) {
                   // Only an accepted file may speak; the default file is used alone.
                   ctx.warn("Cli", "LocaleRefused", {path});
                   ctx.locale.setPrimaryPath("");
               }
           },
           "Language file (.lcl) to take the messages from")
        ->trigger_on_parse();
}

} // namespace tl::cli
