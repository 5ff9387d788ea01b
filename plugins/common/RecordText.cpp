#include "plugins/common/RecordText.h"

#include <cstring>

namespace tl::plugin {

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
