// Frame headers, frame tables and every step of the stream analysis, on crafted bytes.
#include "Mp3TestUtil.h"

#include "plugins/mp3/FileSource.h"

#include <cmath>
#include <fcntl.h>
#include <gtest/gtest.h>

namespace tl::mp3::test {
namespace {

struct HeaderCase {
    std::array<std::uint8_t, 4> bytes;
    bool valid;
    int version, layer, bitrate, sampleRate, mode;
};

TEST(FrameHeader, DecodesVersionLayerBitrateAndSampleRate) {
    const HeaderCase cases[] = {
        {{0xFF, 0xFB, 0x90, 0x44}, true, 1, 3, 128, 44100, 1},
        {{0xFF, 0xFB, 0x94, 0x00}, true, 1, 3, 128, 48000, 0},
        {{0xFF, 0xFB, 0x98, 0xC0}, true, 1, 3, 128, 32000, 3},
        {{0xFF, 0xFD, 0x90, 0x80}, true, 1, 2, 160, 44100, 2},
        {{0xFF, 0xFF, 0x90, 0x00}, true, 1, 1, 288, 44100, 0},
        {{0xFF, 0xF7, 0x90, 0x00}, true, 2, 1, 144, 22050, 0},
        {{0xFF, 0xF5, 0x94, 0x00}, true, 2, 2, 80, 24000, 0},
        {{0xFF, 0xF3, 0x98, 0x00}, true, 2, 3, 80, 16000, 0},
        {{0xFF, 0xE3, 0x90, 0x00}, true, 3, 3, 80, 11025, 0},
        {{0xFF, 0xE3, 0x18, 0x00}, true, 3, 3, 8, 8000, 0},
        // Index 14 in every row.
        {{0xFF, 0xFF, 0xE0, 0x00}, true, 1, 1, 448, 44100, 0},
        {{0xFF, 0xFD, 0xE0, 0x00}, true, 1, 2, 384, 44100, 0},
        {{0xFF, 0xFB, 0xE0, 0x00}, true, 1, 3, 320, 44100, 0},
        {{0xFF, 0xF7, 0xE0, 0x00}, true, 2, 1, 256, 22050, 0},
        {{0xFF, 0xF3, 0xE0, 0x00}, true, 2, 3, 160, 22050, 0},
        // Nothing in the last byte makes a header invalid.
        {{0xFF, 0xFB, 0x90, 0xFF}, true, 1, 3, 128, 44100, 3},
        // Invalid: no sync, version 01, layer 00, bitrate 0 (free) or 15, sample rate 3.
        {{0xFE, 0xFB, 0x90, 0x44}, false, 0, 0, 0, 0, 0},
        {{0xFF, 0xDB, 0x90, 0x44}, false, 0, 0, 0, 0, 0},
        {{0xFF, 0xEB, 0x90, 0x44}, false, 0, 0, 0, 0, 0},
        {{0xFF, 0xF9, 0x90, 0x44}, false, 0, 0, 0, 0, 0},
        {{0xFF, 0xFB, 0x00, 0x44}, false, 0, 0, 0, 0, 0},
        {{0xFF, 0xFB, 0xF0, 0x44}, false, 0, 0, 0, 0, 0},
        {{0xFF, 0xFB, 0x9C, 0x44}, false, 0, 0, 0, 0, 0},
    };
    for (const HeaderCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.bytes));
        const auto h = decodeFrameHeader(c.bytes);
        ASSERT_EQ(h.has_value(), c.valid);
        if (!h)
            continue;
        EXPECT_EQ(h->version, c.version);
        EXPECT_EQ(h->layer, c.layer);
        EXPECT_EQ(h->bitrate, c.bitrate);
        EXPECT_EQ(h->sampleRate, c.sampleRate);
        EXPECT_EQ(h->mode, c.mode);
    }
}

