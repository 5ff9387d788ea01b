// The TagLib stream over a descriptor: positions as TagLib expects them, reads that stop
// at the end of the file whatever is asked, read-ahead, errors told apart from the end, and
// whole reads however the system hands out the bytes.
#include "plugins/taglib/DescriptorStream.h"
#include "plugins/taglib/Formats.h"
#include "plugins/taglib/TaglibAnalysis.h"

#include "mp3/Mp3TestUtil.h"
#include "support/Fd.h"
#include "support/ScriptedPread.h"

#include <cctype>
#include <cstring>
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

using tl::test::Fd;

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
    const tl::test::DescriptorKinds kinds;
    const Case cases[] = {
        {"no descriptor", -1, false},
        {"a directory", kinds.directory.get(), false},
        {"a descriptor open for writing only", kinds.writeOnly.get(), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DescriptorStream s(c.fd);
        EXPECT_EQ(s.isOpen(), c.open);
        EXPECT_TRUE(s.readBlock(4).isEmpty());
        EXPECT_TRUE(s.failed());
    }
}

/** The result and record of analysing @p fd as @p container through a stream that reads
 *  with @p pread. */
plugin::test::Analysed analyseThrough(int fd, Container container,
                                      plugin::Descriptor::PreadFn pread = nullptr) {
    DescriptorStream stream(fd, pread);
    AudioFileInfo info{};
    info.fileSize = static_cast<std::uint64_t>(stream.length());
    const int result = analyseStream(stream, container, info, CodePage::Cp1250);
    return {result, info};
}

TEST(DescriptorStream, ShortAndInterruptedReadsGiveTheSameRecord) {
    // Made by the formats' own encoders and by taggers (make_fixtures.sh).
    const char* const names[] = {
        "flac-vorbiscomment.flac",
        "flac-id3-legacy.flac",
        "vorbis.ogg",
        "opus.opus",
        "oggflac.oga",
        "aac-he-ps.m4a",
        "alac.m4a",
        "wmav2.wma",
        "wav-info.wav",
        "wav-id3.wav",
        "aiff-pcm.aiff",
        "wavpack.wv",
        "ape-3990.ape",
    };
    for (const char* name : names) {
        const std::string path = std::string(TL_TAGLIB_FIXTURES) + name;
        std::string extension = path.substr(path.rfind('.') + 1);
        for (char& c : extension)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        const Format* format = formatFor(extension);
        ASSERT_NE(format, nullptr) << name;
        Fd fd(::open(path.c_str(), O_RDONLY));
        ASSERT_GE(fd.get(), 0) << name;
        ASSERT_EQ(analyseThrough(fd.get(), format->container).first, TL_AFI_OK) << name;
        plugin::test::expectTheSameWhateverTheReads(name,
                                                    [&](plugin::Descriptor::PreadFn pread) {
                                                        return analyseThrough(
                                                            fd.get(), format->container, pread);
                                                    },
                                                    {{1000}, {3, true}, {SIZE_MAX, true}});
        // An error partway is a read error, not the end of the file.
        plugin::test::preadScript() = {SIZE_MAX, false, 100};
        EXPECT_EQ(analyseThrough(fd.get(), format->container, plugin::test::scriptedPread).first,
                  TL_AFI_READ_ERROR)
            << name;
    }
}

} // namespace
} // namespace tl::taglib
