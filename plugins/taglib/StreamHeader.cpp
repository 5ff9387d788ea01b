#include "plugins/taglib/StreamHeader.h"

#include "plugins/taglib/DescriptorStream.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>

namespace tl::taglib {
namespace {

// Caps on what a size field may make a reader look at.
constexpr int MaxChunks = 4096;                // chunks or objects walked in one list
constexpr std::size_t MaxInfoList = 64 * 1024; // bytes of a RIFF INFO list
constexpr std::size_t MaxBoxBody = 4096;       // bytes of an MPEG-4 sample entry
constexpr std::size_t FlacSearch = 64 * 1024;  // bytes searched for "fLaC"
constexpr std::size_t HeaderBytes = 4;         // bytes of a header shown in Binary
constexpr std::size_t ConfigBytes = 16;        // bytes kept of a decoder configuration

/** Bounds-checked reading of numbers from bytes read out of the file. */
class Bytes {
public:
    explicit Bytes(std::string data) : m_data(std::move(data)) {}
    std::size_t size() const { return m_data.size(); }
    bool has(std::size_t at, std::size_t n) const { return at <= size() && n <= size() - at; }
    unsigned u8(std::size_t at) const { return has(at, 1) ? byte(at) : 0; }
    std::uint32_t u16le(std::size_t at) const {
        return has(at, 2) ? byte(at) | byte(at + 1) << 8 : 0;
    }
    std::uint32_t u32le(std::size_t at) const {
        return has(at, 4) ? u16le(at) | u16le(at + 2) << 16 : 0;
    }
    std::uint32_t u32be(std::size_t at) const {
        return has(at, 4) ? byte(at) << 24 | byte(at + 1) << 16 | byte(at + 2) << 8 | byte(at + 3)
                          : 0;
    }
    std::uint64_t u64le(std::size_t at) const {
        return has(at, 8) ? u32le(at) | static_cast<std::uint64_t>(u32le(at + 4)) << 32 : 0;
    }
    bool is(std::size_t at, std::string_view text) const {
        return has(at, text.size()) && m_data.compare(at, text.size(), text) == 0;
    }
    std::string slice(std::size_t at, std::size_t n) const {
        return at < size() ? m_data.substr(at, n) : std::string();
    }

private:
    std::uint32_t byte(std::size_t at) const { return static_cast<unsigned char>(m_data[at]); }
    std::string m_data;
};

Bytes readBytes(DescriptorStream& stream, std::int64_t offset, std::size_t count) {
    std::string data(count, '\0');
    data.resize(stream.readAt(offset, data.data(), count));
    return Bytes(std::move(data));
}

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

/** The payload of an MPEG-4 descriptor of @p tag starting at @p at (ISO/IEC 14496-1
 *  8.3.3: a tag byte, then a size in up to four 7-bit groups); false when it is not
 *  there. */
bool descriptor(const Bytes& b, std::size_t& at, unsigned tag, std::size_t& length) {
    if (b.u8(at) != tag || !b.has(at, 2))
        return false;
    ++at;
    length = 0;
    for (int i = 0; i < 4; ++i) {
        const unsigned c = b.u8(at++);
        length = length << 7 | (c & 0x7F);
        if (!(c & 0x80))
            return b.has(at, 0);
    }
    return b.has(at, 0);
}

/** The AudioSpecificConfig inside an "esds" box body @p b (after its version and
 *  flags): ES_Descriptor, DecoderConfigDescriptor, DecoderSpecificInfo. */
std::string esdsConfig(const Bytes& b) {
    std::size_t at = 4, length = 0;
    if (!descriptor(b, at, 0x03, length))
        return {};
    const unsigned flags = b.u8(at + 2);
    at += 3;
    if (flags & 0x80)
        at += 2; // depends-on ES_ID
    if (flags & 0x40)
        at += 1 + b.u8(at); // URL
    if (flags & 0x20)
        at += 2; // OCR ES_ID
    if (!descriptor(b, at, 0x04, length))
        return {};
    at += 13; // object type, stream type, buffer size, maximum and average bitrate
    if (!descriptor(b, at, 0x05, length))
        return {};
    return b.slice(at, std::min(length, ConfigBytes));
}

/** The decoder configuration in the child boxes of a sample entry, from @p at to @p end
 *  of @p b; "wave" (QuickTime) boxes are looked into once. */
std::string sampleEntryConfig(const Bytes& b, std::size_t at, std::size_t end, int depth = 0) {
    for (int i = 0; i < MaxChunks && at + 8 <= end && b.has(at, 8); ++i) {
        const std::size_t size = b.u32be(at);
        if (size < 8 || size > end - at)
            return {};
        if (b.is(at + 4, "esds"))
            return esdsConfig(Bytes(b.slice(at + 8, size - 8)));
        if (b.is(at + 4, "alac"))
            return b.slice(at + 12, std::min<std::size_t>(size >= 12 ? size - 12 : 0, ConfigBytes));
        if (b.is(at + 4, "wave") && depth == 0) {
            std::string found = sampleEntryConfig(b, at + 8, at + size, 1);
            if (!found.empty())
                return found;
        }
        at += size;
    }
    return {};
}

/** An MPEG-4 box: where its body starts and where the box ends. */
struct Box {
    std::int64_t body;
    std::int64_t end;
};

/** The first child box of type @p type in @p parent, looked for from @p from on (from
 *  the parent's body when 0). A box's size is 32 bits, or 64 bits after it when 1, or the
 *  rest of the parent when 0 (ISO/IEC 14496-12 4.2). */
std::optional<Box> childBox(DescriptorStream& stream, const Box& parent, const char* type,
                            std::int64_t from = 0) {
    std::int64_t at = from > 0 ? from : parent.body;
    for (int i = 0; i < MaxChunks && at + 8 <= parent.end; ++i) {
        const Bytes h = readBytes(stream, at, 16);
        std::int64_t size = h.u32be(0);
        std::int64_t header = 8;
        if (size == 1) {
            const std::uint64_t large = static_cast<std::uint64_t>(h.u32be(8)) << 32 | h.u32be(12);
            size = large > static_cast<std::uint64_t>(parent.end - at)
                       ? 0
                       : static_cast<std::int64_t>(large);
            header = 16;
        } else if (size == 0) {
            size = parent.end - at;
        }
        if (size < header || size > parent.end - at)
            return std::nullopt;
        if (h.is(4, type))
            return Box{at + header, at + size};
        at += size;
    }
    return std::nullopt;
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

std::string flacStreamInfo(DescriptorStream& stream) {
    std::int64_t at = afterId3v2(stream);
    Bytes head = readBytes(stream, at, 12);
    if (!head.is(0, "fLaC")) {
        // A reader also finds the stream behind a broken tag: search as it does.
        const Bytes window = readBytes(stream, 0, FlacSearch);
        std::size_t pos = 0;
        while (pos < window.size() && !window.is(pos, "fLaC"))
            ++pos;
        if (pos >= window.size())
            return {};
        at = static_cast<std::int64_t>(pos);
        head = readBytes(stream, at, 12);
    }
    // The first metadata block must be STREAMINFO (type 0) of 34 bytes.
    if ((head.u8(4) & 0x7F) != 0 || (head.u32be(4) & 0xFFFFFF) < HeaderBytes)
        return {};
    return head.slice(8, HeaderBytes);
}

std::string mp4DecoderConfig(DescriptorStream& stream) {
    std::vector<Box> tracks;
    const Box file{0, stream.length()};
    const std::optional<Box> moov = childBox(stream, file, "moov");
    if (!moov)
        return {};
    for (std::int64_t from = moov->body; tracks.size() < MaxChunks;) {
        const std::optional<Box> trak = childBox(stream, *moov, "trak", from);
        if (!trak)
            break;
        tracks.push_back(*trak);
        from = trak->end;
    }
    for (const Box& trak : tracks) {
        const std::optional<Box> mdia = childBox(stream, trak, "mdia");
        const std::optional<Box> hdlr = mdia ? childBox(stream, *mdia, "hdlr") : std::nullopt;
        // hdlr: version and flags, pre_defined, then the handler type.
        if (!hdlr || !readBytes(stream, hdlr->body + 8, 4).is(0, "soun"))
            continue;
        std::optional<Box> stsd = childBox(stream, *mdia, "minf");
        for (const char* name : {"stbl", "stsd"})
            stsd = stsd ? childBox(stream, *stsd, name) : std::nullopt;
        if (!stsd)
            return {};
        // stsd: version and flags, entry count, then the first sample entry.
        const Bytes box = readBytes(stream, stsd->body,
                                    static_cast<std::size_t>(std::clamp<std::int64_t>(
                                        stsd->end - stsd->body, 0, MaxBoxBody)));
        const std::size_t entry = 8;
        const std::size_t entrySize = box.u32be(entry);
        if (entrySize < 36 || !box.has(entry, entrySize))
            return {};
        // Audio sample entry (ISO/IEC 14496-12 12.2.3): 8 bytes of box header, 6 reserved,
        // the data reference index, then the sound description, whose version (QuickTime)
        // adds 16 or 36 bytes.
        std::size_t children = entry + 36;
        const unsigned version = box.u32be(entry + 16) >> 16;
        if (version == 1)
            children += 16;
        else if (version == 2)
            children += 36;
        return sampleEntryConfig(box, children, entry + entrySize);
    }
    return {};
}

int aacChannels(const std::string& config) {
    std::size_t bit = 0;
    auto take = [&](int n) {
        unsigned value = 0;
        for (int i = 0; i < n; ++i, ++bit) {
            const std::size_t byte = bit / 8;
            const unsigned b = byte < config.size() ? static_cast<unsigned char>(config[byte]) : 0;
            value = value << 1 | ((b >> (7 - bit % 8)) & 1);
        }
        return value;
    };
    if (take(5) == 31) // escape: six more bits of object type
        take(6);
    if (take(4) == 15) // escape: the frequency itself in 24 bits
        take(24);
    const unsigned channels = take(4);
    if (bit > config.size() * 8 || channels == 0 || channels > 7)
        return 0;
    return channels == 7 ? 8 : static_cast<int>(channels);
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
    const std::int64_t end =
        std::min<std::int64_t>(8 + static_cast<std::int64_t>(head.u32le(4)), stream.length());
    std::int64_t at = 12;
    for (int i = 0; i < MaxChunks && at + 8 <= end; ++i) {
        const Bytes chunk = readBytes(stream, at, 12);
        const std::int64_t size = chunk.u32le(4);
        if (chunk.is(0, "fmt ") && chunks.format.empty()) {
            chunks.format = readBytes(stream, at + 8,
                                      static_cast<std::size_t>(std::min<std::int64_t>(size, 40)))
                                .slice(0, 40);
        } else if (chunk.is(0, "LIST") && chunk.is(8, "INFO") && chunks.info.empty()) {
            const std::size_t length =
                static_cast<std::size_t>(std::min<std::int64_t>(size, MaxInfoList));
            const Bytes list = readBytes(stream, at + 8, length);
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
        at += 8 + size + (size & 1);
    }
    return chunks;
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
