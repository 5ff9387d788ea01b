#pragma once
// A loaded plug-in called on a file as the scan calls it: the file opened read-only, its
// size in the record, the descriptor closed afterwards and the record read by the host's
// rules.
#include "plugins/AudioInfo.h"
#include "plugins/Pluginmanager.h"

#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace tl::test {

/** The result of plug-in @p index of @p plugins on @p path into @p info; -1 when the file
 *  cannot be opened. */
inline int analyseWithPlugin(const PluginManager& plugins, int index, const std::string& path,
                             AudioFileInfo& info, int options = 0) {
    info = AudioFileInfo{};
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0)
        return -1;
    info.fileSize = static_cast<std::uint64_t>(st.st_size);
    const int result = plugins.audioEntry(index)(fd, &info, options);
    ::close(fd);
    applyReservedByteRule(info);
    return result;
}

/** The text field @p name of @p info. */
inline std::string fieldText(const AudioFileInfo& info, const char* name) {
    return std::string(audioText(info, *audioTextField(name)));
}

} // namespace tl::test
