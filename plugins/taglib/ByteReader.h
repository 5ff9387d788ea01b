#pragma once
/**
 * @file ByteReader.h
 * Bounds-checked reading of numbers and bit fields from bytes read out of a file, for the
 * readers beside TagLib. A read outside the bytes gives 0 (or an empty text), never a read
 * outside the buffer.
 */
#include "plugins/taglib/DescriptorStream.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tl::taglib {

class Bytes {
public:
    explicit Bytes(std::string data) : m_data(std::move(data)) {}
    std::size_t size() const { return m_data.size(); }
    const std::string& text() const { return m_data; }
    bool has(std::size_t at, std::size_t n) const { return at <= size() && n <= size() - at; }
    unsigned u8(std::size_t at) const { return has(at, 1) ? byte(at) : 0; }
    std::uint32_t u16le(std::size_t at) const {
        return has(at, 2) ? byte(at) | byte(at + 1) << 8 : 0;
    }
    std::uint32_t u16be(std::size_t at) const {
        return has(at, 2) ? byte(at) << 8 | byte(at + 1) : 0;
    }
    std::uint32_t u32le(std::size_t at) const {
        return has(at, 4) ? u16le(at) | u16le(at + 2) << 16 : 0;
    }
    std::uint32_t u32be(std::size_t at) const {
        return has(at, 4) ? u16be(at) << 16 | u16be(at + 2) : 0;
    }
    std::uint64_t u64le(std::size_t at) const {
        return has(at, 8) ? u32le(at) | static_cast<std::uint64_t>(u32le(at + 4)) << 32 : 0;
    }
    std::uint64_t u64be(std::size_t at) const {
        return has(at, 8) ? static_cast<std::uint64_t>(u32be(at)) << 32 | u32be(at + 4) : 0;
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

/** Reads bit fields, most significant bit first; past the end it gives zero bits and
 *  says so. */
class Bits {
public:
    explicit Bits(std::string_view data) : m_data(data) {}
    unsigned take(int n) {
        unsigned value = 0;
        for (int i = 0; i < n; ++i, ++m_bit) {
            const std::size_t byte = m_bit / 8;
            const unsigned b = byte < m_data.size() ? static_cast<unsigned char>(m_data[byte]) : 0;
            value = value << 1 | ((b >> (7 - m_bit % 8)) & 1);
        }
        return value;
    }
    /** False once a field ran past the end. */
    bool ok() const { return m_bit <= m_data.size() * 8; }
    std::size_t left() const { return ok() ? m_data.size() * 8 - m_bit : 0; }

private:
    std::string_view m_data;
    std::size_t m_bit = 0;
};

/** Up to @p count bytes of the file at @p offset (fewer at its end). */
inline Bytes readBytes(DescriptorStream& stream, std::int64_t offset, std::size_t count) {
    std::string data(count, '\0');
    data.resize(stream.readAt(offset, data.data(), count));
    return Bytes(std::move(data));
}

} // namespace tl::taglib
