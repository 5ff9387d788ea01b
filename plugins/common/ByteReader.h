#pragma once
/**
 * @file ByteReader.h
 * Bounds-checked reading of numbers, texts and bit fields from a block of bytes.
 *
 * Running off the end is an ordinary outcome: a read that does not lie wholly inside the
 * block gives 0 (or an empty text) and never touches a byte outside it. The cursor also
 * remembers that it ran off, for the caller to check once after a group of reads.
 */
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace tl::plugin {

/** Reads at offsets of a block of bytes. @p Storage is std::string for a block that owns
 *  its bytes (Bytes) or std::string_view for one that borrows them (ByteView). */
template <class Storage> class ByteBlock {
public:
    ByteBlock() = default;
    explicit ByteBlock(Storage data) : m_data(std::move(data)) {}

    std::size_t size() const { return m_data.size(); }
    const Storage& text() const { return m_data; }
    /** True when the @p n bytes at @p at lie inside the block. */
    bool has(std::size_t at, std::size_t n) const { return at <= size() && n <= size() - at; }

    unsigned u8(std::size_t at) const { return has(at, 1) ? byte(at) : 0; }
    std::uint32_t u16le(std::size_t at) const {
        return has(at, 2) ? byte(at) | byte(at + 1) << 8 : 0;
    }
    std::uint32_t u16be(std::size_t at) const {
        return has(at, 2) ? byte(at) << 8 | byte(at + 1) : 0;
    }
    std::uint32_t u24be(std::size_t at) const {
        return has(at, 3) ? byte(at) << 16 | byte(at + 1) << 8 | byte(at + 2) : 0;
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
    /** A 28-bit size of four 7-bit groups, most significant first (ID3v2 sizes); the high
     *  bit of each byte is not part of it. */
    std::uint32_t syncsafe32(std::size_t at) const {
        const std::uint32_t v = u32be(at);
        return (v >> 3 & 0x0FE00000u) | (v >> 2 & 0x001FC000u) | (v >> 1 & 0x00003F80u) |
               (v & 0x7Fu);
    }
    /** True when the bytes at @p at are @p text. */
    bool is(std::size_t at, std::string_view text) const {
        return has(at, text.size()) && m_data.compare(at, text.size(), text) == 0;
    }
    /** A copy of up to @p n bytes from @p at (fewer at the end of the block). */
    std::string slice(std::size_t at, std::size_t n) const {
        return at < size() ? std::string(m_data.substr(at, n)) : std::string();
    }

private:
    std::uint32_t byte(std::size_t at) const { return static_cast<unsigned char>(m_data[at]); }

    Storage m_data;
};

using Bytes = ByteBlock<std::string>;
using ByteView = ByteBlock<std::string_view>;

/** @p data as a block to read from. */
inline ByteView viewOf(std::span<const std::byte> data) {
    return ByteView(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
}

/** Reads a block front to back. A read past the end yields 0, leaves the cursor at the end
 *  and sets a failure that stays. */
class ByteCursor {
public:
    explicit ByteCursor(std::span<const std::byte> data, std::size_t pos = 0)
        : m_bytes(viewOf(data)), m_pos(pos) {
        if (pos > data.size()) {
            m_pos = data.size();
            m_failed = true;
        }
    }

    /** True while no read ran past the end. */
    bool ok() const { return !m_failed; }
    std::size_t pos() const { return m_pos; }
    std::size_t remaining() const { return m_bytes.size() - m_pos; }
    bool atEnd() const { return m_pos == m_bytes.size(); }

    /** Moves forward by @p n bytes; past the end it stops there and fails. */
    void skip(std::size_t n) { advance(n, 0); }

    /** The byte @p ahead bytes after the position, without moving; 0 (and failure) past
     *  the end. */
    std::uint8_t peek(std::size_t ahead = 0) {
        if (ahead >= remaining()) {
            m_failed = true;
            return 0;
        }
        return static_cast<std::uint8_t>(m_bytes.u8(m_pos + ahead));
    }

    std::uint8_t u8() {
        // Byte by byte is how texts are copied: one comparison a byte.
        if (m_pos < m_bytes.size())
            return static_cast<std::uint8_t>(m_bytes.text()[m_pos++]);
        m_failed = true;
        return 0;
    }
    std::uint32_t u24be() { return advance(3, m_bytes.u24be(m_pos)); }
    std::uint32_t u32be() { return advance(4, m_bytes.u32be(m_pos)); }

    /** A 28-bit size of four 7-bit groups, most significant first (ID3v2 header). */
    std::uint32_t syncsafe32() { return advance(4, m_bytes.syncsafe32(m_pos)); }

private:
    /** Moves past the @p n bytes a read took and gives its @p value; past the end, 0. */
    std::uint32_t advance(std::size_t n, std::uint32_t value) {
        if (n > remaining()) {
            m_pos = m_bytes.size();
            m_failed = true;
            return 0;
        }
        m_pos += n;
        return value;
    }

    ByteView m_bytes;
    std::size_t m_pos;
    bool m_failed = false;
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

} // namespace tl::plugin
