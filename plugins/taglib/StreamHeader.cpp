#include "plugins/taglib/StreamHeader.h"

#include "plugins/taglib/ByteReader.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace tl::taglib {
namespace {

// Caps on what a size field may make a reader look at.
constexpr int MaxChunks = 4096;                // chunks or objects walked in one list
constexpr std::size_t MaxInfoList = 64 * 1024; // bytes of a RIFF INFO list
constexpr std::size_t FlacSearch = 64 * 1024;  // bytes searched for "fLaC"
constexpr std::int64_t MaxComments = 65536;    // comments of a Vorbis comment measured
constexpr std::int64_t MaxComment = 1 << 24;   // bytes of a Vorbis comment kept
constexpr std::size_t HeaderBytes = 4;         // bytes of a header shown in Binary

/** Where the stream starts: right after a well-formed ID3v2 tag, else at 0. */
std::int64_t afterId3v2(DescriptorStream& stream) {
    const Id3v2Probe id3 = probeId3v2(stream);
    return id3.start == Id3v2Start::Valid ? id3.size : 0;
}

// ASF object identifiers as stored (the GUIDs' first three fields little-endian).
constexpr char AsfHeaderObject[] =
    "\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C";
constexpr char AsfStreamProperties[] =
    "\x91\x07\xDC\xB7\xB7\xA9\xCF\x11\x8E\xE6\x00\xC0\x0C\x20\x53\x65";
constexpr char AsfAudioMedia[] = "\x40\x9E\x69\xF8\x4D\x5B\xCF\x11\xA8\xFD\x00\x80\x5F\x5C\x44\x2B";
constexpr char AsfHeaderExtension[] =
    "\xB5\x03\xBF\x5F\x2E\xA9\xCF\x11\x8E\xE3\x00\xC0\x0C\x20\x53\x65";
constexpr char AsfExtendedContent[] =
    "\x40\xA4\xD0\xD2\x07\xE3\xD2\x11\x97\xF0\x00\xA0\xC9\x5E\xA8\x50";
constexpr char AsfContentDescription[] =
    "\x33\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C";
constexpr char AsfMetadata[] = "\xEA\xCB\xF8\xC5\xAF\x5B\x77\x48\x84\x67\xAA\x8C\x44\xFA\x4C\xCA";
constexpr char AsfMetadataLibrary[] =
    "\x94\x1C\x23\x44\x98\x94\xD1\x49\xA1\x41\x1D\x13\x4E\x45\x70\x54";

std::string_view guid(const char* bytes) {
    return {bytes, 16};
}

} // namespace

Id3v2Probe probeId3v2(DescriptorStream& stream) {
    const Bytes h = readBytes(stream, 0, 10);
    Id3v2Probe probe;
    if (!h.is(0, "ID3"))
        return probe;
    probe.start = Id3v2Start::Malformed;
    const unsigned major = h.u8(3);
    probe.version = static_cast<int>(major);
    if (h.size() < 10 || major < 2 || major > 4 || h.u8(4) == 0xFF)
        return probe;
    std::int64_t size = 0;
    for (int i = 6; i < 10; ++i) {
        if (h.u8(static_cast<std::size_t>(i)) & 0x80)
            return probe;
        size = size << 7 | h.u8(static_cast<std::size_t>(i));
    }
    size += 10;
    if (major == 4 && (h.u8(5) & 0x10))
        size += 10; // footer
    if (size > stream.length())
        return probe;
    probe.start = Id3v2Start::Valid;
    probe.size = size;
    return probe;
}

