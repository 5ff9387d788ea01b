// UTF-8 as the plug-ins write it: well-formed text told from other bytes (against iconv),
// ill-formed sequences replaced, and text cut to a byte limit at a character boundary.
#include "plugins/common/Utf8.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tl::plugin {
namespace {

std::span<const std::byte> bytesOf(const std::string& bytes) {
    return {reinterpret_cast<const std::byte*>(bytes.data()), bytes.size()};
}

/** True when the system's iconv reads @p text as UTF-8 through to its end. */
class IconvUtf8 {
public:
    IconvUtf8() : m_cd(::iconv_open("UTF-32LE", "UTF-8")) {}
    ~IconvUtf8() { ::iconv_close(m_cd); }
    IconvUtf8(const IconvUtf8&) = delete;
    IconvUtf8& operator=(const IconvUtf8&) = delete;
    bool opened() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    bool accepts(std::string text) {
        char32_t out[8];
        char* in = text.data();
        char* outp = reinterpret_cast<char*>(out);
        std::size_t inLeft = text.size(), outLeft = sizeof out;
        ::iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        return ::iconv(m_cd, &in, &inLeft, &outp, &outLeft) != std::size_t(-1) && inLeft == 0;
    }

private:
    iconv_t m_cd;
};

/** Sequences of one to four bytes around every border of the well-formed ranges. */
std::vector<std::string> sequencesToTry() {
    std::vector<std::string> out;
    for (int a = 0; a < 256; ++a)
        for (int b = 0; b < 256; ++b)
            out.push_back({static_cast<char>(a), static_cast<char>(b)});
    const int seconds[] = {0x00, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xFF};
    const int laters[] = {0x41, 0x80, 0xBF, 0xC0};
    for (int a = 0xC0; a < 256; ++a)
        for (const int b : seconds)
            for (const int c : laters) {
                out.push_back({static_cast<char>(a), static_cast<char>(b), static_cast<char>(c)});
                for (const int d : laters)
                    out.push_back({static_cast<char>(a), static_cast<char>(b), static_cast<char>(c),
                                   static_cast<char>(d)});
            }
    return out;
}

TEST(Utf8, WellFormedTextIsWhatIconvReads) {
    IconvUtf8 iconv;
    ASSERT_TRUE(iconv.opened());
    for (const std::string& text : sequencesToTry()) {
        const bool valid = iconv.accepts(text);
        ASSERT_EQ(isUtf8(text), valid) << testing::PrintToString(text);
        // What is well-formed passes unchanged; anything else comes out well-formed.
        const std::string sanitized = sanitizeUtf8(bytesOf(text), 100);
        if (valid)
            ASSERT_EQ(sanitized, text) << testing::PrintToString(text);
        else
            ASSERT_TRUE(iconv.accepts(sanitized)) << testing::PrintToString(text);
    }
}

TEST(Utf8, Utf8IsToldFromLegacyBytes) {
    const std::pair<const char*, bool> cases[] = {
        {"plain", true},
        {"\xC5\x99\xC3\xA1", true},  // řá
        {"\xE6\x98\xA5", true},      // 春
        {"\xF0\x9F\x8E\xB5", true},  // U+1F3B5
        {"Dvo\xF8\xE1k", false},     // Windows-1250
        {"\xC3", false},             // cut
        {"\xC0\x80", false},         // overlong
        {"\xED\xA0\x80", false},     // a surrogate
        {"\xF4\x90\x80\x80", false}, // past U+10FFFF
    };
    for (const auto& [text, valid] : cases)
        EXPECT_EQ(isUtf8(text), valid) << text;
}

const std::string Fffd = "\xEF\xBF\xBD";

TEST(Utf8, InvalidUtf8IsReplacedNeverPassedThrough) {
    struct Case {
        const char* what;
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {"ASCII", "abc", "abc"},
        {"two, three and four bytes", "\xC5\x99\xE2\x82\xAC\xF0\x9F\x8E\xB8",
         "\xC5\x99\xE2\x82\xAC\xF0\x9F\x8E\xB8"},
        {"stray continuation",
         "a\x80"
         "b",
         "a" + Fffd + "b"},
        {"overlong slash", "\xC0\xAF", Fffd + Fffd},
        {"overlong three bytes", "\xE0\x80\xAF", Fffd + Fffd + Fffd},
        {"surrogate", "\xED\xA0\x80", Fffd + Fffd + Fffd},
        {"above U+10FFFF", "\xF4\x90\x80\x80", Fffd + Fffd + Fffd + Fffd},
        {"cut at the end", "ok\xE2\x82", "ok" + Fffd},
        {"cut by ASCII", "\xE2\x82x", Fffd + "x"},
        {"Latin-1 byte", "caf\xE9", "caf" + Fffd},
        {"never a lead byte", "\xFF\xFE", Fffd + Fffd},
    };
    for (const Case& c : cases)
        EXPECT_EQ(sanitizeUtf8(bytesOf(c.in), 100), c.out) << c.what;
}

TEST(Utf8, PrefixEndsBeforeTheCharacterTheLimitFallsIn) {
    struct Case {
        std::string text;
        std::size_t maxBytes;
        std::size_t length;
    };
    const Case cases[] = {
        {"abc", 2, 2},
        {"abc", 3, 3},
        {"abc", 9, 3},
        {"a\xE2\x82\xAC", 3, 1},     // inside the euro sign
        {"a\xE2\x82\xAC", 4, 4},     // just after it
        {"\xC5\xAF\xC5\x88", 3, 2},  // inside the second of two 2-byte letters
        {"\xF0\x9F\x8E\xB5x", 3, 0}, // inside a 4-byte character at the start
        {"\xF0\x9F\x8E\xB5x", 4, 4},
        {"x\xF0\x9F\x8E\xB5", 4, 1},
        {"", 0, 0},
        {"abc", 0, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(utf8PrefixLength(c.text, c.maxBytes), c.length)
            << testing::PrintToString(c.text) << " in " << c.maxBytes;
}

TEST(Utf8, CodePointsAreEncodedAsIconvEncodesThem) {
    iconv_t toUtf8 = ::iconv_open("UTF-8", "UTF-32LE");
    ASSERT_NE(toUtf8, reinterpret_cast<iconv_t>(-1));
    for (const char32_t cp : {0x00u, 0x41u, 0x7Fu, 0x80u, 0x7FFu, 0x800u, 0xD7FFu, 0xE000u, 0xFFFDu,
                              0xFFFFu, 0x10000u, 0x1F3B5u, 0x10FFFFu}) {
        std::string out;
        appendUtf8(out, cp);
        char32_t in = cp;
        char buffer[8];
        char* inp = reinterpret_cast<char*>(&in);
        char* outp = buffer;
        std::size_t inLeft = sizeof in, outLeft = sizeof buffer;
        ASSERT_NE(::iconv(toUtf8, &inp, &inLeft, &outp, &outLeft), std::size_t(-1));
        EXPECT_EQ(out, std::string(buffer, sizeof buffer - outLeft))
            << std::hex << static_cast<std::uint32_t>(cp);
    }
    ::iconv_close(toUtf8);
}

} // namespace
} // namespace tl::plugin
