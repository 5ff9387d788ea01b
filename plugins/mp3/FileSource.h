#pragma once
/**
 * @file FileSource.h
 * Buffered reading and positioning over a file descriptor.
 *
 * The analysis reads one byte at a time while it searches for a frame and four bytes per
 * frame while it walks a stream; both go through this one buffer, refilled through the
 * shared descriptor reader, so that they cost one system call per buffer and not per byte
 * or per frame.
 */
#include "plugins/common/Descriptor.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace tl::mp3 {

class FileSource {
public:
    /** Bytes read ahead by the first system call: enough for the header, the tag of most
     *  files and the first frames, without copying all of a small file. */
    static constexpr std::size_t FirstReadSize = 16 * 1024;
    /** Each further read ahead doubles, up to this (fewer for a smaller file), so that the
     *  walk through a long stream makes few system calls. */
    static constexpr std::size_t BufferSize = 256 * 1024;

    explicit FileSource(int fd, plugin::Descriptor::PreadFn pread = nullptr);

    /** Reads up to @p count bytes at the position into @p dest and moves past them.
     *  Returns the number read: fewer than asked only at the end of the file or on an
     *  error, which failed() then tells apart. */
    std::size_t read(void* dest, std::size_t count);
    /** True when the last read met an error other than the end of the file. */
    bool failed() const { return m_failed; }

    /** Position changes, from the start, the current position or the end; false (and
     *  the position unchanged) when the result would be negative or the size of the
     *  file cannot be learned. A position past the end is allowed; reads there give 0. */
    bool seekSet(std::int64_t offset);
    bool seekCurrent(std::int64_t offset);
    bool seekEnd(std::int64_t offset);

    /** The @p count bytes at the position, read ahead into the buffer when needed, without
     *  moving; nullptr when fewer remain before the end of the file, when @p count is
     *  larger than the first read ahead, or on an error (a read() then tells which). */
    const unsigned char* peek(std::size_t count) {
        const std::int64_t offset = m_pos - m_bufferStart;
        if (offset >= 0 && static_cast<std::uint64_t>(offset) + count <= m_bufferLength)
            return m_buffer.get() + offset;
        return peekSlow(count);
    }

    std::int64_t position() const { return m_pos; }
    /** Size of the file, or -1 when it cannot be learned. */
    std::int64_t size() { return m_descriptor.size(); }

    /** Number of pread calls made so far (for measurements). */
    std::size_t readCalls() const { return m_descriptor.readCalls(); }

private:
    bool fill(std::int64_t at);
    const unsigned char* peekSlow(std::size_t count);

    plugin::Descriptor m_descriptor;
    std::int64_t m_pos = 0;
    bool m_failed = false;
    std::unique_ptr<unsigned char[]> m_buffer; // m_capacity bytes, allocated at the first read
    std::size_t m_capacity = 0;
    std::size_t m_nextRead = FirstReadSize;
    std::int64_t m_bufferStart = 0;
    std::size_t m_bufferLength = 0;
};

} // namespace tl::mp3
