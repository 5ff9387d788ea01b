#include "plugins/common/Exports.h"

#include "plugins/common/ConfigureBridge.h"
#include "plugins/common/Utf8.h"

#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <string>

namespace tl::plugin {
namespace {

void copyText(char* dest, std::size_t size, std::string_view text) {
    const std::size_t n = utf8PrefixLength(text, size - 1);
    if (n > 0)
        std::memcpy(dest, text.data(), n);
    dest[n] = 0;
}

/** The folder of the library this function is in (the plug-in that links it), ending in
 *  "/"; empty when unknown. */
std::string libraryFolder() {
    Dl_info self{};
    if (!::dladdr(reinterpret_cast<void*>(&libraryFolder), &self) || !self.dli_fname)
        return {};
    const std::string path = self.dli_fname;
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

/** The bridge's function, loaded when the process has Qt Widgets loaded; nullptr when it
 *  has not, or the bridge cannot be loaded. A bridge, once loaded, stays: Qt keeps
 *  references into it (type information of its box) while the application runs. */
ShowConfigureBoxFn qtBridge() {
    void* widgets = ::dlopen("libQt6Widgets.so.6", RTLD_NOLOAD | RTLD_LAZY);
    if (!widgets)
        return nullptr;
    ::dlclose(widgets);
    const std::string path = libraryFolder() + TL_CONFIGURE_BRIDGE_PATH;
    void* bridge = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    return bridge ? reinterpret_cast<ShowConfigureBoxFn>(::dlsym(bridge, TL_CONFIGURE_BRIDGE_SHOW))
                  : nullptr;
}

} // namespace

std::int32_t describe(PluginInfo* info, const Description& d) {
    if (!info)
        return 1;
    copyText(info->name, sizeof info->name, d.name);
    copyText(info->about, sizeof info->about, d.about);
    copyText(info->extension, sizeof info->extension, d.extension);
    info->compatibility = 1;
    info->version = TL_HOST_INTERFACE_VERSION;
    copyText(info->versionText, sizeof info->versionText, d.versionText);
    return 0;
}

std::int32_t showConfigureBox(const PluginConfigRequest* request, std::string_view caption,
                              std::string_view text, std::string_view details) {
    const std::uint32_t owner = request ? request->ownerWindow : 0;
    const std::string captionText(caption), boxText(text), detailText(details);
    const ShowConfigureBoxFn show = qtBridge();
    if (show && show(owner, captionText.c_str(), boxText.c_str(), detailText.c_str()) == 0)
        return 0;
    std::fprintf(stderr, "%s\n", boxText.c_str());
    if (!detailText.empty())
        std::fprintf(stderr, "%s\n", detailText.c_str());
    return 0;
}

} // namespace tl::plugin
