#pragma once
// A file descriptor that a test closes when it ends.
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>
#include <utility>

namespace tl::test {

class Fd {
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    Fd& operator=(Fd&& other) noexcept {
        std::swap(m_fd, other.m_fd);
        return *this;
    }
    int get() const { return m_fd; }

private:
    int m_fd;
};

/** Descriptors of the kinds a reader must tell apart: a file holding "data", the same file
 *  open for writing only, and a directory. */
struct DescriptorKinds {
    DescriptorKinds() {
        char name[] = "/tmp/tl_descriptor_XXXXXX";
        file = Fd(::mkstemp(name));
        if (file.get() < 0 || ::write(file.get(), "data", 4) != 4)
            throw std::runtime_error("cannot write a temporary file");
        writeOnly = Fd(::open(name, O_WRONLY));
        ::unlink(name);
    }
    Fd file{-1};
    Fd writeOnly{-1};
    Fd directory{::open("/tmp", O_RDONLY | O_DIRECTORY)};
};

} // namespace tl::test
