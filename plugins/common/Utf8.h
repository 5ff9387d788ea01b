#pragma once
/**
 * @file Utf8.h
 * The UTF-8 rules the plug-ins write the record's text by: encoding a code point, telling
 * well-formed text from bytes in another encoding, replacing what is ill-formed, and
 * cutting text to a byte limit without splitting a character.
 */
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace tl::plugin {

/** Appends code point @p cp (at most U+10FFFF, not a surrogate) to @p out in UTF-8. */
void appendUtf8(std::string& out, char32_t cp);

/** What begins at one byte of a text. */
struct Utf8Sequence {
    std::size_t length; ///< bytes of the character, or of its ill-formed start (at least 1)
    bool valid;         ///< a well-formed character
};

/** The sequence at byte @p at (inside @p text): a well-formed character of Unicode's table
 *  3-7 (no overlong form, no surrogate, nothing above U+10FFFF), or an ill-formed one,
 *  whose length is that of the longest start of a well-formed sequence (at least 1) and
 *  which counts as one invalid character. */
Utf8Sequence utf8SequenceAt(std::string_view text, std::size_t at);

/** True when @p text is well-formed UTF-8. */
bool isUtf8(std::string_view text);

/** @p bytes as UTF-8 with every ill-formed sequence (stray continuation bytes, overlong
 *  forms, surrogates, code points above U+10FFFF, a cut sequence) replaced by U+FFFD. At
 *  most about @p maxBytes bytes are produced. */
std::string sanitizeUtf8(std::span<const std::byte> bytes, std::size_t maxBytes);

/** Length of the longest prefix of the valid UTF-8 text @p text that has at most
 *  @p maxBytes bytes and does not end inside a character. */
std::size_t utf8PrefixLength(std::string_view text, std::size_t maxBytes);

} // namespace tl::plugin
