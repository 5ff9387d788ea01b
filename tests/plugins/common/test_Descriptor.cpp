// The one read loop over the host's descriptor: short reads read on, interrupted calls are
// made again, an error ends the read with what it read, and a read-ahead takes one piece.
#include "plugins/common/Descriptor.h"
#include "support/Fd.h"
#include "support/ScriptedPread.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace tl::plugin {
namespace {

using test::preadScript;
using test::PreadScript;
using test::scriptedPread;

/** A real file made by an encoder (lame), 10,449 bytes. */
const std::string Fixture = TL_MP3_FIXTURES "mpeg1-l3-free160-mono.mp3";

std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

using tl::test::Fd;

TEST(Descriptor, ReadsOnThroughShortReadsInterruptionsAndErrors) {
    const std::string file = contents(Fixture);
    ASSERT_EQ(file.size(), 10449u);
    struct Case {
        const char* what;
        PreadScript script;
        std::int64_t offset;
        std::size_t count;
        std::size_t bytes; ///< what readFully gives
        bool failed;
        std::size_t calls;
    };
    const std::int64_t size = static_cast<std::int64_t>(file.size());
    const Case cases[] = {
        {"one call for all", {}, 0, file.size(), file.size(), false, 1},
        {"pieces of 1000 bytes", {1000}, 0, 5000, 5000, false, 5},
        {"pieces of one byte", {1}, 100, 7, 7, false, 7},
        {"interrupted before every piece", {1000, true}, 0, 5000, 5000, false, 10},
        {"interrupted whole read", {SIZE_MAX, true}, 10, 20, 20, false, 2},
        {"to the end of the file and past it", {4096}, 8000, 4096, file.size() - 8000, false, 2},
        {"at the end", {}, size, 10, 0, false, 1},
        {"past the end", {}, size + 5, 10, 0, false, 1},
        {"an error after 3000 bytes", {1000, false, 3000}, 0, 5000, 3000, true, 4},
        {"an error at once", {SIZE_MAX, true, 0}, 0, 100, 0, true, 2},
    };
    Fd fd(::open(Fixture.c_str(), O_RDONLY));
    ASSERT_GE(fd.get(), 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        preadScript() = c.script;
        Descriptor descriptor(fd.get(), scriptedPread);
        std::string got(c.count, '\0');
        const Descriptor::Read read = descriptor.readFully(c.offset, got.data(), c.count);
        EXPECT_EQ(read.bytes, c.bytes);
        EXPECT_EQ(read.failed, c.failed);
        got.resize(read.bytes);
        EXPECT_EQ(got, file.substr(std::min<std::size_t>(c.offset, file.size()), c.bytes));
        EXPECT_EQ(descriptor.readCalls(), c.calls);
        EXPECT_EQ(preadScript().calls, c.calls);
    }
    // The descriptor's own offset is neither used nor moved.
    EXPECT_EQ(::lseek(fd.get(), 0, SEEK_CUR), 0);
}

TEST(Descriptor, AReadAheadTakesOnePieceAndIsMadeAgainWhenInterrupted) {
    struct Case {
        const char* what;
        PreadScript script;
        std::size_t bytes;
        bool failed;
        std::size_t calls;
    };
    const Case cases[] = {
        {"all at once", {}, 5000, false, 1},
        {"what one call gives", {1000}, 1000, false, 1},
        {"interrupted, then what the next call gives", {1000, true}, 1000, false, 2},
        {"an error", {SIZE_MAX, false, 0}, 0, true, 1},
    };
    const std::string file = contents(Fixture);
    Fd fd(::open(Fixture.c_str(), O_RDONLY));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        preadScript() = c.script;
        Descriptor descriptor(fd.get(), scriptedPread);
        std::string got(5000, '\0');
        const Descriptor::Read read = descriptor.readSome(2000, got.data(), got.size());
        EXPECT_EQ(read.bytes, c.bytes);
        EXPECT_EQ(read.failed, c.failed);
        EXPECT_EQ(got.substr(0, read.bytes), file.substr(2000, c.bytes));
        EXPECT_EQ(descriptor.readCalls(), c.calls);
    }
}

TEST(Descriptor, SizeIsKnownOnlyForWhatCanHoldBytes) {
    const tl::test::DescriptorKinds kinds;
    struct Case {
        const char* what;
        int fd;
        std::int64_t size;
        bool readFails;
    };
    const Case cases[] = {
        {"a file", kinds.file.get(), 4, false},
        {"a descriptor open for writing only", kinds.writeOnly.get(), 4, true},
        {"a directory", kinds.directory.get(), -1, true},
        {"no descriptor", -1, -1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Descriptor descriptor(c.fd);
        EXPECT_EQ(descriptor.size(), c.size);
        char buffer[4];
        const Descriptor::Read read = descriptor.readFully(0, buffer, sizeof buffer);
        EXPECT_EQ(read.failed, c.readFails);
        EXPECT_EQ(read.bytes, c.readFails ? 0u : 4u);
    }
}

} // namespace
} // namespace tl::plugin
