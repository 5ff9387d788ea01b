#pragma once
/**
 * @file AppDir.h
 * Where the programs and the user's files are: the application folder, the folder of the
 * user's catalogues and reports, and the folder of each kind of file below them.
 */
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

/** The folder of each kind of file the programs read and write, each ending in "/". A
 *  chooser for a kind of file starts in its folder. */
struct AppFolders {
    std::string appDir;  ///< the programs' folder (see applicationDir())
    std::string dataDir; ///< the user's files (see userDataDir())

    std::string songDatabases() const { return dataDir + "db/"; }
    std::string digests() const { return dataDir + "db/"; } ///< beside their song databases
    std::string reports() const { return dataDir + "reports/"; }
    std::string logs() const { return dataDir; } ///< saved scan logs
    std::string templates() const { return appDir + "templates/"; }
    std::string languages() const { return appDir; } ///< the .lcl files
    std::string plugins() const { return appDir + "plugins/"; }
    std::string help() const { return appDir + "help/"; }
    std::string icons() const { return appDir + "icons/"; }
};

/** The folders of the program in @p appDir; the user's folder is made when missing. */
AppFolders appFolders(const std::string& appDir);

} // namespace tl
