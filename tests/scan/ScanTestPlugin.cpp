// An input plug-in for the scan tests, steered by the file it analyses: lines
// "key=value" set what it reports (result, artist, title, length, bitrate, frequency,
// comment_size, flag=Title to set that field's reserved byte, delay_ms to be slow).
// Without a comment_size it writes what the host passed into Comment.
#include "plugins/PluginInterface.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <unistd.h>

extern "C" {

__attribute__((visibility("default"))) int32_t _GetPluginInfo(PluginInfo* info) {
    std::strcpy(info->name, "Scan test");
    std::strcpy(info->about, "Plug-in used by the scan tests");
    std::strcpy(info->extension, "mp3");
    info->compatibility = 1;
    info->version = 1;
    std::strcpy(info->versionText, "0.1");
    return 0;
}

__attribute__((visibility("default"))) int32_t _GetAudioFileInfo(int32_t fd, AudioFileInfo* info,
                                                                 int32_t options) {
    const off_t offset = ::lseek(fd, 0, SEEK_CUR);
    char buffer[1024];
    const ssize_t n = ::read(fd, buffer, sizeof buffer - 1);
    const std::string text(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
    int result = 0;
    std::snprintf(info->Comment + 1, sizeof info->Comment - 1, "options=%d;offset=%ld;size=%llu",
                  options, static_cast<long>(offset),
                  static_cast<unsigned long long>(info->fileSize));
    std::strcpy(info->Type + 1, "MPG1/3");
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        const long number = std::strtol(value.c_str(), nullptr, 10);
        if (key == "result")
            result = static_cast<int>(number);
        else if (key == "artist")
            std::snprintf(info->Artist + 1, sizeof info->Artist - 1, "%s", value.c_str());
        else if (key == "title")
            std::snprintf(info->Title + 1, sizeof info->Title - 1, "%s", value.c_str());
        else if (key == "length")
            info->Length = static_cast<int32_t>(number);
        else if (key == "bitrate")
            info->Bitrate = static_cast<int32_t>(number);
        else if (key == "frequency")
            info->Frequency = static_cast<uint32_t>(number);
        else if (key == "comment_size" && number >= 0 && number < 2000) {
            std::memset(info->Comment + 1, 'c', static_cast<std::size_t>(number));
            info->Comment[1 + number] = 0;
        } else if (key == "flag" && value == "Title")
            info->Title[0] = 1;
        else if (key == "delay_ms") {
            const timespec pause{number / 1000, (number % 1000) * 1000000};
            ::nanosleep(&pause, nullptr);
        }
    }
    return result;
}
}
