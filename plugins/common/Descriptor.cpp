#include "plugins/common/Descriptor.h"

#include <cerrno>
#include <sys/stat.h>

namespace tl::plugin {

std::int64_t Descriptor::askSize() {
    struct stat st;
    const bool known = m_fd >= 0 && ::fstat(m_fd, &st) == 0 && !S_ISDIR(st.st_mode);
    m_size = known ? static_cast<std::int64_t>(st.st_size) : -1;
    return m_size;
}

Descriptor::Read Descriptor::readSome(std::int64_t offset, void* dest, std::size_t count) {
    for (;;) {
        ++m_readCalls;
        const ssize_t got = m_pread(m_fd, dest, count, static_cast<off_t>(offset));
        if (got >= 0)
            return {static_cast<std::size_t>(got), false};
        if (errno != EINTR)
            return {0, true};
    }
}

Descriptor::Read Descriptor::readFully(std::int64_t offset, void* dest, std::size_t count) {
    auto* out = static_cast<unsigned char*>(dest);
    Read done;
    while (done.bytes < count) {
        const Read part = readSome(offset + static_cast<std::int64_t>(done.bytes), out + done.bytes,
                                   count - done.bytes);
        done.bytes += part.bytes;
        if (part.failed) {
            done.failed = true;
            break;
        }
        if (part.bytes == 0)
            break; // the end of the file
    }
    return done;
}

} // namespace tl::plugin
