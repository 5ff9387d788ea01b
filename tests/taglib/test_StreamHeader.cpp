// What the plug-ins read from the containers beside TagLib, over crafted bytes: the cases
// no encoder writes (sizes that run past their parent, escapes, odd padding, broken tags).
#include "plugins/taglib/StreamHeader.h"

#include "taglib/ByteBuilders.h"

#include <gtest/gtest.h>
#include <string>

namespace tl::taglib {
namespace {

using test::be32;
using test::Bytes;
using test::le16;
using test::le32;
using test::le64;
using test::over;

TEST(StreamHeader, Id3v2HeaderAtTheStart) {
    const Bytes body(20, 'x');
    struct Case {
        const char* what;
        Bytes bytes;
        Id3v2Start start;
        std::int64_t size;
    };
    const Case cases[] = {
        {"no tag", "fLaC" + body, Id3v2Start::None, 0},
        {"version 3", Bytes("ID3\x03\x00\x00\x00\x00\x00\x14", 10) + body, Id3v2Start::Valid, 30},
        {"version 4 with a footer", Bytes("ID3\x04\x00\x10\x00\x00\x00\x0A", 10) + body,
         Id3v2Start::Valid, 30},
        {"version 5", Bytes("ID3\x05\x00\x00\x00\x00\x00\x00", 10) + body, Id3v2Start::Malformed,
         0},
        {"a size byte with its top bit", Bytes("ID3\x03\x00\x00\x00\x00\x80\x00", 10) + body,
         Id3v2Start::Malformed, 0},
        {"a size past the end", Bytes("ID3\x03\x00\x00\x00\x00\x01\x00", 10) + body,
         Id3v2Start::Malformed, 0},
        {"only the identifier", "ID3", Id3v2Start::Malformed, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Id3v2Probe probe = over(c.bytes, [](DescriptorStream& s) { return probeId3v2(s); });
        EXPECT_EQ(probe.start, c.start);
        EXPECT_EQ(probe.size, c.size);
    }
}

TEST(StreamHeader, FlacStreamInfoWhereAReaderLooks) {
    const Bytes streamInfo = Bytes("\x00\x00\x00\x22\x10\x00\x12\x00", 8) + Bytes(30, '\x01');
    struct Case {
        const char* what;
        Bytes bytes;
        const char* binary;
    };
    const Case cases[] = {
        {"at the start", "fLaC" + streamInfo, "10001200"},
        {"behind an ID3v2 tag",
         Bytes("ID3\x03\x00\x00\x00\x00\x00\x02xx", 12) + "fLaC" + streamInfo, "10001200"},
        {"behind a broken tag", Bytes("ID3\x09junkjunk", 12) + "fLaC" + streamInfo, "10001200"},
        {"first block not STREAMINFO", "fLaC" + Bytes("\x04\x00\x00\x22", 4) + Bytes(34, 'a'), ""},
        {"no marker", Bytes(64, 'z'), ""},
        {"cut in the block header", "fLaC\x00\x00", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(binaryText(over(c.bytes, [](DescriptorStream& s) { return flacStreamInfo(s); })),
                  c.binary);
    }
}

/** A FLAC metadata block of @p type whose size field says @p size. */
Bytes flacBlock(unsigned type, const Bytes& body, std::size_t size, bool last = false) {
    return static_cast<char>(type | (last ? 0x80 : 0)) +
           be32(static_cast<std::uint32_t>(size)).substr(1) + body;
}
Bytes flacBlock(unsigned type, const Bytes& body, bool last = false) {
    return flacBlock(type, body, body.size(), last);
}

TEST(StreamHeader, FlacMetadataBehindBlocksWhoseSizesSayTooLittle) {
    // STREAMINFO: 8000 Hz, mono, 16 bits, 2000 samples.
    const Bytes info = Bytes("\x10\x00\x10\x00", 4) + Bytes(6, '\0') +
                       Bytes("\x01\xF4\x00\xF0\x00\x00\x07\xD0", 8) + Bytes(16, '\0');
    auto vorbisText = [](const Bytes& text) {
        return le32(static_cast<std::uint32_t>(text.size())) + text;
    };
    const Bytes comment =
        vorbisText("vendor") + le32(2) + vorbisText("TITLE=Píseň") + vorbisText("ARTIST=Dvořák");
    const Bytes png(40, 'p');
    const Bytes picture = be32(3) + be32(9) + "image/png" + be32(0) + Bytes(16, '\0') +
                          be32(static_cast<std::uint32_t>(png.size())) + png;
    const Bytes frames = "\xFF\xF8" + Bytes(998, 'f');
    const Bytes start = "fLaC" + flacBlock(0, info);
    struct Case {
        const char* what;
        Bytes metadata; ///< the blocks behind STREAMINFO
        bool found;     ///< the comment and the frames are found
    };
    const Case cases[] = {
        {"as written", flacBlock(4, comment) + flacBlock(6, picture) + flacBlock(1, "pad", true),
         true},
        {"behind a picture block four bytes short",
         flacBlock(6, picture, picture.size() - 4) + flacBlock(4, comment) +
             flacBlock(1, "pad", true),
         true},
        // The comments' lengths in characters: three letters take two bytes each.
        {"a comment block that counts characters",
         flacBlock(4, comment, comment.size() - 3) + flacBlock(1, "pad", true), true},
        {"behind a picture whose data runs past the end",
         flacBlock(6, picture.substr(0, picture.size() - png.size() - 4) + be32(0x7FFFFFFF),
                   std::size_t{40}) +
             flacBlock(4, comment, true),
         false},
        {"no last block before the frames", flacBlock(4, comment), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Bytes file = start + c.metadata + frames;
        const FlacMetadata meta =
            over(file, [](DescriptorStream& s) { return readFlacMetadata(s); });
        EXPECT_EQ(meta.streamInfo, info);
        if (!c.found) {
            EXPECT_EQ(meta.audioStart, 0);
            continue;
        }
        EXPECT_EQ(meta.vorbisComment, comment);
        EXPECT_EQ(meta.audioStart, static_cast<std::int64_t>(file.size() - frames.size()));
        const StreamFacts f = flacStream(meta, static_cast<std::int64_t>(file.size()));
        EXPECT_EQ(f.rate, 8000u);
        EXPECT_EQ(f.channels, 1);
        EXPECT_EQ(f.length, 250);
        EXPECT_EQ(f.bitrate, 32); // 1000 bytes of frames in 250 ms
    }
    // Lengths that run past the file measure nothing: the size field stands.
    const Bytes many = vorbisText("vendor") + le32(60000) + vorbisText("A=b");
    EXPECT_EQ(over(start + flacBlock(4, many, true) + frames,
                   [](DescriptorStream& s) { return readFlacMetadata(s); })
                  .vorbisComment,
              many);
    // The first block must be STREAMINFO; behind an ID3v2 tag it is looked for too.
    const Bytes tagged = Bytes("ID3\x03\x00\x00\x00\x00\x00\x02xx", 12) + start +
                         flacBlock(4, comment, true) + frames;
    EXPECT_EQ(over(tagged, [](DescriptorStream& s) { return readFlacMetadata(s); }).vorbisComment,
              comment);
    const FlacMetadata none = over("fLaC" + flacBlock(4, comment, true) + frames,
                                   [](DescriptorStream& s) { return readFlacMetadata(s); });
    EXPECT_EQ(none.streamInfo, "");
    EXPECT_EQ(none.audioStart, 0);
}

/** An ASF object. */
Bytes asfObject(const Bytes& guid, const Bytes& body) {
    return guid + le64(24 + body.size()) + body;
}

const Bytes AsfHeader("\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C", 16);
const Bytes AsfStream("\x91\x07\xDC\xB7\xB7\xA9\xCF\x11\x8E\xE6\x00\xC0\x0C\x20\x53\x65", 16);
const Bytes AsfAudio("\x40\x9E\x69\xF8\x4D\x5B\xCF\x11\xA8\xFD\x00\x80\x5F\x5C\x44\x2B", 16);
const Bytes AsfVideo("\xC0\xEF\x19\xBC\x4D\x5B\xCF\x11\xA8\xFD\x00\x80\x5F\x5C\x44\x2B", 16);

Bytes asfStream(const Bytes& type, const Bytes& format) {
    return asfObject(AsfStream, type + Bytes(16, '\0') + Bytes(8, '\0') +
                                    le32(static_cast<std::uint32_t>(format.size())) + le32(0) +
                                    Bytes(6, '\0') + format);
}

Bytes asf(const Bytes& objects, std::uint32_t count) {
    return AsfHeader + le64(30 + objects.size()) + le32(count) + Bytes("\x01\x02", 2) + objects;
}

TEST(StreamHeader, AsfWaveFormatOfTheFirstAudioStream) {
    const Bytes wma2 = le16(0x161) + le16(2) + le32(44100);
    struct Case {
        const char* what;
        Bytes file;
        const char* binary;
    };
    const Case cases[] = {
        {"audio", asf(asfStream(AsfAudio, wma2), 1), "61010200"},
        {"behind a video stream",
         asf(asfStream(AsfVideo, Bytes(40, 'v')) + asfStream(AsfAudio, wma2), 2), "61010200"},
        {"more objects counted than there are", asf(asfStream(AsfVideo, Bytes(8, 'v')), 1000000),
         ""},
        {"an object of size 0", asf(AsfStream + le64(0) + Bytes(60, '\0'), 1), ""},
        {"no header object", asfStream(AsfAudio, wma2), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(binaryText(over(c.file, [](DescriptorStream& s) { return asfWaveFormat(s); })),
                  c.binary);
    }
}

const Bytes AsfExtendedContent("\x40\xA4\xD0\xD2\x07\xE3\xD2\x11\x97\xF0\x00\xA0\xC9\x5E\xA8\x50",
                               16);
const Bytes AsfHeaderExtension("\xB5\x03\xBF\x5F\x2E\xA9\xCF\x11\x8E\xE3\x00\xC0\x0C\x20\x53\x65",
                               16);
const Bytes AsfMetadata("\xEA\xCB\xF8\xC5\xAF\x5B\x77\x48\x84\x67\xAA\x8C\x44\xFA\x4C\xCA", 16);

/** An Extended Content Description attribute: name, type, value. */
Bytes contentAttribute(const Bytes& name, std::uint32_t type, const Bytes& value) {
    return le16(static_cast<std::uint32_t>(name.size())) + name + le16(type) +
           le16(static_cast<std::uint32_t>(value.size())) + value;
}

TEST(StreamHeader, AsfAttributeListsThatRunPastTheEndAreRefused) {
    const Bytes two = contentAttribute(Bytes("A\0", 2), 0, Bytes("x\0", 2)) +
                      contentAttribute(Bytes("B\0", 2), 5, le16(7));
    const Bytes metadata =
        le16(1) + Bytes(4, '\0') + le16(2) + le16(3) + le32(4) + Bytes("C\0", 2) + le32(9);
    const Bytes extension =
        asfObject(AsfHeaderExtension, Bytes(18, '\0') +
                                          le32(static_cast<std::uint32_t>(24 + metadata.size())) +
                                          asfObject(AsfMetadata, metadata));
    struct Case {
        const char* what;
        Bytes file;
        bool fits;
    };
    const Case cases[] = {
        {"two attributes", asf(asfObject(AsfExtendedContent, le16(2) + two), 1), true},
        {"a metadata list in the header extension", asf(extension, 1), true},
        // The count says 65535; the object holds two, and the file ends after them.
        {"a count past the end", asf(asfObject(AsfExtendedContent, le16(65535) + two), 1), false},
        {"a value longer than the file",
         asf(asfObject(AsfExtendedContent,
                       le16(1) + contentAttribute("N", 1, "").substr(0, 5) + le16(60000)),
             1),
         false},
        // A size TagLib does not believe: it reads the next object right behind the header.
        {"behind an object of impossible size",
         asf(AsfStream + le64(0xFFFFFFFFFFFFull) + asfObject(AsfExtendedContent, le16(40000)), 2),
         false},
        {"not ASF", "RIFF", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(over(c.file, [](DescriptorStream& s) { return asfAttributeCountsFit(s); }),
                  c.fits);
    }
}

Bytes chunk(const char* id, const Bytes& body) {
    return id + le32(static_cast<std::uint32_t>(body.size())) + body +
           (body.size() % 2 ? Bytes(1, '\0') : Bytes());
}

TEST(StreamHeader, RiffFormatAndInfoList) {
    const Bytes fmt = le16(1) + le16(2) + le32(44100) + le32(176400) + le16(4) + le16(16);
    const Bytes info = "INFO" + chunk("INAM", Bytes("Odd\0", 4)) +
                       chunk("IART", Bytes("Five!", 5)) + chunk("ICMT", Bytes("cut\0rest", 8));
    const Bytes body = "WAVE" + chunk("fmt ", fmt) + chunk("LIST", info) + chunk("data", "ab");
    const Bytes file = "RIFF" + le32(static_cast<std::uint32_t>(body.size())) + body;
    const RiffChunks chunks = over(file, [](DescriptorStream& s) { return readRiffChunks(s); });
    EXPECT_EQ(binaryText(chunks.format), "01000200");
    EXPECT_EQ(waveFormatTag(chunks.format), 1u);
    ASSERT_EQ(chunks.info.size(), 3u);
    EXPECT_EQ(chunks.info[0], (std::pair<std::string, std::string>{"INAM", "Odd"}));
    EXPECT_EQ(chunks.info[1], (std::pair<std::string, std::string>{"IART", "Five!"}));
    EXPECT_EQ(chunks.info[2], (std::pair<std::string, std::string>{"ICMT", "cut"}));

    // An INFO field whose size runs past its list ends the list; a chunk whose size runs
    // past the file ends the walk.
    const Bytes broken = "RIFF" + le32(1000) + "WAVE" +
                         chunk("LIST", "INFO" + Bytes("INAMzzzzab", 10)) + "fmt " +
                         le32(0x7FFFFFFF) + fmt;
    const RiffChunks partial = over(broken, [](DescriptorStream& s) { return readRiffChunks(s); });
    EXPECT_TRUE(partial.info.empty());
    EXPECT_EQ(binaryText(partial.format), "01000200");

    // WAVE_FORMAT_EXTENSIBLE: the sub-format tells the codec.
    const Bytes extensible = le16(0xFFFE) + Bytes(22, '\0') + le16(3) + Bytes(14, '\0');
    EXPECT_EQ(waveFormatTag(extensible), 3u);
    EXPECT_EQ(waveFormatTag(le16(0xFFFE)), 0u);
    EXPECT_EQ(waveFormatTag(""), 0u);
}

/** A WAVE file of the chunks @p body, with a RIFF size of @p riffSize (-1: the true one). */
Bytes wave(const Bytes& body, std::int64_t riffSize = -1) {
    const std::uint32_t size = riffSize < 0 ? static_cast<std::uint32_t>(body.size() + 4)
                                            : static_cast<std::uint32_t>(riffSize);
    return "RIFF" + le32(size) + "WAVE" + body;
}

TEST(StreamHeader, RiffChunksAreSteppedOverAsPlayersDo) {
    const Bytes fmt =
        chunk("fmt ", le16(1) + le16(1) + le32(8000) + le32(16000) + le16(2) + le16(16));
    const Bytes samples(4000, 's');
    const Bytes data = chunk("data", samples);
    const Bytes empty(8, '\0'); // a chunk of a zero identifier and size 0
    const Bytes id3 = chunk("id3 ", "ID3tag");
    struct Case {
        const char* what;
        Bytes file;
        std::int64_t dataOffset;
        bool id3; ///< the id3 chunk behind the data is found
    };
    const Case cases[] = {
        {"as written", wave(fmt + data + id3), 44, true},
        {"an empty chunk of no name before the format", wave(empty + fmt + data + id3), 52, true},
        {"an empty chunk of no name between format and data", wave(fmt + empty + data + id3), 52,
         true},
        {"a JUNK chunk of size 0", wave(chunk("JUNK", "") + fmt + data + id3), 52, true},
        // Sizes a writer could not go back to fill in: the samples run to the end.
        {"a data size of 0", wave(fmt + "data" + le32(0) + samples), 44, false},
        {"sizes of 0xFFFFFFFF", wave(fmt + "data" + le32(0xFFFFFFFF) + samples, 0xFFFFFFFF), 44,
         false},
        {"a RIFF size of 0", wave(fmt + data + id3, 0), 44, true},
        {"a data size past the end of the file", wave(fmt + "data" + le32(9000) + samples), 44,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const RiffChunks chunks =
            over(c.file, [](DescriptorStream& s) { return readRiffChunks(s); });
        EXPECT_EQ(binaryText(chunks.format), "01000100");
        EXPECT_EQ(chunks.dataOffset, c.dataOffset);
        EXPECT_EQ(chunks.dataSize, 4000);
        EXPECT_EQ(chunks.id3Offset,
                  c.id3 ? static_cast<std::int64_t>(c.file.size()) - 6 : std::int64_t{-1});
        const StreamFacts f = waveStream(chunks);
        EXPECT_EQ(f.length, 250);
        EXPECT_EQ(f.bitrate, 128);
    }
}

TEST(StreamHeader, WaveStreamFromFormatAndData) {
    auto format = [](unsigned tag, unsigned channels, unsigned rate, unsigned byteRate,
                     unsigned align, unsigned bits) {
        return le16(tag) + le16(channels) + le32(rate) + le32(byteRate) + le16(align) + le16(bits);
    };
    struct Case {
        const char* what;
        RiffChunks chunks;
        int length;
        int bitrate;
    };
    const Case cases[] = {
        {"PCM", {format(1, 2, 44100, 176400, 4, 16), {}, 44, 17640}, 100, 1411},
        {"PCM without a block size", {format(1, 2, 44100, 0, 0, 24), {}, 44, 26460}, 100, 2117},
        {"PCM of less than one frame", {format(1, 2, 44100, 176400, 4, 16), {}, 44, 3}, 0, 0},
        // IMA ADPCM: the fact chunk counts the samples; without it the byte rate tells.
        {"compressed with a sample count",
         {format(0x11, 1, 8000, 4055, 256, 4), {}, 60, 4055, 8000},
         1000,
         32},
        {"compressed without one", {format(0x11, 1, 8000, 4000, 256, 4), {}, 60, 2000}, 500, 32},
        {"a format chunk cut short",
         {format(1, 2, 44100, 176400, 4, 16).substr(0, 12), {}, 44, 400},
         0,
         0},
        {"no channels", {format(1, 0, 44100, 176400, 4, 16), {}, 44, 400}, 0, 0},
        {"no data", {format(1, 2, 44100, 176400, 4, 16), {}, -1, 0}, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const StreamFacts f = waveStream(c.chunks);
        EXPECT_EQ(f.length, c.length);
        EXPECT_EQ(f.bitrate, c.bitrate);
    }
}

TEST(StreamHeader, AiffCommonChunkAndStreamSignatures) {
    const Bytes comm = Bytes("\x00\x02\x00\x00\x10\x00\x00\x10", 8) + Bytes(10, '\0');
    const Bytes form = "AIFF" + Bytes("ANNO", 4) + be32(3) + "odd" + Bytes(1, '\0') + "COMM" +
                       be32(static_cast<std::uint32_t>(comm.size())) + comm;
    const Bytes aiff = "FORM" + be32(static_cast<std::uint32_t>(form.size())) + form;
    EXPECT_EQ(binaryText(over(aiff, [](DescriptorStream& s) { return aiffCommon(s); })),
              "00020000");
    EXPECT_EQ(over("FORMxxxxWAVE", [](DescriptorStream& s) { return aiffCommon(s); }), "");

    EXPECT_EQ(binaryText(over("wvpk\x10\x00",
                              [](DescriptorStream& s) { return streamSignature(s, "wvpk"); })),
              "7776706B");
    EXPECT_EQ(binaryText(over(Bytes("ID3\x03\x00\x00\x00\x00\x00\x01", 10) + "xMAC \x96\x0f",
                              [](DescriptorStream& s) { return streamSignature(s, "MAC "); })),
              "4D414320");
    EXPECT_EQ(over("RIFF", [](DescriptorStream& s) { return streamSignature(s, "MAC "); }), "");
}

} // namespace
} // namespace tl::taglib
