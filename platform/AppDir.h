#pragma once
#include <string>

namespace tl {

/** The directory of the running executable, ending in "/": every data path of the program
 *  is this folder followed by a relative part. Empty when it cannot be found. */
std::string applicationDir();

} // namespace tl
