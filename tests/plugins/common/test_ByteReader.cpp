// The bounded byte readers: numbers of both byte orders at any offset, nothing read outside
// the block, a cursor whose running off the end stays known, and bit fields.
#include "plugins/common/ByteReader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>

namespace tl::plugin {
namespace {

const std::string Nine("\x01\x02\x03\x04\x05\x06\x07\x08\x09", 9);

std::span<const std::byte> bytesOf(const std::string& s) {
    return {reinterpret_cast<const std::byte*>(s.data()), s.size()};
}

TEST(ByteReader, NumbersAtOffsetsAndZeroWhereTheyDoNotFit) {
    struct Case {
        const char* what;
        std::uint64_t got;
        std::uint64_t expected;
    };
    const Bytes owned(Nine);
    const ByteView b = viewOf(bytesOf(Nine));
    const Case cases[] = {
        {"u8", b.u8(8), 0x09},
        {"u16le", b.u16le(0), 0x0201},
        {"u16be", b.u16be(7), 0x0809},
        {"u24be", b.u24be(1), 0x020304},
        {"u32le", b.u32le(1), 0x05040302},
        {"u32be", b.u32be(5), 0x06070809},
        {"u64le", b.u64le(1), 0x0908070605040302},
        {"u64be", b.u64be(0), 0x0102030405060708},
        {"owned as borrowed", owned.u32be(5), 0x06070809},
        {"u8 past the end", b.u8(9), 0},
        {"u16le over the end", b.u16le(8), 0},
        {"u24be over the end", b.u24be(7), 0},
        {"u32be over the end", b.u32be(6), 0},
        {"u64le over the end", b.u64le(2), 0},
        {"an offset that would wrap", b.u32le(SIZE_MAX - 1), 0},
        {"an empty block", ByteView().u16be(0), 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.got, c.expected) << c.what;
}

TEST(ByteReader, TextsAreComparedAndCopiedOnlyWithinTheBlock) {
    const Bytes b(std::string("RIFF\x10\0\0\0WAVE", 12));
    EXPECT_TRUE(b.is(0, "RIFF"));
    EXPECT_TRUE(b.is(8, "WAVE"));
    EXPECT_FALSE(b.is(9, "WAVE!")); // would run past the end
    EXPECT_FALSE(b.is(SIZE_MAX, "x"));
    EXPECT_TRUE(b.is(12, ""));
    EXPECT_EQ(b.slice(8, 100), "WAVE");
    EXPECT_EQ(b.slice(12, 4), "");
    EXPECT_EQ(b.slice(400, 4), "");
    EXPECT_TRUE(b.has(12, 0));
    EXPECT_FALSE(b.has(13, 0));
}

TEST(ByteReader, CursorRunningOffTheEndStaysFailedAtTheEnd) {
    ByteCursor c(bytesOf(Nine));
    EXPECT_EQ(c.u8(), 0x01);
    EXPECT_EQ(c.u24be(), 0x020304u);
    EXPECT_EQ(c.peek(4), 0x09);
    EXPECT_TRUE(c.ok());
    EXPECT_EQ(c.u32be(), 0x05060708u);
    EXPECT_EQ(c.u32be(), 0u); // one byte left
    EXPECT_FALSE(c.ok());
    EXPECT_TRUE(c.atEnd());
    EXPECT_EQ(c.u8(), 0); // and nothing more is read
    EXPECT_FALSE(c.ok());

    ByteCursor skipping(bytesOf(Nine), 8);
    EXPECT_EQ(skipping.peek(), 0x09);
    skipping.skip(2);
    EXPECT_FALSE(skipping.ok());
    EXPECT_EQ(skipping.pos(), 9u);

    ByteCursor outside(bytesOf(Nine), 10);
    EXPECT_FALSE(outside.ok());
    EXPECT_EQ(outside.remaining(), 0u);
}

TEST(ByteReader, SyncsafeSizeOfARealTagLeadsToItsFirstFrame) {
    // Tagged by id3v2, encoded by lame: the MPEG stream begins right after the tag.
    std::ifstream in(TL_MP3_FIXTURES "tag-id3v2-v23-v11.mp3", std::ios::binary);
    const std::string file{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_GT(file.size(), 10u);
    ByteCursor header(bytesOf(file), 6);
    const std::uint32_t size = header.syncsafe32();
    ASSERT_TRUE(header.ok());
    ASSERT_LT(10 + size + 1, file.size());
    EXPECT_EQ(static_cast<unsigned char>(file[10 + size]), 0xFF);
    EXPECT_EQ(static_cast<unsigned char>(file[10 + size + 1]) & 0xE0, 0xE0);
    // Each group holds seven bits: a high bit set is not part of the size.
    const std::string sevenBits("\x7F\x80\x01\xFF", 4);
    ByteCursor groups(bytesOf(sevenBits));
    EXPECT_EQ(groups.syncsafe32(), 0x7Fu << 21 | 0x01u << 7 | 0x7Fu);
}

TEST(ByteReader, BitFieldsAcrossBytesAndPastTheEnd) {
    Bits bits(std::string_view("\xA5\x0F", 2)); // 1010 0101 0000 1111
    EXPECT_EQ(bits.take(3), 0b101u);
    EXPECT_EQ(bits.take(7), 0b0010100u);
    EXPECT_EQ(bits.left(), 6u);
    EXPECT_EQ(bits.take(6), 0b001111u);
    EXPECT_TRUE(bits.ok());
    EXPECT_EQ(bits.take(4), 0u);
    EXPECT_FALSE(bits.ok());
    EXPECT_EQ(bits.left(), 0u);
}

} // namespace
} // namespace tl::plugin
