// What the plug-ins read from the containers beside TagLib, over crafted bytes: the cases
// no encoder writes (sizes that run past their parent, escapes, odd padding, broken tags).
#include "plugins/taglib/DescriptorStream.h"
#include "plugins/taglib/StreamHeader.h"

#include "mp3/Mp3TestUtil.h"

#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

namespace tl::taglib {
namespace {

using Bytes = std::string;

Bytes be32(std::uint32_t v) {
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
            static_cast<char>(v)};
}
Bytes le16(std::uint32_t v) {
    return {static_cast<char>(v), static_cast<char>(v >> 8)};
}
Bytes le32(std::uint32_t v) {
    return le16(v) + le16(v >> 16);
}
Bytes le64(std::uint64_t v) {
    return le32(static_cast<std::uint32_t>(v)) + le32(static_cast<std::uint32_t>(v >> 32));
}

/** An MPEG-4 box. */
Bytes box(const char* type, const Bytes& body) {
    return be32(static_cast<std::uint32_t>(body.size() + 8)) + type + body;
}

/** Runs @p read over a stream of @p bytes. */
template <class Read> auto over(const Bytes& bytes, Read read) {
    const int fd = tl::mp3::test::memfdWith(bytes);
    DescriptorStream stream(fd);
    auto result = read(stream);
    ::close(fd);
    return result;
}

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

/** An MPEG-4 file whose moov holds @p tracks. */
Bytes mp4(const Bytes& tracks) {
    return box("ftyp", "M4A \x00\x00\x00\x00") + box("moov", tracks) + box("mdat", "xxxx");
}

/** A track with handler @p handler and a sample entry @p entry. */
Bytes track(const char* handler, const Bytes& entry) {
    const Bytes hdlr = box("hdlr", Bytes(8, '\0') + handler + Bytes(12, '\0'));
    const Bytes stsd = box("stsd", Bytes(4, '\0') + be32(1) + entry);
    return box("trak", box("mdia", hdlr + box("minf", box("stbl", stsd))));
}

/** An audio sample entry of @p type, sound description @p version, around @p children. */
Bytes sampleEntry(const char* type, int version, const Bytes& children) {
    Bytes fields = Bytes(6, '\0') + Bytes("\x00\x01", 2) + Bytes(1, '\0') +
                   static_cast<char>(version) + Bytes(18, '\0');
    fields += Bytes(version == 1 ? 16 : version == 2 ? 36 : 0, '\0');
    return box(type, fields + children);
}

/** An esds box around an AudioSpecificConfig, with descriptor sizes in @p sizeBytes
 *  7-bit groups. */
Bytes esds(const Bytes& config, int sizeBytes = 1) {
    auto size = [&](std::size_t n) {
        Bytes out;
        for (int i = sizeBytes - 1; i >= 0; --i)
            out += static_cast<char>(((n >> (7 * i)) & 0x7F) | (i > 0 ? 0x80 : 0));
        return out;
    };
    const Bytes specific = "\x05" + size(config.size()) + config;
    const Bytes decoder =
        "\x04" + size(13 + specific.size()) + "\x40\x15" + Bytes(11, '\0') + specific;
    const Bytes es = "\x03" + size(3 + decoder.size()) + Bytes("\x00\x01\x00", 3) + decoder;
    return box("esds", Bytes(4, '\0') + es);
}

TEST(StreamHeader, Mpeg4DecoderConfigOfTheFirstAudioTrack) {
    const Bytes asc("\x12\x10", 2);
    const Bytes alacConfig = Bytes("\x00\x00\x10\x00\x00\x10", 6) + Bytes(18, '\0');
    struct Case {
        const char* what;
        Bytes file;
        const char* binary;
    };
    const Case cases[] = {
        {"AAC", mp4(track("soun", sampleEntry("mp4a", 0, esds(asc)))), "1210"},
        {"AAC with four-byte descriptor sizes",
         mp4(track("soun", sampleEntry("mp4a", 0, esds(asc, 4)))), "1210"},
        {"a video track first",
         mp4(track("vide", sampleEntry("avc1", 0, "")) +
             track("soun", sampleEntry("mp4a", 1, esds(asc)))),
         "1210"},
        {"QuickTime version 2 with a wave box",
         mp4(track("soun", sampleEntry("mp4a", 2, box("wave", box("frma", "mp4a") + esds(asc))))),
         "1210"},
        {"ALAC",
         mp4(track("soun", sampleEntry("alac", 0, box("alac", Bytes(4, '\0') + alacConfig)))),
         "00001000"},
        {"no audio track", mp4(track("vide", sampleEntry("mp4a", 0, esds(asc)))), ""},
        {"a box larger than its parent", box("moov", be32(0x7FFFFFF0) + "trak" + Bytes(30, '\0')),
         ""},
        {"a descriptor cut short",
         mp4(track("soun", sampleEntry("mp4a", 0, box("esds", Bytes(4, '\0') + "\x03\x80")))), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(binaryText(over(c.file, [](DescriptorStream& s) { return mp4DecoderConfig(s); })),
                  c.binary);
    }
    // A box of 64-bit size, and one that runs to the end of its parent (size 0).
    const Bytes large = be32(1) + "moov" + Bytes(4, '\0') +
                        be32(16 + static_cast<std::uint32_t>(
                                      track("soun", sampleEntry("mp4a", 0, esds(asc))).size())) +
                        track("soun", sampleEntry("mp4a", 0, esds(asc)));
    EXPECT_EQ(binaryText(over(large, [](DescriptorStream& s) { return mp4DecoderConfig(s); })),
              "1210");
    const Bytes toEnd = be32(0) + "moov" + track("soun", sampleEntry("mp4a", 0, esds(asc)));
    EXPECT_EQ(binaryText(over(toEnd, [](DescriptorStream& s) { return mp4DecoderConfig(s); })),
              "1210");
}

TEST(StreamHeader, AacChannelsFromTheAudioSpecificConfig) {
    struct Case {
        Bytes config;
        int channels;
    };
    const Case cases[] = {
        {Bytes("\x12\x10", 2), 2}, // LC, 44100 Hz, stereo
        {Bytes("\x13\x88", 2), 1}, // LC, 22050 Hz, mono
        {Bytes("\x11\xB8", 2), 8}, // LC, 48000 Hz, configuration 7: 7.1
        {Bytes("\x12\x00", 2), 0}, // configuration 0: given elsewhere
        // Frequency escape: 24 bits of frequency before the channels (2).
        {Bytes("\x17\x80\x56\x22\x10", 5), 2},
        // Object type escape (31, then 6 bits), then index 2 and 1 channel.
        {Bytes("\xF8\x04\x20", 3), 1},
        {Bytes("\x12", 1), 0}, // cut before the channels
        {Bytes(), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(binaryText(c.config));
        EXPECT_EQ(aacChannels(c.config), c.channels);
    }
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