TEST(FrameHeader, LengthAndDurationFollowLayerAndVersion) {
    struct Case {
        std::array<std::uint8_t, 4> bytes;
        int length;
        double duration;
    };
    const Case cases[] = {
        {{0xFF, 0xFB, 0x90, 0x00}, 417, 1152000.0 / 44100}, // MPEG-1 III 128k
        {{0xFF, 0xFB, 0x92, 0x00}, 418, 1152000.0 / 44100}, // padded
        {{0xFF, 0xFF, 0x40, 0x00}, 136, 384000.0 / 44100},  // MPEG-1 I 128k: (34)*4
        {{0xFF, 0xFF, 0x42, 0x00}, 140, 384000.0 / 44100},  // Layer I pads 4 bytes
        {{0xFF, 0xFD, 0x94, 0x00}, 480, 1152000.0 / 48000}, // MPEG-1 II 160k
        {{0xFF, 0xF5, 0x84, 0x00}, 384, 1152000.0 / 24000}, // MPEG-2 II 64k
        {{0xFF, 0xF3, 0x90, 0x00}, 261, 576000.0 / 22050},  // MPEG-2 III 80k
        {{0xFF, 0xE3, 0x18, 0x00}, 72, 576000.0 / 8000},    // MPEG-2.5 III 8k
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.bytes));
        const auto h = decodeFrameHeader(c.bytes);
        ASSERT_TRUE(h);
        EXPECT_EQ(frameLength(*h), c.length);
        EXPECT_DOUBLE_EQ(frameDuration(*h), c.duration);
    }
}

TEST(Mp3Analysis, ConstantBitrateStreamFillsStreamFields) {
    const Bytes file = repeat(mpeg1Frame(9), 20);
    const Outcome out = analyse(file);
    EXPECT_EQ(out.result, TL_AFI_OK);
    EXPECT_EQ(out.text(out.info.Type), "MPG1/3");
    EXPECT_EQ(out.info.Bitrate, 128);
    EXPECT_EQ(out.info.Frequency, 44100u);
    EXPECT_EQ(out.text(out.info.Mode), "Joint stereo");
    EXPECT_EQ(out.text(out.info.Binary), "FFFB9044");
    EXPECT_EQ(out.text(out.info.Tag), "");
    // 20 frames of 417 bytes at 128 kbit/s: 8340 bytes, 521.25 ms.
    EXPECT_EQ(out.info.Length, 521);
}

TEST(Mp3Analysis, LeadingDataIsSkippedAndNotCounted) {
    const Bytes frames = repeat(mpeg1Frame(9), 20);
    const Outcome plain = analyse(frames);
    const Outcome out = analyse(Bytes(100, 'x') + frames);
    EXPECT_EQ(out.result, TL_AFI_OK);
    EXPECT_EQ(out.info.Length, plain.info.Length);
}

TEST(Mp3Analysis, Mpeg25TypeUsesVersionNumber25) {
    const Outcome out = analyse(repeat(frame(0xE3, 0x18, 0xC0), 10));
    EXPECT_EQ(out.result, TL_AFI_OK);
    EXPECT_EQ(out.text(out.info.Type), "MPG25/3");
    EXPECT_EQ(out.info.Frequency, 8000u);
    EXPECT_EQ(out.text(out.info.Mode), "Mono");
}

TEST(Mp3Analysis, FramesWithoutValidHeaderAreNoStream) {
    // Free-format frames only, and frames of an invalid sample rate.
    for (const std::uint8_t b2 : {0x00, 0xF0, 0x9C}) {
        Bytes bad = Bytes(417, '\0');
        bad[0] = '\xFF';
        bad[1] = '\xFB';
        bad[2] = static_cast<char>(b2);
        const Outcome out = analyse(repeat(bad, 6));
        EXPECT_EQ(out.result, TL_AFI_NO_STREAM) << int(b2);
        EXPECT_EQ(out.text(out.info.Type), "");
        EXPECT_EQ(out.info.Length, 0);
    }
}

TEST(FrameHeader, WalkTablesAgreeWithTheDecoderForEveryHeader) {
    for (const std::uint8_t b0 : {0xFF, 0xFE})
        for (int b1 = 0; b1 < 256; ++b1)
            for (int b2 = 0; b2 < 256; ++b2)
                for (const std::uint8_t b3 : {0x00, 0xC7}) {
                    const std::array<std::uint8_t, 4> bytes{b0, static_cast<std::uint8_t>(b1),
                                                            static_cast<std::uint8_t>(b2), b3};
                    const FrameStep step = frameStep(bytes.data());
                    const auto h = decodeFrameHeader(bytes);
                    ASSERT_EQ(step.length != 0, h.has_value()) << testing::PrintToString(bytes);
                    if (!h)
                        continue;
                    ASSERT_EQ(step.length, frameLength(*h));
                    ASSERT_EQ(step.bitrate, h->bitrate);
                    ASSERT_EQ(step.duration, frameDuration(*h)); // bit for bit
                }
}

