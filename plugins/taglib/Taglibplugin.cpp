// The exports of one TagLib plug-in. The same source is built once per extension, with
// TL_TAGLIB_EXTENSION naming it; everything else in the library is hidden.
#include "plugins/common/CodePage.h"
#include "plugins/common/Exports.h"
#include "plugins/taglib/Formats.h"
#include "plugins/taglib/TaglibAnalysis.h"

#include <taglib/taglib.h>

#include <string>

#ifndef TL_TAGLIB_EXTENSION
#error "TL_TAGLIB_EXTENSION names the extension this plug-in is built for"
#endif

namespace {

static_assert(tl::taglib::formatFor(TL_TAGLIB_EXTENSION) != nullptr, "unknown extension");
constexpr const tl::taglib::Format& ThisFormat = *tl::taglib::formatFor(TL_TAGLIB_EXTENSION);

std::string about() {
    return std::string(ThisFormat.about) + " " + std::to_string(TAGLIB_MAJOR_VERSION) + "." +
           std::to_string(TAGLIB_MINOR_VERSION);
}

} // namespace

TL_EXPORT int32_t _GetPluginInfo(PluginInfo* info) {
    return tl::plugin::guarded(1, [&] {
        return tl::plugin::describe(info, {ThisFormat.name, about(), ThisFormat.extension});
    });
}

TL_EXPORT int32_t _GetAudioFileInfo(int32_t fd, AudioFileInfo* info, int32_t /*options*/) {
    return tl::plugin::analyseGuarded(fd, info, [](int file, AudioFileInfo& record) {
        return tl::taglib::analyseDescriptor(file, ThisFormat.container, record,
                                             tl::plugin::codePageFromEnvironment());
    });
}

TL_EXPORT int32_t _ConfigurePugin(PluginConfigRequest* request) {
    return tl::plugin::guarded(1, [&] {
        const std::string text = std::string(ThisFormat.label) + " Plugin";
        return tl::plugin::showConfigureBox(request, "Tunelister " + text, text,
                                            about() + ". It has no settings.");
    });
}
