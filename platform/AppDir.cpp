#include "platform/AppDir.h"

#include "storage/Text.h"

#include <climits>
#include <unistd.h>

namespace tl {

std::string applicationDir() {
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof buffer)
        return {};
    return std::string(directoryOf(std::string_view(buffer, static_cast<std::size_t>(n))));
}

} // namespace tl
