#include "storage/Utf8.h"

#include <gtest/gtest.h>

using namespace tl;

TEST(Utf8, CutNeverSplitsACharacter) {
    const std::string text = "Mot\xC3\xB6rhead"; // Motörhead: ö takes two bytes
    const struct {
        std::size_t max;
        std::size_t expected;
    } cases[] = {{0, 0}, {3, 3}, {4, 3}, {5, 5}, {100, text.size()}};
    for (const auto& c : cases)
        EXPECT_EQ(utf8CutLength(text, c.max), c.expected) << "max " << c.max;
    const std::string euro = "\xE2\x82\xAC\xE2\x82\xAC"; // two three-byte characters
    EXPECT_EQ(utf8CutLength(euro, 4), 3u);
    EXPECT_EQ(utf8CutLength(euro, 5), 3u);
    EXPECT_EQ(utf8CutLength(euro, 6), 6u);
}

TEST(Utf8, InvalidBytesCountAsOneCharacterEach) {
    const std::string junk = "a\xFF\x80\xC3"; // no valid multi-byte sequence
    EXPECT_EQ(utf8Length(junk), 4u);
    EXPECT_EQ(utf8CutLength(junk, 2), 2u);
    EXPECT_EQ(utf8CutLength(junk, 3), 3u);
    std::size_t len = 0;
    EXPECT_EQ(utf8Decode(junk, 1, &len), 0xFFu);
    EXPECT_EQ(len, 1u);
    EXPECT_EQ(utf8Sanitized(junk), "a\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(utf8Sanitized("\xC0\xAF"), "\xEF\xBF\xBD\xEF\xBF\xBD"); // overlong form
}

TEST(Utf8, AppendAndDecodeRoundTrip) {
    for (char32_t cp : {U'a', U'\u00E9', U'\u010D', U'\u20AC', U'\U0001F3B5'}) {
        std::string s;
        utf8Append(s, cp);
        std::size_t len = 0;
        EXPECT_EQ(utf8Decode(s, 0, &len), cp);
        EXPECT_EQ(len, s.size());
    }
}
