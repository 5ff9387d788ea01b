#pragma once
/**
 * @file DescriptorStream.h
 * A read-only TagLib stream over an open file descriptor.
 *
 * Every read goes through the shared descriptor reader at the stream's own position.
 * Small reads
 * (TagLib reads headers of a few bytes at a time) are served from one read-ahead buffer.
 * No read allocates more than the bytes left before the end of the file, whatever length
 * the caller asks for, so a size field in a broken file cannot make TagLib allocate more
 * than the file holds.
 */
#include "plugins/common/ByteReader.h"
#include "plugins/common/Descriptor.h"

#include <taglib/tiostream.h>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace tl::taglib {

class DescriptorStream : public TagLib::IOStream {
public:
    /** Bytes read ahead for a small read: enough for the headers and tags of a small
     *  file in one system call. */
    static constexpr std::size_t ReadAhead = 16 * 1024;

    explicit DescriptorStream(int fd, plugin::Descriptor::PreadFn pread = nullptr);
    ~DescriptorStream() override;

    TagLib::FileName name() const override { return "(descriptor)"; }
    TagLib::ByteVector readBlock(unsigned long length) override;
    /** The stream is read-only: the writing operations change nothing. */
    void writeBlock(const TagLib::ByteVector&) override {}
    void insert(const TagLib::ByteVector&, unsigned long, unsigned long) override {}
    void removeBlock(unsigned long, unsigned long) override {}
    void truncate(long) override {}
    bool readOnly() const override { return true; }
    /** False when the size of the file cannot be learned (not a readable file). */
    bool isOpen() const override { return m_size >= 0; }
    /** A position before the start of the file leaves the position unchanged. */
    void seek(long offset, Position p = Beginning) override;
    void clear() override {}
    long tell() const override { return static_cast<long>(m_pos); }
    long length() override { return m_size < 0 ? 0 : static_cast<long>(m_size); }

    /** Reads up to @p count bytes at @p offset into @p dest without moving the position;
     *  returns the number read (fewer only at the end of the file or on an error). */
    std::size_t readAt(std::int64_t offset, void* dest, std::size_t count);

    /** True once a read has met an error other than the end of the file. */
    bool failed() const { return m_failed; }
    /** Number of pread calls made (for measurements and tests). */
    std::size_t readCalls() const { return m_descriptor.readCalls(); }

private:
    std::size_t readFully(std::int64_t offset, unsigned char* dest, std::size_t count);
    /** Makes the buffer hold the bytes from @p offset on, as many as the file has up to
     *  ReadAhead. */
    void fill(std::int64_t offset);

    plugin::Descriptor m_descriptor;
    std::int64_t m_size = -1;
    std::int64_t m_pos = 0;
    bool m_failed = false;
    std::unique_ptr<unsigned char[]> m_buffer;
    std::int64_t m_bufferStart = 0;
    std::size_t m_bufferLength = 0;
};

/** Up to @p count bytes of the file at @p offset (fewer at its end), for the readers
 *  beside TagLib. */
inline plugin::Bytes readBytes(DescriptorStream& stream, std::int64_t offset, std::size_t count) {
    std::string data(count, '\0');
    data.resize(stream.readAt(offset, data.data(), count));
    return plugin::Bytes(std::move(data));
}

} // namespace tl::taglib
