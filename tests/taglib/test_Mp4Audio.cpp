// The MPEG-4 sample description as the plug-ins read it beside TagLib, over crafted
// boxes: the layouts, escapes and broken sizes no encoder writes, and the configurations
// of the codecs' documented layouts that Debian's encoders cannot make (HE-AAC, E-AC-3
// with dependent substreams).
#include "plugins/taglib/Mp4Audio.h"
#include "plugins/taglib/StreamHeader.h"

#include "taglib/ByteBuilders.h"

#include <gtest/gtest.h>
#include <string>

namespace tl::taglib {
namespace {

using test::be32;
using test::box;
using test::Bytes;
using test::over;

Bytes be16(std::uint32_t v) {
    return {static_cast<char>(v >> 8), static_cast<char>(v)};
}

/** An MPEG-4 file whose moov holds @p tracks. */
Bytes mp4(const Bytes& tracks) {
    return box("ftyp", "M4A \x00\x00\x00\x00") + box("moov", tracks) + box("mdat", "xxxx");
}

/** A track with handler @p handler, a sample entry @p entry and other sample table boxes
 *  @p more. */
Bytes track(const char* handler, const Bytes& entry, const Bytes& more = "") {
    const Bytes hdlr = box("hdlr", Bytes(8, '\0') + handler + Bytes(12, '\0'));
    const Bytes stsd = box("stsd", Bytes(4, '\0') + be32(1) + entry);
    return box("trak", box("mdia", hdlr + box("minf", box("stbl", stsd + more))));
}

/** An audio sample entry of @p type, sound description @p version, @p channels at
 *  @p rate, around @p children. */
Bytes sampleEntry(const char* type, int version, const Bytes& children, unsigned channels = 2,
                  unsigned rate = 44100) {
    Bytes fields = Bytes(6, '\0') + be16(1) + be16(static_cast<std::uint32_t>(version)) +
                   Bytes(6, '\0') + be16(channels) + be16(16) + Bytes(4, '\0') + be32(rate << 16);
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

/** STREAMINFO of 4096-sample blocks at @p rate in @p channels. */
Bytes streamInfo(unsigned rate, unsigned channels) {
    Bytes s = Bytes("\x10\x00\x10\x00", 4) + Bytes(6, '\0');
    s += static_cast<char>(rate >> 12);
    s += static_cast<char>(rate >> 4);
    s += static_cast<char>((rate & 0x0F) << 4 | (channels - 1) << 1);
    return s + Bytes(21, '\0');
}

std::optional<Mp4Track> trackOf(const Bytes& file) {
    return over(file, [](DescriptorStream& s) { return readMp4Track(s); });
}

TEST(Mp4Audio, DecoderConfigOfTheFirstSoundTrack) {
    const Bytes asc("\x12\x10", 2);
    const Bytes alacConfig = Bytes("\x00\x00\x10\x00\x00\x10", 6) + Bytes(18, '\0');
    const Bytes dfla = Bytes(4, '\0') + Bytes("\x80\x00\x00\x22", 4) + streamInfo(96000, 2);
    struct Case {
        const char* what;
        Bytes file;
        const char* format;
        const char* binary;
    };
    const Case cases[] = {
        {"AAC", mp4(track("soun", sampleEntry("mp4a", 0, esds(asc)))), "mp4a", "1210"},
        {"AAC with four-byte descriptor sizes",
         mp4(track("soun", sampleEntry("mp4a", 0, esds(asc, 4)))), "mp4a", "1210"},
        {"a video track first",
         mp4(track("vide", sampleEntry("avc1", 0, "")) +
             track("soun", sampleEntry("mp4a", 1, esds(asc)))),
         "mp4a", "1210"},
        {"QuickTime version 2 with a wave box",
         mp4(track("soun", sampleEntry("mp4a", 2, box("wave", box("frma", "mp4a") + esds(asc))))),
         "mp4a", "1210"},
        {"ALAC",
         mp4(track("soun", sampleEntry("alac", 0, box("alac", Bytes(4, '\0') + alacConfig)))),
         "alac", "00001000"},
        {"AC-3", mp4(track("soun", sampleEntry("ac-3", 0, box("dac3", "\x50\x10\xC0")))), "ac-3",
         "5010C0"},
        {"E-AC-3 behind a bitrate box",
         mp4(track("soun", sampleEntry("ec-3", 0,
                                       box("btrt", Bytes(12, '\0')) +
                                           box("dec3", Bytes("\x06\x00\x20\x0F\x00", 5))))),
         "ec-3", "0600200F"},
        {"FLAC: the STREAMINFO of dfLa",
         mp4(track("soun", sampleEntry("fLaC", 0, box("dfLa", dfla)))), "fLaC", "10001000"},
        {"FLAC whose first block is not STREAMINFO",
         mp4(track("soun", sampleEntry("fLaC", 0,
                                       box("dfLa", Bytes(4, '\0') + Bytes("\x84\x00\x00\x04", 4) +
                                                       "abcd")))),
         "fLaC", ""},
        {"Opus",
         mp4(track("soun", sampleEntry("Opus", 0, box("dOps", Bytes("\x00\x02\x01\x38", 4))))),
         "Opus", "00020138"},
        {"a codec without a configuration box", mp4(track("soun", sampleEntry(".mp3", 0, ""))),
         ".mp3", ""},
        {"a descriptor cut short",
         mp4(track("soun", sampleEntry("mp4a", 0, box("esds", Bytes(4, '\0') + "\x03\x80")))),
         "mp4a", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::optional<Mp4Track> t = trackOf(c.file);
        ASSERT_TRUE(t);
        EXPECT_EQ(t->format, c.format);
        EXPECT_EQ(binaryText(t->config), c.binary);
    }
    // A box of 64-bit size, and one that runs to the end of its parent (size 0).
    const Bytes aac = track("soun", sampleEntry("mp4a", 0, esds(asc)));
    const Bytes large =
        be32(1) + "moov" + Bytes(4, '\0') + be32(16 + static_cast<std::uint32_t>(aac.size())) + aac;
    EXPECT_EQ(binaryText(trackOf(large).value_or(Mp4Track{}).config), "1210");
    EXPECT_EQ(binaryText(trackOf(be32(0) + "moov" + aac).value_or(Mp4Track{}).config), "1210");
    // No sound track, and a box larger than its parent: no track at all.
    EXPECT_FALSE(trackOf(mp4(track("vide", sampleEntry("mp4a", 0, esds(asc))))));
    EXPECT_FALSE(trackOf(box("moov", be32(0x7FFFFFF0) + "trak" + Bytes(30, '\0'))));
}

TEST(Mp4Audio, SampleEntryFieldsAndTheBytesOfItsSamples) {
    const Bytes entry = sampleEntry("Opus", 0, box("dOps", Bytes(11, '\0')), 6, 48000);
    struct Case {
        const char* what;
        Bytes stsz;
        std::uint64_t bytes;
    };
    const Case cases[] = {
        {"one size for every sample", box("stsz", Bytes(4, '\0') + be32(300) + be32(7)), 2100},
        {"a size per sample",
         box("stsz", Bytes(4, '\0') + be32(0) + be32(3) + be32(10) + be32(20) + be32(30)), 60},
        // The count says a million; the table holds two sizes.
        {"a count past the table",
         box("stsz", Bytes(4, '\0') + be32(0) + be32(1000000) + be32(5) + be32(6)), 11},
        {"no sample size table", "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::optional<Mp4Track> t = trackOf(mp4(track("soun", entry, c.stsz)));
        ASSERT_TRUE(t);
        EXPECT_EQ(t->channels, 6);
        EXPECT_EQ(t->rate, 48000u);
        EXPECT_EQ(t->sampleBytes, c.bytes);
    }
}

TEST(Mp4Audio, StreamOfEachDecoderConfiguration) {
    const Bytes dops = Bytes("\x00\x06\x01\x38\x00\x00\xBB\x80\x00\x00\x01", 11);
    struct Case {
        const char* what;
        Mp4Track track;
        const char* type;
        unsigned rate;
        int channels;
        int bitrate;
        const char* binary;
    };
    const Case cases[] = {
        // dac3: fscod 1 (44.1 kHz), acmod 2 (L R), bit_rate_code 6 (96 kbit/s).
        {"AC-3 stereo", {"ac-3", "\x50\x10\xC0"}, "AC-3", 44100, 2, 96, "5010C0"},
        // fscod 0, acmod 7 (L C R Ls Rs) with the LFE, bit_rate_code 15 (448 kbit/s).
        {"AC-3 5.1", {"ac-3", "\x10\x3D\xE0"}, "AC-3", 48000, 6, 448, "103DE0"},
        {"AC-3 cut short", {"ac-3", "\x50"}, "AC-3", 0, 0, 0, "50"},
        // dec3: 192 kbit/s, one independent substream at 48 kHz in 5.1.
        {"E-AC-3 5.1",
         {"ec-3", Bytes("\x06\x00\x20\x0F\x00", 5)},
         "E-AC-3",
         48000,
         6,
         192,
         "0600200F"},
        // 384 kbit/s, 5.1 and a dependent substream adding Lrs/Rrs: 7.1.
        {"E-AC-3 7.1",
         {"ec-3", Bytes("\x0C\x00\x20\x0F\x02\x80", 6)},
         "E-AC-3",
         48000,
         8,
         384,
         "0C00200F"},
        // fscod 3: a reduced rate, which the sample entry gives.
        {"E-AC-3 at a reduced rate",
         {"ec-3", Bytes("\x02\x00\xE0\x04\x00", 5), 2, 24000},
         "E-AC-3",
         24000,
         2,
         64,
         "0200E004"},
        {"FLAC", {"fLaC", streamInfo(96000, 2)}, "FLAC", 96000, 2, 0, "10001000"},
        // Opus decodes at 48 kHz whatever rate its source had (here 44.1 kHz).
        {"Opus", {"Opus", dops}, "Opus", 48000, 6, 0, "4F707573"},
        {"HE-AAC", {"mp4a", Bytes("\x2B\x8A\x08\x00", 4)}, "AAC", 44100, 2, 0, "2B8A0800"},
        {"ALAC: TagLib reads its facts", {"alac", Bytes(24, '\0')}, "ALAC", 0, 0, 0, "00000000"},
        {"a codec of no known configuration", {".mp3", ""}, "", 0, 0, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Mp4Stream s = mp4Stream(c.track);
        EXPECT_EQ(s.type, c.type);
        EXPECT_EQ(s.rate, c.rate);
        EXPECT_EQ(s.channels, c.channels);
        EXPECT_EQ(s.bitrate, c.bitrate);
        EXPECT_EQ(binaryText(s.header), c.binary);
    }
}

TEST(Mp4Audio, AacOutputRateAndChannelsFromTheAudioSpecificConfig) {
    struct Case {
        const char* what;
        Bytes config;
        unsigned rate;
        int channels;
    };
    const Case cases[] = {
        {"LC, 44100 Hz, stereo", Bytes("\x12\x10", 2), 44100, 2},
        {"LC, 22050 Hz, mono", Bytes("\x13\x88", 2), 22050, 1},
        {"LC, 48000 Hz, configuration 7: 7.1", Bytes("\x11\xB8", 2), 48000, 8},
        {"configuration 0: given elsewhere", Bytes("\x12\x00", 2), 44100, 0},
        {"frequency escape: 24 bits of frequency", Bytes("\x17\x80\x56\x22\x10", 5), 44100, 2},
        {"object type escape: 31, then 6 bits", Bytes("\xF8\x04\x20", 3), 64000, 1},
        {"cut before the channels", Bytes("\x12", 1), 0, 0},
        {"empty", Bytes(), 0, 0},
        // Object type 5 and the SBR rate: a mono core may carry parametric stereo unsaid.
        {"HE-AAC", Bytes("\x2B\x8A\x08\x00", 4), 44100, 2},
        {"HE-AAC v2: object type 29", Bytes("\xEB\x8A\x08\x00", 4), 44100, 2},
        {"HE-AAC of a stereo core at 24000 Hz", Bytes("\x2B\x11\x88\x00", 4), 48000, 2},
        {"SBR at the core's own rate", Bytes("\x2B\x93\x88\x00", 4), 22050, 2},
        {"HE-AAC cut after the SBR rate", Bytes("\x2B\x88", 2), 22050, 1},
        // AAC-LC with the sync extension 0x2B7 after its GASpecificConfig.
        {"sync extension: SBR absent, as ffmpeg writes AAC-LC", Bytes("\x13\x88\x56\xE5\x00", 5),
         22050, 1},
        {"sync extension: SBR at 44100 Hz", Bytes("\x13\x88\x56\xE5\xA0", 5), 44100, 2},
        {"sync extension: SBR, parametric stereo absent", Bytes("\x13\x88\x56\xE5\xA5\x48\x00", 7),
         44100, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const AacConfig a = aacConfig(c.config);
        EXPECT_EQ(a.rate(), c.rate);
        EXPECT_EQ(a.channels(), c.channels);
    }
}

} // namespace
} // namespace tl::taglib
