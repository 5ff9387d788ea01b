#pragma once
/**
 * @file ConfigureBridge.h
 * The Qt library through which the TagLib plug-ins show their configure box. It lies in
 * a subfolder of the plug-in folder, so the host never takes it for a plug-in.
 */
#include <cstdint>

/** Where the bridge lies, relative to the plug-ins' folder. */
#define TL_TAGLIB_BRIDGE_PATH "taglib/taglibconfigure.so"
/** The bridge's one export. */
#define TL_TAGLIB_BRIDGE_SHOW "tlTaglibShowBox"

namespace tl::taglib {

/** Shows a modal information box with @p caption, @p text and the smaller @p details,
 *  owned by the window whose native id is @p ownerWindow when such a window exists.
 *  0 when shown; 1 when no Qt Widgets application runs. */
using ShowBoxFn = int (*)(std::uint32_t ownerWindow, const char* caption, const char* text,
                          const char* details);

} // namespace tl::taglib
