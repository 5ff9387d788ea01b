// The read-ahead on its own: the test plays the walk (reached, passed) and a recording
// read-ahead notes what it asks the kernel for, and when.
#include "scan/ReadAhead.h"

#include "scan/TreeWalker.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <thread>

using namespace tl;
using tl::test::TempDir;
using tl::test::writeFile;
namespace fs = std::filesystem;

namespace {

struct Advice {
    std::string file; // path below the root
    std::uint64_t offset;
    std::uint64_t length;
    std::uint64_t passedThen; // files the test's walk was done with at that moment
};

class RecordingReadAhead : public ReadAhead {
public:
    RecordingReadAhead(const std::string& root, ReadAheadOptions options)
        : ReadAhead(
              root,
              [](std::string_view name) {
                  return name.ends_with(".mp3") || name.ends_with(".flac");
              },
              options),
          m_root(root) {}
    ~RecordingReadAhead() override { stop(); }

    std::atomic<std::uint64_t> passedFiles{0}; // raised by the test before each passed()
    std::set<std::string> readThrough;         // files the test's analysis reads through
    bool counting = true;                      // whether there is a read counter
    std::uint64_t counter = 0;                 // the test walk's read counter
    std::set<std::string> waitsOn;             // files whose analysis waits for the storage
    std::uint64_t waited = 0;                  // the test walk\'s waits

    std::vector<Advice> advices() {
        std::lock_guard lock(m_mutex);
        return m_advices;
    }
    /** Waits until @p file has been asked for; false after ten seconds. */
    bool waitFor(const std::string& file) {
        std::unique_lock lock(m_mutex);
        return m_asked.wait_for(lock, std::chrono::seconds(10), [&] {
            return std::any_of(m_advices.begin(), m_advices.end(),
                               [&](const Advice& a) { return a.file == file; });
        });
    }
    std::string nameOf(int fd) const {
        const std::string path = fs::read_symlink("/proc/self/fd/" + std::to_string(fd));
        return path.substr(m_root.size() + 1);
    }

protected:
    void advise(int fd, std::uint64_t offset, std::uint64_t length) override {
        const std::string name = nameOf(fd);
        {
            std::lock_guard lock(m_mutex);
            m_advices.push_back({name, offset, length, passedFiles.load()});
        }
        m_asked.notify_all();
    }
    std::optional<std::uint64_t> bytesRead() override {
        return counting ? std::optional<std::uint64_t>(counter) : std::nullopt;
    }
    std::uint64_t waits() override { return waited; }

private:
    std::string m_root;
    std::mutex m_mutex;
    std::condition_variable m_asked;
    std::vector<Advice> m_advices;
};

// The test's stand-in for the walk: opens @p file, tells the read-ahead, and passes it.
void walkPast(RecordingReadAhead& ra, const std::string& root, const std::string& file) {
    const int fd = ::open((root + "/" + file).c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0) << file;
    struct statx st {};
    ASSERT_EQ(::statx(fd, "", AT_EMPTY_PATH, STATX_BASIC_STATS, &st), 0);
    const ReadAhead::Ticket ticket = ra.reached(&st, fs::path(file).filename().string());
    // The analysis: reads the first bytes, or the whole file.
    ra.counter += ra.readThrough.count(file) ? st.stx_size : 4096;
    ra.waited += ra.waitsOn.count(file);
    ++ra.passedFiles;
    ra.passed(ticket);
    ::close(fd);
}

std::vector<std::string> firstAsked(const std::vector<Advice>& advices) {
    std::vector<std::string> files;
    for (const Advice& a : advices)
        if (std::find(files.begin(), files.end(), a.file) == files.end())
            files.push_back(a.file);
    return files;
}

} // namespace