namespace {

/** Where "fLaC" begins: at the start or right after an ID3v2 tag, else (a reader also
 *  finds the stream behind a broken tag) the first one in the first bytes; -1: none. */
std::int64_t flacMarker(DescriptorStream& stream) {
    const std::int64_t at = afterId3v2(stream);
    if (readBytes(stream, at, 4).is(0, "fLaC"))
        return at;
    const Bytes window = readBytes(stream, 0, FlacSearch);
    const std::size_t pos = window.text().find("fLaC");
    return pos == std::string::npos ? -1 : static_cast<std::int64_t>(pos);
}

/** The bytes a Vorbis comment (@p type 4) or picture (6) block starting at @p at holds by
 *  its own length fields; 0 when they run past the end of the file or the type has
 *  none. */
std::int64_t measuredBlock(DescriptorStream& stream, std::int64_t at, unsigned type) {
    const std::int64_t end = stream.length();
    std::int64_t pos = at;
    auto field = [&](bool littleEndian) -> std::int64_t {
        const Bytes b = readBytes(stream, pos, 4);
        if (b.size() < 4)
            return -1;
        pos += 4;
        return littleEndian ? b.u32le(0) : b.u32be(0);
    };
    auto skip = [&](std::int64_t n) {
        pos = n < 0 || n > end - pos ? end + 1 : pos + n;
        return pos <= end;
    };
    if (type == 4) {
        // Vendor string, comment count, then each comment: little-endian lengths.
        if (!skip(field(true)))
            return 0;
        const std::int64_t count = field(true);
        if (count < 0 || count > MaxComments)
            return 0;
        for (std::int64_t i = 0; i < count; ++i)
            if (!skip(field(true)))
                return 0;
        return pos - at;
    }
    if (type == 6) {
        // Picture type, MIME type, description, four numbers, data: big-endian lengths.
        if (!skip(4) || !skip(field(false)) || !skip(field(false)) || !skip(16) ||
            !skip(field(false)))
            return 0;
        return pos - at;
    }
    return 0;
}

} // namespace

std::string flacStreamInfo(DescriptorStream& stream) {
    const std::int64_t at = flacMarker(stream);
    const Bytes head = readBytes(stream, at, 12);
    // The first metadata block must be STREAMINFO (type 0) of 34 bytes.
    if (at < 0 || (head.u8(4) & 0x7F) != 0 || (head.u32be(4) & 0xFFFFFF) < HeaderBytes)
        return {};
    return head.slice(8, HeaderBytes);
}

FlacMetadata readFlacMetadata(DescriptorStream& stream) {
    FlacMetadata meta;
    const std::int64_t marker = flacMarker(stream);
    if (marker < 0)
        return meta;
    std::int64_t at = marker + 4;
    for (int i = 0; i < MaxChunks; ++i) {
        const Bytes header = readBytes(stream, at, 4);
        const unsigned type = header.u8(0) & 0x7F;
        std::int64_t size = header.u32be(0) & 0xFFFFFF;
        if (header.size() < 4 || (i == 0 && (type != 0 || size < 34)))
            return FlacMetadata{};
        size = std::max(size, measuredBlock(stream, at + 4, type));
        if (size > stream.length() - (at + 4))
            return meta; // the frames cannot be found
        if (type == 0 && meta.streamInfo.empty())
            meta.streamInfo = readBytes(stream, at + 4, 34).text();
        if (type == 4 && meta.vorbisComment.empty())
            meta.vorbisComment =
                readBytes(stream, at + 4,
                          static_cast<std::size_t>(std::min<std::int64_t>(size, MaxComment)))
                    .text();
        at += 4 + size;
        if (header.u8(0) & 0x80) {
            meta.audioStart = at;
            return meta;
        }
    }
    return meta;
}

std::string asfWaveFormat(DescriptorStream& stream) {
    const Bytes header = readBytes(stream, 0, 30);
    if (!header.is(0, guid(AsfHeaderObject)))
        return {};
    const std::uint64_t headerEnd =
        std::min<std::uint64_t>(header.u64le(16), static_cast<std::uint64_t>(stream.length()));
    const std::uint32_t objects = header.u32le(24);
    std::uint64_t at = 30;
    for (std::uint32_t i = 0; i < objects && i < MaxChunks && at + 24 <= headerEnd; ++i) {
        const Bytes object = readBytes(stream, static_cast<std::int64_t>(at), 82);
        const std::uint64_t size = object.u64le(16);
        if (size < 24 || size > headerEnd - at)
            return {};
        // Stream Properties Object: the stream type at 24, the length of the type-specific
        // data at 64, the data itself (a WAVEFORMATEX for audio) at 78.
        if (object.is(0, guid(AsfStreamProperties)) && object.is(24, guid(AsfAudioMedia)) &&
            size >= 78 + HeaderBytes && object.u32le(64) >= HeaderBytes)
            return object.slice(78, HeaderBytes);
        at += size;
    }
    return {};
}

