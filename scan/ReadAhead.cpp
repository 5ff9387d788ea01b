#include "scan/ReadAhead.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/sysmacros.h>
#include <system_error>
#include <unistd.h>

namespace tl {
namespace {

constexpr int DirectoryFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
constexpr std::uint64_t AdviseChunk = 128u << 10;

std::string kindOf(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    std::string kind(dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1));
    for (char& c : kind)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return kind;
}

} // namespace

ReadAhead::ReadAhead(std::string root, Filter accept, ReadAheadOptions options)
    : m_root(std::move(root)), m_accept(std::move(accept)), m_options(options) {}

ReadAhead::~ReadAhead() {
    stop();
    if (m_counterFd >= 0)
        ::close(m_counterFd);
}

bool ReadAhead::start() {
    if (m_thread.joinable() || m_options.files == 0)
        return false;
    try {
        m_thread = std::thread([this] { run(); });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void ReadAhead::stop() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_stopRequested.store(true, std::memory_order_relaxed);
    m_room.notify_all();
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void ReadAhead::run() {
    std::string root = m_root;
    while (root.size() > 1 && root.back() == '/')
        root.pop_back();
    walk(root, true);
}

// The walk's order: the files of a folder, then its subfolders. Folders are opened by
// path, so that the read-ahead holds no descriptor while it is inside a subfolder.
bool ReadAhead::walk(const std::string& path, bool isRoot) {
    // Folders without accepted files never wait for the window: the stop is looked at
    // here too, so that it is prompt in a tree of many such folders.
    if (m_stopRequested.load(std::memory_order_relaxed))
        return false;
    const int fd = ::open(path.c_str(), DirectoryFlags | (isRoot ? 0 : O_NOFOLLOW));
    if (fd < 0)
        return true;
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return true;
    }
    DirectoryListing listing;
    const bool listed = listDirectory(fd, dir, m_accept, listing);
    bool goOn = true;
    if (listed)
        for (const ListedFile& file : listing.files)
            if (!(goOn = fetch(fd, file)))
                break;
    ::closedir(dir);
    if (!listed || !goOn)
        return goOn;
    listing.files = {};
    const std::string prefix = path == "/" ? path : path + "/";
    for (const std::string& name : listing.directories)
        if (!walk(prefix + name, false))
            return false;
    return true;
}

// One file of the walk: waits for its turn in the window, then asks for its bytes. False
// when the read-ahead is to stop.
bool ReadAhead::fetch(int directoryFd, const ListedFile& file) {
    const std::uint64_t sequence = m_listed++;
    {
        std::unique_lock lock(m_mutex);
        m_wake.wait(lock, [&] { return m_stopping || !m_resting; });
        m_room.wait(lock, [&] { return m_stopping || sequence < m_passed + m_options.files; });
        if (m_stopping)
            return false;
        if (sequence < m_passed)
            return true; // the walk is past it already
    }
    // Only regular files, and links to them: opening a FIFO, even without blocking, would
    // be noticed by its writer. The walk itself reports what it cannot open.
    if (file.type != DT_REG) {
        struct stat target;
        if ((file.type != DT_LNK && file.type != DT_UNKNOWN) ||
            ::fstatat(directoryFd, file.name.c_str(), &target, 0) != 0 || !S_ISREG(target.st_mode))
            return true;
    }
    const int fd =
        ::openat(directoryFd, file.name.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return true;
    struct statx st {};
    if (::statx(fd, "", AT_EMPTY_PATH, STATX_TYPE | STATX_SIZE | STATX_INO, &st) != 0 ||
        !S_ISREG(st.stx_mode) || st.stx_size == 0) {
        ::close(fd);
        return true;
    }
    Requested r{sequence,
                makedev(st.stx_dev_major, st.stx_dev_minor),
                st.stx_ino,
                0,
                false,
                st.stx_size,
                kindOf(file.name)};
    const Plan plan = this->plan(r);
    if (plan == Plan::Ask)
        request(fd, r);
    ::close(fd);
    return plan != Plan::Stop;
}

// Decides what to ask for of @p r and waits until the bytes fit the window.
ReadAhead::Plan ReadAhead::plan(Requested& r) {
    std::unique_lock lock(m_mutex);
    if (large(r.size)) {
        m_room.wait(lock,
                    [&] { return m_stopping || m_kinds[r.kind].learnt || r.sequence < m_passed; });
        if (m_stopping)
            return Plan::Stop;
        if (r.sequence < m_passed)
            return Plan::Skip;
        r.partial = !m_kinds[r.kind].whole;
    }
    // A file larger than the whole window is asked for up to the window; the kernel's
    // own read-ahead follows the analysis through the rest.
    r.bytes = r.partial ? m_options.head + m_options.tail : std::min(r.size, m_options.bytes);
    m_room.wait(lock, [&] {
        return m_stopping || m_pending.empty() || m_pendingBytes + r.bytes <= m_options.bytes ||
               r.sequence < m_passed;
    });
    if (m_stopping)
        return Plan::Stop;
    return r.sequence < m_passed ? Plan::Skip : Plan::Ask;
}

// Notes @p r as pending, then asks for its bytes: the walk may reach the file as soon as
// it is noted.
void ReadAhead::request(int fd, Requested& r) {
    const bool partial = r.partial;
    const std::uint64_t size = r.size, bytes = r.bytes;
    {
        std::lock_guard lock(m_mutex);
        if (r.sequence < m_passed)
            return; // the walk is past it already
        m_pendingBytes += r.bytes;
        m_pending.push_back(std::move(r));
    }
    if (partial) {
        advise(fd, 0, m_options.head);
        advise(fd, size - m_options.tail, m_options.tail);
    } else {
        advise(fd, 0, bytes);
        if (bytes < size)
            advise(fd, size - std::min(size - bytes, m_options.tail), m_options.tail);
    }
}

ReadAhead::Ticket ReadAhead::reached(const struct statx* status, std::string_view name) {
    if (!status) {
        passed(Ticket{});
        return {};
    }
    Ticket ticket;
    ticket.analysed = true;
    ticket.size = status->stx_size;
    if (large(ticket.size)) {
        ticket.kind = kindOf(name);
        if (const std::optional<std::uint64_t> read = bytesRead()) {
            ticket.readBefore = *read;
            ticket.counted = true;
        }
    }
    std::lock_guard lock(m_mutex);
    const dev_t device = makedev(status->stx_dev_major, status->stx_dev_minor);
    for (const Requested& r : m_pending)
        if (r.inode == status->stx_ino && r.device == device) {
            ticket.known = true;
            ticket.sequence = r.sequence;
            break;
        }
    return ticket;
}

void ReadAhead::passed(const Ticket& ticket) {
    // A file the analysis read at least half of was read through; where nothing counts
    // the bytes, files are asked for in part.
    std::optional<std::uint64_t> read;
    if (large(ticket.size) && ticket.counted)
        read = bytesRead();
    // The waits since the last file was passed: the analysis's, and the open of this file.
    const std::uint64_t waitsNow = waits();
    const bool waited = m_waitsSeen && *m_waitsSeen != waitsNow;
    m_waitsSeen = waitsNow;
    bool wake = false;
    {
        std::lock_guard lock(m_mutex);
        if (waited) {
            m_calm = 0;
            wake = m_resting;
            m_resting = false;
        } else if (ticket.analysed && ++m_calm >= IdleAfter) {
            m_resting = true;
        }
        if (large(ticket.size)) {
            KindState& kind = m_kinds[ticket.kind];
            kind.learnt = true;
            kind.whole = read && (*read - ticket.readBefore) >= ticket.size / 2;
        }
        // Both walks count the same files; a file the read-ahead asked for puts the counts
        // in step again should they have drifted apart (the tree changed between the two
        // listings).
        m_passed = ticket.known ? ticket.sequence + 1 : m_passed + 1;
        while (!m_pending.empty() && m_pending.front().sequence < m_passed) {
            m_pendingBytes -= m_pending.front().bytes;
            m_pending.pop_front();
        }
    }
    if (wake)
        m_wake.notify_all();
    m_room.notify_all();
}

bool ReadAhead::readsThrough(const std::string& kind) const {
    std::lock_guard lock(m_mutex);
    const auto it = m_kinds.find(kind);
    return it != m_kinds.end() && it->second.whole;
}

void ReadAhead::advise(int fd, std::uint64_t offset, std::uint64_t length) {
    // The kernel reads at most the larger of its read-ahead window and the device's best
    // request size per call (128 KiB and up) and drops the rest without a word, so a
    // larger range goes in pieces.
    for (std::uint64_t done = 0; done < length; done += AdviseChunk) {
        if (m_stopRequested.load(std::memory_order_relaxed))
            return;
        ::posix_fadvise(fd, static_cast<off_t>(offset + done),
                        static_cast<off_t>(std::min(AdviseChunk, length - done)),
                        POSIX_FADV_WILLNEED);
    }
}

std::uint64_t ReadAhead::waits() {
    struct rusage usage {};
    ::getrusage(RUSAGE_THREAD, &usage);
    return static_cast<std::uint64_t>(usage.ru_nvcsw);
}

std::optional<std::uint64_t> ReadAhead::bytesRead() {
    // Opened by the walk's thread, so "thread-self" is that thread for good.
    if (m_counterFd == -1) {
        m_counterFd = ::open("/proc/thread-self/io", O_RDONLY | O_CLOEXEC);
        if (m_counterFd < 0)
            m_counterFd = -2;
    }
    if (m_counterFd < 0)
        return std::nullopt;
    char text[512];
    const ssize_t got = ::pread(m_counterFd, text, sizeof text - 1, 0);
    if (got <= 0)
        return std::nullopt;
    text[got] = 0;
    // The first line: "rchar: N".
    const char* at = std::strstr(text, "rchar:");
    if (!at)
        return std::nullopt;
    char* end = nullptr;
    const unsigned long long value = std::strtoull(at + 6, &end, 10);
    if (end == at + 6)
        return std::nullopt;
    return value;
}

} // namespace tl