// Every file is asked for in the walk's order, across folders, and never more than the
// window's files or bytes beyond those the walk is done with.
TEST(ReadAhead, AsksForFilesInWalkOrderWithinTheWindow) {
    TempDir dir;
    const std::string root = fs::canonical(dir.path()).string();
    std::vector<std::string> order; // the walk's order, by construction
    for (const char* album : {"a", "B", "c/d", "c/E"})
        fs::create_directories(root + "/" + album);
    const char* files[] = {"z.mp3",   "Y.mp3",     "a/2.mp3",   "a/1.mp3",  "B/x.flac",
                           "c/k.mp3", "c/d/m.mp3", "c/d/L.mp3", "c/E/n.mp3"};
    for (const char* f : files)
        writeFile(root + "/" + f, std::string(10 * 1024, 'x'));
    writeFile(root + "/notes.txt", "not asked for");
    order = {"Y.mp3",   "z.mp3",     "a/1.mp3",   "a/2.mp3",  "B/x.flac",
             "c/k.mp3", "c/d/L.mp3", "c/d/m.mp3", "c/E/n.mp3"};

    const struct {
        std::size_t files;
        std::uint64_t bytes;
    } windows[] = {{1, 1 << 20}, {3, 1 << 20}, {16, 1 << 20}, {16, 25 * 1024}};
    for (const auto& w : windows) {
        ReadAheadOptions options;
        options.files = w.files;
        options.bytes = w.bytes;
        RecordingReadAhead ra(root, options);
        ASSERT_TRUE(ra.start());
        const std::size_t byBytes = w.bytes / (10 * 1024);
        for (std::size_t i = 0; i < order.size(); ++i) {
            const std::size_t last = std::min({i + w.files, i + byBytes, order.size()}) - 1;
            ASSERT_TRUE(ra.waitFor(order[last])) << w.files << " files, file " << last;
            walkPast(ra, root, order[i]);
        }
        ra.stop();
        const std::vector<Advice> advices = ra.advices();
        EXPECT_EQ(firstAsked(advices), order) << w.files;
        std::map<std::string, std::size_t> index;
        for (std::size_t i = 0; i < order.size(); ++i)
            index[order[i]] = i;
        for (const Advice& a : advices) {
            // Small files are asked for whole.
            EXPECT_EQ(a.offset, 0u) << a.file;
            EXPECT_EQ(a.length, 10u * 1024) << a.file;
            EXPECT_LT(index[a.file], a.passedThen + std::min<std::size_t>(w.files, byBytes))
                << a.file << " asked for too early, window " << w.files << "/" << w.bytes;
        }
    }
}

