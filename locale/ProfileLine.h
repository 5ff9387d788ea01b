#pragma once
// How one line of a profile reads; shared by the reader and the writer so that both see the
// same sections and keys.
#include <optional>
#include <string>
#include <string_view>

namespace tl {

struct ProfileLine {
    enum Kind { Other, Section, Entry };
    Kind kind = Other;
    std::string_view name;  ///< section name or key, trimmed
    std::string_view value; ///< an entry's value, trimmed and unquoted
};

/** Where the lines of @p text begin: after a UTF-8 byte order mark, if any. */
std::size_t profileTextStart(std::string_view text);

/** Reads one line (without its line feed; a trailing CR is ignored as a blank). */
ProfileLine parseProfileLine(std::string_view line);

/** The bytes of the profile file at @p path; nullopt when it cannot be read, is not a
 *  regular file or is larger than Profile::MaxFileSize. A file that does not exist reads as
 *  empty when @p missingIsEmpty is set. */
std::optional<std::string> readProfileText(const std::string& path, bool missingIsEmpty);

} // namespace tl
