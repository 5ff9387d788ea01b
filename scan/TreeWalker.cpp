#include "scan/TreeWalker.h"

#include "scan/DirectoryListing.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tl {
namespace {

// Directories deeper than this below the root give up their descriptor while a child is
// walked and reopen themselves through the child's ".." afterwards, so a very deep tree
// does not run out of descriptors.
constexpr std::size_t MaxHeldDirectories = 48;

constexpr int DirectoryFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
constexpr unsigned StatusMask = STATX_TYPE | STATX_SIZE | STATX_INO | STATX_MTIME | STATX_BTIME;

unsigned char folded(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (u >= 'A' && u <= 'Z') ? static_cast<unsigned char>(u - 'A' + 'a') : u;
}

std::string joinPath(const std::string& dir, const std::string& name) {
    if (!dir.empty() && dir.back() == '/')
        return dir + name;
    return dir + "/" + name;
}

} // namespace

bool TreeWalker::nameLess(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char x = folded(a[i]), y = folded(b[i]);
        if (x != y)
            return x < y;
    }
    if (a.size() != b.size())
        return a.size() < b.size();
    return a < b;
}

int TreeWalker::run() {
    m_currentDirectory.clear();
    m_currentFileName.clear();
    m_currentFileSize = 0;
    m_status = StatusStarted;
    notify();
    m_status = StatusDone;

    bool result = false;
    const int fd = m_root.empty() ? -1 : ::open(m_root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        m_status = StatusDirectoryError;
    } else {
        std::string path = m_root;
        while (path.size() > 1 && path.back() == '/')
            path.pop_back();
        // The read-ahead walks the same tree a few files ahead; the walk goes on without
        // it when its thread cannot start.
        ReadAhead readAhead(
            path, [this](std::string_view name) { return accept(name); }, m_readAheadOptions);
        m_readAhead = readAhead.start() ? &readAhead : nullptr;
        result = walkDirectory(fd, path, 0, nullptr);
        readAhead.stop();
        m_readAhead = nullptr;
        if (result)
            m_status = StatusDone;
    }
    notify();
    return result ? 1 : 0;
}

// Walks the directory open as @p fd (which it closes) at @p path. When @p parentOut is
// given, the parent directory is reopened through ".." into it before closing.
bool TreeWalker::walkDirectory(int fd, const std::string& path, std::size_t depth, int* parentOut) {
    struct Closer {
        int& fd;
        int* parentOut;
        ~Closer() {
            if (parentOut)
                *parentOut = ::openat(fd, "..", DirectoryFlags);
            ::close(fd);
        }
    } closer{fd, parentOut};

    if (terminateRequested()) {
        m_status = StatusAborted;
        return false;
    }
    m_currentDirectory = path;
    m_status = StatusEntering;
    notify();

    // One listing serves both passes. A directory whose listing breaks off (it was
    // removed meanwhile, or the file system fails) stops the walk.
    DirectoryListing listing;
    const int listFd = ::dup(fd);
    DIR* dir = listFd < 0 ? nullptr : ::fdopendir(listFd);
    if (!dir) {
        if (listFd >= 0)
            ::close(listFd);
        m_status = StatusListingFailed;
        return false;
    }
    const bool listed = listDirectory(
        fd, dir, [this](std::string_view name) { return accept(name); }, listing);
    ::closedir(dir);
    if (!listed) {
        m_status = StatusListingFailed;
        return false;
    }

    for (const ListedFile& file : listing.files) {
        if (terminateRequested()) {
            m_status = StatusAborted;
            return false;
        }
        m_currentFileName = file.name;
        if (!visitFile(fd))
            return false;
    }
    return walkSubdirectories(fd, path, depth, listing.directories);
}

bool TreeWalker::walkSubdirectories(int& fd, const std::string& path, std::size_t depth,
                                    const std::vector<std::string>& names) {
    struct stat self;
    if (::fstat(fd, &self) != 0) {
        m_status = StatusListingFailed;
        return false;
    }
    for (const std::string& name : names) {
        const std::string childPath = joinPath(path, name);
        // Symbolic links to directories are not followed: they could lead in circles.
        const int child = ::openat(fd, name.c_str(), DirectoryFlags);
        if (child < 0) {
            m_status = StatusDirectoryError;
            m_currentDirectory = childPath;
            notify();
            continue;
        }
        if (depth < MaxHeldDirectories) {
            if (!walkDirectory(child, childPath, depth + 1, nullptr))
                return false;
            continue;
        }
        ::close(fd);
        fd = -1;
        const bool ok = walkDirectory(child, childPath, depth + 1, &fd);
        struct stat back;
        const bool same = fd >= 0 && ::fstat(fd, &back) == 0 && back.st_dev == self.st_dev &&
                          back.st_ino == self.st_ino;
        if (!ok)
            return false;
        if (!same) {
            // The directory was moved or removed while its child was walked.
            m_status = StatusDirectoryError;
            m_currentDirectory = path;
            notify();
            return false;
        }
    }
    return true;
}

bool TreeWalker::visitFile(int directoryFd) {
    m_status = StatusOpening;
    notify();
    // O_NONBLOCK keeps a FIFO or device that carries an accepted name from blocking the
    // open; anything but a regular file is then refused as unopenable.
    int fd = ::openat(directoryFd, m_currentFileName.c_str(),
                      O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    // One statx gives the type, the size and the dates that process() may want.
    m_currentFileStatus = {};
    if (fd >= 0 && (::statx(fd, "", AT_EMPTY_PATH, StatusMask, &m_currentFileStatus) != 0 ||
                    !S_ISREG(m_currentFileStatus.stx_mode))) {
        ::close(fd);
        fd = -1;
    }
    if (fd < 0) {
        if (m_readAhead)
            m_readAhead->reached(nullptr, m_currentFileName);
        m_status = StatusOpenError;
        notify();
        return true;
    }
    const ReadAhead::Ticket ticket =
        m_readAhead ? m_readAhead->reached(&m_currentFileStatus, m_currentFileName)
                    : ReadAhead::Ticket{};
    // O_NONBLOCK stays: it changes nothing for a regular file.
    m_currentFileSize = m_currentFileStatus.stx_size;
    const bool goOn = process(fd);
    if (m_readAhead)
        m_readAhead->passed(ticket);
    ::close(fd);
    return goOn;
}

bool TreeWalker::process(int) {
    return true;
}

} // namespace tl