// Large files are asked for in part, or whole while the analysis reads files of their
// extension through, which it learns from the walk's read counter. Nothing is asked for
// the first large file of an extension, nor beyond it until the walk is done with it.
TEST(ReadAhead, LearnsPerExtensionWhetherTheAnalysisReadsFilesThrough) {
    TempDir dir;
    const std::string root = fs::canonical(dir.path()).string();
    constexpr std::uint64_t Size = ReadAhead::PartialFrom + 64 * 1024;
    std::vector<std::string> order;
    for (int i = 0; i < 16; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "%02d.%s", i, i % 4 == 3 ? "flac" : "mp3");
        order.push_back(name);
        writeFile(root + "/" + name, std::string(Size, 'x'));
    }
    writeFile(root + "/99.mp3", "small");
    order.push_back("99.mp3");
    const std::set<std::string> firstOfKind = {"00.mp3", "03.flac"};

    const struct {
        bool counting;
        std::map<std::string, std::string> expected; // file -> what was asked for
    } cases[] = {
        {true,
         {
             {"01.mp3", "whole "},      // 00.mp3 was read through
             {"02.mp3", "whole "},      //
             {"04.mp3", "whole "},      // flac files are not read through
             {"05.mp3", "whole "},      //
             {"06.mp3", "whole "},      //
             {"07.flac", "head tail "}, //
             {"08.mp3", "whole "},      //
             {"09.mp3", "whole "},      // the last one read through
             {"10.mp3", "whole "},      //
             {"11.flac", "head tail "}, //
             {"12.mp3", "head tail "},  // 10.mp3 was not read through
             {"13.mp3", "head tail "},  //
             {"14.mp3", "head tail "},  //
             {"15.flac", "head tail "}, //
             {"99.mp3", "whole "},      // small files always whole
         }},
        {false,
         {
             {"01.mp3", "head tail "},  // nothing counts what the analysis reads
             {"02.mp3", "head tail "},  //
             {"04.mp3", "head tail "},  //
             {"05.mp3", "head tail "},  //
             {"06.mp3", "head tail "},  //
             {"07.flac", "head tail "}, //
             {"08.mp3", "head tail "},  //
             {"09.mp3", "head tail "},  //
             {"10.mp3", "head tail "},  //
             {"11.flac", "head tail "}, //
             {"12.mp3", "head tail "},  //
             {"13.mp3", "head tail "},  //
             {"14.mp3", "head tail "},  //
             {"15.flac", "head tail "}, //
             {"99.mp3", "whole "},      //
         }},
    };
    for (const auto& c : cases) {
        // One file ahead: each file is planned after the walk is done with the one before.
        ReadAheadOptions options;
        options.files = 1;
        options.head = 8 * 1024;
        options.tail = 4 * 1024;
        RecordingReadAhead ra(root, options);
        ra.counting = c.counting;
        // The analysis reads mp3 files through up to 09.mp3, flac files never.
        for (int i = 0; i <= 9; ++i)
            if (order[static_cast<std::size_t>(i)].ends_with(".mp3"))
                ra.readThrough.insert(order[static_cast<std::size_t>(i)]);
        ASSERT_TRUE(ra.start());
        for (const std::string& file : order) {
            if (!firstOfKind.count(file)) {
                ASSERT_TRUE(ra.waitFor(file)) << file;
            }
            walkPast(ra, root, file);
        }
        ra.stop();

        std::map<std::string, std::string> asked;
        for (const Advice& a : ra.advices()) {
            std::string& what = asked[a.file];
            if (a.offset == 0 && a.length == 8 * 1024)
                what += "head ";
            else if (a.offset == Size - 4 * 1024 && a.length == 4 * 1024)
                what += "tail ";
            else if (a.offset == 0 && a.length == fs::file_size(root + "/" + a.file))
                what += "whole ";
            else
                what += "? ";
        }
        EXPECT_EQ(asked, c.expected) << c.counting;
        EXPECT_FALSE(ra.readsThrough("mp3"));
        EXPECT_FALSE(ra.readsThrough("flac"));
    }
}

// Until the analysis of the first large file of an extension shows how files of that
// extension are read, the read-ahead waits there: whole files asked for in vain would
// queue before the reads the analysis waits for.
TEST(ReadAhead, WaitsAtTheFirstLargeFileOfEachExtension) {
    TempDir dir;
    const std::string root = fs::canonical(dir.path()).string();
    const std::string large(ReadAhead::PartialFrom + 256 * 1024, 'x');
    writeFile(root + "/0.mp3", large);
    for (const char* f : {"1.mp3", "2.mp3", "3.mp3", "5.flac"})
        writeFile(root + "/" + f, "small");
    writeFile(root + "/4.flac", large);
    RecordingReadAhead ra(root, ReadAheadOptions{});
    ASSERT_TRUE(ra.start());
    walkPast(ra, root, "0.mp3");
    for (const char* f : {"1.mp3", "2.mp3", "3.mp3"}) {
        ASSERT_TRUE(ra.waitFor(f));
        walkPast(ra, root, f);
    }
    walkPast(ra, root, "4.flac");
    ASSERT_TRUE(ra.waitFor("5.flac"));
    walkPast(ra, root, "5.flac");
    ra.stop();
    // Nothing before the walk is done with the large file in front.
    const std::map<std::string, std::uint64_t> notBefore = {
        {"1.mp3", 1}, {"2.mp3", 1}, {"3.mp3", 1}, {"5.flac", 5}};
    const std::vector<Advice> advices = ra.advices();
    EXPECT_EQ(firstAsked(advices), (std::vector<std::string>{"1.mp3", "2.mp3", "3.mp3", "5.flac"}));
    for (const Advice& a : advices)
        EXPECT_GE(a.passedThen, notBefore.at(a.file)) << a.file;
}