namespace {

/** Walks an ASF header the way TagLib 1.13 reads it (ASF::File::read): object after
 *  object as each reader consumes it, not as the objects' sizes say. Only the positions
 *  are followed; nothing is kept. */
class AsfWalk {
public:
    explicit AsfWalk(DescriptorStream& stream) : m_stream(stream), m_length(stream.length()) {}

    /** False when an attribute list runs past the end of the file: an attribute that
     *  cannot be read whole. */
    bool listsFit() {
        if (!readBytes(m_stream, 0, 16).is(0, guid(AsfHeaderObject)))
            return true;
        m_pos = 24;
        const auto objects = static_cast<std::int32_t>(dword());
        skip(2);
        for (std::int32_t i = 0; i < objects && m_pos + 24 <= m_length; ++i) {
            const Bytes id = readBytes(m_stream, m_pos, 16);
            skip(16);
            const std::uint64_t size = qword();
            bool fits = true;
            if (id.is(0, guid(AsfExtendedContent)))
                fits = attributes(0);
            else if (id.is(0, guid(AsfHeaderExtension)))
                fits = headerExtension();
            else if (id.is(0, guid(AsfContentDescription)))
                contentDescription();
            else
                object(size);
            if (!fits)
                return false;
        }
        return true;
    }

private:
    std::uint64_t number(int bytes) {
        const Bytes b = readBytes(m_stream, m_pos, static_cast<std::size_t>(bytes));
        skip(static_cast<std::int64_t>(b.size()));
        m_short = m_short || b.size() < static_cast<std::size_t>(bytes);
        return bytes == 2 ? b.u16le(0) : bytes == 4 ? b.u32le(0) : b.u64le(0);
    }
    std::uint32_t word() { return static_cast<std::uint32_t>(number(2)); }
    std::uint32_t dword() { return static_cast<std::uint32_t>(number(4)); }
    std::uint64_t qword() { return number(8); }
    void skip(std::int64_t n) {
        m_pos += n;
        m_short = m_short || m_pos > m_length;
    }

    /** An object read whole when its size (as 32 bits) is plausible, else not at all. */
    void object(std::uint64_t size) {
        const auto size32 = static_cast<std::uint32_t>(size);
        if (size32 > 24 && size32 <= m_length)
            skip(size32 - 24);
    }
    void contentDescription() {
        std::int64_t text = 0;
        for (int i = 0; i < 5; ++i)
            text += word();
        skip(text);
    }
    /** A counted attribute list: @p kind 0 Extended Content Description, 1 Metadata,
     *  2 Metadata Library. */
    bool attributes(int kind) {
        const std::uint32_t count = word();
        for (std::uint32_t i = 0; i < count; ++i) {
            std::uint32_t type = 0;
            std::uint64_t size = 0;
            if (kind == 0) {
                skip(word());
                type = word();
                size = word();
            } else {
                skip(4);
                const std::uint32_t name = word();
                type = word();
                size = dword();
                skip(name);
            }
            // Value: Unicode, bytes and GUID take their size; the numbers their width.
            constexpr int Widths[] = {-1, -1, 0, 4, 8, 2, -1};
            if (type < std::size(Widths))
                skip(Widths[type] < 0 ? static_cast<std::int64_t>(size)
                     : type == 2      ? (kind == 0 ? 4 : 2)
                                      : Widths[type]);
            if (m_short)
                return false;
        }
        return true;
    }
    bool headerExtension() {
        skip(18);
        const std::uint64_t dataSize = dword();
        std::uint64_t done = 0;
        while (done < dataSize && m_pos + 24 <= m_length) {
            const Bytes id = readBytes(m_stream, m_pos, 16);
            skip(16);
            const std::uint64_t size = qword();
            if (size > dataSize - done || size > static_cast<std::uint64_t>(INT64_MAX))
                break;
            if (id.is(0, guid(AsfMetadata)) && !attributes(1))
                return false;
            if (id.is(0, guid(AsfMetadataLibrary)) && !attributes(2))
                return false;
            if (!id.is(0, guid(AsfMetadata)) && !id.is(0, guid(AsfMetadataLibrary)))
                object(size);
            done += size;
        }
        return true;
    }

