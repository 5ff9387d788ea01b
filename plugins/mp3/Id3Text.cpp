#include "plugins/mp3/Id3Text.h"

#include "plugins/common/Utf8.h"

#include <algorithm>
#include <string_view>

namespace tl::mp3 {
namespace {

constexpr char32_t Replacement = 0xFFFD;
constexpr std::string_view Separator = "; ";

unsigned byteAt(std::span<const std::byte> bytes, std::size_t i) {
    return std::to_integer<unsigned>(bytes[i]);
}

bool isTwoByte(TextEncoding encoding) {
    return encoding == TextEncoding::Utf16 || encoding == TextEncoding::Utf16Be;
}

/** End of the string that starts at @p start: the offset of its terminator, or the size. */
std::size_t stringEnd(std::span<const std::byte> bytes, std::size_t start, TextEncoding encoding) {
    if (isTwoByte(encoding)) {
        std::size_t i = start;
        for (; i + 1 < bytes.size(); i += 2)
            if (byteAt(bytes, i) == 0 && byteAt(bytes, i + 1) == 0)
                return i;
        return bytes.size();
    }
    for (std::size_t i = start; i < bytes.size(); ++i)
        if (byteAt(bytes, i) == 0)
            return i;
    return bytes.size();
}

} // namespace

std::optional<TextEncoding> textEncoding(unsigned char byte) {
    if (byte > 3)
        return std::nullopt;
    return static_cast<TextEncoding>(byte);
}

std::size_t skipString(std::span<const std::byte> bytes, TextEncoding encoding) {
    const std::size_t end = stringEnd(bytes, 0, encoding);
    if (end == bytes.size())
        return end;
    return end + (isTwoByte(encoding) ? 2 : 1);
}

std::string decodeUtf16(std::span<const std::byte> bytes, bool bigEndian, std::size_t maxBytes) {
    const auto unit = [&](std::size_t i) {
        const unsigned a = byteAt(bytes, i), b = byteAt(bytes, i + 1);
        return static_cast<char32_t>(bigEndian ? a << 8 | b : b << 8 | a);
    };
    std::string out;
    std::size_t i = 0;
    while (i + 1 < bytes.size() && out.size() < maxBytes) {
        char32_t cp = unit(i);
        i += 2;
        if (cp >= 0xD800 && cp <= 0xDBFF) {
            if (i + 1 < bytes.size() && unit(i) >= 0xDC00 && unit(i) <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (unit(i) - 0xDC00);
                i += 2;
            } else {
                cp = Replacement;
            }
        } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
            cp = Replacement;
        }
        plugin::appendUtf8(out, cp);
    }
    if (i < bytes.size() && out.size() < maxBytes)
        plugin::appendUtf8(out, Replacement); // an odd last byte
    return out;
}

std::vector<std::string> decodeValues(std::span<const std::byte> bytes, TextEncoding encoding,
                                      CodePage page, std::size_t maxBytes) {
    std::vector<std::string> values;
    std::size_t produced = 0;
    // A value of UTF-16 text without its own byte order mark keeps the order of the
    // value before it; little-endian when none had one, as Windows taggers wrote it.
    bool bigEndian = encoding == TextEncoding::Utf16Be;
    std::size_t start = 0;
    while (start < bytes.size() && produced < maxBytes) {
        const std::size_t end = stringEnd(bytes, start, encoding);
        std::span<const std::byte> value = bytes.subspan(start, end - start);
        start = end + (isTwoByte(encoding) ? 2 : 1);
        const std::size_t budget = maxBytes - produced;
        std::string text;
        switch (encoding) {
        case TextEncoding::Latin1:
            text =
                plugin::decodeToUtf8(std::string_view(reinterpret_cast<const char*>(value.data()),
                                                      std::min(value.size(), budget)),
                                     page);
            break;
        case TextEncoding::Utf8:
            text = plugin::sanitizeUtf8(value, budget);
            if (text.starts_with("\xEF\xBB\xBF"))
                text.erase(0, 3); // a byte order mark some taggers put in UTF-8 too
            break;
        case TextEncoding::Utf16:
        case TextEncoding::Utf16Be:
            if (value.size() >= 2) {
                const unsigned a = byteAt(value, 0), b = byteAt(value, 1);
                if ((a == 0xFF && b == 0xFE) || (a == 0xFE && b == 0xFF)) {
                    bigEndian = a == 0xFE;
                    value = value.subspan(2);
                }
            }
            text = decodeUtf16(value, bigEndian, budget);
            break;
        }
        if (text.empty())
            continue;
        produced += text.size() + Separator.size();
        values.push_back(std::move(text));
    }
    return values;
}

std::string joinValues(const std::vector<std::string>& values) {
    std::string joined;
    for (const std::string& value : values) {
        if (!joined.empty())
            joined += Separator;
        joined += value;
    }
    return joined;
}

std::string decodeJoined(std::span<const std::byte> bytes, TextEncoding encoding, CodePage page,
                         std::size_t maxBytes) {
    return joinValues(decodeValues(bytes, encoding, page, maxBytes));
}

} // namespace tl::mp3