// From a warm page cache the read-ahead rests: after IdleAfter files whose analysis did
// not wait, it asks for nothing until an analysis waits again; then it catches up with
// the walk and fills its window again.
TEST(ReadAhead, RestsWhileTheAnalysisNeverWaits) {
    TempDir dir;
    const std::string root = fs::canonical(dir.path()).string();
    constexpr std::size_t Files = 200, Window = 16, Wakes = 100;
    std::vector<std::string> order;
    for (std::size_t i = 0; i < Files; ++i) {
        order.push_back(std::to_string(1000 + i) + ".mp3");
        writeFile(root + "/" + order.back(), "x");
    }
    RecordingReadAhead ra(root, ReadAheadOptions{});
    // Warm up to the hundredth file, cold from there on.
    for (std::size_t i = Wakes; i < Files; ++i)
        ra.waitsOn.insert(order[i]);
    ASSERT_TRUE(ra.start());
    for (std::size_t i = 0; i < Files; ++i) {
        if (i < ReadAhead::IdleAfter || i > Wakes) {
            ASSERT_TRUE(ra.waitFor(order[std::min(i + Window, Files) - 1])) << i;
        }
        walkPast(ra, root, order[i]);
    }
    ra.stop();
    std::set<std::string> asked;
    for (const Advice& a : ra.advices())
        asked.insert(a.file);
    for (std::size_t i = 0; i < Files; ++i) {
        if (i < ReadAhead::IdleAfter + Window - 1 || i > Wakes) {
            EXPECT_TRUE(asked.count(order[i])) << order[i] << " was not asked for";
        } else if (i > ReadAhead::IdleAfter + Window - 1) {
            EXPECT_FALSE(asked.count(order[i])) << order[i] << " was asked for during the rest";
        }
    }
}

