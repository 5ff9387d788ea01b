#include "storage/Utf8.h"

namespace tl {
namespace {

// Length of the valid sequence that starts at pos, or 0 when none does.
std::size_t validSequenceLength(std::string_view s, std::size_t pos) {
    const auto b0 = static_cast<unsigned char>(s[pos]);
    if (b0 < 0x80)
        return 1;
    std::size_t len;
    char32_t min;
    if ((b0 & 0xE0) == 0xC0) {
        len = 2;
        min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3;
        min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4;
        min = 0x10000;
    } else {
        return 0;
    }
    if (pos + len > s.size())
        return 0;
    char32_t cp = b0 & (0x7F >> len);
    for (std::size_t i = 1; i < len; ++i) {
        const auto b = static_cast<unsigned char>(s[pos + i]);
        if ((b & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return len;
}

} // namespace

std::size_t utf8CutLength(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes)
        return text.size();
    // Walk back over at most three continuation bytes to the start of the character
    // that the cut would split; cut before it only when it is a valid sequence.
    std::size_t start = maxBytes;
    for (int i = 0; i < 3 && start > 0; ++i) {
        if ((static_cast<unsigned char>(text[start]) & 0xC0) != 0x80)
            break;
        --start;
    }
    if (start < maxBytes) {
        const std::size_t len = validSequenceLength(text, start);
        if (len > 0 && start + len > maxBytes)
            return start;
    }
    return maxBytes;
}

char32_t utf8Decode(std::string_view text, std::size_t pos, std::size_t* length) {
    const std::size_t len = validSequenceLength(text, pos);
    if (len == 0) {
        *length = 1;
        return static_cast<unsigned char>(text[pos]);
    }
    *length = len;
    const auto b0 = static_cast<unsigned char>(text[pos]);
    if (len == 1)
        return b0;
    char32_t cp = b0 & (0x7F >> len);
    for (std::size_t i = 1; i < len; ++i)
        cp = (cp << 6) | (static_cast<unsigned char>(text[pos + i]) & 0x3F);
    return cp;
}

void utf8Append(std::string& out, char32_t cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        cp = 0xFFFD;
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

std::size_t utf8Length(std::string_view text) {
    std::size_t n = 0;
    for (std::size_t pos = 0, len = 0; pos < text.size(); pos += len, ++n)
        utf8Decode(text, pos, &len);
    return n;
}

std::string utf8Sanitized(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t len = validSequenceLength(text, pos);
        if (len == 0) {
            utf8Append(out, 0xFFFD);
            ++pos;
        } else {
            out.append(text.substr(pos, len));
            pos += len;
        }
    }
    return out;
}

} // namespace tl
