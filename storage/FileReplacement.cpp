#include "storage/FileReplacement.h"

#include "storage/Text.h"

#include <atomic>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace tl {
namespace {

std::atomic<unsigned> g_counter{0};

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
    m_tempPath = std::string(directoryOf(m_finalPath)) + "." +
                 std::string(fileNameOf(m_finalPath)) + ".tmp-" + std::to_string(::getpid()) + "-" +
                 std::to_string(g_counter.fetch_add(1));
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
