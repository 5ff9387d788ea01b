#include "platform/AppDir.h"

#include "storage/Text.h"

#include <climits>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace tl {

std::string applicationDir() {
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof buffer)
        return {};
    return std::string(directoryOf(std::string_view(buffer, static_cast<std::size_t>(n))));
}

namespace {

void makeFolders(const std::string& path) {
    // Each "/" ends a folder of the path; existing ones are left as they are.
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1))
        ::mkdir(path.substr(0, slash).c_str(), 0755);
}

} // namespace

std::string userDataDir(const std::string& appDir) {
    std::string dir = appDir;
    if (appDir.empty() || ::access(appDir.c_str(), W_OK) != 0) {
        if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg == '/')
            dir = std::string(xdg) + "/tunelister/";
        else if (const char* home = std::getenv("HOME"); home && *home == '/')
            dir = std::string(home) + "/.local/share/tunelister/";
    }
    makeFolders(dir + "db/");
    makeFolders(dir + "reports/");
    return dir;
}

AppFolders appFolders(const std::string& appDir) {
    return {appDir, userDataDir(appDir)};
}

} // namespace tl