TEST(Mp3Analysis, VariableBitrateIsWalkedOrEstimated) {
    // 128, 160, 128, 192, 128, 256, 128, 128, 224, 128 kbit/s: frames of 417, 522, 417,
    // 626, 417, 835, 417, 417, 731 and 417 bytes, 5216 in all.
    const int indexes[] = {9, 10, 9, 11, 9, 13, 9, 9, 12, 9};
    Bytes file;
    for (int index : indexes)
        file += mpeg1Frame(index);
    ASSERT_EQ(file.size(), 5216u);
    const Outcome full = analyse(file, 0);
    EXPECT_EQ(full.result, TL_AFI_OK);
    EXPECT_EQ(full.info.Bitrate, 160); // 1600 / 10
    EXPECT_EQ(full.info.Length, 261);  // 10 frames of 1152 samples at 44.1 kHz: 261.2 ms

    // Quick: the check stops at the first different bitrate and takes the average of 128
    // and 160: 5216 bytes at 144 kbit/s, 289.8 ms.
    const Outcome quick = analyse(file, TL_AFI_OPTION_QUICK);
    EXPECT_EQ(quick.result, TL_AFI_OK);
    EXPECT_EQ(quick.info.Bitrate, -1);
    EXPECT_EQ(quick.info.Length, 289);
    EXPECT_EQ(quick.text(quick.info.Type), "MPG1/3");
}

TEST(Mp3Analysis, WalkStopsAtTheId3v1Tag) {
    Bytes file = mpeg1Frame(9) + mpeg1Frame(11) + repeat(mpeg1Frame(9), 6);
    file += id3v1Tag("T", "A", "", "", "", 255);
    const Outcome out = analyse(file);
    EXPECT_EQ(out.result, TL_AFI_OK);
    EXPECT_EQ(out.info.Bitrate, 136); // (7 x 128 + 192) / 8
    EXPECT_EQ(out.info.Length, 208);  // 8 frames of 1152 samples at 44.1 kHz: 208.98 ms
}

TEST(Mp3Analysis, WalkAcrossBufferBordersCountsEveryFrame) {
    // Enough frames of changing sizes for several read-ahead buffers, and a frame header
    // that straddles each buffer's end somewhere.
    Bytes file;
    std::int64_t frames = 0;
    while (file.size() < 3 * FileSource::BufferSize + 1000) {
        file += mpeg1Frame(9 + static_cast<int>(frames % 5));
        ++frames;
    }
    const Outcome out = analyse(file);
    EXPECT_EQ(out.result, TL_AFI_OK);
    // Every frame holds 1152 samples at 44.1 kHz.
    EXPECT_EQ(out.info.Length, frames * 1152000 / 44100);
}

TEST(Mp3Analysis, WalkEndsOnAHeaderCutByTheEndOfTheFile) {
    // The last two bytes begin a header; the window keeps the two bytes before them from
    // the previous header, so they still read as one more frame of that header's kind.
    const Bytes frames = mpeg1Frame(9) + mpeg1Frame(11) + repeat(mpeg1Frame(9), 6);
    const Outcome out = analyse(frames + "\xFF\xFB");
    EXPECT_EQ(out.result, TL_AFI_OK);
    EXPECT_EQ(out.info.Length, 235);  // 9 frames of 26.12 ms
    EXPECT_EQ(out.info.Bitrate, 135); // (8 x 128 + 192) / 9
    // A single stray byte that is no header's start ends the walk without a frame.
    EXPECT_EQ(analyse(frames + "\x00").info.Length, 208); // 8 frames
}

TEST(Mp3Analysis, Id3v1TagIsNotPartOfThePlayingTime) {
    const Bytes frames = repeat(mpeg1Frame(9), 20);
    const Outcome out = analyse(frames + id3v1Tag("Title", "Artist", "", "", "", 17));
    EXPECT_EQ(out.result, TL_AFI_OK);
    EXPECT_EQ(out.info.Length, analyse(frames).info.Length);
    EXPECT_EQ(out.text(out.info.Tag), "ID3-1.1");
    EXPECT_EQ(out.text(out.info.Title), "Title");
    EXPECT_EQ(out.text(out.info.Genre), "Rock");
}

