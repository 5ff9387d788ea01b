#include "storage/FileReplacement.h"

#include "storage/Text.h"

#include <atomic>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace tl {
namespace {
std::atomic<unsigned> g_counter{0};
}

FileReplacement::FileReplacement(std::string finalPath) : m_finalPath(std::move(finalPath)) {
    m_tempPath = std::string(directoryOf(m_finalPath)) + "." +
                 std::string(fileNameOf(m_finalPath)) + ".tmp-" + std::to_string(::getpid()) + "-" +
                 std::to_string(g_counter.fetch_add(1));
}

FileReplacement::~FileReplacement() {
    if (!m_done)
        discard();
}

bool FileReplacement::commit(bool sync) {
    if (sync) {
        // Data that did not reach the disk must not replace the earlier file.
        const int fd = ::open(m_tempPath.c_str(), O_RDONLY | O_CLOEXEC);
        const bool synced = fd >= 0 && ::fsync(fd) == 0;
        if (fd >= 0)
            ::close(fd);
        if (!synced) {
            discard();
            return false;
        }
    }
    if (std::rename(m_tempPath.c_str(), m_finalPath.c_str()) != 0) {
        discard();
        return false;
    }
    m_done = true;
    return true;
}

void FileReplacement::discard() {
    std::remove(m_tempPath.c_str());
    m_done = true;
}

} // namespace tl
