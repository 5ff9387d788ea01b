#pragma once
// Crafted MPEG streams and tags for the mp3 plug-in's tests, analysed through a
// memory-backed descriptor.
#include "plugins/PluginInterface.h"
#include "plugins/mp3/CodePage.h"
#include "plugins/mp3/Mp3.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <sys/mman.h>
#include <unistd.h>

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

/** An ID3v2 tag of version @p version around @p frames (sizes as 7-bit groups). */
inline Bytes id3v2Tag(int version, const Bytes& frames, std::uint8_t flags = 0) {
    const std::size_t n = frames.size();
    Bytes out = "ID3";
    out += static_cast<char>(version);
    out += '\0';
    out += static_cast<char>(flags);
    for (int shift : {21, 14, 7, 0})
        out += static_cast<char>((n >> shift) & 0x7F);
    return out + frames;
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
