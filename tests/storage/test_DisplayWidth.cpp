// Columns of UTF-8 text in fixed-width output, and cuts by columns.
#include "storage/DisplayWidth.h"

#include "storage/Utf8.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cwchar>
#include <locale.h>
#include <string>

namespace tl {
namespace {

std::string utf8(char32_t cp) {
    std::string out;
    utf8Append(out, cp);
    return out;
}

TEST(DisplayWidth, CharactersTakeTheirColumns) {
    struct Case {
        const char* what;
        std::string text;
        std::size_t columns;
    };
    const Case cases[] = {
        {"ASCII", "Queen", 5},
        {"precomposed accents", "Dvořák", 6},
        {"decomposed accents",
         "Dvor\xCC\x8C"
         "a\xCC\x81k",
         6},
        {"kana and kanji", "坂本龍一 戦場のメリークリスマス", 31},
        {"Chinese", "周杰伦", 6},
        {"Hangul syllables", "아이유", 6},
        {"Hangul in decomposed jamo", "\xE1\x84\x8B\xE1\x85\xB5", 2}, // 이 as U+110B U+1175
        {"fullwidth Latin and the ideographic space", "ＡＢ\xE3\x80\x80", 6},
        {"halfwidth katakana", "ｱｲｳ", 3},
        {"wide emoji", "🎸🔥", 4},
        {"zero-width space and joiner",
         "a\xE2\x80\x8B"
         "b\xE2\x80\x8D",
         2},
        {"an ideograph beyond the first plane", utf8(0x20B9F), 2},
        {"bytes that are not UTF-8",
         "\xFF\xFE"
         "a",
         3},
        {"a mark with nothing before it",
         "\xCC\x81"
         "a",
         1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(displayWidth(c.text), c.columns) << c.what;
}

TEST(DisplayWidth, AgreesWithTheCLibraryInAUtf8Locale) {
    // The C library's widths depend on the locale, so the program does not use them; in a
    // UTF-8 locale they are an independent measure of the scripts reports meet most.
    const locale_t utf8Locale = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
    if (!utf8Locale)
        GTEST_SKIP() << "no C.UTF-8 locale";
    const locale_t previous = ::uselocale(utf8Locale);
    const std::pair<char32_t, char32_t> scripts[] = {
        {0x20, 0x7E},     {0xA1, 0x24F},    {0x300, 0x36F},     {0x370, 0x4FF},
        {0x1100, 0x11FF}, {0x2E80, 0x2FDF}, {0x3000, 0x31FF},   {0x3400, 0x4DBF},
        {0x4E00, 0x9FFF}, {0xAC00, 0xD7A3}, {0xD7B0, 0xD7FF},   {0xF900, 0xFAFF},
        {0xFE30, 0xFE4F}, {0xFF00, 0xFFEF}, {0x1F300, 0x1F64F}, {0x20000, 0x2A6DF},
    };
    int compared = 0;
    for (const auto& [first, last] : scripts) {
        for (char32_t cp = first; cp <= last; ++cp) {
            const int expected = ::wcwidth(static_cast<wchar_t>(cp));
            if (expected < 0)
                continue; // not assigned in the C library's Unicode version
            ++compared;
            ASSERT_EQ(columnWidth(cp), expected) << std::hex << "U+" << static_cast<int>(cp);
        }
    }
    ::uselocale(previous);
    ::freelocale(utf8Locale);
    EXPECT_GT(compared, 80000);
}

TEST(DisplayWidth, CutsNeverSplitACharacterNorLeaveAMarkBehind) {
    struct Case {
        const char* what;
        std::string text;
        std::size_t columns;
        std::string prefix, suffix;
        std::size_t prefixColumns, suffixColumns;
    };
    const std::string dvorak = "Dvor\xCC\x8C"
                               "ak"; // r with a combining caron
    const Case cases[] = {
        {"ASCII", "Rhapsody", 3, "Rha", "ody", 3, 3},
        {"a wide character that does not fit", "坂本龍一", 5, "坂本", "龍一", 4, 4},
        {"wide characters that fit", "坂本龍一", 4, "坂本", "龍一", 4, 4},
        {"no room for one wide character", "坂本", 1, "", "", 0, 0},
        {"the mark stays with its letter", dvorak, 4, "Dvor\xCC\x8C",
         "or\xCC\x8C"
         "ak",
         4, 4},
        {"the mark is not cut from it", dvorak, 3, "Dvo",
         "r\xCC\x8C"
         "ak",
         3, 3},
        {"mixed", "Björk 아이유", 8, "Björk 아", "k 아이유", 8, 8},
        {"mixed, a wide character at the edge", "Björk 아이유", 7, "Björk ", " 아이유", 6, 7},
        {"shorter than the columns", "Jazz", 10, "Jazz", "Jazz", 4, 4},
        {"nothing", "", 3, "", "", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ColumnSpan prefix = columnPrefix(c.text, c.columns);
        EXPECT_EQ(c.text.substr(0, prefix.bytes), c.prefix);
        EXPECT_EQ(prefix.columns, c.prefixColumns);
        const ColumnSpan suffix = columnSuffix(c.text, c.columns);
        EXPECT_EQ(c.text.substr(c.text.size() - suffix.bytes), c.suffix);
        EXPECT_EQ(suffix.columns, c.suffixColumns);
    }
}

} // namespace
} // namespace tl
