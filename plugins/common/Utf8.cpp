#include "plugins/common/Utf8.h"

namespace tl::plugin {

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

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
            out.push_back(text[i++]);
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

std::size_t utf8PrefixLength(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes)
        return text.size();
    std::size_t length = maxBytes;
    // Back off over continuation bytes so the cut falls before a character's lead byte.
    while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
        --length;
    return length;
}

} // namespace tl::plugin
