#include "locale/Message.h"

namespace tl {
namespace {

std::string argumentText(const MessageArg& arg) {
    if (const auto* text = std::get_if<std::string>(&arg))
        return *text;
    return std::to_string(std::get<std::int64_t>(arg));
}

} // namespace

Message makeMessage(std::string_view section, std::string_view key, Severity severity,
                    std::vector<MessageArg> args) {
    return {std::string(section), std::string(key), severity, std::move(args)};
}

std::string localeText(const Locale& locale, const Message& message) {
    std::vector<LocaleArg> args;
    args.reserve(message.args.size());
    for (const MessageArg& arg : message.args) {
        if (const auto* text = std::get_if<std::string>(&arg))
            args.emplace_back(*text);
        else
            args.emplace_back(std::get<std::int64_t>(arg));
    }
    std::string text = locale.text(message.section, message.key, std::span<const LocaleArg>(args));
    if (text != MissingLocaleText)
        return text;
    text += " [";
    text.append(message.section).append("/").append(message.key);
    const char* separator = ": ";
    for (const MessageArg& arg : message.args) {
        text.append(separator).append(argumentText(arg));
        separator = ", ";
    }
    return text + "]";
}

} // namespace tl
