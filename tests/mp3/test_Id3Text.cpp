// ID3v2 text in its four encodings, decoded to UTF-8.
#include "Mp3TestUtil.h"

#include "plugins/common/Utf8.h"
#include "plugins/mp3/Id3Text.h"

#include <gtest/gtest.h>

namespace tl::mp3::test {
namespace {

std::span<const std::byte> bytesOf(const Bytes& bytes) {
    return {reinterpret_cast<const std::byte*>(bytes.data()), bytes.size()};
}

const std::string Fffd = "\xEF\xBF\xBD";

TEST(Id3Text, Utf16PairsSurrogatesAndReplacesLoneOnes) {
    struct Case {
        const char* what;
        Bytes in;
        bool bigEndian;
        std::string out;
    };
    const Case cases[] = {
        {"little-endian", Bytes("A\0\x59\x01", 4), false, "A\xC5\x99"},
        {"big-endian", Bytes("\0A\x01\x59", 4), true, "A\xC5\x99"},
        {"pair", Bytes("\x3C\xD8\xB8\xDF", 4), false, "\xF0\x9F\x8E\xB8"},
        {"lone high",
         Bytes("\x3C\xD8"
               "A\0",
               4),
         false, Fffd + "A"},
        {"lone low", Bytes("\xB8\xDF", 2), false, Fffd},
        {"high at the end", Bytes("\x3C\xD8", 2), false, Fffd},
        {"odd last byte", Bytes("A\0B", 3), false, "A" + Fffd},
    };
    for (const Case& c : cases)
        EXPECT_EQ(decodeUtf16(bytesOf(c.in), c.bigEndian, 100), c.out) << c.what;
}

TEST(Id3Text, ValuesAreSplitAtTheTerminatorOfTheirEncoding) {
    struct Case {
        const char* what;
        TextEncoding encoding;
        Bytes in;
        std::vector<std::string> values;
    };
    const Case cases[] = {
        {"Latin-1 in its code page",
         TextEncoding::Latin1,
         Bytes("K\xF9\xF2\0Pop\0", 8),
         {"K\xC5\xAF\xC5\x88", "Pop"}},
        {"UTF-8, empty values left out", TextEncoding::Utf8, Bytes("a\0\0b\0", 5), {"a", "b"}},
        {"UTF-8 byte order mark dropped", TextEncoding::Utf8, "\xEF\xBB\xBFx", {"x"}},
        {"UTF-16, a mark per value",
         TextEncoding::Utf16,
         Bytes("\xFF\xFE"
               "a\0\0\0\xFE\xFF\0b",
               10),
         {"a", "b"}},
        {"UTF-16, a value without a mark keeps the order before it",
         TextEncoding::Utf16,
         Bytes("\xFE\xFF\0a\0\0\0b", 8),
         {"a", "b"}},
        {"UTF-16 without any mark is little-endian", TextEncoding::Utf16, Bytes("a\0", 2), {"a"}},
        {"UTF-16 terminator only on a unit boundary",
         TextEncoding::Utf16,
         Bytes("\xFF\xFE\0\x01\0\0", 6),
         {"\xC4\x80"}},
        {"UTF-16BE", TextEncoding::Utf16Be, Bytes("\0a\0\0\0b", 6), {"a", "b"}},
        {"a mark alone is no value", TextEncoding::Utf16, Bytes("\xFF\xFE\0\0", 4), {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(decodeValues(bytesOf(c.in), c.encoding, CodePage::Cp1250, 100), c.values)
            << c.what;
    EXPECT_EQ(decodeJoined(bytesOf(Bytes("a\0b\0c", 5)), TextEncoding::Utf8, CodePage::Cp1252, 100),
              "a; b; c");
}

TEST(Id3Text, DecodingStopsAfterTheBytesAsked) {
    const Bytes huge(100000, 'x');
    EXPECT_EQ(decodeValues(bytesOf(huge), TextEncoding::Latin1, CodePage::Cp1252, 10)[0].size(),
              10u);
    EXPECT_LE(plugin::sanitizeUtf8(bytesOf(huge), 10).size(), 10u);
    EXPECT_LE(decodeUtf16(bytesOf(huge), false, 10).size(), 12u);
    Bytes many;
    for (int i = 0; i < 1000; ++i)
        many += Bytes("ab\0", 3);
    EXPECT_LE(decodeValues(bytesOf(many), TextEncoding::Utf8, CodePage::Cp1252, 20).size(), 5u);
}

TEST(Id3Text, SkipStringStepsOverTheTerminator) {
    EXPECT_EQ(skipString(bytesOf(Bytes("ab\0cd", 5)), TextEncoding::Latin1), 3u);
    EXPECT_EQ(skipString(bytesOf(Bytes("\xFF\xFE\0\0x\0", 6)), TextEncoding::Utf16), 4u);
    // A zero byte pair across a unit boundary is no terminator.
    EXPECT_EQ(skipString(bytesOf(Bytes("\0\x01\0\0", 4)), TextEncoding::Utf16Be), 4u);
    EXPECT_EQ(skipString(bytesOf(Bytes("abc", 3)), TextEncoding::Utf8), 3u);
    EXPECT_EQ(skipString({}, TextEncoding::Utf16), 0u);
    EXPECT_FALSE(textEncoding(4));
    EXPECT_EQ(textEncoding(3), TextEncoding::Utf8);
}

} // namespace
} // namespace tl::mp3::test
