#pragma once
/**
 * @file Pluginmanager.h
 * Finds, loads and keeps the input plug-ins of the application's plug-in folder.
 */
#include "plugins/PluginInterface.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tl {

/** How a file went to its plug-in. */
enum class AnalyseOutcome {
    Analysed,   ///< the plug-in analysed it; its result says how that went
    NoPlugin,   ///< no plug-in claims the file's extension
    NoAnalyser, ///< the claiming plug-in's library no longer exports the analysis
    CannotOpen, ///< the file could not be opened for reading (analyseFile only)
};

class PluginManager {
public:
    /** At most this many plug-ins are loaded; further libraries are not looked at. */
    static constexpr int MaxPlugins = 128;

    /** A manager for the plug-ins of @p directory (a trailing "/" is added when missing).
     *  Nothing is loaded yet. */
    explicit PluginManager(std::string directory);
    ~PluginManager();
    PluginManager(const PluginManager&) = delete;
    PluginManager& operator=(const PluginManager&) = delete;

    const std::string& directory() const { return m_directory; }

    /** Unloads everything, then loads every `*.so` of the folder in file-name (byte)
     *  order that exports `_GetAudioFileInfo` and `_GetPluginInfo`, answers 0 to
     *  `_GetPluginInfo` and passes the version rule. False when the folder cannot be
     *  listed or holds no `*.so`. */
    bool load();
    /** Frees every library; count becomes 0. */
    bool unload();
    int count() const { return m_count; }

    /** Index of the first plug-in whose extension equals @p extension, compared ignoring
     *  the case of A-Z, or -1. */
    int findByExtension(std::string_view extension) const;
    /** True when a plug-in claims the extension of @p fileName: the files a scan analyses. */
    bool claims(std::string_view fileName) const {
        const std::string_view extension = extensionOf(fileName);
        return !extension.empty() && findByExtension(extension) >= 0;
    }
    /** The analysis entry of plug-in @p index, or nullptr for an invalid index. */
    GetAudioFileInfoFn audioEntry(int index) const;
    /** Lets the plug-in that claims the extension of @p fileName analyse the open file
     *  @p fd of @p fileSize bytes with @p options, into @p info (cleared first, the
     *  reserved-byte rule applied after); @p result is the plug-in's result. The one way a
     *  scan and a single file's look both call a plug-in. */
    AnalyseOutcome analyse(int fd, std::string_view fileName, std::uint64_t fileSize, int options,
                           AudioFileInfo& info, int& result) const;
    /** Opens @p path as the scan opens a file (regular files only, without blocking) and
     *  analyse()s it. */
    AnalyseOutcome analyseFile(const std::string& path, int options, AudioFileInfo& info,
                               int& result) const;
    /** Asks plug-in @p index for its information into @p info (cleared first); returns
     *  its result. 0 without a call for an invalid index or a library that no longer
     *  exports `_GetPluginInfo`. */
    int getInfo(int index, PluginInfo& info) const;
    /** True when @p index is valid and its library exports `_ConfigurePugin`. */
    bool isConfigurable(int index) const;
    /** Calls `_ConfigurePugin` of plug-in @p index with @p request; -1 when the index is
     *  invalid or the export is missing. */
    int configure(int index, PluginConfigRequest& request) const;

    /** Library file name of plug-in @p index, for listings. */
    const std::string& fileName(int index) const;

    /** The extension of @p fileName: the text after the last "." that follows the last
     *  "/"; empty when there is none. */
    static std::string_view extensionOf(std::string_view fileName);

    /** True when @p info passes the host's version rule. */
    static bool acceptsVersion(const PluginInfo& info);

private:
    struct Slot {
        char extension[16] = {};
        void* handle = nullptr;
        GetAudioFileInfoFn analyse = nullptr;
        std::string fileName;
    };
    bool valid(int index) const { return index >= 0 && index < m_count; }

    std::string m_directory;
    int m_count = 0;
    std::array<Slot, MaxPlugins> m_slots;
};

} // namespace tl
