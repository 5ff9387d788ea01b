#include "storage/InputFile.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

using namespace tl;
using test::TempDir;

namespace {

// Reads @p path with @p maxBytes on another thread. Should the open wait on a FIFO after
// all, a writer is opened after five seconds to free it, and the test fails instead of
// hanging.
std::pair<ReadFailure, std::string> readWithin5s(const std::string& path, std::size_t maxBytes) {
    auto reading = std::async(std::launch::async, [=] {
        std::string data = "old";
        const ReadFailure failure = readWholeFile(path, maxBytes, data);
        return std::make_pair(failure, data);
    });
    if (reading.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        ADD_FAILURE() << path << ": the read waited";
        const int writer = ::open(path.c_str(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0)
            ::close(writer);
    }
    return reading.get();
}

} // namespace

TEST(InputFile, OnlyRegularFilesAreRead) {
    TempDir dir;
    test::writeFile(dir.file("songs.txt"), "Blue Lake\n");
    test::writeFile(dir.file("empty.txt"), "");
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    ASSERT_EQ(::symlink(dir.file("songs.txt").c_str(), dir.file("link-to-file").c_str()), 0);
    ASSERT_EQ(::symlink(dir.file("fifo").c_str(), dir.file("link-to-fifo").c_str()), 0);
    ::mkdir(dir.file("folder").c_str(), 0700);
    struct Case {
        std::string path;
        ReadFailure failure;
        std::string data;
    };
    const Case cases[] = {
        {dir.file("songs.txt"), ReadFailure::None, "Blue Lake\n"},
        {dir.file("empty.txt"), ReadFailure::None, ""},
        {dir.file("link-to-file"), ReadFailure::None, "Blue Lake\n"},
        {dir.file("absent.txt"), ReadFailure::Missing, ""},
        {dir.file("absent/songs.txt"), ReadFailure::Missing, ""},
        {dir.file("songs.txt/below"), ReadFailure::CannotOpen, ""},
        {"", ReadFailure::Missing, ""},
        {dir.file("folder"), ReadFailure::NotRegularFile, ""},
        {dir.file("fifo"), ReadFailure::NotRegularFile, ""},
        {dir.file("link-to-fifo"), ReadFailure::NotRegularFile, ""},
        {"/dev/zero", ReadFailure::NotRegularFile, ""},
        {"/dev/null", ReadFailure::NotRegularFile, ""},
    };
    for (const Case& c : cases) {
        const auto [failure, data] = readWithin5s(c.path, 1000);
        EXPECT_EQ(failure, c.failure) << c.path;
        EXPECT_EQ(data, c.data) << c.path;
    }
}

TEST(InputFile, FilesBeyondTheCapAreRefused) {
    TempDir dir;
    test::writeFile(dir.file("100"), std::string(100, 'x'));
    test::writeFile(dir.file("200k"), std::string(200 * 1024, 'y'));
    struct Case {
        const char* name;
        std::size_t cap;
        ReadFailure failure;
        std::size_t size;
    };
    const Case cases[] = {
        {"100", 100, ReadFailure::None, 100},
        {"100", 99, ReadFailure::TooLarge, 0},
        {"100", 0, ReadFailure::TooLarge, 0},
        {"200k", 200 * 1024, ReadFailure::None, 200 * 1024}, // several reads
        {"200k", 200 * 1024 - 1, ReadFailure::TooLarge, 0},
        {"200k", 64 * 1024, ReadFailure::TooLarge, 0},
    };
    for (const Case& c : cases) {
        std::string data = "old";
        EXPECT_EQ(readWholeFile(dir.file(c.name), c.cap, data), c.failure) << c.name << c.cap;
        EXPECT_EQ(data.size(), c.size) << c.name << " " << c.cap;
    }
}

TEST(InputFile, SizeIsOnlyAHint) {
    // Files under /proc show a size of 0 but have text.
    std::string data;
    ASSERT_EQ(readWholeFile("/proc/self/mountinfo", 64u << 20, data), ReadFailure::None);
    EXPECT_NE(data.find(" / "), std::string::npos);
}

TEST(InputFile, DescriptorBlocksClosesOnExecAndCanBeHandedOver) {
    TempDir dir;
    test::writeFile(dir.file("a"), "abc");
    int fd = -1;
    {
        InputFile file = InputFile::open(dir.file("a"));
        ASSERT_TRUE(file);
        EXPECT_EQ(file.failure(), ReadFailure::None);
        EXPECT_EQ(file.size(), 3u);
        EXPECT_EQ(::fcntl(file.fd(), F_GETFL) & (O_NONBLOCK | O_ACCMODE), O_RDONLY);
        EXPECT_EQ(::fcntl(file.fd(), F_GETFD) & FD_CLOEXEC, FD_CLOEXEC);
        InputFile moved = std::move(file);
        EXPECT_FALSE(file);
        fd = moved.release();
        EXPECT_FALSE(moved);
    }
    // Released, so still open after the objects are gone.
    char buffer[4] = {};
    EXPECT_EQ(::read(fd, buffer, sizeof buffer), 3);
    EXPECT_EQ(std::string(buffer), "abc");
    ::close(fd);

    {
        InputFile file = InputFile::open(dir.file("a"));
        fd = file.fd();
    }
    EXPECT_EQ(::fcntl(fd, F_GETFD), -1); // closed with its object
}
