// The exports of one TagLib plug-in. The same source is built once per extension, with
// TL_TAGLIB_EXTENSION naming it; everything else in the library is hidden.
#include "plugins/PluginInterface.h"
#include "plugins/taglib/ConfigureBridge.h"
#include "plugins/taglib/Formats.h"
#include "plugins/taglib/QtBridge.h"
#include "plugins/taglib/TaglibAnalysis.h"

#include <taglib/taglib.h>

#include <cstdio>
#include <cstring>
#include <string>

#ifndef TL_TAGLIB_EXTENSION
#error "TL_TAGLIB_EXTENSION names the extension this plug-in is built for"
#endif

#define TL_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

static_assert(tl::taglib::formatFor(TL_TAGLIB_EXTENSION) != nullptr, "unknown extension");
constexpr const tl::taglib::Format& ThisFormat = *tl::taglib::formatFor(TL_TAGLIB_EXTENSION);

void copyText(char* dest, std::size_t size, std::string_view text) {
    const std::size_t n = std::min(text.size(), size - 1);
    std::memcpy(dest, text.data(), n);
    dest[n] = 0;
}

std::string about() {
    return std::string(ThisFormat.about) + " " + std::to_string(TAGLIB_MAJOR_VERSION) + "." +
           std::to_string(TAGLIB_MINOR_VERSION);
}

} // namespace

TL_EXPORT int32_t _GetPluginInfo(PluginInfo* info) {
    if (!info)
        return 1;
    copyText(info->name, sizeof info->name, ThisFormat.name);
    copyText(info->about, sizeof info->about, about());
    copyText(info->extension, sizeof info->extension, ThisFormat.extension);
    info->compatibility = 1;
    info->version = 1;
    copyText(info->versionText, sizeof info->versionText, "1.0");
    return 0;
}

TL_EXPORT int32_t _GetAudioFileInfo(int32_t fd, AudioFileInfo* info, int32_t /*options*/) {
    if (!info)
        return TL_AFI_NO_HANDLE;
    return tl::taglib::analyseDescriptor(fd, ThisFormat.container, *info,
                                         tl::mp3::codePageFromEnvironment());
}

TL_EXPORT int32_t _ConfigurePugin(PluginConfigRequest* request) {
    const std::uint32_t owner = request ? request->ownerWindow : 0;
    const std::string text = std::string(ThisFormat.label) + " Plugin";
    const std::string caption = "Tunelister " + text;
    const std::string details = about() + ". It has no settings.";
    auto show = reinterpret_cast<tl::taglib::ShowBoxFn>(
        tl::taglib::qtBridgeSymbol(TL_TAGLIB_BRIDGE_PATH, TL_TAGLIB_BRIDGE_SHOW));
    if (!show || show(owner, caption.c_str(), text.c_str(), details.c_str()) != 0)
        std::fprintf(stderr, "%s\n%s\n", text.c_str(), details.c_str());
    return 0;
}
