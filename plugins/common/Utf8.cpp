#include "plugins/common/Utf8.h"

#include <algorithm>

namespace tl::plugin {

Utf8Sequence utf8SequenceAt(std::string_view text, std::size_t at) {
    const auto byteAt = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned b0 = byteAt(at);
    if (b0 < 0x80)
        return {1, true};
    // The second byte's range depends on the first, which rules out overlong forms,
    // surrogates and code points above U+10FFFF; later bytes are any continuation byte.
    std::size_t length = 0;
    unsigned low = 0x80, high = 0xBF;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3;
        low = b0 == 0xE0 ? 0xA0 : 0x80;
        high = b0 == 0xED ? 0x9F : 0xBF;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4;
        low = b0 == 0xF0 ? 0x90 : 0x80;
        high = b0 == 0xF4 ? 0x8F : 0xBF;
    }
    std::size_t k = 1;
    for (; k < length && at + k < text.size(); ++k) {
        const unsigned c = byteAt(at + k);
        if (c < (k == 1 ? low : 0x80u) || c > (k == 1 ? high : 0xBFu))
            break;
    }
    return {k, length != 0 && k == length};
}

bool isUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const Utf8Sequence s = utf8SequenceAt(text, i);
        if (!s.valid)
            return false;
        i += s.length;
    }
    return true;
}

std::string sanitizeUtf8(std::span<const std::byte> bytes, std::size_t maxBytes) {
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    std::string out;
    std::size_t i = 0;
    while (i < text.size() && out.size() < maxBytes) {
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            // A run of ASCII, copied whole up to the limit.
            std::size_t end = i + 1;
            const std::size_t last = std::min(text.size(), i + (maxBytes - out.size()));
            while (end < last && static_cast<unsigned char>(text[end]) < 0x80)
                ++end;
            out.append(text.substr(i, end - i));
            i = end;
            continue;
        }
        const Utf8Sequence s = utf8SequenceAt(text, i);
        if (s.valid)
            out.append(text.substr(i, s.length));
        else
            appendUtf8(out, 0xFFFD);
        i += s.length;
    }
    return out;
}

} // namespace tl::plugin
