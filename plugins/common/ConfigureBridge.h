#pragma once
/**
 * @file ConfigureBridge.h
 * The small Qt library through which the plug-ins show their configure box. It lies in a
 * subfolder of the plug-in folder, so the host never takes it for a plug-in, and it is
 * loaded only when the process already runs Qt Widgets.
 */
#include <cstdint>

/** Where the bridge lies, relative to the plug-ins' folder. */
#define TL_CONFIGURE_BRIDGE_PATH "configure/configure.so"
/** The bridge's one export. */
#define TL_CONFIGURE_BRIDGE_SHOW "tlShowConfigureBox"

namespace tl::plugin {

/** Shows a modal information box with @p caption, @p text and the smaller @p details (none
 *  when empty), owned by the window whose native id is @p ownerWindow when such a window
 *  exists. 0 when shown; 1 when no Qt Widgets application runs or the box failed. */
using ShowConfigureBoxFn = int (*)(std::uint32_t ownerWindow, const char* caption, const char* text,
                                   const char* details);

} // namespace tl::plugin
