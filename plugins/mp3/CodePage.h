#pragma once
/**
 * @file CodePage.h
 * The legacy 8-bit code pages in which old tags were written, decoded to UTF-8.
 *
 * ID3v1 bytes and ISO-8859-1 ID3v2 text are read in the code page that Windows uses as
 * the ANSI code page for the user's language, because that is what taggers on Windows
 * actually wrote into those fields.
 */
#include <string>
#include <string_view>

namespace tl::mp3 {

/** The Windows code pages we decode. */
enum class CodePage {
    Cp1250 = 1250,
    Cp1251 = 1251,
    Cp1252 = 1252,
    Cp1253 = 1253,
    Cp1254 = 1254,
    Cp1257 = 1257
};

/** The code page of a locale name such as "cs_CZ.UTF-8", "ru", "sr_RS@latin" or "C":
 *  chosen by the language part; Windows-1252 for anything not listed. */
CodePage codePageForLocale(std::string_view locale);

/** The code page of the user's language, from the first non-empty of LC_ALL, LC_CTYPE
 *  and LANG. */
CodePage codePageFromEnvironment();

/** The code point that byte @p byte stands for in @p page. A byte the code page leaves
 *  undefined stands for the code point of its own value. */
char32_t codePoint(CodePage page, unsigned char byte);

/** Appends code point @p cp (at most U+10FFFF, not a surrogate) to @p out in UTF-8. */
void appendUtf8(std::string& out, char32_t cp);

/** @p bytes decoded from @p page into UTF-8. */
std::string decodeToUtf8(std::string_view bytes, CodePage page);

/** Length of the longest prefix of the valid UTF-8 text @p text that has at most
 *  @p maxBytes bytes and does not end inside a character. */
std::size_t utf8PrefixLength(std::string_view text, std::size_t maxBytes);

} // namespace tl::mp3
