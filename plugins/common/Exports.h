#pragma once
/**
 * @file Exports.h
 * What the three exports of every plug-in share: the description, the guard that keeps
 * exceptions inside, and the configure box.
 *
 * No exception crosses the interface: the host is not bound to be C++, and one that is
 * need not expect any. What fails inside (memory, above all) becomes a result.
 */
#include "plugins/PluginInterface.h"

#include <cstdint>
#include <string_view>

/** Marks one of the plug-in's exports; everything else in a plug-in is hidden. */
#define TL_EXPORT extern "C" __attribute__((visibility("default")))

namespace tl::plugin {

/** The result of @p body, or @p onFailure when it throws. */
template <class Body> std::int32_t guarded(std::int32_t onFailure, Body&& body) noexcept {
    try {
        return body();
    } catch (...) {
        return onFailure;
    }
}

/** What `_GetPluginInfo` says of a plug-in. */
struct Description {
    std::string_view name;
    std::string_view about;
    std::string_view extension; ///< upper case, without the dot
    std::string_view versionText = "1.0";
};

/** `_GetPluginInfo`: fills @p info with @p d, each text cut at a character boundary to
 *  its field, for this interface version; 1 when there is no record, else 0. */
std::int32_t describe(PluginInfo* info, const Description& d);

/** `_GetAudioFileInfo`: the result of @p analyse(fd, record); TL_AFI_NO_HANDLE without a
 *  record or with a negative descriptor. An exception (memory that cannot be had) is a
 *  read error, and the fields found until then stay. */
template <class Analyse>
std::int32_t analyseGuarded(std::int32_t fd, AudioFileInfo* info, Analyse&& analyse) noexcept {
    if (!info || fd < 0)
        return TL_AFI_NO_HANDLE;
    return guarded(TL_AFI_READ_ERROR, [&] { return analyse(fd, *info); });
}

/** `_ConfigurePugin`: shows a box with @p caption, @p text and the smaller @p details
 *  (none when empty), owned by the window @p request names. It is shown through the Qt
 *  bridge beside the plug-in when the process runs Qt Widgets, which the plug-in itself
 *  never links; otherwise the text and the details go to standard error, a line each.
 *  0 when shown or written. */
std::int32_t showConfigureBox(const PluginConfigRequest* request, std::string_view caption,
                              std::string_view text, std::string_view details);

} // namespace tl::plugin
