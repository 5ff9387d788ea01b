#include "scan/DirectoryListing.h"

#include "scan/TreeWalker.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace tl {

bool listDirectory(int fd, DIR* dir, const std::function<bool(std::string_view)>& accept,
                   DirectoryListing& out) {
    out.files.clear();
    out.directories.clear();
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (!entry) {
            if (errno != 0)
                return false;
            break;
        }
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        unsigned char type = entry->d_type;
        if (type == DT_UNKNOWN) {
            struct stat st;
            if (::fstatat(fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode))
                type = DT_DIR;
        }
        if (type == DT_DIR)
            out.directories.emplace_back(name);
        else if (accept(name))
            out.files.push_back({std::string(name), type});
    }
    std::sort(out.files.begin(), out.files.end(), [](const ListedFile& a, const ListedFile& b) {
        return TreeWalker::nameLess(a.name, b.name);
    });
    std::sort(
        out.directories.begin(), out.directories.end(),
        [](const std::string& a, const std::string& b) { return TreeWalker::nameLess(a, b); });
    return true;
}

} // namespace tl
