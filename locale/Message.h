#pragma once
/**
 * @file Message.h
 * What the core has to say to the user, before it is put into words: a locale text named
 * by section and key, its severity and its arguments. Scan log lines, digest outcomes,
 * report failures, template and condition errors all travel as a Message; the front ends
 * turn it into text with localeText() and show it (a log line, a message box, a line on
 * standard error).
 */
#include "locale/Locale.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tl {

/** How serious a message is. The numbers are the indexes of the log's icons. */
enum class Severity : int { Information = 0, Warning = 1, Error = 2 };

/** One argument of a message: a text or an integer, owned by the message. */
using MessageArg = std::variant<std::string, std::int64_t>;

/** A message as a value: it can be copied to another thread and looked up later. */
struct Message {
    std::string section; ///< locale section
    std::string key;     ///< locale key
    Severity severity = Severity::Information;
    std::vector<MessageArg> args; ///< in placeholder order ("%0s", "%1d", ...)

    friend bool operator==(const Message&, const Message&) = default;
};

/** A message of @p severity with @p args. */
Message makeMessage(std::string_view section, std::string_view key, Severity severity,
                    std::vector<MessageArg> args = {});

/**
 * The text of @p message in @p locale, its placeholders filled from its arguments. A key
 * that no locale file holds gives the missing-text notice followed by what the message
 * was about ("[Section/Key: arg, arg]"), so that nothing the core said is lost.
 */
std::string localeText(const Locale& locale, const Message& message);

} // namespace tl
