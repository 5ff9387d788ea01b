#pragma once
/**
 * @file StreamHeader.h
 * What the plug-ins read from the containers themselves, beside TagLib: the first bytes
 * of each stream's header (the record's Binary field), the ID3v2 header at the start of a
 * file, and the RIFF chunks TagLib does not hand out (the format tag of a WAVE file and
 * its INFO list, kept as raw bytes so that they can be decoded like ID3v1 text).
 *
 * Every reader works on bytes it has read through the stream and checked against the
 * file's size; a size field never makes it read or allocate beyond the file or a fixed cap.
 */
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tl::taglib {

class DescriptorStream;

/** What the first bytes of a file say about an ID3v2 tag there. */
enum class Id3v2Start {
    None,     ///< the file does not begin with "ID3"
    Valid,    ///< a well-formed ID3v2 header (version 2 to 4, 7-bit size bytes)
    Malformed ///< "ID3" followed by a header no reader accepts
};

struct Id3v2Probe {
    Id3v2Start start = Id3v2Start::None;
    std::int64_t size = 0; ///< bytes of the whole tag (header, body, footer) when Valid
    int version = 0;       ///< the major version byte
};

/** What a container's own headers say of its stream. */
struct StreamFacts {
    unsigned rate = 0;
    int channels = 0;
    int length = 0;  ///< milliseconds, at least 1; 0: no stream
    int bitrate = 0; ///< kbit/s
};
/** The ID3v2 header at the start of the file. */
Id3v2Probe probeId3v2(DescriptorStream& stream);

/** The first (at most four) bytes of the FLAC STREAMINFO block; empty when the file has
 *  none where a FLAC reader looks (at the start, or after an ID3v2 tag). */
std::string flacStreamInfo(DescriptorStream& stream);

/** The metadata of a native FLAC file as a walk of its blocks reads it, for the files
 *  whose chain TagLib cannot follow. A Vorbis comment or picture block is measured by its
 *  own length fields, and where they say more than its size field (writers have counted
 *  characters for bytes, and a picture's size has overflowed its 24 bits) the walk goes
 *  on behind what they say; nothing is read past the end of the file. */
struct FlacMetadata {
    std::string streamInfo;      ///< the STREAMINFO block; empty when the file has none
    std::string vorbisComment;   ///< the first Vorbis comment block, whole (up to 16 MiB)
    std::int64_t audioStart = 0; ///< where the frames begin; 0: the chain breaks first
};
FlacMetadata readFlacMetadata(DescriptorStream& stream);

/** What a STREAMINFO block gives; all 0 when it is too short. */
struct StreamInfoFormat {
    unsigned rate = 0;
    int channels = 0;
    std::uint64_t samples = 0; ///< the sample count (0: unknown)
};
StreamInfoFormat streamInfoFormat(const std::string& streamInfo);

/** The stream that STREAMINFO describes: the playing time from its sample count, the
 *  bitrate from the bytes of the frames, from @p meta's audioStart to @p audioEnd. */
StreamFacts flacStream(const FlacMetadata& meta, std::int64_t audioEnd);

/** The first bytes of the WAVEFORMATEX of the first audio stream of an ASF file. */
std::string asfWaveFormat(DescriptorStream& stream);

/** False when an attribute list of an ASF header (Extended Content Description, Metadata,
 *  Metadata Library) runs past the end of the file, following the header as TagLib reads
 *  it. TagLib reads as many attributes as a list counts, past the end of the file if need
 *  be, so such a header costs it up to 65,535 empty attributes per list; it is a broken
 *  header and is not handed to TagLib. */
bool asfAttributeCountsFit(DescriptorStream& stream);

/** The chunks of a RIFF WAVE file that the plug-in reads itself. */
struct RiffChunks {
    std::string format; ///< the start of the "fmt " chunk (at most 40 bytes)
    /** The INFO list's text fields in file order: identifier and raw text (up to its
     *  first zero byte). */
    std::vector<std::pair<std::string, std::string>> info;
    std::int64_t dataOffset = -1; ///< where the samples begin; -1: no "data" chunk
    /** Their bytes: to the end of the file when the size says 0 or more than the file
     *  holds, as a writer that streamed the file leaves it. */
    std::int64_t dataSize = 0;
    std::int64_t factSamples = -1; ///< the sample count of a "fact" chunk; -1: none
    std::int64_t id3Offset = -1;   ///< where an "id3 " chunk's tag begins; -1: none
};
/** The chunks in the order of the file, each stepped over by its size whatever its
 *  identifier, a chunk of size 0 too; the list ends at the end of the RIFF form, or of the
 *  file when the form's size is 0 or larger. */
RiffChunks readRiffChunks(DescriptorStream& stream);

/** The stream of @p chunks: the playing time from the whole sample frames of the data (or
 *  the sample count of "fact", or the byte rate, for compressed formats). */
StreamFacts waveStream(const RiffChunks& chunks);

/** The format tag of a WAVE "fmt " chunk, the sub-format's for WAVE_FORMAT_EXTENSIBLE;
 *  0 when the chunk is too short. */
unsigned waveFormatTag(const std::string& format);

/** The first bytes of the COMM chunk of an AIFF or AIFF-C file. */
std::string aiffCommon(DescriptorStream& stream);

/** The four bytes that start a stream whose header begins with @p magic (WavPack's
 *  "wvpk", APE's "MAC "), at the start of the file or right after an ID3v2 tag; empty
 *  when they are not there. */
std::string streamSignature(DescriptorStream& stream, const char* magic);

/** The first four bytes of @p header as upper-case hexadecimal digits (fewer when the
 *  header is shorter). */
std::string binaryText(const std::string& header);

} // namespace tl::taglib
