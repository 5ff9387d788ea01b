#include "cli/Cli.h"

#include <ostream>

namespace tl::cli {
namespace {

constexpr std::string_view Program = "tunelister-cli: ";

Message messageOf(std::string_view section, std::string_view key, Severity severity,
                  std::initializer_list<LocaleArg> args) {
    std::vector<MessageArg> values;
    for (const LocaleArg& arg : args) {
        if (arg.isText())
            values.emplace_back(arg.asText());
        else
            values.emplace_back(arg.asNumber());
    }
    return makeMessage(section, key, severity, std::move(values));
}

const char* severityPrefix(Severity severity) {
    switch (severity) {
    case Severity::Information:
        return "info: ";
    case Severity::Warning:
        return "warning: ";
    case Severity::Error:
        return "error: ";
    }
    return "";
}

} // namespace

std::string Context::text(const Message& message) const {
    return localeText(locale, message);
}

std::string Context::text(std::string_view section, std::string_view key,
                          std::initializer_list<LocaleArg> args) const {
    return text(messageOf(section, key, Severity::Information, args));
}

void Context::warn(std::string_view section, std::string_view key,
                   std::initializer_list<LocaleArg> args) const {
    *err << Program << text(section, key, args) << "\n";
}

void Context::fail(const Message& message, ExitStatus exit) {
    *err << Program << text(message) << "\n";
    status = exit;
}

void Context::fail(std::string_view section, std::string_view key,
                   std::initializer_list<LocaleArg> args, ExitStatus exit) {
    fail(messageOf(section, key, Severity::Error, args), exit);
}

void Context::log(const Message& message) const {
    *err << severityPrefix(message.severity) << text(message) << "\n";
}

Settings Context::settings() const {
    Settings settings;
    settings.path = settingsFilePath(appDir);
    settings.locale = &locale;
    loadSettings(settings);
    return settings;
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
