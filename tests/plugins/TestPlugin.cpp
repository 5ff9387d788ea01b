// A small input plug-in for the host's tests. Each build sets its identity with macros:
// TP_NAME, TP_EXT, TP_COMPAT, TP_VERSION, TP_INFO_RESULT, and leaves out exports with
// TP_NO_INFO / TP_NO_CONFIG. With TP_RECORD_CONFIG, _ConfigurePugin writes the owner window
// it got to the file named by the environment variable TL_CONFIG_RECORD.
#include "plugins/PluginInterface.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifndef TP_NAME
#define TP_NAME "Test plugin"
#endif
#ifndef TP_EXT
#define TP_EXT "TST"
#endif
#ifndef TP_COMPAT
#define TP_COMPAT 1
#endif
#ifndef TP_VERSION
#define TP_VERSION 1
#endif
#ifndef TP_INFO_RESULT
#define TP_INFO_RESULT 0
#endif

extern "C" {

#ifndef TP_NO_INFO
__attribute__((visibility("default"))) int32_t _GetPluginInfo(PluginInfo* info) {
    std::strcpy(info->name, TP_NAME);
    std::strcpy(info->about, "Plug-in used by the tests");
    std::strcpy(info->extension, TP_EXT);
    info->compatibility = TP_COMPAT;
    info->version = TP_VERSION;
    std::strcpy(info->versionText, "0.1");
    return TP_INFO_RESULT;
}
#endif

// Reports the descriptor and options it got, so tests see what the host passed.
__attribute__((visibility("default"))) int32_t _GetAudioFileInfo(int32_t fd, AudioFileInfo* info,
                                                                 int32_t options) {
    std::strcpy(info->Artist + 1, TP_NAME);
    info->Length = fd;
    info->Bitrate = options;
    return 0;
}

#ifndef TP_NO_CONFIG
__attribute__((visibility("default"))) int32_t _ConfigurePugin(PluginConfigRequest* request) {
#ifdef TP_RECORD_CONFIG
    if (const char* record = std::getenv("TL_CONFIG_RECORD")) {
        if (std::FILE* out = std::fopen(record, "a")) {
            std::fprintf(out, "%u\n", static_cast<unsigned>(request->ownerWindow));
            std::fclose(out);
        }
    }
#endif
    return static_cast<int32_t>(request->ownerWindow) + 1;
}
#endif
}