TEST(Mp3Analysis, BrokenChainIsInterruptedInTheFirstThreeChecksAndNoStreamLater) {
    // Junk after frame k breaks check k-1 (the check counts from 0). A single frame
    // before the junk, as an encoder's info frame often is, begins the stream too.
    struct Case {
        int framesBeforeJunk;
        int result;
    };
    const Case cases[] = {{1, TL_AFI_INTERRUPTED}, {2, TL_AFI_INTERRUPTED}, {3, TL_AFI_INTERRUPTED},
                          {4, TL_AFI_NO_STREAM},   {5, TL_AFI_NO_STREAM},   {6, TL_AFI_OK}};
    const Bytes clean = repeat(mpeg1Frame(9), 12);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.framesBeforeJunk);
        const Bytes file = repeat(mpeg1Frame(9), c.framesBeforeJunk) + Bytes(40, 'j') +
                           repeat(mpeg1Frame(9), 12 - c.framesBeforeJunk);
        const Outcome out = analyse(file);
        EXPECT_EQ(out.result, c.result);
        if (c.result == TL_AFI_NO_STREAM) {
            EXPECT_EQ(out.text(out.info.Type), "");
            EXPECT_EQ(out.info.Length, 0);
            EXPECT_EQ(out.text(out.info.Binary), "FFFB9044");
        } else {
            EXPECT_EQ(out.text(out.info.Type), "MPG1/3");
        }
        if (c.result == TL_AFI_INTERRUPTED) {
            // The skipped junk is taken off the payload.
            EXPECT_EQ(out.info.Length, analyse(clean).info.Length);
        }
    }
}

/** MPEG-2 Layer III frames, 22050 Hz, 64 kbit/s, mono. */
Bytes mpeg2Frames(int count) {
    return repeat(frame(0xF3, 0x80, 0xC4), count);
}

TEST(Mp3Analysis, JunkBeforeTheStreamNeverDescribesIt) {
    // Headers in the junk before an MPEG-2 stream: a lone one, two of one kind in a row
    // with different bitrates (a quick look stops at the change), and three in a row that
    // the check follows before it breaks. In every case, quick or not, the record is the
    // MPEG-2 stream's, and the junk is not part of its playing time.
    const Bytes junk(60, 'j');
    const Bytes lone = mpeg1Frame(9).substr(0, 4) + junk;
    const Bytes two = mpeg1Frame(9) + mpeg1Frame(10) + junk;
    const Bytes three = mpeg1Frame(9) + mpeg1Frame(10) + mpeg1Frame(9) + junk;
    const Bytes stream = mpeg2Frames(12);
    const Outcome alone = analyse(stream);
    for (const Bytes* before : {&lone, &two, &three}) {
        for (const int options : {0, TL_AFI_OPTION_QUICK}) {
            SCOPED_TRACE(testing::Message() << before->size() << " bytes, options " << options);
            const Outcome out = analyse(*before + stream, options);
            EXPECT_EQ(out.result, TL_AFI_OK);
            EXPECT_EQ(out.text(out.info.Type), "MPG2/3");
            EXPECT_EQ(out.info.Frequency, 22050u);
            EXPECT_EQ(out.info.Bitrate, 64);
            EXPECT_EQ(out.text(out.info.Mode), "Mono");
            EXPECT_EQ(out.text(out.info.Binary), "FFF380C4");
            EXPECT_EQ(out.info.Length, alone.info.Length);
        }
    }
}

TEST(Mp3Analysis, StreamAfterJunkIsARunOfFramesOfOneKind) {
    // Free-format frames (bitrate index 0) give no length to follow, and their data holds
    // chance matches of headers. A header found after junk starts a stream only when the
    // header one frame on is of its stream and lies in the file.
    const Bytes junk(300, 'j');
    const Bytes layer1 = frame(0xFF, 0xE4); // MPEG-1 Layer I, 448 kbit/s, 48 kHz: 448 bytes
    const Bytes layer2 = frame(0xFD, 0x90); // MPEG-1 Layer II, 160 kbit/s, 44.1 kHz: 522 bytes
    struct Case {
        const char* what;
        Bytes file;
        int result;
    };
    const Case cases[] = {
        {"a header whose next frame would lie past the end", junk + layer1.substr(0, 40),
         TL_AFI_NO_STREAM},
        {"a header followed by one of another stream", junk + layer1 + layer2 + junk,
         TL_AFI_NO_STREAM},
        {"two frames of one stream", junk + layer1 + layer1.substr(0, 4), TL_AFI_OK},
        {"at the start of the file, a header the file ends behind", layer1.substr(0, 40),
         TL_AFI_OK},
    };
    for (const Case& c : cases) {
        for (const int options : {0, TL_AFI_OPTION_QUICK}) {
            SCOPED_TRACE(testing::Message() << c.what << ", options " << options);
            const Outcome out = analyse(c.file, options);
            EXPECT_EQ(out.result, c.result);
            EXPECT_EQ(out.text(out.info.Type), c.result == TL_AFI_OK ? "MPG1/1" : "");
        }
    }
}

