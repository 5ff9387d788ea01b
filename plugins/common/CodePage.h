#pragma once
/**
 * @file CodePage.h
 * The legacy 8-bit code pages in which old tags were written, decoded to UTF-8.
 *
 * 8-bit tag text without a declared Unicode encoding (ID3v1 bytes, ISO-8859-1 ID3v2 text,
 * RIFF INFO that is not UTF-8) is read in the code page that Windows uses as the ANSI code
 * page for the user's language, because that is what taggers on Windows actually wrote
 * into those fields.
 */
#include <string>
#include <string_view>

namespace tl::plugin {

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

/** @p bytes decoded from @p page into UTF-8. */
std::string decodeToUtf8(std::string_view bytes, CodePage page);

} // namespace tl::plugin
