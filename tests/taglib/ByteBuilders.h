#pragma once
// The bytes of container structures, for the tests of what the plug-ins read beside
// TagLib: the cases no encoder writes.
#include "plugins/taglib/DescriptorStream.h"

#include "mp3/Mp3TestUtil.h"

#include <cstdint>
#include <string>
#include <unistd.h>

namespace tl::taglib::test {

using Bytes = std::string;

inline Bytes be32(std::uint32_t v) {
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
            static_cast<char>(v)};
}
inline Bytes le16(std::uint32_t v) {
    return {static_cast<char>(v), static_cast<char>(v >> 8)};
}
inline Bytes le32(std::uint32_t v) {
    return le16(v) + le16(v >> 16);
}
inline Bytes le64(std::uint64_t v) {
    return le32(static_cast<std::uint32_t>(v)) + le32(static_cast<std::uint32_t>(v >> 32));
}

/** An MPEG-4 box. */
inline Bytes box(const char* type, const Bytes& body) {
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

} // namespace tl::taglib::test
