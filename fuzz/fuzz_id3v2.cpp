// The ID3v2 reader over a memory block holding a whole tag, and the ID3v1 reader over
// the block's last 128 bytes.
#include "plugins/mp3/Id3Fields.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::byte> block(size);
    if (size > 0)
        std::memcpy(block.data(), data, size);
    AudioFileInfo info{};
    tl::mp3::Id3v2Tag tag;
    if (tag.open(block) == tl::mp3::Id3Result::Ok)
        tl::mp3::readId3v2Fields(tag, info, tl::mp3::CodePage::Cp1251);
    if (size >= 128)
        tl::mp3::readId3v1(std::span<const std::byte, 128>(block.data() + size - 128, 128), info,
                           tl::mp3::CodePage::Cp1252);
    return 0;
}
