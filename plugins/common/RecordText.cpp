#include "plugins/common/RecordText.h"

#include "plugins/common/Utf8.h"

#include <algorithm>
#include <cstring>

namespace tl::plugin {

void setText(char* span, std::size_t spanSize, std::string_view text) {
    text = text.substr(0, std::min(text.find('\0'), text.size()));
    const std::size_t length = utf8PrefixLength(text, spanSize - 2);
    // An empty view may have no data pointer at all (the empty genre name).
    if (length > 0)
        std::memcpy(span + 1, text.data(), length);
    span[1 + length] = '\0';
}

std::string_view textOf(const char* span, std::size_t spanSize) {
    return {span + 1, strnlen(span + 1, spanSize - 1)};
}

std::string yearIn(std::string_view text) {
    std::size_t run = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        run = text[i] >= '0' && text[i] <= '9' ? run + 1 : 0;
        if (run == 4)
            return std::string(text.substr(i - 3, 4));
    }
    return {};
}

} // namespace tl::plugin
