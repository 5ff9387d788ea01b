// Legacy code pages: the choice by locale, the tables against the system's iconv, and
// cutting decoded text at character boundaries.
#include "plugins/mp3/CodePage.h"
#include "plugins/mp3/Id3Fields.h"

#include <gtest/gtest.h>
#include <iconv.h>

namespace tl::mp3 {
namespace {

TEST(CodePage, ChosenByTheLanguageOfTheLocale) {
    const std::pair<const char*, CodePage> cases[] = {
        {"cs_CZ.UTF-8", CodePage::Cp1250},
        {"sk_SK", CodePage::Cp1250},
        {"pl_PL.UTF-8", CodePage::Cp1250},
        {"hu_HU", CodePage::Cp1250},
        {"sl_SI", CodePage::Cp1250},
        {"hr_HR", CodePage::Cp1250},
        {"ro_RO.UTF-8", CodePage::Cp1250},
        {"ru_RU.UTF-8", CodePage::Cp1251},
        {"uk_UA", CodePage::Cp1251},
        {"be_BY", CodePage::Cp1251},
        {"bg_BG", CodePage::Cp1251},
        {"sr_RS", CodePage::Cp1251},
        {"sr_RS@latin", CodePage::Cp1250},
        {"mk_MK", CodePage::Cp1251},
        {"el_GR.UTF-8", CodePage::Cp1253},
        {"tr_TR", CodePage::Cp1254},
        {"lt_LT", CodePage::Cp1257},
        {"lv_LV", CodePage::Cp1257},
        {"et_EE", CodePage::Cp1257},
        {"de_DE.UTF-8", CodePage::Cp1252},
        {"C", CodePage::Cp1252},
        {"POSIX", CodePage::Cp1252},
        {"", CodePage::Cp1252},
        {"csb_PL", CodePage::Cp1252},
    };
    for (const auto& [locale, page] : cases)
        EXPECT_EQ(codePageForLocale(locale), page) << locale;
}

TEST(CodePage, EnvironmentTakesLcAllThenLcCtypeThenLang) {
    struct Saved {
        const char* name;
        std::string value;
        bool set;
    };
    std::vector<Saved> saved;
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* v = std::getenv(name);
        saved.push_back({name, v ? v : "", v != nullptr});
    }
    ::setenv("LC_ALL", "", 1);
    ::setenv("LC_CTYPE", "ru_RU.UTF-8", 1);
    ::setenv("LANG", "cs_CZ.UTF-8", 1);
    EXPECT_EQ(codePageFromEnvironment(), CodePage::Cp1251);
    ::setenv("LC_ALL", "el_GR", 1);
    EXPECT_EQ(codePageFromEnvironment(), CodePage::Cp1253);
    ::unsetenv("LC_ALL");
    ::unsetenv("LC_CTYPE");
    EXPECT_EQ(codePageFromEnvironment(), CodePage::Cp1250);
    ::unsetenv("LANG");
    EXPECT_EQ(codePageFromEnvironment(), CodePage::Cp1252);
    for (const Saved& s : saved)
        s.set ? ::setenv(s.name, s.value.c_str(), 1) : ::unsetenv(s.name);
}

TEST(CodePage, TablesAgreeWithIconvAndUndefinedBytesKeepTheirValue) {
    for (const CodePage page : {CodePage::Cp1250, CodePage::Cp1251, CodePage::Cp1252,
                                CodePage::Cp1253, CodePage::Cp1254, CodePage::Cp1257}) {
        const std::string name = "CP" + std::to_string(static_cast<int>(page));
        iconv_t cd = ::iconv_open("UTF-32LE", name.c_str());
        ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1)) << name;
        for (int b = 0; b < 256; ++b) {
            char in = static_cast<char>(b);
            char32_t out = 0;
            char* inp = &in;
            char* outp = reinterpret_cast<char*>(&out);
            std::size_t inLeft = 1, outLeft = sizeof out;
            ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
            const bool defined = ::iconv(cd, &inp, &inLeft, &outp, &outLeft) != std::size_t(-1);
            const char32_t expected = defined ? out : static_cast<char32_t>(b);
            EXPECT_EQ(codePoint(page, static_cast<unsigned char>(b)), expected)
                << name << " byte " << b;
        }
        ::iconv_close(cd);
    }
}

TEST(CodePage, DecodesToUtf8AndCutsAtCharacterBoundaries) {
    // "Kůň" in Windows-1250, the euro sign (3 UTF-8 bytes) in Windows-1252.
    EXPECT_EQ(decodeToUtf8("K\xF9\xF2", CodePage::Cp1250), "K\xC5\xAF\xC5\x88");
    EXPECT_EQ(decodeToUtf8("\x80", CodePage::Cp1252), "\xE2\x82\xAC");
    EXPECT_EQ(decodeToUtf8("\x81", CodePage::Cp1252), "\xC2\x81");

    struct Case {
        std::string text;
        std::size_t maxBytes;
        std::size_t length;
    };
    const Case cases[] = {
        {"abc", 2, 2}, {"a\xE2\x82\xAC", 3, 1}, {"a\xE2\x82\xAC", 4, 4}, {"\xC5\xAF\xC5\x88", 3, 2},
        {"", 0, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(utf8PrefixLength(c.text, c.maxBytes), c.length) << c.text;

    // A Year span holds 4 bytes of text: two euro signs do not fit, one does.
    char year[6] = {};
    setText(year, sizeof year, "\xE2\x82\xAC\xE2\x82\xAC");
    EXPECT_EQ(std::string(year + 1), "\xE2\x82\xAC");
    EXPECT_EQ(year[0], 0);
}

} // namespace
} // namespace tl::mp3
