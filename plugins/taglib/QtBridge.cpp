#include "plugins/taglib/QtBridge.h"

#include <dlfcn.h>
#include <string>

namespace tl::taglib {
namespace {

/** The folder of the library this function is in, ending in "/"; empty when unknown. */
std::string libraryFolder() {
    Dl_info self{};
    if (!::dladdr(reinterpret_cast<void*>(&libraryFolder), &self) || !self.dli_fname)
        return {};
    const std::string path = self.dli_fname;
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

} // namespace

void* qtBridgeSymbol(const char* relativePath, const char* symbol) {
    void* widgets = ::dlopen("libQt6Widgets.so.6", RTLD_NOLOAD | RTLD_LAZY);
    if (!widgets)
        return nullptr;
    ::dlclose(widgets);
    const std::string path = libraryFolder() + relativePath;
    void* bridge = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    return bridge ? ::dlsym(bridge, symbol) : nullptr;
}

} // namespace tl::taglib