TEST(Mp3Analysis, HeaderOfAnotherStreamInTheChainIsAnInterruption) {
    // A Layer II header where the third frame of a Layer III stream should begin; the
    // stream goes on behind that frame.
    const Bytes file = repeat(mpeg1Frame(9), 2) + frame(0xFD, 0x90) + repeat(mpeg1Frame(9), 10);
    const Outcome out = analyse(file);
    EXPECT_EQ(out.result, TL_AFI_INTERRUPTED);
    EXPECT_EQ(out.text(out.info.Type), "MPG1/3");
    EXPECT_EQ(out.info.Bitrate, 128);
    // The foreign frame is junk, not audio of the stream.
    EXPECT_EQ(out.info.Length, analyse(repeat(mpeg1Frame(9), 12)).info.Length);
}

TEST(Mp3Analysis, QuickCheckIsAsStrictAsTheFullOne) {
    // Four headers of changing bitrates, then nothing that continues them: the check
    // breaks at its fourth step, which makes the file one without a stream, quick or not.
    const Bytes chain = mpeg1Frame(9) + mpeg1Frame(10) + mpeg1Frame(9) + mpeg1Frame(11);
    for (const int options : {0, TL_AFI_OPTION_QUICK}) {
        const Outcome out = analyse(chain + Bytes(3000, 'q'), options);
        EXPECT_EQ(out.result, TL_AFI_NO_STREAM) << options;
        EXPECT_EQ(out.text(out.info.Type), "") << options;
    }
}

TEST(Mp3Analysis, TagsDirectlyBehindTheFirstAreSkipped) {
    // The second tag holds a UTF-16 byte order mark and "T" (FF FE 54 00), which reads as
    // an MPEG-1 Layer I header, four times 160 bytes apart.
    Bytes comments;
    for (int i = 0; i < 4; ++i)
        comments += frame23("COMM", Bytes("\x01"
                                          "eng\xFF\xFE\0\0\xFF\xFE",
                                          10) +
                                        repeat(Bytes("T\0", 2), 70));
    const Bytes first = id3v2Tag(3, frame23("TIT2", latin1("First")));
    const Bytes second = id3v2Tag(3, comments + Bytes(64, '\0'));
    const Bytes frames = repeat(mpeg1Frame(9), 10);
    const Outcome plain = analyse(first + frames);
    for (const int options : {0, TL_AFI_OPTION_MODERN_TAGS}) {
        const Outcome out = analyse(first + second + second + frames, options);
        EXPECT_EQ(out.result, TL_AFI_OK);
        EXPECT_EQ(out.text(out.info.Title), "First");
        EXPECT_EQ(out.text(out.info.Tag), "ID3-2.3");
        EXPECT_EQ(out.text(out.info.Type), "MPG1/3");
        EXPECT_EQ(out.info.Length, plain.info.Length) << "the skipped tags are no audio";
    }
    // What only looks like a tag, or a tag that runs past the end, is not skipped.
    const Bytes notATag = "ID3\x03\xFF" + Bytes(5, '\0');
    EXPECT_EQ(analyse(first + notATag + frames).info.Length,
              analyse(first + Bytes(10, 'x') + frames).info.Length);
    const Bytes tooLong = Bytes("ID3\x03\0\0\0\0\x7F\x7F", 10);
    const Outcome past = analyse(first + tooLong + frames);
    EXPECT_EQ(past.result, TL_AFI_OK);
    EXPECT_EQ(past.text(past.info.Type), "MPG1/3");
}

