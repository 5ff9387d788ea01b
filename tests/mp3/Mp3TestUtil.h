#pragma once
// Crafted MPEG streams and tags for the mp3 plug-in's tests, analysed through a
// memory-backed descriptor.
#include "plugins/PluginInterface.h"
#include "plugins/mp3/Id3Fields.h"
#include "plugins/mp3/Id3v2.h"
#include "plugins/mp3/Mp3.h"

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace tl::mp3::test {

using Bytes = std::string;

/** A frame with header bytes FF b1 b2 b3 and a zero body, as long as the header says. */
inline Bytes frame(std::uint8_t b1, std::uint8_t b2, std::uint8_t b3 = 0x44) {
    const auto header = decodeFrameHeader({0xFF, b1, b2, b3});
    if (!header)
        throw std::invalid_argument("not a header");
    Bytes out(static_cast<std::size_t>(frameLength(*header)), '\0');
    out[0] = '\xFF';
    out[1] = static_cast<char>(b1);
    out[2] = static_cast<char>(b2);
    out[3] = static_cast<char>(b3);
    return out;
}

/** MPEG-1 Layer III, 44100 Hz, no padding, at bitrate index @p index (9 = 128 kbit/s). */
inline Bytes mpeg1Frame(int index, std::uint8_t b3 = 0x44) {
    return frame(0xFB, static_cast<std::uint8_t>(index << 4), b3);
}

inline Bytes repeat(const Bytes& part, int times) {
    Bytes out;
    for (int i = 0; i < times; ++i)
        out += part;
    return out;
}

/** Four 7-bit groups of @p n, most significant first (ID3v2 sizes). */
inline Bytes syncsafe(std::size_t n) {
    Bytes out;
    for (int shift : {21, 14, 7, 0})
        out += static_cast<char>((n >> shift) & 0x7F);
    return out;
}

/** An ID3v2 tag of version @p version around @p frames (sizes as 7-bit groups). */
inline Bytes id3v2Tag(int version, const Bytes& frames, std::uint8_t flags = 0) {
    const std::size_t n = frames.size();
    Bytes out = "ID3";
    out += static_cast<char>(version);
    out += '\0';
    out += static_cast<char>(flags);
    return out + syncsafe(n) + frames;
}

/** An ID3v2.3 frame. */
inline Bytes frame23(std::string_view id, const Bytes& body, std::uint8_t flags2 = 0) {
    Bytes out(id);
    for (int shift : {24, 16, 8, 0})
        out += static_cast<char>((body.size() >> shift) & 0xFF);
    out += '\0';
    out += static_cast<char>(flags2);
    return out + body;
}

/** An ID3v2.4 frame: a sync-safe size and the format flags @p flags, the body as given
 *  (already unsynchronised, with any bytes the flags add). */
inline Bytes frame24(std::string_view id, const Bytes& body, std::uint8_t flags = 0) {
    return Bytes(id) + syncsafe(body.size()) + '\0' + static_cast<char>(flags) + body;
}

/** An ID3v2.2 frame. */
inline Bytes frame22(std::string_view id, const Bytes& body) {
    Bytes out(id);
    for (int shift : {16, 8, 0})
        out += static_cast<char>((body.size() >> shift) & 0xFF);
    return out + body;
}

/** A 128-byte ID3v1 tag. @p comment is written as given (up to 30 bytes). */
inline Bytes id3v1Tag(std::string_view title, std::string_view artist, std::string_view album,
                      std::string_view year, const Bytes& comment, int genre) {
    auto field = [](std::string_view s, std::size_t n) {
        Bytes b(s.substr(0, n));
        b.resize(n, '\0');
        return b;
    };
    return "TAG" + field(title, 30) + field(artist, 30) + field(album, 30) + field(year, 4) +
           field(comment, 30) + static_cast<char>(genre);
}

inline std::vector<std::byte> blockOf(const Bytes& bytes) {
    std::vector<std::byte> block(bytes.size());
    if (!bytes.empty())
        std::memcpy(block.data(), bytes.data(), bytes.size());
    return block;
}

/** A text frame body in ISO-8859-1. */
inline Bytes latin1(std::string_view text) {
    return Bytes(1, '\0') + Bytes(text);
}

/** Opens @p bytes as a tag with @p reading and reads its frames into a record. */
struct ReadTag {
    std::vector<std::byte> block;
    Id3v2Tag tag;
    Id3Result opened;
    AudioFileInfo info{};

    explicit ReadTag(const Bytes& bytes, CodePage page = CodePage::Cp1252,
                     TagReading reading = TagReading::Legacy)
        : block(blockOf(bytes)), opened(tag.open(block, reading)) {
        if (opened == Id3Result::Ok ||
            (reading == TagReading::Modern && opened == Id3Result::Broken))
            readId3v2Fields(tag, info, page);
    }
    std::string text(const char* span) const { return std::string(span + 1); }
};

/** The outcome of one analysis. */
struct Outcome {
    int result;
    AudioFileInfo info;
    std::string text(const char* span) const { return std::string(span + 1); }
};

/** An anonymous file holding @p bytes; the caller closes it. */
inline int memfdWith(const Bytes& bytes) {
    const int fd = ::memfd_create("mp3test", 0);
    if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
        throw std::runtime_error("memfd");
    return fd;
}

/** Analyses @p bytes through a memfd. */
inline Outcome analyse(const Bytes& bytes, int options = 0, CodePage page = CodePage::Cp1252) {
    const int fd = memfdWith(bytes);
    Outcome out{};
    out.info.fileSize = bytes.size();
    out.result = analyseDescriptor(fd, out.info, options, page);
    ::close(fd);
    return out;
}

} // namespace tl::mp3::test
