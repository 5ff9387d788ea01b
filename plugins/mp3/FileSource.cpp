#include "plugins/mp3/FileSource.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace tl::mp3 {

FileSource::FileSource(int fd) : m_fd(fd) {}

std::int64_t FileSource::size() {
    if (m_size == -2) {
        struct stat st;
        m_size = ::fstat(m_fd, &st) == 0 ? static_cast<std::int64_t>(st.st_size) : -1;
    }
    return m_size;
}

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
    m_bufferLength = 0;
    for (;;) {
        ++m_readCalls;
        const ssize_t got = ::pread(m_fd, m_buffer.get(), wanted, at);
        if (got >= 0) {
            m_bufferLength = static_cast<std::size_t>(got);
            return true;
        }
        if (errno != EINTR)
            return false;
    }
}

const unsigned char* FileSource::peekSlow(std::size_t count) {
    if (count > FirstReadSize || !fill(m_pos) || m_bufferLength < count)
        return nullptr;
    return m_buffer.get();
}

std::size_t FileSource::readDirect(unsigned char* dest, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        ++m_readCalls;
        const ssize_t got =
            ::pread(m_fd, dest + done, count - done, m_pos + static_cast<std::int64_t>(done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            m_failed = true;
            break;
        }
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return done;
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
        const std::size_t direct = readDirect(out + done, count - done);
        m_pos += static_cast<std::int64_t>(direct);
        return done + direct;
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
