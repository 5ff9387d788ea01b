#pragma once
/**
 * @file VolumeScanner.h
 * Catalogues one volume: walks the chosen folder, lets the input plug-in of each file's
 * extension analyse it and appends one song record per analysed file to a new song
 * database. Everything it has to say goes out through message() and scanEnded(), which
 * the owner implements.
 */
#include "platform/Volumes.h"
#include "scan/TreeWalker.h"
#include "storage/FileReplacement.h"
#include "storage/RecordFile.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

namespace tl {

class PluginManager;

class VolumeScanner : public TreeWalker {
public:
    /** Statuses the scanner adds to the walk's. */
    enum ScanStatus : int {
        StatusOutputError = 256, ///< a record could not be written; the walk stops
        StatusPluginBase = 256,  ///< 256 + r: the plug-in returned r != 0 for the current file
    };
    /** Results of beginScan(). */
    enum BeginResult : int { BeginOk = 0, BeginNotReady = 2, BeginOutputError = 256 };

    VolumeScanner() = default;
    ~VolumeScanner() override;

    /** Set by the owner before beginScan(), unchanged while the scan runs. */
    void setPluginManager(const PluginManager* plugins) { m_plugins = plugins; }
    /** The catalogue name: the database file's base name and every record's
     *  VolDescription. */
    void setDatabaseName(std::string name) { m_databaseName = std::move(name); }
    /** Folder of the song database; a "/" is added when missing. */
    void setOutputDirectory(std::string directory);
    /** The options argument the plug-ins get for each file (TL_AFI_OPTION_*): 0, the
     *  exact length of a variable-rate stream and the legacy reading of tags, unless
     *  set otherwise before beginScan(). */
    void setPluginOptions(int options) { m_pluginOptions = options; }
    /** Where the volume facts are read from (tests use fixtures). */
    void setPlatformPaths(PlatformPaths paths) { m_paths = std::move(paths); }

    const std::string& databaseName() const { return m_databaseName; }
    const std::string& outputDirectory() const { return m_outputDirectory; }
    /** The song database: output directory, database name, ".sds". */
    std::string databasePath() const;
    /** The volume facts of the running or last scan; its directory follows the walk. */
    const VolumeInfo& volumeInfo() const { return m_info; }
    /** Records written by the running or last scan. */
    std::uint64_t recordCount() const { return m_recordCount; }

    /**
     * Identifies the volume of the root directory, creates the song database (under a
     * temporary name: an earlier database of that name stays until the scan completes)
     * and starts the worker thread. BeginNotReady when the volume cannot be identified or
     * the thread cannot start, BeginOutputError when the database cannot be created.
     */
    int beginScan();

protected:
    /** Reports status() with currentDirectory() and currentFileName(); the owner's. The
     *  answer is handed back to the walk (see TreeWalker::notify). */
    virtual bool message() = 0;
    /** The scan's last act on the worker thread: @p completed is true when the walk
     *  completed and the database is in place. Returns the thread's exit code. */
    virtual int scanEnded(bool completed) = 0;

    bool notify() override;
    bool accept(std::string_view name) override;
    bool process(int fd) override;
    int finished(int result) override;

private:
    bool completeDatabase();
    void readFileDate();

    const PluginManager* m_plugins = nullptr;
    int m_pluginOptions = 0;
    PlatformPaths m_paths;
    std::string m_databaseName;
    std::string m_outputDirectory;
    VolumeInfo m_info;
    std::string m_fileName;
    std::int32_t m_fileDay = 0;
    std::unordered_map<std::int64_t, std::int32_t> m_dayNumbers; ///< UTC day -> day number
    std::int32_t m_scanDay = 0;
    std::uint64_t m_recordCount = 0;
    RecordFile m_database{24};
    std::unique_ptr<FileReplacement> m_replacement;
    bool m_complete = false;
};

} // namespace tl
