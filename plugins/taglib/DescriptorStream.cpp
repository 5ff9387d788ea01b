#include "plugins/taglib/DescriptorStream.h"

#include <algorithm>
#include <cstring>

namespace tl::taglib {

DescriptorStream::DescriptorStream(int fd, plugin::Descriptor::PreadFn pread)
    : m_descriptor(fd, pread), m_size(m_descriptor.size()), m_failed(m_size < 0) {}

DescriptorStream::~DescriptorStream() = default;

std::size_t DescriptorStream::readFully(std::int64_t offset, unsigned char* dest,
                                        std::size_t count) {
    const plugin::Descriptor::Read got = m_descriptor.readFully(offset, dest, count);
    m_failed = m_failed || got.failed;
    return got.bytes;
}

void DescriptorStream::fill(std::int64_t offset) {
    if (!m_buffer)
        m_buffer = std::make_unique_for_overwrite<unsigned char[]>(ReadAhead);
    const std::int64_t left = std::max<std::int64_t>(m_size - offset, 0);
    const auto wanted = static_cast<std::size_t>(std::min<std::int64_t>(left, ReadAhead));
    m_bufferStart = offset;
    m_bufferLength = readFully(offset, m_buffer.get(), wanted);
}

std::size_t DescriptorStream::readAt(std::int64_t offset, void* dest, std::size_t count) {
    if (m_size < 0 || offset < 0 || offset >= m_size)
        return 0;
    count = static_cast<std::size_t>(
        std::min<std::int64_t>(static_cast<std::int64_t>(count), m_size - offset));
    auto* out = static_cast<unsigned char*>(dest);
    if (count > ReadAhead / 2)
        return readFully(offset, out, count);
    const bool inBuffer =
        offset >= m_bufferStart && offset + static_cast<std::int64_t>(count) <=
                                       m_bufferStart + static_cast<std::int64_t>(m_bufferLength);
    if (!inBuffer)
        fill(offset);
    const std::int64_t at = offset - m_bufferStart;
    const std::size_t available =
        at < static_cast<std::int64_t>(m_bufferLength)
            ? std::min(count, m_bufferLength - static_cast<std::size_t>(at))
            : 0;
    if (available > 0)
        std::memcpy(out, m_buffer.get() + at, available);
    return available;
}

TagLib::ByteVector DescriptorStream::readBlock(unsigned long length) {
    if (m_size < 0 || m_pos >= m_size || length == 0)
        return {};
    // ByteVector counts in unsigned int; the clamp to the bytes left keeps both the
    // allocation and the count within the file.
    const auto wanted = static_cast<unsigned int>(
        std::min<std::int64_t>(std::min<std::uint64_t>(length, 0xFFFFFFFFu), m_size - m_pos));
    TagLib::ByteVector block(wanted);
    const std::size_t got = readAt(m_pos, block.data(), wanted);
    block.resize(static_cast<unsigned int>(got));
    m_pos += static_cast<std::int64_t>(got);
    return block;
}

void DescriptorStream::seek(long offset, Position p) {
    std::int64_t base = 0;
    if (p == Current)
        base = m_pos;
    else if (p == End)
        base = std::max<std::int64_t>(m_size, 0);
    const std::int64_t target = base + offset;
    if (target >= 0)
        m_pos = target;
}

} // namespace tl::taglib