TEST(Mp3Analysis, ModernReadingReadsVersion24AndItsFooter) {
    const Bytes frames =
        frame24("TIT2", "\x03New \xE2\x9C\x93") + frame24("TDRC", latin1("2004-05"));
    Bytes tag = id3v2Tag(4, frames, 0x10);
    tag += "3DI" + tag.substr(3, 7);
    const Bytes stream = repeat(mpeg1Frame(9), 10);
    const Bytes v1 = id3v1Tag("Old", "Artist", "", "", "", 255);
    const Outcome out = analyse(tag + stream + v1, TL_AFI_OPTION_MODERN_TAGS);
    EXPECT_EQ(out.result, TL_AFI_OK);
    EXPECT_EQ(out.text(out.info.Title), "New \xE2\x9C\x93");
    EXPECT_EQ(out.text(out.info.Artist), "Artist");
    EXPECT_EQ(out.text(out.info.Year), "2004");
    EXPECT_EQ(out.text(out.info.Tag), "ID3-2.4, ID3-1.1");
    // The tag and its footer leave the payload: the stream alone.
    EXPECT_EQ(out.info.Length, static_cast<int>(stream.size() * 8 / 128.0 + 0.5));

    const Outcome legacy = analyse(tag + stream + v1);
    EXPECT_EQ(legacy.result, TL_AFI_TAG_ERROR);
    EXPECT_EQ(legacy.text(legacy.info.Title), "Old");
}

TEST(Mp3Analysis, ResynchronisationGivesUpWhenThePayloadRunsOut) {
    // A frame followed by nothing that holds a header: the search after the broken
    // chain ends at the end of the file.
    const Outcome out = analyse(mpeg1Frame(9) + Bytes(3000, 'q'));
    EXPECT_EQ(out.result, TL_AFI_NO_STREAM);
}

TEST(Mp3Analysis, Id3v2TagCountsWithTwentyBytesMore) {
    const Bytes tag = id3v2Tag(3, frame23("TIT2", Bytes("\0Song", 5)) + Bytes(200, '\0'));
    const Bytes frames = repeat(mpeg1Frame(9), 24);
    const Outcome out = analyse(tag + frames);
    EXPECT_EQ(out.result, TL_AFI_OK);
    EXPECT_EQ(out.text(out.info.Title), "Song");
    EXPECT_EQ(out.text(out.info.Tag), "ID3-2.3");
    // 24 frames of 417 bytes less the 10 bytes the tag counts beyond its own size: 9998
    // bytes at 128 kbit/s, 624.875 ms. (The frames alone would give 626, 20 bytes less 624.)
    EXPECT_EQ(out.info.Length, 625);
}

TEST(Mp3Analysis, LengthIsNeverZeroWhenAStreamWasFound) {
    // Tag plus a lone header: the payload count is spent by the tag's extra 10 bytes.
    const Bytes header = mpeg1Frame(9).substr(0, 4);
    for (int options : {0, TL_AFI_OPTION_QUICK}) {
        const Outcome out = analyse(id3v2Tag(3, Bytes(20, '\0')) + header, options);
        EXPECT_EQ(out.result, TL_AFI_OK);
        EXPECT_EQ(out.info.Length, 1);
    }
}

TEST(Mp3Analysis, Id3v24TagIsATagErrorButId3v1StillFills) {
    const Bytes tag = id3v2Tag(4, frame23("TIT2", Bytes("\0New", 4)));
    const Outcome out =
        analyse(tag + repeat(mpeg1Frame(9), 10) + id3v1Tag("Old", "Artist", "", "", "", 255));
    EXPECT_EQ(out.result, TL_AFI_TAG_ERROR);
    EXPECT_EQ(out.text(out.info.Tag), "ID3-2.4, ID3-1.1");
    EXPECT_EQ(out.text(out.info.Title), "Old");
    EXPECT_EQ(out.text(out.info.Type), "MPG1/3");
}

TEST(Mp3Analysis, TagRunningPastTheEndIsSkippedAfterItsHeader) {
    Bytes header = "ID3\x03";
    header += Bytes("\0\0\x7F\x7F\x7F\x7F", 6);
    const Bytes frames = repeat(mpeg1Frame(9), 10);
    const Outcome withStream = analyse(header + frames);
    EXPECT_EQ(withStream.result, TL_AFI_TAG_ERROR);
    EXPECT_EQ(withStream.text(withStream.info.Tag), "ID3-2.3");
    EXPECT_EQ(withStream.text(withStream.info.Type), "MPG1/3");
    EXPECT_EQ(analyse(header + Bytes(500, 'z')).result, TL_AFI_NO_STREAM);
}

