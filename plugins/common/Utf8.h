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

/** Appends code point @p cp (at most U+10FFFF, not a surrogate) to @p out in UTF-8. Inline:
 *  the decoders call it for every character. */
inline void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

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
inline std::size_t utf8PrefixLength(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes)
        return text.size();
    std::size_t length = maxBytes;
    // Back off over continuation bytes so the cut falls before a character's lead byte.
    while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
        --length;
    return length;
}

} // namespace tl::plugin
