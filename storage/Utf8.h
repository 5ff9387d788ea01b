#pragma once
/**
 * @file Utf8.h
 * Byte limits on UTF-8 text. Every length limit of the system counts bytes, and a cut
 * never splits a character.
 */
#include <cstddef>
#include <string>
#include <string_view>

namespace tl {

/** Length of the longest prefix of @p text of at most @p maxBytes bytes that does not end
 *  inside a UTF-8 sequence. Bytes that are not valid UTF-8 count as one character each. */
std::size_t utf8CutLength(std::string_view text, std::size_t maxBytes);

/** @p text cut to at most @p maxBytes bytes at a character boundary. */
inline std::string_view utf8Cut(std::string_view text, std::size_t maxBytes) {
    return text.substr(0, utf8CutLength(text, maxBytes));
}

/** Decodes the character at @p pos: its code point (a byte that does not start a valid
 *  sequence stands for the code point of its own value) and its length in bytes. */
char32_t utf8Decode(std::string_view text, std::size_t pos, std::size_t* length);

/** Appends the UTF-8 encoding of @p cp (code points above U+10FFFF become U+FFFD). */
void utf8Append(std::string& out, char32_t cp);

/** Number of characters in @p text, counted as utf8Decode counts them. */
std::size_t utf8Length(std::string_view text);

/** @p text with every byte that is not part of a valid UTF-8 sequence replaced by U+FFFD. */
std::string utf8Sanitized(std::string_view text);

} // namespace tl
