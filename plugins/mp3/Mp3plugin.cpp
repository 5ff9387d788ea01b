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

constexpr const char* ConfigureCaption = "Tunelister MP3 Plugin";

const char* codePageName(tl::mp3::CodePage page) {
    switch (page) {
    case tl::mp3::CodePage::Cp1250:
        return "Windows-1250, Central European";
    case tl::mp3::CodePage::Cp1251:
        return "Windows-1251, Cyrillic";
    case tl::mp3::CodePage::Cp1253:
        return "Windows-1253, Greek";
    case tl::mp3::CodePage::Cp1254:
        return "Windows-1254, Turkish";
    case tl::mp3::CodePage::Cp1257:
        return "Windows-1257, Baltic";
    case tl::mp3::CodePage::Cp1252:
        break;
    }
    return "Windows-1252, Western European";
}

/** What the plug-in reads, for its settings box. */
std::string configureText() {
    return std::string("MP3 Plugin\n\n"
                       "Reads MPEG-1, MPEG-2 and MPEG-2.5 audio (Layers I, II and III), "
                       "ID3v2.2, ID3v2.3 and ID3v2.4 tags at the start of a file and "
                       "ID3v1 and ID3v1.1 tags at its end.\n\n"
                       "ID3v2 text is read in ISO-8859-1, UTF-16 and UTF-8; ISO-8859-1 text "
                       "and ID3v1 tags are read in the code page of your language (here ") +
           codePageName(tl::mp3::codePageFromEnvironment()) +
           ").\n\n"
           "Modern tag reading (ID3v2.4, UTF-16 and UTF-8) is switched on and off in the "
           "program's options (the setting modernTags). Without it, only ISO-8859-1 text of "
           "ID3v2.2 and ID3v2.3 tags is read.";
}

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
    return show && show(ownerWindow, configureText().c_str(), ConfigureCaption) == 0;
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

// No exception crosses the interface: the host is not bound to be C++, and one that is
// need not expect any. What fails inside (memory, above all) becomes a result.

TL_EXPORT int32_t _GetAudioFileInfo(int32_t fd, AudioFileInfo* info, int32_t options) {
    if (!info)
        return TL_AFI_NO_HANDLE;
    try {
        return tl::mp3::analyseDescriptor(fd, *info, options, tl::mp3::codePageFromEnvironment());
    } catch (...) {
        // The file could not be read through; the fields found so far stay.
        return TL_AFI_READ_ERROR;
    }
}

TL_EXPORT int32_t _ConfigurePugin(PluginConfigRequest* request) {
    const std::uint32_t owner = request ? request->ownerWindow : 0;
    try {
        if (!showWithQt(owner))
            std::fprintf(stderr, "%s\n", configureText().c_str());
        return 0;
    } catch (...) {
        return 1;
    }
}
