#pragma once
/**
 * @file ReadAhead.h
 * Keeps the storage busy during a walk: a thread of its own walks the same tree in the same
 * order a few files ahead of the walk and asks the kernel for the bytes those files will be
 * read for (posix_fadvise WILLNEED), so that their reads are in flight while the walk is
 * still busy with earlier files. It only fills the page cache: it reports nothing, changes
 * nothing and hands nothing to the walk, so what the walk reports is the same with or
 * without it; only the waiting is shorter.
 *
 * What is asked for a file: a small file whole; of a larger one its first and last bytes
 * (headers, tags at the start and at the end), or the whole file where the analysis reads
 * files of that extension through (a variable-rate stream walked frame by frame). Which of
 * the two holds is learnt from the analysis itself: the bytes the walk's thread read while
 * it analysed the last large file of that extension (its read counter in
 * /proc/thread-self/io). Until the first large file of an extension has been analysed,
 * the read-ahead asks for nothing from there on: whole files asked for in vain would
 * queue before the reads the analysis waits for.
 *
 * From a warm page cache the read-ahead only costs: after IdleAfter files in a row passed
 * without the walk waiting once (its thread's voluntary context switches, looked at once
 * per file), it rests until the walk waits again, and then catches up with the walk.
 *
 * The window is bounded: at most ReadAheadOptions::files files beyond those the walk is
 * done with, and at most ReadAheadOptions::bytes bytes asked for those files. The
 * thread holds at most two descriptors at a time (a directory and a file).
 */
#include "scan/DirectoryListing.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <thread>
#include <unordered_map>

namespace tl {

/** How far the read-ahead runs ahead of the walk and how much it asks for. */
struct ReadAheadOptions {
    /** Files asked for ahead of those the walk is done with (the file being analysed
     *  counts); 0 turns the read-ahead off. */
    std::size_t files = 16;
    /** Bytes asked for files the walk is not done with (one file larger than this is
     *  asked for up to this). */
    std::uint64_t bytes = 64ull << 20;
    /** Bytes asked for at the start of a file read in part. */
    std::uint64_t head = 128u << 10;
    /** Bytes asked for at the end of a file read in part. */
    std::uint64_t tail = 16u << 10;
};

class ReadAhead {
public:
    /** Files larger than head + tail + this are asked for in part unless the analysis
     *  reads files of their extension through; smaller files are asked for whole. */
    static constexpr std::uint64_t PartialFrom = 256u << 10;
    /** Files in a row analysed without a wait after which the read-ahead rests. */
    static constexpr unsigned IdleAfter = 64;

    /** What the walk and the read-ahead know of a file the walk has reached. */
    struct Ticket {
        bool known = false; ///< the read-ahead asked for this file
        std::uint64_t sequence = 0;
        std::uint64_t size = 0;
        std::string kind;             ///< its extension, folded to lower case
        std::uint64_t readBefore = 0; ///< the walk's read counter before the analysis
        bool counted = false;         ///< readBefore was taken
        bool analysed = false;        ///< the file was opened and goes to the analysis
    };

    using Filter = std::function<bool(std::string_view)>;

    /** Walks @p root (a path) with @p accept choosing the files, as the walk does. */
    ReadAhead(std::string root, Filter accept, ReadAheadOptions options);
    /** Stops the thread; a derived class whose operations the thread calls must call
     *  stop() in its own destructor. */
    virtual ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    /** Starts the thread; false when it cannot be started. */
    bool start();
    /** Ends the thread at its next step and waits for it. */
    void stop();

    /** The walk has reached its next accepted file, @p name, and opened it; @p status is
     *  what statx said of it. For nullptr (the file could not be opened) the walk has
     *  passed the file at once. Call from the walk's thread, right before the analysis. */
    Ticket reached(const struct statx* status, std::string_view name);
    /** The walk is done with the file of @p ticket: learns from the bytes its analysis
     *  read whether files of its extension are read through, then moves the window past
     *  it. Call from the walk's thread, right after the analysis. */
    void passed(const Ticket& ticket);

    /** Whether whole files of extension @p kind are asked for (for tests). */
    bool readsThrough(const std::string& kind) const;

protected:
    /** Asks the kernel to read @p length bytes of @p fd from @p offset. Runs on the
     *  read-ahead's thread. */
    virtual void advise(int fd, std::uint64_t offset, std::uint64_t length);
    /** Bytes the calling thread has read so far (read, pread and the like, from the page
     *  cache or not); none where the system does not count them. Runs on the walk's
     *  thread. */
    virtual std::optional<std::uint64_t> bytesRead();
    /** Times the calling thread has waited so far (for the storage, or anything else).
     *  Runs on the walk's thread. */
    virtual std::uint64_t waits();

private:
    struct Requested {
        std::uint64_t sequence; ///< place in walk order, counted by the read-ahead
        dev_t device;
        ino_t inode;
        std::uint64_t bytes; ///< asked for
        bool partial;
        std::uint64_t size;
        std::string kind;
    };
    struct KindState {
        bool learnt = false; ///< a large file of this extension has been analysed
        bool whole = false;  ///< the last one was read through
    };
    enum class Plan { Stop, Skip, Ask };

    void run();
    bool walk(const std::string& path, bool isRoot);
    bool fetch(int directoryFd, const ListedFile& file);
    Plan plan(Requested& r);
    void request(int fd, Requested& r);
    bool large(std::uint64_t size) const {
        return size > m_options.head + m_options.tail + PartialFrom;
    }

    const std::string m_root;
    const Filter m_accept;
    const ReadAheadOptions m_options;
    std::thread m_thread;

    mutable std::mutex m_mutex;
    std::condition_variable m_room;
    std::condition_variable m_wake; ///< the end of a rest
    bool m_stopping = false;
    bool m_resting = false;
    unsigned m_calm = 0;                      ///< files analysed in a row without a wait
    std::atomic<bool> m_stopRequested{false}; ///< m_stopping, for a look without the lock
    std::uint64_t m_passed = 0;               ///< files the walk is done with, in the same count
    std::deque<Requested> m_pending;          ///< asked for and not yet passed, in walk order
    std::uint64_t m_pendingBytes = 0;         ///< bytes of m_pending
    std::unordered_map<std::string, KindState> m_kinds;

    std::uint64_t m_listed = 0; ///< files met by the read-ahead's walk (its thread only)
    int m_counterFd = -1;       ///< /proc/thread-self/io of the walk's thread; -2: none
    /** The walk's waits when it last passed a file, once it has passed one (the walk's
     *  thread only). */
    std::optional<std::uint64_t> m_waitsSeen;
};

} // namespace tl
