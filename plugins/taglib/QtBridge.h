#pragma once
/**
 * @file QtBridge.h
 * How a plug-in shows a window without linking Qt itself: its Qt code lives in a small
 * bridge library beside it, loaded only when the process already runs Qt Widgets. A
 * program without Qt that loads the plug-in so stays without Qt.
 */

namespace tl::taglib {

/** The export @p symbol of the bridge library at @p relativePath (relative to the folder
 *  of the library holding this code), loaded when the process has Qt Widgets loaded;
 *  nullptr when it has not, or the bridge cannot be loaded. A bridge, once loaded, stays:
 *  Qt keeps references into it (type information of its windows) while the application
 *  runs. */
void* qtBridgeSymbol(const char* relativePath, const char* symbol);

} // namespace tl::taglib
