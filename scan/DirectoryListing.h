#pragma once
/**
 * @file DirectoryListing.h
 * One directory's entries as the walk visits them: the accepted files, then the
 * subdirectories, each in the walk's name order. Shared by the walk and by its read-ahead,
 * which must see the same files in the same order.
 */
#include <dirent.h>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tl {

struct ListedFile {
    std::string name;
    unsigned char type; ///< the d_type the directory gave (DT_REG, DT_FIFO, DT_UNKNOWN, ...)
};

struct DirectoryListing {
    std::vector<ListedFile> files;        ///< accepted names that are not directories
    std::vector<std::string> directories; ///< symbolic links to directories are not here
};

/**
 * Lists the directory open as @p fd through @p dir (an fdopendir of it, or of a copy),
 * keeping the files for which @p accept answers true, and sorts both lists with
 * TreeWalker::nameLess. False when the listing broke off (the directory was removed
 * meanwhile, or the file system failed).
 */
bool listDirectory(int fd, DIR* dir, const std::function<bool(std::string_view)>& accept,
                   DirectoryListing& out);

} // namespace tl