// Only regular files and links to them are opened: a FIFO's writer waiting for a reader
// stays waiting, and what cannot be opened, a dangling link or an empty file is passed over.
TEST(ReadAhead, OpensNothingButRegularFiles) {
    TempDir dir;
    const std::string root = fs::canonical(dir.path()).string();
    ASSERT_EQ(::mkfifo((root + "/1-pipe.mp3").c_str(), 0644), 0);
    fs::create_symlink(root + "/1-pipe.mp3", root + "/0-to-pipe.mp3");
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const std::string sockPath = root + "/2-socket.mp3";
    ASSERT_LT(sockPath.size(), sizeof addr.sun_path);
    std::strcpy(addr.sun_path, sockPath.c_str());
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    writeFile(root + "/3-empty.mp3", "");
    fs::create_symlink(root + "/nowhere.mp3", root + "/4-dangling.mp3");
    writeFile(root + "/5-plain.mp3", "x");
    writeFile(root + "/target.bin", "y");
    fs::create_symlink(root + "/target.bin", root + "/6-link.mp3");

    // A writer blocks in open() until some reader opens the FIFO.
    std::atomic<bool> writerOpened{false};
    std::thread writer([&] {
        const int fd = ::open((root + "/1-pipe.mp3").c_str(), O_WRONLY | O_CLOEXEC);
        writerOpened = true;
        if (fd >= 0)
            ::close(fd);
    });
    RecordingReadAhead ra(root, ReadAheadOptions{});
    ASSERT_TRUE(ra.start());
    EXPECT_TRUE(ra.waitFor("target.bin"));
    ra.stop();
    EXPECT_FALSE(writerOpened.load());
    const int reader = ::open((root + "/1-pipe.mp3").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    writer.join();
    ::close(reader);
    ::close(sock);
    EXPECT_EQ(firstAsked(ra.advices()), (std::vector<std::string>{"5-plain.mp3", "target.bin"}));
}

// stop() ends a read-ahead that waits for the walk, and one that was never started.
TEST(ReadAhead, StopsWhileWaitingForTheWalk) {
    TempDir dir;
    const std::string root = fs::canonical(dir.path()).string();
    for (int i = 0; i < 5; ++i)
        writeFile(root + "/" + std::to_string(i) + ".mp3", "x");
    ReadAheadOptions options;
    options.files = 2;
    RecordingReadAhead ra(root, options);
    ASSERT_TRUE(ra.start());
    ASSERT_TRUE(ra.waitFor("1.mp3"));
    ra.stop();
    EXPECT_EQ(firstAsked(ra.advices()), (std::vector<std::string>{"0.mp3", "1.mp3"}));
    RecordingReadAhead idle(root, options);
    idle.stop();
    options.files = 0;
    RecordingReadAhead off(root, options);
    EXPECT_FALSE(off.start());
}

// With the kernel's own advice: once the analysis has read the first large file through,
// the next one is read into the page cache whole, however small the kernel's read-ahead
// window. Where the page cache cannot be emptied for a file, the test says so.
TEST(ReadAhead, FilesAskedForWholeAreReadIntoThePageCache) {
    TempDir dir;
    const std::string root = fs::canonical(dir.path()).string();
    const std::string data(16 << 20, 'x');
    writeFile(root + "/0.mp3", data);
    writeFile(root + "/1.mp3", data);
    const long page = ::sysconf(_SC_PAGESIZE);
    const auto resident = [&](const std::string& path) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        void* map = ::mmap(nullptr, data.size(), PROT_READ, MAP_SHARED, fd, 0);
        std::vector<unsigned char> pages(data.size() / static_cast<std::size_t>(page));
        const int got = ::mincore(map, data.size(), pages.data());
        ::munmap(map, data.size());
        ::close(fd);
        return got == 0 ? std::count_if(pages.begin(), pages.end(),
                                        [](unsigned char c) { return (c & 1) != 0; })
                        : -1;
    };
    {
        const int fd = ::open((root + "/1.mp3").c_str(), O_RDONLY | O_CLOEXEC);
        ::fdatasync(fd);
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        ::close(fd);
    }
    if (resident(root + "/1.mp3") != 0)
        GTEST_SKIP() << "this file system keeps the test file's pages in memory";

    class Real : public ReadAhead {
    public:
        using ReadAhead::ReadAhead;
        ~Real() override { stop(); }
    } ra(
        root, [](std::string_view) { return true; }, ReadAheadOptions{});
    ASSERT_TRUE(ra.start());
    const int fd = ::open((root + "/0.mp3").c_str(), O_RDONLY | O_CLOEXEC);
    struct statx st {};
    ASSERT_EQ(::statx(fd, "", AT_EMPTY_PATH, STATX_BASIC_STATS, &st), 0);
    const ReadAhead::Ticket ticket = ra.reached(&st, "0.mp3");
    std::string buffer(data.size(), 0);
    ASSERT_EQ(::pread(fd, buffer.data(), buffer.size(), 0), static_cast<ssize_t>(data.size()));
    ra.passed(ticket);
    ::close(fd);
    if (!ra.readsThrough("mp3"))
        GTEST_SKIP() << "this system does not count the bytes a thread reads";
    // The kernel's read-ahead is best effort (it gives up a piece when memory is short),
    // so most of the file is enough; a range cut at the kernel's limit would be far less.
    const long most = static_cast<long>(data.size()) / page * 3 / 4;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (resident(root + "/1.mp3") < most && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_GE(resident(root + "/1.mp3"), most);
}

// What the read-ahead learns from: the bytes the walk's own thread reads, not those of any
// other thread. Where the system does not count them, there is nothing to learn from and
// the test says so.
TEST(ReadAhead, ReadCounterCountsTheBytesOfTheCallingThread) {
    class Counter : public ReadAhead {
    public:
        Counter() : ReadAhead("", nullptr, {}) {}
        std::optional<std::uint64_t> read() { return bytesRead(); }
    } counter;
    TempDir dir;
    const std::string path = dir.file("f.mp3");
    writeFile(path, std::string(1 << 20, 'x'));
    const std::optional<std::uint64_t> before = counter.read();
    if (!before)
        GTEST_SKIP() << "this system does not count the bytes a thread reads";
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    std::thread other([fd] {
        std::string buffer(1 << 20, 0);
        EXPECT_EQ(::pread(fd, buffer.data(), buffer.size(), 0), 1 << 20);
    });
    other.join();
    std::string buffer(64 * 1024, 0);
    ASSERT_EQ(::pread(fd, buffer.data(), buffer.size(), 4096), 64 * 1024);
    ::close(fd);
    const std::uint64_t delta = *counter.read() - *before;
    EXPECT_GE(delta, 64u * 1024);
    EXPECT_LT(delta, 1u << 20); // the other thread's megabyte is not counted
}
