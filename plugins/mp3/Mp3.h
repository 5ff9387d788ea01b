#pragma once
/**
 * @file Mp3.h
 * Analysis of an MPEG audio file (MPEG-1, MPEG-2 and MPEG-2.5, Layers I to III) by its
 * frame headers and its ID3 tags: the work behind `_GetAudioFileInfo`.
 */
#include "plugins/PluginInterface.h"
#include "plugins/common/CodePage.h"

#include <array>
#include <cstdint>
#include <optional>

namespace tl::mp3 {

using plugin::CodePage;

class FileSource;

/** A decoded 4-byte frame header (ISO/IEC 11172-3 2.4.1.3, ISO/IEC 13818-3 2.4.1). */
struct FrameHeader {
    std::uint8_t version = 0; ///< 1 MPEG-1, 2 MPEG-2, 3 MPEG-2.5
    std::uint8_t layer = 0;   ///< 1, 2 or 3
    bool protection = false;  ///< the protection bit as stored
    std::int32_t bitrate = 0; ///< kbit/s
    std::int32_t sampleRate = 0;
    bool padding = false;
    bool privateBit = false;
    std::uint8_t mode = 0; ///< 0 stereo, 1 joint stereo, 2 dual channel, 3 mono
    std::uint8_t modeExtension = 0;
    bool copyright = false;
    bool original = false;
    std::uint8_t emphasis = 0;
};

/** The header in @p bytes, or nothing when they are not a valid frame header. */
std::optional<FrameHeader> decodeFrameHeader(const std::array<std::uint8_t, 4>& bytes);

/** Samples in one frame of @p header's layer and version. */
int samplesPerFrame(const FrameHeader& header);

/** Bytes from the start of this frame's header to the start of the next one's. */
int frameLength(const FrameHeader& header);

/** Playing time of one frame in milliseconds. */
double frameDuration(const FrameHeader& header);

/** What the stream walk takes from one frame header. */
struct FrameStep {
    int length = 0; ///< as frameLength(); 0 when the bytes are not a valid frame header
    int bitrate = 0;
    double duration = 0; ///< as frameDuration()
};

/** The step of the frame whose header starts at @p b (four bytes), looked up in tables
 *  made from decodeFrameHeader(), frameLength() and frameDuration() themselves. */
FrameStep frameStep(const std::uint8_t* b);

/** "Stereo", "Joint stereo", "Dual" or "Mono". */
const char* modeName(int mode);

/** Analyses the file read through @p file into @p info (whose fileSize the caller has
 *  set) and returns a `TL_AFI_*` result. Bit 0 of @p options asks for a quick estimate
 *  of a variable-rate stream's playing time, bit 1 for the modern reading of tags.
 *  ISO-8859-1 text and ID3v1 tags are decoded with @p page. */
int analyseFile(FileSource& file, AudioFileInfo& info, int options, CodePage page);

/** The same over descriptor @p fd (negative: result 1). */
int analyseDescriptor(int fd, AudioFileInfo& info, int options, CodePage page);

} // namespace tl::mp3
