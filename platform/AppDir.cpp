#include "platform/AppDir.h"

#include <climits>
#include <unistd.h>

namespace tl {

std::string applicationDir() {
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof buffer)
        return {};
    return directoryOf(std::string(buffer, static_cast<std::size_t>(n)));
}

std::string directoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

} // namespace tl
