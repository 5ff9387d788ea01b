// Legacy code pages: the choice by the language environment, the tables against the
// system's iconv, and decoding to UTF-8.
#include "plugins/common/CodePage.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <optional>
#include <string>
#include <vector>

namespace tl::plugin {
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

/** Sets (or, for nothing, unsets) the three variables for a scope; the old values come back
 *  after it. */
class LanguageEnvironment {
public:
    using Value = std::optional<std::string>;
    LanguageEnvironment(const Value& lcAll, const Value& lcCtype, const Value& lang) {
        for (const char* name : Names) {
            const char* v = std::getenv(name);
            m_saved.push_back(v ? Value(v) : std::nullopt);
        }
        const Value values[] = {lcAll, lcCtype, lang};
        for (std::size_t i = 0; i < std::size(Names); ++i)
            set(Names[i], values[i]);
    }
    ~LanguageEnvironment() {
        for (std::size_t i = 0; i < std::size(Names); ++i)
            set(Names[i], m_saved[i]);
    }
    LanguageEnvironment(const LanguageEnvironment&) = delete;
    LanguageEnvironment& operator=(const LanguageEnvironment&) = delete;

private:
    static constexpr const char* Names[] = {"LC_ALL", "LC_CTYPE", "LANG"};
    static void set(const char* name, const Value& v) {
        v ? ::setenv(name, v->c_str(), 1) : ::unsetenv(name);
    }
    std::vector<Value> m_saved;
};

TEST(CodePage, EnvironmentTakesTheFirstOfLcAllLcCtypeAndLangThatIsSet) {
    struct Case {
        const char* what;
        LanguageEnvironment::Value lcAll, lcCtype, lang;
        CodePage page;
    };
    const auto none = std::nullopt;
    const Case cases[] = {
        {"LC_ALL wins", "el_GR", "ru_RU.UTF-8", "cs_CZ.UTF-8", CodePage::Cp1253},
        {"an empty LC_ALL counts as unset", "", "ru_RU.UTF-8", "cs_CZ.UTF-8", CodePage::Cp1251},
        {"LC_CTYPE before LANG", none, "tr_TR.UTF-8", "pl_PL.UTF-8", CodePage::Cp1254},
        {"LANG alone", none, none, "cs_CZ.UTF-8", CodePage::Cp1250},
        {"LANG with a modifier", none, "", "sr_RS.UTF-8@latin", CodePage::Cp1250},
        {"the C locale", "C", "ru_RU", "ru_RU", CodePage::Cp1252},
        {"nothing set", none, none, none, CodePage::Cp1252},
        {"all empty", "", "", "", CodePage::Cp1252},
    };
    for (const Case& c : cases) {
        const LanguageEnvironment environment(c.lcAll, c.lcCtype, c.lang);
        EXPECT_EQ(codePageFromEnvironment(), c.page) << c.what;
    }
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

/** @p in converted by iconv from @p from to @p to; nothing when iconv refuses it. */
std::optional<std::string> iconvText(const char* to, const char* from, std::string in) {
    iconv_t cd = ::iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    std::string out(16 * in.size() + 16, '\0');
    char* inp = in.data();
    char* outp = out.data();
    std::size_t inLeft = in.size(), outLeft = out.size();
    const bool done = ::iconv(cd, &inp, &inLeft, &outp, &outLeft) != std::size_t(-1);
    ::iconv_close(cd);
    if (!done)
        return std::nullopt;
    out.resize(out.size() - outLeft);
    return out;
}

TEST(CodePage, DecodedTextIsWhatIconvWritesInUtf8) {
    for (const CodePage page : {CodePage::Cp1250, CodePage::Cp1251, CodePage::Cp1252,
                                CodePage::Cp1253, CodePage::Cp1254, CodePage::Cp1257}) {
        const std::string name = "CP" + std::to_string(static_cast<int>(page));
        for (int b = 1; b < 256; ++b) {
            const std::string byte(1, static_cast<char>(b));
            // An undefined byte is the code point of its own value, as UTF-32 says it.
            const std::string ownValue{static_cast<char>(b), 0, 0, 0};
            std::optional<std::string> expected = iconvText("UTF-8", name.c_str(), byte);
            if (!expected)
                expected = iconvText("UTF-8", "UTF-32LE", ownValue);
            ASSERT_TRUE(expected) << name << " byte " << b;
            EXPECT_EQ(decodeToUtf8(byte, page), *expected) << name << " byte " << b;
        }
        // A whole text of every byte the code page defines, at once.
        std::string defined;
        for (int b = 1; b < 256; ++b)
            if (iconvText("UTF-8", name.c_str(), std::string(1, static_cast<char>(b))))
                defined += static_cast<char>(b);
        EXPECT_EQ(decodeToUtf8(defined, page), iconvText("UTF-8", name.c_str(), defined)) << name;
    }
    EXPECT_EQ(decodeToUtf8("", CodePage::Cp1250), "");
}

} // namespace
} // namespace tl::plugin
