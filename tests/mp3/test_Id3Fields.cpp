// The record fields that the modern reading takes from ID3v2 and ID3v1 tags, on crafted
// tags.
#include "Mp3TestUtil.h"

#include <gtest/gtest.h>

namespace tl::mp3::test {
namespace {

/** A text frame body: encoding byte @p encoding, then @p text encoded so (UTF-16 with a
 *  little-endian byte order mark). @p text is UTF-8 and, for encoding 0, Latin-1 only. */
Bytes encoded(int encoding, std::u16string_view text16, std::string_view utf8) {
    Bytes out(1, static_cast<char>(encoding));
    switch (encoding) {
    case 0:
        for (const char16_t c : text16)
            out += static_cast<char>(c);
        break;
    case 1:
        out += "\xFF\xFE";
        for (const char16_t c : text16)
            out += Bytes{static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
        break;
    case 2:
        for (const char16_t c : text16)
            out += Bytes{static_cast<char>(c >> 8), static_cast<char>(c & 0xFF)};
        break;
    default:
        out += utf8;
    }
    return out;
}

ReadTag modern(const Bytes& tag, CodePage page = CodePage::Cp1252) {
    return ReadTag(tag, page, TagReading::Modern);
}

TEST(ModernFields, EveryEncodingInEveryVersionGivesTheSameText) {
    // "Dvořák ♫": ř is outside Latin-1, so encoding 0 carries "Dvorak" instead.
    const std::u16string_view text16 = u"Dvo\u0159\u00E1k \u266B";
    const std::string utf8 = "Dvo\xC5\x99\xC3\xA1k \xE2\x99\xAB";
    for (const int version : {2, 3, 4}) {
        for (const int encoding : {0, 1, 2, 3}) {
            if (version == 2 && encoding > 1)
                continue; // ID3v2.2 knows ISO-8859-1 and UCS-2 only
            SCOPED_TRACE(testing::Message() << "2." << version << " encoding " << encoding);
            const Bytes body =
                encoding == 0 ? encoded(0, u"Dvorak", "") : encoded(encoding, text16, utf8);
            const Bytes frames = version == 2   ? frame22("TT2", body)
                                 : version == 3 ? frame23("TIT2", body)
                                                : frame24("TIT2", body);
            const ReadTag read = modern(id3v2Tag(version, frames));
            ASSERT_EQ(read.opened, Id3Result::Ok);
            EXPECT_EQ(read.text(read.info.Title), encoding == 0 ? "Dvorak" : utf8);
        }
    }
}

TEST(ModernFields, ValuesAreJoinedAndUnknownEncodingsLeaveTheFieldAlone) {
    const ReadTag read = modern(id3v2Tag(4, frame24("TPE1", Bytes("\x03"
                                                                  "One\0Two\0",
                                                                  9)) +
                                                frame24("TALB", Bytes("\x04"
                                                                      "x",
                                                                      2)) +
                                                frame24("TCOM", Bytes("\x01\xFF\xFE"
                                                                      "A\0\0\0\xFF\xFE"
                                                                      "B\0",
                                                                      11))));
    EXPECT_EQ(read.text(read.info.Artist), "One; Two");
    EXPECT_EQ(read.text(read.info.Album), "");
    EXPECT_EQ(read.text(read.info.Composer), "A; B");
}

TEST(ModernFields, YearIsTheFirstFourDigitsOfTheFirstFrameThatHasThem) {
    struct Case {
        const char* what;
        int version;
        Bytes frames;
        const char* year;
    };
    const auto t24 = [](std::string_view id, std::string_view text) {
        return frame24(id, latin1(text));
    };
    const auto t23 = [](std::string_view id, std::string_view text) {
        return frame23(id, latin1(text));
    };
    const Case cases[] = {
        {"recording time", 4, t24("TDRC", "1983-05-28T20:00"), "1983"},
        {"recording time before year", 4, t24("TYER", "1999") + t24("TDRC", "2001"), "2001"},
        {"year when the recording time has none", 4, t24("TDRC", "\xFE\xFF") + t24("TYER", "1999"),
         "1999"},
        {"release time last", 4, t24("TDRL", "1878"), "1878"},
        {"2.3 year before recording time", 3, t23("TDRC", "2001") + t23("TYER", "1999"), "1999"},
        {"2.3 recording time", 3, t23("TDRC", "1991-02-03"), "1991"},
        {"five digits", 3, t23("TYER", "19845"), "1984"},
        {"a date with the year last", 3, t23("TYER", "12/05/2003"), "2003"},
        {"two digits", 3, t23("TYER", "'97"), ""},
        {"a stray byte order mark", 3,
         frame23("TYER", Bytes("\0\xFE\xFF\0"
                               "2\0"
                               "0\0"
                               "0\0"
                               "3",
                               11)),
         ""},
        {"2.2", 2, frame22("TYE", latin1("1999")), "1999"},
    };
    for (const Case& c : cases) {
        const ReadTag read = modern(id3v2Tag(c.version, c.frames));
        EXPECT_EQ(read.text(read.info.Year), c.year) << c.what;
    }
}

TEST(ModernFields, CommentIsTheListenersNotThePlayers) {
    const auto comm = [](std::string_view description, std::string_view text) {
        return frame24("COMM", "\x03"
                               "eng" +
                                   Bytes(description) + '\0' + Bytes(text));
    };
    struct Case {
        const char* what;
        Bytes frames;
        const char* comment;
    };
    const Case cases[] = {
        {"empty description first", comm("iTunNORM", " 0000031C") + comm("", "Mine"), "Mine"},
        {"empty description wins over an earlier one",
         comm("Notes", "Described") + comm("", "Plain"), "Plain"},
        {"else the first not a player's",
         comm("iTunSMPB", "x") + comm("Notes", "Described") + comm("Other", "Later"), "Described"},
        {"only players' comments", comm("iTunPGAP", "0") + comm("iTunes_CDDB_IDs", "9+A"), ""},
        {"an empty comment does not count", comm("", "") + comm("Notes", "Text"), "Text"},
        {"several values", comm("", Bytes("a\0b", 3)), "a; b"},
        {"UTF-16 description and text",
         frame24("COMM", Bytes("\x01"
                               "eng\xFF\xFEi\0T\0\0\0\xFF\xFE"
                               "C\0",
                               16)),
         "C"},
        {"too short",
         frame24("COMM", "\x03"
                         "en"),
         ""},
    };
    for (const Case& c : cases) {
        const ReadTag read = modern(id3v2Tag(4, c.frames));
        EXPECT_EQ(read.text(read.info.Comment), c.comment) << c.what;
    }
    for (const char* player : {"iTunNORM", "iTunSMPB", "iTunPGAP", "iTunes_CDDB_1", "ITUNMOVI",
                               "MusicMatch_Mood", "Songs-DB_Custom1"})
        EXPECT_TRUE(isPlayerDescription(player)) << player;
    for (const char* own : {"", "Notes", "ID3v1 Comment", "iTu"})
        EXPECT_FALSE(isPlayerDescription(own)) << own;
}

TEST(ModernFields, EveryFieldKeepsItsByteLimitCutAtACharacter) {
    std::string eAcute;
    for (int i = 0; i < 300; ++i)
        eAcute += "\xC3\xA9";
    const ReadTag read =
        modern(id3v2Tag(4, frame24("TPE1", "\x03" + eAcute) +
                               frame24("TRCK", "\x03\xE2\x85\xA0\xE2\x85\xA1\xE2\x85\xA2") +
                               frame24("COMM", Bytes("\x03"
                                                     "eng\0",
                                                     5) +
                                                   std::string(3000, 'c')) +
                               frame24("TCON", "\x03" + std::string(300, 'g'))));
    EXPECT_EQ(read.text(read.info.Artist), eAcute.substr(0, 254));
    EXPECT_EQ(read.text(read.info.Track), "\xE2\x85\xA0\xE2\x85\xA1"); // two of three numerals
    EXPECT_EQ(read.text(read.info.Comment).size(), 2046u);
    EXPECT_EQ(read.text(read.info.Genre).size(), 254u);
}

TEST(ModernFields, GenreFramesAreResolvedValueByValue) {
    const ReadTag read = modern(id3v2Tag(4, frame24("TCON", Bytes("\x03"
                                                                  "17\0(13)Pop rock\0RX",
                                                                  19))));
    EXPECT_EQ(read.text(read.info.Genre), "Rock; Pop rock; Remix");
    const ReadTag v22 = modern(id3v2Tag(2, frame22("TCO", latin1("(40)"))));
    EXPECT_EQ(v22.text(v22.info.Genre), "Alternative Rock");
}

TEST(ModernFields, Id3v1NamesGenresInFullAndTakesOnlyYears) {
    struct Case {
        const char* year;
        int genre;
        const char* legacyYear;
        const char* legacyGenre;
        const char* modernYear;
        const char* modernGenre;
    };
    const Case cases[] = {
        {"1999", 40, "1999", "Alternative R", "1999", "Alternative Rock"},
        {"\xFE\xFF", 189, "\xC3\xBE\xC3\xBF", "Unknown", "", "Dubstep"},
        {"99", 255, "99", "", "", ""},
    };
    for (const Case& c : cases) {
        const Bytes tag = id3v1Tag("T", "A", "", c.year, "", c.genre);
        const std::span<const std::byte, 128> bytes(reinterpret_cast<const std::byte*>(tag.data()),
                                                    128);
        AudioFileInfo legacy{}, modernInfo{};
        readId3v1(bytes, legacy, CodePage::Cp1252);
        readId3v1(bytes, modernInfo, CodePage::Cp1252, TagReading::Modern);
        EXPECT_EQ(std::string(legacy.Year + 1), c.legacyYear);
        EXPECT_EQ(std::string(legacy.Genre + 1), c.legacyGenre);
        EXPECT_EQ(std::string(modernInfo.Year + 1), c.modernYear);
        EXPECT_EQ(std::string(modernInfo.Genre + 1), c.modernGenre);
        EXPECT_EQ(std::string(modernInfo.Title + 1), "T");
    }
}

TEST(ModernFields, Id3v2FieldsWinOverId3v1AndBrokenListsKeepWhatCameFirst) {
    const Bytes tag = id3v2Tag(4, frame24("TPE1", "\x03\xC5\x98"
                                                  "ek") +
                                      "junk" + Bytes(20, 'j'));
    const Outcome out = analyse(tag + repeat(mpeg1Frame(9), 8) +
                                    id3v1Tag("V1 title", "V1 artist", "", "2003", "", 17),
                                TL_AFI_OPTION_MODERN_TAGS);
    EXPECT_EQ(out.result, TL_AFI_TAG_ERROR);
    EXPECT_EQ(out.text(out.info.Artist), "\xC5\x98"
                                         "ek");
    EXPECT_EQ(out.text(out.info.Title), "V1 title");
    EXPECT_EQ(out.text(out.info.Year), "2003");
    EXPECT_EQ(out.text(out.info.Tag), "ID3-2.4, ID3-1.1");
}

} // namespace
} // namespace tl::mp3::test
