#include "plugins/mp3/FileSource.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace tl::mp3 {

FileSource::FileSource(int fd, plugin::Descriptor::PreadFn pread) : m_descriptor(fd, pread) {}

bool FileSource::fill(std::int64_t at) {
    if (!m_buffer) {
        // Never more memory than the file has bytes.
        const std::int64_t fileSize = size();
        m_capacity = fileSize < 0 ? BufferSize
                                  : static_cast<std::size_t>(std::clamp<std::int64_t>(
                                        fileSize, 1, static_cast<std::int64_t>(BufferSize)));
        m_buffer = std::make_unique_for_overwrite<unsigned char[]>(m_capacity);
    }
    const std::size_t wanted = std::min(m_nextRead, m_capacity);
    m_nextRead = std::min(m_nextRead * 2, BufferSize);
    m_bufferStart = at;
    // One read: a read-ahead takes what the system gives at once.
    const plugin::Descriptor::Read got = m_descriptor.readSome(at, m_buffer.get(), wanted);
    m_bufferLength = got.bytes;
    return !got.failed;
}

const unsigned char* FileSource::peekSlow(std::size_t count) {
    if (count > FirstReadSize || !fill(m_pos) || m_bufferLength < count)
        return nullptr;
    return m_buffer.get();
}

std::size_t FileSource::read(void* dest, std::size_t count) {
    m_failed = false;
    auto* out = static_cast<unsigned char*>(dest);
    std::size_t done = 0;
    if (count >= FirstReadSize) {
        // Large blocks (a whole tag) go straight into the caller's memory, after the
        // part that the buffer already holds.
        if (m_pos >= m_bufferStart &&
            m_pos < m_bufferStart + static_cast<std::int64_t>(m_bufferLength)) {
            const auto offset = static_cast<std::size_t>(m_pos - m_bufferStart);
            done = m_bufferLength - offset;
            std::memcpy(out, m_buffer.get() + offset, done);
            m_pos += static_cast<std::int64_t>(done);
        }
        const plugin::Descriptor::Read direct =
            m_descriptor.readFully(m_pos, out + done, count - done);
        m_failed = direct.failed;
        m_pos += static_cast<std::int64_t>(direct.bytes);
        return done + direct.bytes;
    }
    while (done < count) {
        const std::int64_t bufferEnd = m_bufferStart + static_cast<std::int64_t>(m_bufferLength);
        if (m_pos < m_bufferStart || m_pos >= bufferEnd) {
            if (!fill(m_pos)) {
                m_failed = true;
                break;
            }
            if (m_bufferLength == 0)
                break; // end of file
            continue;
        }
        const auto offset = static_cast<std::size_t>(m_pos - m_bufferStart);
        const std::size_t chunk = std::min(count - done, m_bufferLength - offset);
        std::memcpy(out + done, m_buffer.get() + offset, chunk);
        done += chunk;
        m_pos += static_cast<std::int64_t>(chunk);
    }
    return done;
}

bool FileSource::seekSet(std::int64_t offset) {
    if (offset < 0)
        return false;
    m_pos = offset;
    return true;
}

bool FileSource::seekCurrent(std::int64_t offset) {
    if (offset < -m_pos || offset > INT64_MAX - m_pos)
        return false;
    m_pos += offset;
    return true;
}

bool FileSource::seekEnd(std::int64_t offset) {
    const std::int64_t end = size();
    if (end < 0 || offset < -end || offset > INT64_MAX - end)
        return false;
    m_pos = end + offset;
    return true;
}

} // namespace tl::mp3
