#include "storage/FileReplacement.h"

#include "storage/Text.h"
#include "storage/Utf8.h"

#include <atomic>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace tl {
namespace {

std::atomic<unsigned> g_counter{0};

/** The longest file name the folder @p folder takes (empty: the current folder). */
std::size_t nameLimit(const std::string& folder) {
    const long limit = ::pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
    return limit > 0 ? static_cast<std::size_t>(limit) : NAME_MAX;
}

/** Syncs the file or folder at @p path to the disk. */
bool syncPath(const std::string& path, int flags) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | flags);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

} // namespace

FileReplacement::FileReplacement(std::string finalPath) : m_finalPath(std::move(finalPath)) {
    // ".NAME.tmp-PID-N": the process and its counter make it unique in the folder, so the
    // name before them is only a reader's hint, cut (at a character boundary) where the
    // whole would pass the folder's limit.
    const std::string folder(directoryOf(m_finalPath));
    const std::string_view name = fileNameOf(m_finalPath);
    const std::string suffix =
        ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(g_counter.fetch_add(1));
    const std::size_t limit = nameLimit(folder);
    const std::size_t room = limit > suffix.size() + 1 ? limit - suffix.size() - 1 : 0;
    m_tempPath = folder + "." + std::string(utf8Cut(name, room)) + suffix;
}

FileReplacement::~FileReplacement() {
    if (!m_done)
        discard();
}

bool FileReplacement::commit() {
    // Data that did not reach the disk must not replace the earlier file: after a crash
    // the final name would hold an empty or partial file.
    if (!syncPath(m_tempPath, 0) || ::rename(m_tempPath.c_str(), m_finalPath.c_str()) != 0) {
        discard();
        return false;
    }
    m_done = true;
    // The rename is on the disk once its folder is. A folder that cannot be synced still
    // holds a complete file under one name or the other, so this is not a failure.
    const std::string folder(directoryOf(m_finalPath));
    syncPath(folder.empty() ? "." : folder, O_DIRECTORY);
    return true;
}

void FileReplacement::discard() {
    std::remove(m_tempPath.c_str());
    m_done = true;
}

} // namespace tl
