// The genre list and the genre texts that refer to it, as the legacy and the modern
// readings resolve them.
#include "plugins/mp3/Genre.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace tl::mp3 {
namespace {

TEST(Genre, LegacyReadingResolvesNumbersInParentheses) {
    struct Case {
        const char* text;
        const char* genre;
    };
    const Case cases[] = {
        {"(13)", "Pop"},
        {"(13)Pop rock", "Pop"},
        {"Jazz", "Jazz"},
        {"(RX)", "(RX)"},
        {"(17)", "Rock"},
        {"( 17)", "Rock"},
        {"(200)", "Unknown"},
        {"(255)", ""},
        {"(256)", "(256)"},
        {"(-1)", "(-1)"},
        {"(9", "Metal"},
        {"", ""},
        {"(99999999999)", "(99999999999)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(resolveGenre(c.text), c.genre) << c.text;
}

TEST(Genre, TableKeepsThirteenCharactersWithoutTrailingBlank) {
    const std::pair<int, const char*> rows[] = {
        {0, "Blues"},           {17, "Rock"},
        {40, "Alternative R"},  {46, "Instrumental"},
        {47, "Instrumental"},   {51, "Techno-Indust"},
        {64, "Native Americ"},  {67, "Psychadelic"},
        {85, "Bebob"},          {92, "Progressive R"},
        {93, "Psychedelic R"},  {94, "Symphonic Roc"},
        {98, "Easy Listenin"},  {123, "Acapella"},
        {136, "Christian Gan"}, {140, "Contemporary"},
        {141, "Christian Roc"}, {146, "Jpop"},
        {147, "Synthpop"},      {148, "Unknown"},
        {254, "Unknown"},       {255, ""},
    };
    for (const auto& [number, name] : rows)
        EXPECT_EQ(genreName(number), name) << number;
    for (int n = 0; n < 256; ++n) {
        EXPECT_LE(genreName(n).size(), 13u) << n;
        EXPECT_FALSE(!genreName(n).empty() && genreName(n).back() == ' ') << n;
    }
}

TEST(Genre, ModernNamesAreWholeAndReachTheLaterAdditions) {
    const std::pair<int, const char*> rows[] = {
        {0, "Blues"},
        {40, "Alternative Rock"},
        {46, "Instrumental Pop"},
        {140, "Contemporary Christian"},
        {147, "Synthpop"},
        {148, "Abstract"},
        {185, "Neue Deutsche Welle"},
        {191, "Psybient"},
        {192, "Unknown"},
        {254, "Unknown"},
        {255, ""},
        {256, ""},
        {-1, ""},
    };
    for (const auto& [number, name] : rows)
        EXPECT_EQ(fullGenreName(number), name) << number;
}

TEST(Genre, ModernReadingResolvesEveryFormOfTheGenreFrame) {
    struct Case {
        std::vector<std::string> values;
        const char* genres;
    };
    const Case cases[] = {
        {{"17"}, "Rock"},
        {{"(17)"}, "Rock"},
        {{"(17)Rock"}, "Rock"},
        {{"(13)Pop rock"}, "Pop rock"},
        {{"(51)(39)"}, "Techno-Industrial; Noise"},
        {{"(51)(39)Noise rock"}, "Techno-Industrial; Noise rock"},
        {{"RX"}, "Remix"},
        {{"CR"}, "Cover"},
        {{"(RX)(CR)"}, "Remix; Cover"},
        {{"Rock", "Pop"}, "Rock; Pop"},
        {{"17", "Rock", " Rock "}, "Rock"},
        {{"Jazz"}, "Jazz"},
        {{"((Not a number)"}, "(Not a number)"},
        {{"(256)"}, "(256)"},
        {{"1000"}, "1000"},
        {{"(255)"}, ""},
        {{"255", "Pop"}, "Pop"},
        {{"(40"}, "(40"},
        {{"(x)Rock"}, "(x)Rock"},
        {{"  "}, ""},
        {{}, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(resolveGenres(c.values), c.genres) << testing::PrintToString(c.values);
}

} // namespace
} // namespace tl::mp3
