// The ID3v2 and ID3v1 readers and the genre table, on crafted tags.
#include "Mp3TestUtil.h"

#include "plugins/common/RecordText.h"
#include "plugins/mp3/Id3Fields.h"
#include "plugins/mp3/Id3v2.h"

#include <cstring>
#include <gtest/gtest.h>
#include <vector>

namespace tl::mp3::test {
namespace {

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
        plugin::setText(info.Track, sizeof info.Track, c.trackBefore);
        plugin::setText(info.Title, sizeof info.Title, "From v2");
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

TEST(Id3v2Open, ModernReadingKnowsVersions2To4) {
    struct Case {
        const char* what;
        Bytes bytes;
        Id3Result result;
    };
    const Case cases[] = {
        {"2.2", id3v2Tag(2, frame22("TT2", latin1("x"))), Id3Result::Ok},
        {"2.3", id3v2Tag(3, frame23("TIT2", latin1("x"))), Id3Result::Ok},
        {"2.4", id3v2Tag(4, frame24("TIT2", latin1("x"))), Id3Result::Ok},
        {"2.5", id3v2Tag(5, frame24("TIT2", latin1("x"))), Id3Result::Unsupported},
        {"version byte 1", id3v2Tag(1, frame22("TT2", latin1("x"))), Id3Result::Unsupported},
        {"version byte FF", id3v2Tag(0xFF, ""), Id3Result::Unsupported},
        {"compressed 2.2", id3v2Tag(2, frame22("TT2", latin1("x")), 0x40), Id3Result::Unsupported},
        {"2.4 extended header of 6 bytes",
         id3v2Tag(4, Bytes("\0\0\0\x06\x01\0", 6) + frame24("TIT2", latin1("x")), 0x40),
         Id3Result::Ok},
        {"2.4 extended header too small", id3v2Tag(4, Bytes("\0\0\0\x04\x01\0", 6), 0x40),
         Id3Result::Broken},
        {"2.4 extended header past the end", id3v2Tag(4, Bytes("\0\0\x7F\x7F\x01\0", 6), 0x40),
         Id3Result::Broken},
        {"2.3 extended header past the end",
         id3v2Tag(3, Bytes("\0\0\x7F\x7F\0\0\0\0\0\0", 10), 0x40), Id3Result::Broken},
        {"frame past the end", id3v2Tag(4, frame24("TIT2", latin1("xxxxxx")).substr(0, 13)),
         Id3Result::Broken},
        {"padding", id3v2Tag(4, frame24("TIT2", latin1("x")) + Bytes(30, '\0')), Id3Result::Ok},
        {"a tail shorter than a frame header", id3v2Tag(4, frame24("TIT2", latin1("x")) + "TAL"),
         Id3Result::Ok},
    };
    for (const Case& c : cases) {
        std::vector<std::byte> block = blockOf(c.bytes);
        Id3v2Tag tag;
        EXPECT_EQ(tag.open(block, TagReading::Modern), c.result) << c.what;
    }
}

std::string bodyText(const Id3v2Tag& tag, std::string_view id) {
    const Id3v2Tag::FrameBody* frame = tag.frame(id);
    if (!frame)
        return "none";
    return std::string(reinterpret_cast<const char*>(frame->body.data()), frame->body.size());
}

TEST(Id3v2Frames, ModernReadingUndoesWhatFrameFlagsAdd) {
    struct Case {
        const char* what;
        int version;
        std::uint8_t tagFlags;
        Bytes frame;
        std::string body;
    };
    const Bytes text("\0A\xFF\0\xE0"
                     "B",
                     6); // unsynchronised "A", FF, E0, "B"
    const Case cases[] = {
        {"2.4 unsynchronised", 4, 0, frame24("TIT2", text, 0x02),
         Bytes("\0A\xFF\xE0"
               "B",
               5)},
        {"2.4 data length indicator", 4, 0, frame24("TIT2", Bytes("\0\0\0\x05", 4) + text, 0x03),
         Bytes("\0A\xFF\xE0"
               "B",
               5)},
        {"2.4 grouping byte", 4, 0, frame24("TIT2", "G" + latin1("x"), 0x40), latin1("x")},
        {"2.4 grouping and length", 4, 0,
         frame24("TIT2", "G" + Bytes("\0\0\0\x02", 4) + latin1("x"), 0x41), latin1("x")},
        {"2.4 unsynchronised by the tag's flag", 4, 0x80, frame24("TIT2", text),
         Bytes("\0A\xFF\xE0"
               "B",
               5)},
        {"2.4 without unsynchronisation keeps FF 00", 4, 0, frame24("TIT2", text), text},
        {"2.4 compressed", 4, 0, frame24("TIT2", latin1("x"), 0x08), "none"},
        {"2.4 encrypted", 4, 0, frame24("TIT2", "E" + latin1("x"), 0x04), "none"},
        {"2.4 flags that add more bytes than the frame has", 4, 0, frame24("TIT2", "abc", 0x01),
         "none"},
        {"2.3 grouping byte", 3, 0, frame23("TIT2", "G" + latin1("x"), 0x20), latin1("x")},
        {"2.3 compressed", 3, 0, frame23("TIT2", Bytes(4, '\0') + latin1("x"), 0x80), "none"},
        // ID3v2.3 unsynchronises the whole tag; its frame sizes count the bytes after undoing.
        {"2.3 unsynchronised by the tag", 3, 0x80,
         frame23("TIT2", Bytes("\0A\xFF\xE0"
                               "B",
                               5)),
         Bytes("\0A\xFF\xE0"
               "B",
               5)},
    };
    for (const Case& c : cases) {
        Bytes frame = c.frame;
        if (c.version == 3 && c.tagFlags)
            frame.replace(frame.find("\xFF\xE0"), 2, Bytes("\xFF\0\xE0", 3));
        std::vector<std::byte> block = blockOf(id3v2Tag(c.version, frame, c.tagFlags));
        Id3v2Tag tag;
        EXPECT_EQ(tag.open(block, TagReading::Modern), Id3Result::Ok) << c.what;
        EXPECT_EQ(bodyText(tag, "TIT2"), c.body) << c.what;
    }
}

TEST(Id3v2Frames, ModernReadingRecognisesPlainFrameSizesInVersion24) {
    // Some taggers wrote ID3v2.4 frame sizes as plain numbers; a size of 200 has bit 7 set
    // in its last byte, so read sync-safe it points into the middle of the frame.
    const Bytes longTitle = latin1(std::string(199, 't'));
    const auto plainFrame = [](std::string_view id, const Bytes& body) {
        return Bytes(id) + Bytes("\0\0", 2) + static_cast<char>(body.size() >> 8) +
               static_cast<char>(body.size() & 0xFF) + Bytes(2, '\0') + body;
    };
    struct Case {
        const char* what;
        Bytes frames;
    };
    const Case cases[] = {
        {"plain", plainFrame("TIT2", longTitle) + plainFrame("TPE1", latin1("Artist"))},
        {"sync-safe", frame24("TIT2", longTitle) + frame24("TPE1", latin1("Artist"))},
    };
    for (const Case& c : cases) {
        std::vector<std::byte> block = blockOf(id3v2Tag(4, c.frames + Bytes(10, '\0')));
        Id3v2Tag tag;
        EXPECT_EQ(tag.open(block, TagReading::Modern), Id3Result::Ok) << c.what;
        EXPECT_EQ(bodyText(tag, "TIT2"), longTitle) << c.what;
        EXPECT_EQ(bodyText(tag, "TPE1"), latin1("Artist")) << c.what;
    }
}

TEST(Id3v2Frames, ModernReadingKeepsTheFramesBeforeABreakAndFewComments) {
    std::vector<std::byte> block =
        blockOf(id3v2Tag(4, frame24("TIT2", latin1("First")) + frame24("TIT2", latin1("Second")) +
                                frame24("APIC", "image") + "bad!" + Bytes(20, 'x')));
    Id3v2Tag tag;
    EXPECT_EQ(tag.open(block, TagReading::Modern), Id3Result::Broken);
    EXPECT_EQ(bodyText(tag, "TIT2"), latin1("First"));
    ASSERT_EQ(tag.frames().size(), 1u) << "a repeated text frame and unused frames are not kept";

    Bytes comments;
    for (int i = 0; i < 40; ++i)
        comments += frame24("COMM", Bytes("\0eng\0", 5) + std::to_string(i));
    std::vector<std::byte> many = blockOf(id3v2Tag(4, comments));
    EXPECT_EQ(tag.open(many, TagReading::Modern), Id3Result::Ok);
    EXPECT_EQ(tag.frames().size(), Id3v2Tag::MaxComments);
}

TEST(Id3v2Header, TagHeadersAndFootersAreRecognisedByTheirRule) {
    struct Case {
        Bytes header;
        bool tag;
        std::size_t footer;
    };
    const Case cases[] = {
        {Bytes("ID3\x04\0\x10\0\0\0\0", 10), true, 10},
        {Bytes("ID3\x04\0\0\0\0\x01\x7F", 10), true, 0},
        {Bytes("ID3\x03\0\x10\0\0\0\0", 10), true, 0}, // only ID3v2.4 has footers
        {Bytes("ID3\xFF\0\0\0\0\0\0", 10), false, 0},
        {Bytes("ID3\x03\xFF\0\0\0\0\0", 10), false, 0},
        {Bytes("ID3\x03\0\0\0\0\x80\0", 10), false, 0},
        {Bytes("ID4\x03\0\0\0\0\0\0", 10), false, 0},
    };
    for (const Case& c : cases) {
        const std::span<const std::byte, Id3v2HeaderSize> header(
            reinterpret_cast<const std::byte*>(c.header.data()), Id3v2HeaderSize);
        EXPECT_EQ(isId3v2Header(header), c.tag) << testing::PrintToString(c.header);
        EXPECT_EQ(id3v2FooterSize(header), c.footer) << testing::PrintToString(c.header);
    }
}

} // namespace
} // namespace tl::mp3::test
