#pragma once
/**
 * @file ProfileWriter.h
 * Writing values into a profile (INI) file that people also edit by hand: a written key
 * changes only its own line, or is added at the end of its section, or its section is
 * added at the end of the file; every other line (comments, unknown keys, blank lines,
 * line ends) stays as it was.
 */
#include <span>
#include <string>
#include <string_view>

namespace tl {

/** One key and the value to write for it. */
struct ProfileValue {
    std::string_view key;
    std::string value;
};

/** @p text with @p key of @p section set to @p value. The first matching section and key
 *  are the ones the reader finds, so the written value is the one read back. A value that
 *  the reader would trim or unquote is written in quotes; line breaks in it become blanks. */
std::string withProfileValue(std::string_view text, std::string_view section, std::string_view key,
                             std::string_view value);

/** Writes @p values into @p section of the file at @p path (created when missing). The new
 *  content goes to a temporary file that reaches the disk and is then renamed over the old
 *  one, so the file is never left half written. False when the file cannot be read or
 *  written; the old file is then unchanged. */
bool writeProfileValues(const std::string& path, std::string_view section,
                        std::span<const ProfileValue> values);

} // namespace tl
