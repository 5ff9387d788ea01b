#pragma once
/**
 * @file ConfigureBridge.h
 * The small Qt library through which the mp3 plug-in shows its message box. It lives in
 * a subfolder of the plug-in folder and is loaded only when the process already runs
 * Qt Widgets.
 */
#include <cstdint>

/** Where the bridge lies, relative to the plug-in's folder. */
#define TL_MP3_BRIDGE_PATH "mp3/mp3configure.so"
/** The bridge's one export. */
#define TL_MP3_BRIDGE_SHOW "tlMp3ShowMessage"

namespace tl::mp3 {

/** Shows a modal message box with @p text and @p caption, owned by the window whose
 *  native id is @p ownerWindow when such a window exists. 0 when shown; 1 when no Qt
 *  application runs. */
using ShowMessageFn = int (*)(std::uint32_t ownerWindow, const char* text, const char* caption);

} // namespace tl::mp3
