#include "plugins/taglib/Mp4Audio.h"

#include "plugins/taglib/ByteReader.h"
#include "plugins/taglib/StreamHeader.h"

#include <algorithm>
#include <array>

namespace tl::taglib {
namespace {

constexpr int MaxBoxes = 4096;                       // boxes walked in one parent
constexpr std::size_t MaxBoxBody = 4096;             // bytes of a sample description read
constexpr std::size_t ConfigBytes = 64;              // bytes kept of a decoder configuration
constexpr std::size_t SizeTablePiece = 16384;        // bytes of a sample size table read at once
constexpr std::uint32_t SizeTableEntries = 1u << 28; // entries summed at most

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

/** The payload of a codec box @p type with body @p body, or nullopt when @p type is not
 *  a codec box. */
std::optional<std::string> codecPayload(std::string_view type, const Bytes& body) {
    if (type == "esds")
        return esdsConfig(body);
    if (type == "alac") // a full box: version and flags first
        return body.slice(4, ConfigBytes);
    if (type == "dac3" || type == "dec3" || type == "dOps")
        return body.slice(0, ConfigBytes);
    if (type == "dfLa") {
        // A full box, then FLAC metadata blocks; the first is STREAMINFO (type 0).
        if (!body.has(4, 4) || (body.u8(4) & 0x7F) != 0)
            return std::string();
        return body.slice(8, std::min<std::size_t>(body.u32be(4) & 0xFFFFFF, ConfigBytes));
    }
    return std::nullopt;
}

/** The decoder configuration in the child boxes of a sample entry, from @p at to @p end
 *  of @p b; "wave" (QuickTime) boxes are looked into once. */
std::string sampleEntryConfig(const Bytes& b, std::size_t at, std::size_t end, int depth = 0) {
    for (int i = 0; i < MaxBoxes && at + 8 <= end && b.has(at, 8); ++i) {
        const std::size_t size = b.u32be(at);
        if (size < 8 || size > end - at)
            return {};
        const std::string type = b.slice(at + 4, 4);
        if (auto payload = codecPayload(type, Bytes(b.slice(at + 8, size - 8))))
            return *payload;
        if (type == "wave" && depth == 0) {
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
    for (int i = 0; i < MaxBoxes && at + 8 <= parent.end; ++i) {
        const Bytes h = readBytes(stream, at, 16);
        std::int64_t size = h.u32be(0);
        std::int64_t header = 8;
        if (size == 1) {
            const std::uint64_t large = h.u64be(8);
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

/** The first box at the end of @p path of child types below @p parent. */
std::optional<Box> boxAt(DescriptorStream& stream, Box parent,
                         std::initializer_list<const char*> path) {
    for (const char* type : path) {
        const std::optional<Box> child = childBox(stream, parent, type);
        if (!child)
            return std::nullopt;
        parent = *child;
    }
    return parent;
}

/** The bytes of all samples, from a sample size table ("stsz": version and flags, the
 *  size of every sample or 0, the count, then one size per sample when they differ). */
std::uint64_t sampleBytes(DescriptorStream& stream, const Box& stsz) {
    const Bytes head = readBytes(stream, stsz.body, 12);
    const std::uint64_t size = head.u32be(4), count = head.u32be(8);
    if (size != 0)
        return size * count;
    const std::int64_t table = stsz.body + 12;
    std::uint64_t entries = std::min<std::uint64_t>(count, SizeTableEntries);
    entries = std::min<std::uint64_t>(
        entries, static_cast<std::uint64_t>(std::max<std::int64_t>(stsz.end - table, 0)) / 4);
    std::uint64_t total = 0;
    for (std::uint64_t done = 0; done < entries;) {
        const std::size_t n =
            static_cast<std::size_t>(std::min<std::uint64_t>(entries - done, SizeTablePiece / 4));
        const Bytes piece = readBytes(stream, table + static_cast<std::int64_t>(done * 4), n * 4);
        if (piece.size() < n * 4)
            break;
        for (std::size_t i = 0; i < n; ++i)
            total += piece.u32be(i * 4);
        done += n;
    }
    return total;
}

/** The sample description in the "stsd" box @p stsd. */
std::optional<Mp4Track> sampleDescription(DescriptorStream& stream, const Box& stsd) {
    // stsd: version and flags, entry count, then the first sample entry.
    const Bytes box = readBytes(
        stream, stsd.body,
        static_cast<std::size_t>(std::clamp<std::int64_t>(stsd.end - stsd.body, 0, MaxBoxBody)));
    const std::size_t entry = 8;
    const std::size_t entrySize = box.u32be(entry);
    if (entrySize < 36 || !box.has(entry, entrySize))
        return std::nullopt;
    // Audio sample entry (ISO/IEC 14496-12 12.2.3): 8 bytes of box header, 6 reserved,
    // the data reference index, then the sound description: version (QuickTime, adding 16
    // or 36 bytes), 6 reserved bytes, channel count, sample size, 4 more, and the rate in
    // 16.16 fixed point.
    Mp4Track track;
    track.format = box.slice(entry + 4, 4);
    track.channels = static_cast<int>(box.u16be(entry + 24));
    track.rate = box.u32be(entry + 32) >> 16;
    std::size_t children = entry + 36;
    const unsigned version = box.u16be(entry + 16);
    if (version == 1)
        children += 16;
    else if (version == 2)
        children += 36;
    track.config = sampleEntryConfig(box, children, entry + entrySize);
    return track;
}

// Sampling frequencies by index: AAC (ISO/IEC 14496-3 1.6.3.4), AC-3 and E-AC-3 (fscod).
constexpr std::array<unsigned, 13> AacRates = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                               22050, 16000, 12000, 11025, 8000,  7350};
constexpr std::array<unsigned, 3> Ac3Rates = {48000, 44100, 32000};
// Full-bandwidth channels of each AC-3 audio coding mode (acmod).
constexpr std::array<int, 8> Ac3Channels = {2, 1, 2, 3, 3, 4, 4, 5};
// AC-3 bit rates in kbit/s by the dac3 box's bit_rate_code.
constexpr std::array<int, 19> Ac3Bitrates = {32,  40,  48,  56,  64,  80,  96,  112, 128, 160,
                                             192, 224, 256, 320, 384, 448, 512, 576, 640};

/** AC-3: dac3 (ETSI TS 102 366 F.4): fscod 2, bsid 5, bsmod 3, acmod 3, lfeon 1,
 *  bit_rate_code 5. */
void ac3(const std::string& config, Mp4Stream& s) {
    Bits b(config);
    const unsigned fscod = b.take(2);
    b.take(5 + 3);
    const unsigned acmod = b.take(3);
    const unsigned lfe = b.take(1);
    const unsigned rateCode = b.take(5);
    if (!b.ok() || fscod >= Ac3Rates.size())
        return;
    s.rate = Ac3Rates[fscod];
    s.channels = Ac3Channels[acmod] + static_cast<int>(lfe);
    s.bitrate = rateCode < Ac3Bitrates.size() ? Ac3Bitrates[rateCode] : 0;
}

/** E-AC-3: dec3 (ETSI TS 102 366 F.6): data_rate 13, num_ind_sub 3, then per independent
 *  substream fscod 2, bsid 5, 2 reserved bits, bsmod 3, acmod 3, lfeon 1, 3 reserved,
 *  num_dep_sub 4 and chan_loc 9 when it has dependent substreams. The first program's
 *  channels are its independent substream's and those its dependent ones add. */
void eac3(const std::string& config, unsigned entryRate, Mp4Stream& s) {
    Bits b(config);
    const int dataRate = static_cast<int>(b.take(13));
    b.take(3);
    const unsigned fscod = b.take(2);
    b.take(5 + 2 + 3);
    const unsigned acmod = b.take(3);
    const unsigned lfe = b.take(1);
    b.take(3);
    int channels = Ac3Channels[acmod] + static_cast<int>(lfe);
    if (b.take(4) > 0) {
        // chan_loc, first bit first: Lc/Rc, Lrs/Rrs, Cs, Ts, Lsd/Rsd, Lw/Rw, Lvh/Rvh, Cvh,
        // LFE2; the pairs add two channels.
        const unsigned location = b.take(9);
        constexpr unsigned Pairs = 0b110011100;
        for (int bit = 0; bit < 9; ++bit)
            if (location & (1u << bit))
                channels += (Pairs & (1u << bit)) ? 2 : 1;
    }
    if (!b.ok())
        return;
    // fscod 3 means a reduced rate, which the sample entry gives.
    s.rate = fscod < Ac3Rates.size() ? Ac3Rates[fscod] : entryRate;
    s.channels = channels;
    s.bitrate = dataRate;
}

/** Opus: dOps (version, output channel count, ...); Opus is always decoded at 48 kHz. */
void opus(const std::string& config, Mp4Stream& s) {
    const Bytes b(config);
    if (!b.has(0, 11))
        return;
    s.rate = 48000;
    s.channels = static_cast<int>(b.u8(1));
    s.header = "OpusHead"; // the identification header that dOps stands for
}

bool gaSpecific(unsigned objectType) {
    return objectType == 1 || objectType == 2 || objectType == 3 || objectType == 4 ||
           objectType == 6 || objectType == 7;
}

} // namespace

std::optional<Mp4Track> readMp4Track(DescriptorStream& stream) {
    const Box file{0, stream.length()};
    const std::optional<Box> moov = childBox(stream, file, "moov");
    if (!moov)
        return std::nullopt;
    std::int64_t from = moov->body;
    for (int i = 0; i < MaxBoxes; ++i) {
        const std::optional<Box> trak = childBox(stream, *moov, "trak", from);
        if (!trak)
            break;
        from = trak->end;
        const std::optional<Box> hdlr = boxAt(stream, *trak, {"mdia", "hdlr"});
        // hdlr: version and flags, pre_defined, then the handler type.
        if (!hdlr || !readBytes(stream, hdlr->body + 8, 4).is(0, "soun"))
            continue;
        const std::optional<Box> stbl = boxAt(stream, *trak, {"mdia", "minf", "stbl"});
        const std::optional<Box> stsd = stbl ? childBox(stream, *stbl, "stsd") : std::nullopt;
        if (!stsd)
            return std::nullopt;
        std::optional<Mp4Track> track = sampleDescription(stream, *stsd);
        if (track)
            if (const std::optional<Box> stsz = childBox(stream, *stbl, "stsz"))
                track->sampleBytes = sampleBytes(stream, *stsz);
        return track;
    }
    return std::nullopt;
}

Mp4Stream mp4Stream(const Mp4Track& track) {
    Mp4Stream s;
    if (track.format == "mp4a") {
        const AacConfig c = aacConfig(track.config);
        s.type = "AAC";
        s.rate = c.rate();
        s.channels = c.channels();
        s.header = track.config;
    } else if (track.format == "alac") {
        s.type = "ALAC";
        s.header = track.config;
    } else if (track.format == "ac-3") {
        s.type = "AC-3";
        ac3(track.config, s);
        s.header = track.config;
    } else if (track.format == "ec-3") {
        s.type = "E-AC-3";
        eac3(track.config, track.rate, s);
        s.header = track.config;
    } else if (track.format == "fLaC") {
        s.type = "FLAC";
        const StreamInfoFormat f = streamInfoFormat(track.config);
        s.rate = f.rate;
        s.channels = f.channels;
        s.header = track.config;
    } else if (track.format == "Opus") {
        s.type = "Opus";
        opus(track.config, s);
    }
    return s;
}

unsigned AacConfig::rate() const {
    if (!sbr)
        return coreRate;
    return sbrRate ? sbrRate : 2 * coreRate;
}

int AacConfig::channels() const {
    const int core = coreChannels == 7 ? 8 : coreChannels > 7 ? 0 : coreChannels;
    return core == 1 && sbr && ps != 0 ? 2 : core;
}

AacConfig aacConfig(const std::string& config) {
    Bits b(config);
    auto objectType = [&b] {
        const unsigned type = b.take(5);
        return type == 31 ? 32 + b.take(6) : type; // escape: six more bits
    };
    auto frequency = [&b] {
        const unsigned index = b.take(4);
        return index == 15 ? b.take(24) : index < AacRates.size() ? AacRates[index] : 0;
    };
    AacConfig c;
    unsigned type = objectType();
    c.coreRate = frequency();
    c.coreChannels = static_cast<int>(b.take(4));
    if (!b.ok())
        return AacConfig{};
    AacConfig extended = c;
    if (type == 5 || type == 29) {
        // Explicit signalling: the extension's rate, then the core's object type.
        extended.sbr = true;
        extended.ps = type == 29 ? 1 : -1;
        extended.sbrRate = frequency();
        type = objectType();
    } else if (gaSpecific(type) && c.coreChannels != 0) {
        // GASpecificConfig: frame length, depends on core coder (with its delay),
        // extension flag; then the sync extension that announces SBR to decoders that
        // know it, and parametric stereo after it.
        b.take(1);
        if (b.take(1))
            b.take(14);
        const unsigned extension = b.take(1);
        if (type == 6)
            b.take(3);
        if (extension)
            b.take(1);
        if (b.left() >= 16 && b.take(11) == 0x2B7 && objectType() == 5) {
            extended.sbr = b.take(1) == 1;
            if (extended.sbr) {
                extended.sbrRate = frequency();
                if (b.left() >= 12 && b.take(11) == 0x548)
                    extended.ps = static_cast<int>(b.take(1));
            }
        }
    }
    if (!b.ok())
        return c; // an extension cut short says nothing
    if (extended.sbr && extended.sbrRate == c.coreRate)
        extended.sbr = false; // SBR at the core's own rate: the rate stays
    return extended;
}

} // namespace tl::taglib
