#include "scan/ReadAhead.h"

#include <algorithm>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/sysmacros.h>
#include <system_error>
#include <unistd.h>

namespace tl {
namespace {

constexpr int DirectoryFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

std::string kindOf(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    std::string kind(dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1));
    for (char& c : kind)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return kind;
}

std::uint64_t pageSize() {
    static const std::uint64_t size = [] {
        const long page = ::sysconf(_SC_PAGESIZE);
        return page > 0 ? static_cast<std::uint64_t>(page) : 4096u;
    }();
    return size;
}

} // namespace

ReadAhead::ReadAhead(std::string root, Filter accept, ReadAheadOptions options)
    : m_root(std::move(root)), m_accept(std::move(accept)), m_options(options) {}

ReadAhead::~ReadAhead() {
    stop();
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
    const bool goOn = plan(r);
    if (goOn)
        request(fd, r);
    ::close(fd);
    return goOn;
}

// Decides what to ask for of @p r and waits until the bytes fit the window.
bool ReadAhead::plan(Requested& r) {
    std::unique_lock lock(m_mutex);
    if (r.size > m_options.head + m_options.tail + PartialFrom) {
        KindState& kind = m_kinds[r.kind];
        r.partial = !kind.whole || ++kind.sinceProbe >= ProbeEvery;
        if (r.partial)
            kind.sinceProbe = 0;
    }
    // A file larger than the whole window is asked for up to the window; the kernel's
    // own read-ahead follows the analysis through the rest.
    r.bytes = r.partial ? m_options.head + m_options.tail : std::min(r.size, m_options.bytes);
    m_room.wait(lock, [&] {
        return m_stopping || m_pending.empty() || m_pendingBytes + r.bytes <= m_options.bytes ||
               r.sequence < m_passed;
    });
    return !m_stopping;
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

ReadAhead::Ticket ReadAhead::reached(const struct statx* status) {
    if (!status) {
        passed(-1, Ticket{});
        return {};
    }
    std::lock_guard lock(m_mutex);
    const dev_t device = makedev(status->stx_dev_major, status->stx_dev_minor);
    for (const Requested& r : m_pending)
        if (r.inode == status->stx_ino && r.device == device)
            return {true, r.partial, r.sequence, r.size, r.kind};
    return {};
}

void ReadAhead::passed(int fd, const Ticket& ticket) {
    if (ticket.known && ticket.partial)
        learn(fd, ticket);
    {
        std::lock_guard lock(m_mutex);
        // Both walks count the same files; a file the read-ahead asked for puts the counts
        // in step again should they have drifted apart (the tree changed between the two
        // listings).
        m_passed = ticket.known ? ticket.sequence + 1 : m_passed + 1;
        while (!m_pending.empty() && m_pending.front().sequence < m_passed) {
            m_pendingBytes -= m_pending.front().bytes;
            m_pending.pop_front();
        }
    }
    m_room.notify_one();
}

// A file asked for in part has been analysed: was its middle read?
void ReadAhead::learn(int fd, const Ticket& ticket) {
    // The last page before the tail: the analysis of the head and the tail, and the
    // kernel's read-ahead behind those reads, do not reach it; a walk through the file does.
    const std::uint64_t page = pageSize();
    const std::uint64_t tailStart = ticket.size - std::min(ticket.size, m_options.tail);
    if (tailStart / page < 1)
        return;
    const std::uint64_t probe = (tailStart / page - 1) * page;
    if (probe < m_options.head)
        return;
    const bool through = resident(fd, probe);
    std::lock_guard lock(m_mutex);
    KindState& kind = m_kinds[ticket.kind];
    kind.whole = through;
    kind.sinceProbe = 0;
}

bool ReadAhead::readsThrough(const std::string& kind) const {
    std::lock_guard lock(m_mutex);
    const auto it = m_kinds.find(kind);
    return it != m_kinds.end() && it->second.whole;
}

void ReadAhead::advise(int fd, std::uint64_t offset, std::uint64_t length) {
    ::posix_fadvise(fd, static_cast<off_t>(offset), static_cast<off_t>(length),
                    POSIX_FADV_WILLNEED);
}

bool ReadAhead::resident(int fd, std::uint64_t offset) {
    const std::uint64_t page = pageSize();
    void* map = ::mmap(nullptr, page, PROT_READ, MAP_SHARED, fd, static_cast<off_t>(offset));
    if (map == MAP_FAILED)
        return false;
    unsigned char vector = 0;
    const bool in = ::mincore(map, page, &vector) == 0 && (vector & 1) != 0;
    ::munmap(map, page);
    return in;
}

} // namespace tl
