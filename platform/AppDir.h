#pragma once
#include <string>

namespace tl {

/** The directory of the running executable, ending in "/": every data path of the program
 *  is this folder followed by a relative part. Empty when it cannot be found. */
std::string applicationDir();

/** The folder that holds the user's catalogues ("db/") and reports ("reports/"), ending in
 *  "/": @p appDir itself when it is writable (the build tree, a copy of the program
 *  anywhere), else $XDG_DATA_HOME/tunelister/ (default ~/.local/share/tunelister/), as for
 *  a program installed for everybody. The folder and its two subfolders are made when
 *  missing. */
std::string userDataDir(const std::string& appDir);

} // namespace tl
