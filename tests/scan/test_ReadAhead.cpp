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
    std::set<std::string> readThrough;         // files whose middle counts as read

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
    bool resident(int fd, std::uint64_t) override { return readThrough.count(nameOf(fd)) > 0; }

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
    const ReadAhead::Ticket ticket = ra.reached(&st);
    ++ra.passedFiles;
    ra.passed(fd, ticket);
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

// Large files are asked for in part until the analysis turns out to read files of that
// extension through; then whole, with every eighth asked for in part to check.
TEST(ReadAhead, LearnsPerExtensionWhetherTheAnalysisReadsFilesThrough) {
    TempDir dir;
    const std::string root = fs::canonical(dir.path()).string();
    constexpr std::uint64_t Size = ReadAhead::PartialFrom + 64 * 1024;
    std::vector<std::string> order;
    for (int i = 0; i < 24; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "%02d.%s", i, i % 4 == 3 ? "flac" : "mp3");
        order.push_back(name);
        writeFile(root + "/" + name, std::string(Size, 'x'));
    }
    writeFile(root + "/99.mp3", "small");
    order.push_back("99.mp3");
    ReadAheadOptions options;
    options.files = 1;
    options.head = 8 * 1024;
    options.tail = 4 * 1024;
    RecordingReadAhead ra(root, options);
    // The analysis reads mp3 files through up to 12.mp3, flac files never.
    for (int i = 0; i <= 12; ++i)
        if (order[static_cast<std::size_t>(i)].ends_with(".mp3"))
            ra.readThrough.insert(order[static_cast<std::size_t>(i)]);
    ASSERT_TRUE(ra.start());
    for (const std::string& file : order) {
        ASSERT_TRUE(ra.waitFor(file)) << file;
        walkPast(ra, root, file);
    }
    ra.stop();

    std::map<std::string, std::string> asked; // file -> "part" or "whole"
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
    const std::map<std::string, std::string> expected = {
        {"00.mp3", "head tail "},  // nothing learnt yet
        {"01.mp3", "whole "},      // 00.mp3 was read through
        {"02.mp3", "whole "},      //
        {"03.flac", "head tail "}, // flac files are not read through
        {"04.mp3", "whole "},      //
        {"05.mp3", "whole "},      //
        {"06.mp3", "whole "},      //
        {"07.flac", "head tail "}, //
        {"08.mp3", "whole "},      //
        {"09.mp3", "whole "},      //
        {"10.mp3", "head tail "},  // every eighth checks: still read through
        {"11.flac", "head tail "}, //
        {"12.mp3", "whole "},      //
        {"13.mp3", "whole "},      //
        {"14.mp3", "whole "},      //
        {"15.flac", "head tail "}, //
        {"16.mp3", "whole "},      //
        {"17.mp3", "whole "},      //
        {"18.mp3", "whole "},      //
        {"19.flac", "head tail "}, //
        {"20.mp3", "whole "},      //
        {"21.mp3", "head tail "},  // the check finds it no longer read through
        {"22.mp3", "head tail "},  //
        {"23.flac", "head tail "}, //
        {"99.mp3", "whole "},      // small files always whole
    };
    EXPECT_EQ(asked, expected);
    EXPECT_FALSE(ra.readsThrough("mp3"));
    EXPECT_FALSE(ra.readsThrough("flac"));
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

// What the read-ahead learns from: a page that was read is resident, a page that was not
// is not. Where the page cache cannot be emptied for a file (some file systems keep every
// page), there is nothing to learn from and the test says so.
TEST(ReadAhead, ResidencyShowsWhichPagesWereRead) {
    class Probe : public ReadAhead {
    public:
        Probe() : ReadAhead("", nullptr, {}) {}
        bool at(int fd, std::uint64_t offset) { return resident(fd, offset); }
    } probe;
    TempDir dir;
    const std::string path = dir.file("f.mp3");
    const long page = ::sysconf(_SC_PAGESIZE);
    writeFile(path, std::string(static_cast<std::size_t>(page) * 8, 'x'));
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ::fdatasync(fd);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    if (probe.at(fd, 0) || probe.at(fd, 4 * static_cast<std::uint64_t>(page))) {
        ::close(fd);
        GTEST_SKIP() << "this file system keeps the test file's pages in memory";
    }
    char byte;
    ASSERT_EQ(::pread(fd, &byte, 1, 4 * page), 1);
    EXPECT_TRUE(probe.at(fd, 4 * static_cast<std::uint64_t>(page)));
    ::close(fd);
}
