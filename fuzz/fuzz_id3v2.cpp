// The ID3v2 reader over a memory block holding a whole tag, in the legacy and the modern
// reading, the ID3v1 reader over the block's last 128 bytes, and the text decoders alone
// over the block in every encoding. Whatever the bytes, every field of the record ends
// within its span and holds valid UTF-8.
#include "plugins/common/RecordText.h"
#include "plugins/common/Utf8.h"
#include "plugins/mp3/Genre.h"
#include "plugins/mp3/Id3Fields.h"
#include "plugins/mp3/Id3Text.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>
#include <vector>

namespace {

using namespace tl::mp3;

void requireUtf8(const std::string& text) {
    if (!tl::plugin::isUtf8(text))
        std::abort();
}

void requireFields(const AudioFileInfo& info) {
#define TL_SPAN(member)                                                                            \
    { info.member, sizeof info.member }
    const std::pair<const char*, std::size_t> spans[] = {
        TL_SPAN(Artist),  TL_SPAN(Title), TL_SPAN(Album),   TL_SPAN(Year),     TL_SPAN(Genre),
        TL_SPAN(Comment), TL_SPAN(Track), TL_SPAN(OArtist), TL_SPAN(Composer),
    };
#undef TL_SPAN
    for (const auto& [span, size] : spans) {
        if (span[0] != 0 || ::memchr(span + 1, 0, size - 1) == nullptr)
            std::abort();
        requireUtf8(std::string(tl::plugin::textOf(span, size)));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::byte> bytes(reinterpret_cast<const std::byte*>(data), size);
    for (const TagReading reading : {TagReading::Legacy, TagReading::Modern}) {
        std::vector<std::byte> block(bytes.begin(), bytes.end()); // the reader writes into it
        AudioFileInfo info{};
        Id3v2Tag tag;
        const Id3Result opened = tag.open(block, reading);
        if (opened == Id3Result::Ok ||
            (reading == TagReading::Modern && opened == Id3Result::Broken))
            readId3v2Fields(tag, info, CodePage::Cp1251);
        if (size >= 128)
            readId3v1(std::span<const std::byte, 128>(bytes.data() + size - 128, 128), info,
                      CodePage::Cp1252, reading);
        requireFields(info);
    }
    // The decoders see the start of the input only: longer texts reach them through the
    // frames above, and this keeps the runs quick.
    const std::span<const std::byte> text = bytes.first(std::min<std::size_t>(size, 512));
    for (unsigned char encoding = 0; encoding < 4; ++encoding) {
        const std::vector<std::string> values =
            decodeValues(text, *textEncoding(encoding), CodePage::Cp1253, 300);
        for (const std::string& value : values)
            requireUtf8(value);
        requireUtf8(resolveGenres(values));
        if (skipString(text, *textEncoding(encoding)) > text.size())
            std::abort();
    }
    return 0;
}
