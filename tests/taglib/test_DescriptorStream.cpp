// The TagLib stream over a descriptor: positions as TagLib expects them, reads that stop
// at the end of the file whatever is asked, read-ahead, and errors told apart from the end.
#include "plugins/taglib/DescriptorStream.h"

#include "mp3/Mp3TestUtil.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

namespace tl::taglib {
namespace {

using tl::mp3::test::memfdWith;

std::string text(const TagLib::ByteVector& v) {
    return std::string(v.data(), v.size());
}

class Fd {
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

TEST(DescriptorStream, SeeksFromEveryOriginAndReadsWhatIsThere) {
    Fd fd(memfdWith("0123456789"));
    DescriptorStream s(fd.get());
    ASSERT_TRUE(s.isOpen());
    EXPECT_TRUE(s.readOnly());
    EXPECT_EQ(s.length(), 10);
    EXPECT_EQ(text(s.readBlock(3)), "012");
    EXPECT_EQ(s.tell(), 3);
    s.seek(2, TagLib::IOStream::Current);
    EXPECT_EQ(text(s.readBlock(2)), "56");
    s.seek(-3, TagLib::IOStream::End);
    EXPECT_EQ(text(s.readBlock(100)), "789"); // stops at the end
    EXPECT_EQ(s.tell(), 10);
    EXPECT_TRUE(s.readBlock(4).isEmpty());
    s.seek(-1, TagLib::IOStream::Beginning); // before the start: the position stays
    EXPECT_EQ(s.tell(), 10);
    s.seek(20);
    EXPECT_EQ(s.tell(), 20);
    EXPECT_TRUE(s.readBlock(1).isEmpty());
    EXPECT_FALSE(s.failed());
    // The descriptor's own offset is neither used nor moved.
    EXPECT_EQ(::lseek(fd.get(), 0, SEEK_CUR), 10); // where memfdWith's write left it
}

TEST(DescriptorStream, AHugeReadAllocatesNoMoreThanTheFileHolds) {
    Fd fd(memfdWith(std::string(100, 'x')));
    DescriptorStream s(fd.get());
    s.seek(40);
    const TagLib::ByteVector block = s.readBlock(0xFFFFFFFFul);
    EXPECT_EQ(block.size(), 60u);
    EXPECT_EQ(s.tell(), 100);
}

TEST(DescriptorStream, SmallReadsShareOneReadAhead) {
    std::string data;
    for (int i = 0; i < 3000; ++i)
        data += static_cast<char>('a' + i % 26);
    Fd fd(memfdWith(data));
    DescriptorStream s(fd.get());
    std::string all;
    for (int i = 0; i < 750; ++i)
        all += text(s.readBlock(4));
    EXPECT_EQ(all, data);
    EXPECT_EQ(s.readCalls(), 1u);
    // A read beyond the buffer refills it from there.
    char byte = 0;
    EXPECT_EQ(s.readAt(2999, &byte, 1), 1u);
    EXPECT_EQ(byte, data[2999]);
    EXPECT_EQ(s.readAt(3000, &byte, 1), 0u);
}

TEST(DescriptorStream, ReadsLargerThanHalfTheBufferGoStraightIntoTheBlock) {
    const std::string data(3 * DescriptorStream::ReadAhead, 'q');
    Fd fd(memfdWith(data));
    DescriptorStream s(fd.get());
    EXPECT_EQ(s.readBlock(2 * DescriptorStream::ReadAhead).size(), 2 * DescriptorStream::ReadAhead);
    EXPECT_EQ(s.readBlock(DescriptorStream::ReadAhead + 10).size(), DescriptorStream::ReadAhead);
}

TEST(DescriptorStream, ErrorsAreToldApartFromTheEnd) {
    struct Case {
        const char* what;
        int fd;
        bool open;
    };
    char name[] = "/tmp/tl_descriptor_XXXXXX";
    Fd file(::mkstemp(name));
    ASSERT_EQ(::write(file.get(), "data", 4), 4);
    Fd writeOnly(::open(name, O_WRONLY));
    Fd directory(::open("/tmp", O_RDONLY | O_DIRECTORY));
    ::unlink(name);
    const Case cases[] = {
        {"no descriptor", -1, false},
        {"a directory", directory.get(), false},
        {"a descriptor open for writing only", writeOnly.get(), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DescriptorStream s(c.fd);
        EXPECT_EQ(s.isOpen(), c.open);
        EXPECT_TRUE(s.readBlock(4).isEmpty());
        EXPECT_TRUE(s.failed());
    }
}

} // namespace
} // namespace tl::taglib
