#pragma once
/**
 * @file Descriptor.h
 * Reading an open file descriptor at given offsets, the one way the plug-ins read the
 * file the host hands them.
 *
 * Every read is a pread, so the descriptor's own offset is neither used nor changed and
 * the file is never opened again by its path. A call interrupted by a signal is made
 * again; an error other than that ends the read and is reported with what it read.
 */
#include <cstddef>
#include <cstdint>
#include <sys/types.h>
#include <unistd.h>

namespace tl::plugin {

class Descriptor {
public:
    /** The system call that reads; tests give one that reads in pieces or is interrupted. */
    using PreadFn = ssize_t (*)(int fd, void* dest, std::size_t count, off_t offset);

    /** What one read gave. */
    struct Read {
        std::size_t bytes = 0; ///< read into the destination
        bool failed = false;   ///< an error other than the end of the file stopped it
    };

    explicit Descriptor(int fd, PreadFn pread = nullptr)
        : m_fd(fd), m_pread(pread ? pread : ::pread) {}

    /** Size of the file; -1 when it cannot be learned or the descriptor names a directory,
     *  which has no bytes to read. Asked of the system once. */
    std::int64_t size() { return m_size != -2 ? m_size : askSize(); }

    /** Up to @p count bytes at @p offset into @p dest with one read: fewer when the system
     *  gives fewer at once, as a read-ahead takes what comes. */
    Read readSome(std::int64_t offset, void* dest, std::size_t count);
    /** @p count bytes at @p offset into @p dest, reading on after short reads: fewer only
     *  at the end of the file or on an error. */
    Read readFully(std::int64_t offset, void* dest, std::size_t count);

    /** Number of read calls made so far, interrupted ones included (for measurements). */
    std::size_t readCalls() const { return m_readCalls; }

private:
    std::int64_t askSize();

    int m_fd;
    PreadFn m_pread;
    std::int64_t m_size = -2; // -2: not asked yet
    std::size_t m_readCalls = 0;
};

} // namespace tl::plugin