    DescriptorStream& m_stream;
    std::int64_t m_length;
    std::int64_t m_pos = 0;
    bool m_short = false; ///< a read or skip went past the end of the file
};

} // namespace

bool asfAttributeCountsFit(DescriptorStream& stream) {
    return AsfWalk(stream).listsFit();
}

RiffChunks readRiffChunks(DescriptorStream& stream) {
    RiffChunks chunks;
    const Bytes head = readBytes(stream, 0, 12);
    if (!head.is(0, "RIFF") || !head.is(8, "WAVE"))
        return chunks;
    // A writer that could not go back leaves the sizes 0 or 0xFFFFFFFF: the file's end
    // ends the list then.
    const std::int64_t riffSize = head.u32le(4);
    const std::int64_t end =
        riffSize < 4 ? stream.length() : std::min<std::int64_t>(8 + riffSize, stream.length());
    std::int64_t at = 12;
    for (int i = 0; i < MaxChunks && at + 8 <= end; ++i) {
        // Any identifier is stepped over by its size, as players do, an empty one too.
        const Bytes chunk = readBytes(stream, at, 12);
        const std::int64_t size = chunk.u32le(4);
        const std::int64_t body = at + 8;
        if (chunk.is(0, "fmt ") && chunks.format.empty()) {
            chunks.format =
                readBytes(stream, body, static_cast<std::size_t>(std::min<std::int64_t>(size, 40)))
                    .text();
        } else if (chunk.is(0, "data") && chunks.dataOffset < 0) {
            chunks.dataOffset = body;
            const std::int64_t left = stream.length() - body;
            if (size == 0 || size > left) {
                chunks.dataSize = left; // the samples run to the end of the file
                break;
            }
            chunks.dataSize = size;
        } else if (chunk.is(0, "fact") && size >= 4) {
            chunks.factSamples = readBytes(stream, body, 4).u32le(0);
        } else if ((chunk.is(0, "id3 ") || chunk.is(0, "ID3 ")) && chunks.id3Offset < 0) {
            chunks.id3Offset = body;
        } else if (chunk.is(0, "LIST") && chunk.is(8, "INFO") && chunks.info.empty()) {
            const std::size_t length =
                static_cast<std::size_t>(std::min<std::int64_t>(size, MaxInfoList));
            const Bytes list = readBytes(stream, body, length);
            std::size_t p = 4;
            for (int j = 0; j < MaxChunks && list.has(p, 8); ++j) {
                const std::size_t fieldSize = list.u32le(p + 4);
                if (!list.has(p + 8, fieldSize))
                    break;
                std::string text = list.slice(p + 8, fieldSize);
                text.resize(std::strlen(text.c_str()));
                chunks.info.emplace_back(list.slice(p, 4), std::move(text));
                p += 8 + fieldSize + (fieldSize & 1);
            }
        }
        at = body + size + (size & 1);
    }
    return chunks;
}

namespace {

/** The facts of a stream of @p rate and @p channels lasting @p length milliseconds in
 *  @p bytes; none when it lasts no time. */
StreamFacts facts(unsigned rate, unsigned channels, double length, double bytes) {
    StreamFacts f;
    if (length <= 0 || rate == 0 || channels == 0)
        return f;
    f.rate = rate;
    f.channels = static_cast<int>(channels);
    f.length = std::max(static_cast<int>(std::lround(length)), 1);
    f.bitrate = static_cast<int>(std::lround(bytes * 8 / length));
    return f;
}

} // namespace

