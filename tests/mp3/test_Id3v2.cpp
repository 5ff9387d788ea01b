// The ID3v2 and ID3v1 readers and the genre table, on crafted tags.
#include "Mp3TestUtil.h"

#include "plugins/mp3/Id3v2.h"

#include <cstring>
#include <gtest/gtest.h>
#include <vector>

namespace tl::mp3::test {
namespace {

std::vector<std::byte> blockOf(const Bytes& bytes) {
    std::vector<std::byte> block(bytes.size());
    std::memcpy(block.data(), bytes.data(), bytes.size());
    return block;
}

Bytes latin1(std::string_view text) {
    return Bytes(1, '\0') + Bytes(text);
}

/** Opens @p bytes as a tag and reads every frame into a record. */
struct ReadTag {
    std::vector<std::byte> block;
    Id3v2Tag tag;
    Id3Result opened;
    AudioFileInfo info{};

    explicit ReadTag(const Bytes& bytes, CodePage page = CodePage::Cp1252)
        : block(blockOf(bytes)), opened(tag.open(block)) {
        if (opened == Id3Result::Ok)
            readId3v2Fields(tag, info, page);
    }
    std::string text(const char* span) const { return std::string(span + 1); }
};

TEST(Id3v2Open, RefusesWhatItCannotRead) {
    struct Case {
        const char* what;
        Bytes bytes;
        Id3Result result;
    };
    const Case cases[] = {
        {"not a tag", "TAG" + Bytes(20, '\0'), Id3Result::Broken},
        {"short header", "ID3\x03", Id3Result::Broken},
        {"version 2.4", id3v2Tag(4, frame23("TIT2", latin1("x"))), Id3Result::Unsupported},
        {"lower-case identifier", id3v2Tag(3, frame23("Tit2", latin1("x"))), Id3Result::Broken},
        {"frame past the end", id3v2Tag(3, frame23("TIT2", latin1("xxxxxx")).substr(0, 13)),
         Id3Result::Broken},
        {"padding ends the list", id3v2Tag(3, frame23("TIT2", latin1("x")) + Bytes(30, '\0')),
         Id3Result::Ok},
        {"empty tag", id3v2Tag(3, ""), Id3Result::Ok},
        {"2.2 frames", id3v2Tag(2, frame22("TT2", latin1("x"))), Id3Result::Ok},
    };
    for (const Case& c : cases) {
        std::vector<std::byte> block = blockOf(c.bytes);
        Id3v2Tag tag;
        EXPECT_EQ(tag.open(block), c.result) << c.what;
    }
}

TEST(Id3v2Frames, ReadFrameResultsLeaveTheTextAloneOnFailure) {
    const Bytes frames = frame23("TIT2", latin1("Title")) +
                         frame23("TPE1", Bytes("\x01\xFF\xFEx\0", 5)) +         // UTF-16
                         frame23("TALB", latin1("Album"), 0x80) +               // compressed
                         frame23("TYER", latin1("2001"), 0x40) +                // encrypted
                         frame23("APIC", Bytes("\0image/png\0", 11)) +          // not text
                         frame23("COMM", Bytes("\0engdesc\0The comment", 20)) + //
                         frame23("TRCK", Bytes("\0"
                                               "12\0junk",
                                               8));
    std::vector<std::byte> block = blockOf(id3v2Tag(3, frames));
    Id3v2Tag tag;
    ASSERT_EQ(tag.open(block), Id3Result::Ok);
    struct Case {
        const char* id;
        Id3Result result;
        std::string text;
    };
    const Case cases[] = {
        {"TIT2", Id3Result::Ok, "Title"},
        {"TPE1", Id3Result::Encoding, "unchanged"},
        {"TALB", Id3Result::Compressed, "unchanged"},
        {"TYER", Id3Result::Compressed, "unchanged"},
        {"APIC", Id3Result::NotText, "unchanged"},
        {"COMM", Id3Result::Ok, "The comment"},
        {"TRCK", Id3Result::Ok, "12"},
        {"TCON", Id3Result::NotFound, "unchanged"},
    };
    for (const Case& c : cases) {
        std::string text = "unchanged";
        EXPECT_EQ(tag.readFrame(c.id, text, 100), c.result) << c.id;
        EXPECT_EQ(text, c.text) << c.id;
    }
    std::string year;
    EXPECT_EQ(tag.readFrame("TIT2", year, 3), Id3Result::Ok);
    EXPECT_EQ(year, "Tit");
}

TEST(Id3v2Frames, CommentDescriptionIsSkippedWithinTheFrame) {
    struct Case {
        Bytes body;
        std::string comment;
    };
    const Case cases[] = {
        {Bytes("\0eng\0Plain", 10), "Plain"},
        {Bytes("\0engLong description\0Text", 26), "Text"},
        // A description without its zero runs to the end of the frame: no comment.
        {Bytes("\0engdescription", 15), ""},
    };
    for (const Case& c : cases) {
        const ReadTag read(id3v2Tag(3, frame23("COMM", c.body) + frame23("TIT2", latin1("T"))));
        ASSERT_EQ(read.opened, Id3Result::Ok);
        EXPECT_EQ(read.text(read.info.Comment), c.comment);
        EXPECT_EQ(read.text(read.info.Title), "T");
    }
}

TEST(Id3v2Fields, Version22And23FramesFillTheSameFields) {
    const Bytes v22 = frame22("TP1", latin1("Artist")) + frame22("TT2", latin1("Title")) +
                      frame22("TAL", latin1("Album")) + frame22("TYE", latin1("19995")) +
                      frame22("COM", Bytes("\0engd\0Comment", 13)) +
                      frame22("TRK", latin1("3/12")) + frame22("TOA", latin1("Original")) +
                      frame22("TCM", latin1("Composer")) + frame22("TCO", latin1("(8)"));
    const Bytes v23 = frame23("TPE1", latin1("Artist")) + frame23("TIT2", latin1("Title")) +
                      frame23("TALB", latin1("Album")) + frame23("TYER", latin1("19995")) +
                      frame23("COMM", Bytes("\0engd\0Comment", 13)) +
                      frame23("TRCK", latin1("3/12")) + frame23("TOPE", latin1("Original")) +
                      frame23("TCOM", latin1("Composer")) + frame23("TCON", latin1("(8)"));
    for (const ReadTag& read : {ReadTag(id3v2Tag(2, v22)), ReadTag(id3v2Tag(3, v23))}) {
        ASSERT_EQ(read.opened, Id3Result::Ok);
        EXPECT_EQ(read.text(read.info.Artist), "Artist");
        EXPECT_EQ(read.text(read.info.Title), "Title");
        EXPECT_EQ(read.text(read.info.Album), "Album");
        EXPECT_EQ(read.text(read.info.Year), "1999");
        EXPECT_EQ(read.text(read.info.Comment), "Comment");
        EXPECT_EQ(read.text(read.info.Track), "3/12");
        EXPECT_EQ(read.text(read.info.OArtist), "Original");
        EXPECT_EQ(read.text(read.info.Composer), "Composer");
        EXPECT_EQ(read.text(read.info.Genre), "Jazz");
    }
}

TEST(Id3v2Fields, UnsynchronisedTagReadsFFZeroAsFF) {
    const Bytes frames =
        frame23("TIT2", latin1("\xFF\xFFT\xFF")) + frame23("TPE1", latin1("Behind"));
    Bytes unsynced;
    for (char c : frames) {
        unsynced += c;
        if (c == '\xFF')
            unsynced += '\0';
    }
    const ReadTag read(id3v2Tag(3, unsynced + Bytes(8, '\0'), 0x80));
    ASSERT_EQ(read.opened, Id3Result::Ok);
    EXPECT_EQ(read.text(read.info.Title), "\xC3\xBF\xC3\xBFT\xC3\xBF"); // ÿÿTÿ
    EXPECT_EQ(read.text(read.info.Artist), "Behind");
}

TEST(Id3v2Fields, UnsynchronisationRemovesOneZeroPerPair) {
    // Each FF 00 pair gives FF; FF 00 FF 00 gives FF FF.
    std::vector<std::byte> block =
        blockOf(id3v2Tag(3, frame23("TIT2", Bytes("\0A\xFF\0\xFF\0B", 7)) + Bytes(4, '\0'), 0x80));
    Id3v2Tag tag;
    ASSERT_EQ(tag.open(block), Id3Result::Ok);
    std::string title;
    // The frame's size still counts the removed bytes, so the text runs into padding.
    ASSERT_EQ(tag.readFrame("TIT2", title, 100), Id3Result::Ok);
    EXPECT_EQ(title, "A\xFF\xFF"
                     "B");
}

TEST(Id3v2Fields, ExtendedHeaderIsSkipped) {
    const Bytes extended("\0\0\0\x06\0\0\0\0\0\x08", 10); // size 6, 8 bytes of padding
    const ReadTag read(
        id3v2Tag(3, extended + frame23("TIT2", latin1("After")) + Bytes(8, '\0'), 0x40));
    ASSERT_EQ(read.opened, Id3Result::Ok);
    EXPECT_EQ(read.text(read.info.Title), "After");
}

TEST(Id3v2Fields, TextIsDecodedWithTheCodePageAndCutAtCharacters) {
    // 0x9A: s caron in 1250, s caron in 1252 too; 0xE8: c caron in 1250, e grave in 1252;
    // 0xE0 in 1251: Cyrillic a.
    const Bytes frames =
        frame23("TIT2", latin1("\x9A\xE8")) + frame23("TYER", latin1("\xE8\xE8\xE8"));
    struct Case {
        CodePage page;
        std::string title, year;
    };
    const Case cases[] = {
        {CodePage::Cp1250, "\xC5\xA1\xC4\x8D", "\xC4\x8D\xC4\x8D"},
        {CodePage::Cp1252, "\xC5\xA1\xC3\xA8", "\xC3\xA8\xC3\xA8"},
        {CodePage::Cp1251, "\xD1\x99\xD0\xB8", "\xD0\xB8\xD0\xB8"},
    };
    for (const Case& c : cases) {
        const ReadTag read(id3v2Tag(3, frames), c.page);
        EXPECT_EQ(read.text(read.info.Title), c.title);
        EXPECT_EQ(read.text(read.info.Year), c.year); // 4 bytes: two 2-byte letters
    }
}

TEST(Genre, ResolvesNumbersInParentheses) {
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

TEST(Id3v1, FillsOnlyEmptyFieldsAndTakesTheTrackByItsRule) {
    struct Case {
        const char* what;
        Bytes comment;
        const char* trackBefore;
        const char* track;
        const char* commentAfter;
    };
    // A 1.1 comment: 28 characters, a zero, the track number.
    auto v11 = [](std::string_view text, int track) {
        Bytes comment(text);
        comment.resize(28, '\0');
        return comment + '\0' + static_cast<char>(track);
    };
    const Case cases[] = {
        {"1.1 track", v11("Short", 7), "", "7", "Short"},
        {"1.1 track but ID3v2 gave one", v11("Short", 7), "2/9", "2/9", "Short"},
        {"1.0 with 30 comment characters", Bytes(29, 'c') + "d", "", "",
         "ccccccccccccccccccccccccccccc"},
        {"track 0 is none", v11("x", 0), "", "", "x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        AudioFileInfo info{};
        setText(info.Track, sizeof info.Track, c.trackBefore);
        setText(info.Title, sizeof info.Title, "From v2");
        const Bytes tag = id3v1Tag("Title  ", "Artist   ", "Album", "1999", c.comment, 200);
        readId3v1(
            std::span<const std::byte, 128>(reinterpret_cast<const std::byte*>(tag.data()), 128),
            info, CodePage::Cp1252);
        EXPECT_EQ(std::string(info.Track + 1), c.track);
        EXPECT_EQ(std::string(info.Comment + 1), c.commentAfter);
        EXPECT_EQ(std::string(info.Title + 1), "From v2");
        EXPECT_EQ(std::string(info.Artist + 1), "Artist");
        EXPECT_EQ(std::string(info.Year + 1), "1999");
        EXPECT_EQ(std::string(info.Genre + 1), "Unknown");
    }
}

TEST(Id3v1, Genre255LeavesGenreEmpty) {
    AudioFileInfo info{};
    const Bytes tag = id3v1Tag("T", "A", "", "", "", 255);
    readId3v1(std::span<const std::byte, 128>(reinterpret_cast<const std::byte*>(tag.data()), 128),
              info, CodePage::Cp1252);
    EXPECT_EQ(std::string(info.Genre + 1), "");
}

TEST(Id3v2Fields, UnicodeArtistIsLeftToTheId3v1Tag) {
    const Bytes tag = id3v2Tag(3, frame23("TPE1", Bytes("\x01\xFF\xFEx\0", 5)) +
                                      frame23("TIT2", latin1("V2 title")));
    const Outcome out =
        analyse(tag + repeat(mpeg1Frame(9), 8) + id3v1Tag("V1 title", "V1 artist", "", "", "", 0));
    EXPECT_EQ(out.result, TL_AFI_OK);
    EXPECT_EQ(out.text(out.info.Artist), "V1 artist");
    EXPECT_EQ(out.text(out.info.Title), "V2 title");
    EXPECT_EQ(out.text(out.info.Tag), "ID3-2.3, ID3-1.1");
}

} // namespace
} // namespace tl::mp3::test
