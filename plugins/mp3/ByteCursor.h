#pragma once
/**
 * @file ByteCursor.h
 * Bounds-checked reading of a byte block.
 *
 * Running off the end is an ordinary outcome: a read past the end yields zeros and sets
 * a failure that the caller checks once, after a group of reads.
 */
#include <cstddef>
#include <cstdint>
#include <span>

namespace tl::mp3 {

class ByteCursor {
public:
    explicit ByteCursor(std::span<const std::byte> data, std::size_t pos = 0)
        : m_data(data), m_pos(pos) {
        if (pos > data.size()) {
            m_pos = data.size();
            m_failed = true;
        }
    }

    /** True while no read ran past the end. */
    bool ok() const { return !m_failed; }
    std::size_t pos() const { return m_pos; }
    std::size_t remaining() const { return m_data.size() - m_pos; }
    bool atEnd() const { return m_pos == m_data.size(); }

    /** Moves forward by @p n bytes; past the end it stops there and fails. */
    void skip(std::size_t n) {
        if (n > remaining()) {
            m_pos = m_data.size();
            m_failed = true;
        } else {
            m_pos += n;
        }
    }

    /** The byte @p ahead bytes after the position, without moving; 0 (and failure) past
     *  the end. */
    std::uint8_t peek(std::size_t ahead = 0) {
        if (ahead >= remaining()) {
            m_failed = true;
            return 0;
        }
        return std::to_integer<std::uint8_t>(m_data[m_pos + ahead]);
    }

    std::uint8_t u8() {
        const std::uint8_t value = peek();
        skip(1);
        return value;
    }
    std::uint32_t u24be() { return bigEndian(3); }
    std::uint32_t u32be() { return bigEndian(4); }

    /** A 28-bit size of four 7-bit groups, most significant first (ID3v2 header). */
    std::uint32_t syncsafe32() {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i)
            value = (value << 7) | (u8() & 0x7Fu);
        return value;
    }

    /** The next @p n bytes (fewer, and failure, when the block ends first). */
    std::span<const std::byte> take(std::size_t n) {
        const std::size_t count = n <= remaining() ? n : remaining();
        const std::span<const std::byte> part = m_data.subspan(m_pos, count);
        skip(n);
        return part;
    }

private:
    std::uint32_t bigEndian(int bytes) {
        std::uint32_t value = 0;
        for (int i = 0; i < bytes; ++i)
            value = (value << 8) | u8();
        return value;
    }

    std::span<const std::byte> m_data;
    std::size_t m_pos;
    bool m_failed = false;
};

} // namespace tl::mp3
