#include "storage/InputFile.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace tl {

InputFile::~InputFile() {
    if (m_fd >= 0)
        ::close(m_fd);
}

InputFile::InputFile(InputFile&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)), m_failure(other.m_failure), m_size(other.m_size) {}

InputFile& InputFile::operator=(InputFile&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
        m_failure = other.m_failure;
        m_size = other.m_size;
    }
    return *this;
}

InputFile InputFile::open(const std::string& path) {
    InputFile file;
    // O_NONBLOCK: opening a FIFO that no one writes to, or a device, would otherwise wait;
    // O_NOCTTY: a terminal named by mistake does not become the controlling one.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        file.m_failure = errno == ENOENT ? ReadFailure::Missing : ReadFailure::CannotOpen;
        return file;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return file;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        file.m_failure = ReadFailure::NotRegularFile;
        return file;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return file;
    }
    file.m_fd = fd;
    file.m_failure = ReadFailure::None;
    file.m_size = static_cast<std::uint64_t>(st.st_size);
    return file;
}

int InputFile::release() {
    return std::exchange(m_fd, -1);
}

ReadFailure InputFile::readAll(std::size_t maxBytes, std::string& data) {
    data.clear();
    if (m_fd < 0)
        return m_failure;
    try {
        data.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(m_size, maxBytes)));
        char chunk[64 * 1024];
        for (;;) {
            const ssize_t n = ::read(m_fd, chunk, sizeof chunk);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                data.clear();
                return ReadFailure::ReadError;
            }
            if (n == 0)
                return ReadFailure::None;
            if (static_cast<std::size_t>(n) > maxBytes - data.size()) {
                data.clear();
                data.shrink_to_fit();
                return ReadFailure::TooLarge;
            }
            data.append(chunk, static_cast<std::size_t>(n));
        }
    } catch (const std::bad_alloc&) {
        data.clear();
        data.shrink_to_fit();
        return ReadFailure::NoMemory;
    }
}

ReadFailure readWholeFile(const std::string& path, std::size_t maxBytes, std::string& data) {
    InputFile file = InputFile::open(path);
    if (!file) {
        data.clear();
        return file.failure();
    }
    return file.readAll(maxBytes, data);
}

} // namespace tl