StreamFacts waveStream(const RiffChunks& chunks) {
    if (chunks.format.size() < 16 || chunks.dataSize <= 0)
        return {};
    const Bytes fmt(chunks.format);
    const unsigned channels = fmt.u16le(2), rate = fmt.u32le(4), byteRate = fmt.u32le(8);
    unsigned frameBytes = fmt.u16le(12);
    const auto data = static_cast<double>(chunks.dataSize);
    double length = 0; // milliseconds
    switch (waveFormatTag(chunks.format)) {
    case 0x0001: // PCM, float, A-law and µ-law: whole sample frames
    case 0x0003:
    case 0x0006:
    case 0x0007:
        if (frameBytes == 0)
            frameBytes = channels * ((fmt.u16le(14) + 7) / 8);
        if (frameBytes > 0)
            length = std::floor(data / frameBytes) * 1000.0 / rate;
        break;
    default: // compressed: the sample count of the fact chunk, else the byte rate
        if (chunks.factSamples > 0)
            length = static_cast<double>(chunks.factSamples) * 1000.0 / rate;
        else if (byteRate > 0)
            length = data * 1000.0 / byteRate;
    }
    return facts(rate, channels, length, data);
}

// STREAMINFO: block sizes (4 bytes), frame sizes (6), then the sample rate in 20 bits,
// channels - 1 in 3, bits per sample - 1 in 5 and the sample count in 36.
StreamInfoFormat streamInfoFormat(const std::string& streamInfo) {
    if (streamInfo.size() < 18)
        return {};
    const Bytes b(streamInfo);
    return {b.u8(10) << 12 | b.u8(11) << 4 | b.u8(12) >> 4,
            static_cast<int>((b.u8(12) >> 1 & 7) + 1),
            static_cast<std::uint64_t>(b.u8(13) & 0x0F) << 32 | b.u32be(14)};
}

StreamFacts flacStream(const FlacMetadata& meta, std::int64_t audioEnd) {
    const StreamInfoFormat f = streamInfoFormat(meta.streamInfo);
    if (f.rate == 0 || meta.audioStart <= 0 || audioEnd < meta.audioStart)
        return {};
    return facts(f.rate, static_cast<unsigned>(f.channels),
                 static_cast<double>(f.samples) * 1000.0 / f.rate,
                 static_cast<double>(audioEnd - meta.audioStart));
}

unsigned waveFormatTag(const std::string& format) {
    const Bytes b(format);
    if (!b.has(0, 2))
        return 0;
    const unsigned tag = b.u16le(0);
    if (tag == 0xFFFE) // WAVE_FORMAT_EXTENSIBLE: the sub-format GUID begins with the tag
        return b.has(24, 2) ? b.u16le(24) : 0;
    return tag;
}

std::string aiffCommon(DescriptorStream& stream) {
    const Bytes head = readBytes(stream, 0, 12);
    if (!head.is(0, "FORM") || !(head.is(8, "AIFF") || head.is(8, "AIFC")))
        return {};
    const std::int64_t end =
        std::min<std::int64_t>(8 + static_cast<std::int64_t>(head.u32be(4)), stream.length());
    std::int64_t at = 12;
    for (int i = 0; i < MaxChunks && at + 8 <= end; ++i) {
        const Bytes chunk = readBytes(stream, at, 8 + HeaderBytes);
        const std::int64_t size = chunk.u32be(4);
        if (chunk.is(0, "COMM"))
            return chunk.slice(8,
                               static_cast<std::size_t>(std::min<std::int64_t>(size, HeaderBytes)));
        at += 8 + size + (size & 1);
    }
    return {};
}

std::string streamSignature(DescriptorStream& stream, const char* magic) {
    const Bytes start = readBytes(stream, afterId3v2(stream), HeaderBytes);
    return start.is(0, std::string_view(magic, HeaderBytes)) ? start.slice(0, HeaderBytes)
                                                             : std::string();
}

std::string binaryText(const std::string& header) {
    std::string text;
    for (std::size_t i = 0; i < header.size() && i < HeaderBytes; ++i) {
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02X", static_cast<unsigned char>(header[i]));
        text += digits;
    }
    return text;
}

} // namespace tl::taglib