TEST(Mp3Analysis, TinyFilesHaveNoStream) {
    const Bytes cases[] = {"", "\xFF", Bytes("\xFF\xFB\x90", 3), "ID3"};
    for (const Bytes& bytes : cases) {
        const Outcome out = analyse(bytes);
        EXPECT_EQ(out.result, TL_AFI_NO_STREAM) << testing::PrintToString(bytes);
        EXPECT_EQ(out.text(out.info.Type), "");
    }
}

TEST(Mp3Analysis, SearchAtEndOfFileRepeatsTheLastByte) {
    const Outcome out = analyse("ABCDEF");
    EXPECT_EQ(out.result, TL_AFI_NO_STREAM);
    EXPECT_EQ(out.text(out.info.Binary), "44454646");
}

TEST(Mp3Analysis, MissingOrUnreadableDescriptor) {
    AudioFileInfo info{};
    EXPECT_EQ(analyseDescriptor(-1, info, 0, CodePage::Cp1252), TL_AFI_NO_HANDLE);
    const int dir = ::open("/", O_RDONLY | O_DIRECTORY);
    ASSERT_GE(dir, 0);
    info.fileSize = 4096;
    EXPECT_EQ(analyseDescriptor(dir, info, 0, CodePage::Cp1252), TL_AFI_READ_ERROR);
    ::close(dir);
}

TEST(FileSource, ByteSearchReadsWholeBuffersNotSingleBytes) {
    const Bytes file = Bytes(200 * 1024, 'x') + repeat(mpeg1Frame(9), 10);
    const int fd = memfdWith(file);
    FileSource source(fd);
    AudioFileInfo info{};
    info.fileSize = file.size();
    EXPECT_EQ(analyseFile(source, info, 0, CodePage::Cp1252), TL_AFI_OK);
    // 204 KiB in reads of 16, 32, 64 and 128 KiB, plus the last 128 bytes.
    EXPECT_LE(source.readCalls(), 5u);
    ::close(fd);
}

/** A file of @p size bytes that differ from their neighbours. */
Bytes patterned(std::size_t size) {
    Bytes file(size, '\0');
    for (std::size_t i = 0; i < file.size(); ++i)
        file[i] = static_cast<char>(i * 7);
    return file;
}

TEST(FileSource, ReadsAcrossBufferBordersAndPastTheEnd) {
    const Bytes file = patterned(FileSource::BufferSize + 10);
    const int fd = memfdWith(file);
    FileSource source(fd);
    char four[4];
    ASSERT_EQ(source.read(four, 4), 4u); // the first read ahead holds the file's start
    ASSERT_TRUE(source.seekSet(FileSource::FirstReadSize - 2));
    ASSERT_EQ(source.read(four, 4), 4u);
    EXPECT_EQ(Bytes(four, 4), file.substr(FileSource::FirstReadSize - 2, 4));
    ASSERT_TRUE(source.seekEnd(-3));
    EXPECT_EQ(source.read(four, 4), 3u);
    EXPECT_FALSE(source.failed());
    EXPECT_FALSE(source.seekCurrent(-1'000'000));
    Bytes all(file.size() + 5, '\0');
    ASSERT_TRUE(source.seekSet(0));
    EXPECT_EQ(source.read(all.data(), all.size()), file.size());
    EXPECT_EQ(all.substr(0, file.size()), file);
    ::close(fd);
}

TEST(FileSource, PeekRefillsAtTheBufferEndAndStopsAtTheFileEnd) {
    const Bytes file = patterned(FileSource::BufferSize + 10);
    const int fd = memfdWith(file);
    FileSource source(fd);
    const auto peeked = [&](std::size_t count) {
        const unsigned char* p = source.peek(count);
        return p ? Bytes(reinterpret_cast<const char*>(p), count) : Bytes("none");
    };
    EXPECT_EQ(peeked(4), file.substr(0, 4));
    ASSERT_TRUE(source.seekSet(FileSource::FirstReadSize - 2));
    EXPECT_EQ(peeked(4), file.substr(FileSource::FirstReadSize - 2, 4));
    EXPECT_EQ(source.position(), static_cast<std::int64_t>(FileSource::FirstReadSize - 2));
    ASSERT_TRUE(source.seekEnd(-3));
    EXPECT_EQ(peeked(4), "none");
    EXPECT_EQ(peeked(3), file.substr(file.size() - 3));
    EXPECT_EQ(peeked(FileSource::FirstReadSize + 1), "none");
    ::close(fd);
}

} // namespace
} // namespace tl::mp3::test
