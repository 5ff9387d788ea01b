// The exports of the mp3 plug-in. Everything else in the library is hidden.
#include "plugins/PluginInterface.h"
#include "plugins/mp3/CodePage.h"
#include "plugins/mp3/ConfigureBridge.h"
#include "plugins/mp3/Mp3.h"

#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <string>

#define TL_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr const char* ConfigureText = "MP3 Plugin";
constexpr const char* ConfigureCaption = "Tunelister MP3 Plugin";

void copyText(char* dest, std::size_t size, const char* text) {
    std::strncpy(dest, text, size - 1);
    dest[size - 1] = 0;
}

/** The folder this library was loaded from, ending in "/"; empty when unknown. */
std::string ownFolder() {
    Dl_info self{};
    if (!::dladdr(reinterpret_cast<void*>(&ownFolder), &self) || !self.dli_fname)
        return {};
    std::string path = self.dli_fname;
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

/** Shows the box through the Qt bridge when this process runs Qt Widgets. The plug-in
 *  itself never links Qt, so a program without Qt that loads it stays without Qt. */
bool showWithQt(std::uint32_t ownerWindow) {
    void* widgets = ::dlopen("libQt6Widgets.so.6", RTLD_NOLOAD | RTLD_LAZY);
    if (!widgets)
        return false;
    ::dlclose(widgets);
    const std::string bridgePath = ownFolder() + TL_MP3_BRIDGE_PATH;
    void* bridge = ::dlopen(bridgePath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!bridge)
        return false;
    auto show = reinterpret_cast<tl::mp3::ShowMessageFn>(::dlsym(bridge, TL_MP3_BRIDGE_SHOW));
    // The bridge stays loaded: Qt keeps references into it (type information of the
    // box) for as long as the application runs.
    return show && show(ownerWindow, ConfigureText, ConfigureCaption) == 0;
}

} // namespace

TL_EXPORT int32_t _GetPluginInfo(PluginInfo* info) {
    if (!info)
        return 1;
    copyText(info->name, sizeof info->name, "Default MP3 plugin");
    copyText(info->about, sizeof info->about, "Copyright (c) Tunelister developers");
    copyText(info->extension, sizeof info->extension, "MP3");
    info->compatibility = 1;
    info->version = 1;
    copyText(info->versionText, sizeof info->versionText, "1.0");
    return 0;
}

TL_EXPORT int32_t _GetAudioFileInfo(int32_t fd, AudioFileInfo* info, int32_t options) {
    if (!info)
        return TL_AFI_NO_HANDLE;
    return tl::mp3::analyseDescriptor(fd, *info, options, tl::mp3::codePageFromEnvironment());
}

TL_EXPORT int32_t _ConfigurePugin(PluginConfigRequest* request) {
    const std::uint32_t owner = request ? request->ownerWindow : 0;
    if (!showWithQt(owner))
        std::fprintf(stderr, "%s\n", ConfigureText);
    return 0;
}
