#pragma once
/**
 * @file VolumeScanner.h
 * Catalogues one volume: walks the chosen folder, lets the input plug-in of each file's
 * extension analyse it and appends one song record per analysed file to a new song
 * database. Everything it has to say goes out as ScanEvent values to its ScanListener, on
 * the thread that walks (its own worker, or a scan job's); nothing there waits for the
 * listener's owner, and a scan stops only by requestStop() or the stop flag of its owner
 * (setStopFlag(): the job's cancel).
 */
#include "platform/Volumes.h"
#include "plugins/PluginInterface.h"
#include "scan/ScanEvent.h"
#include "scan/TreeWalker.h"
#include "storage/FileReplacement.h"
#include "storage/RecordFile.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

namespace tl {

class PluginManager;

/** Receives a scan's events. Both operations run on the scan's worker thread and must
 *  not wait for the user: copy the event and hand it on (a queued signal, a line on a
 *  terminal). */
class ScanListener {
public:
    virtual ~ScanListener() = default;
    /** One status of the walk. */
    virtual void scanEvent(const ScanEvent& event) = 0;
    /** The worker's last act: @p completed is true when the walk completed and the song
     *  database is in place (an earlier one replaced); false leaves any earlier database of
     *  that name as it was. */
    virtual void scanEnded(bool completed) = 0;
};

class VolumeScanner : public TreeWalker {
public:
    /** Statuses the scanner adds to the walk's. */
    enum ScanStatus : int {
        StatusNoPlugin = 8,     ///< no plug-in claims the current file's extension; skipped
        StatusNoAnalyser = 9,   ///< the plug-in that claims it cannot analyse; skipped
        StatusOutputError = 256 ///< a record could not be written; the walk stops
    };
    /** The status that reports plug-in result @p result (never 0) for the current file:
     *  256 + result, so from 257 up. */
    static constexpr int pluginStatus(int result) { return StatusOutputError + result; }
    /** Results of beginScan(). */
    enum BeginResult : int { BeginOk = 0, BeginNotReady = 2, BeginOutputError = 256 };

    VolumeScanner() = default;
    ~VolumeScanner() override;

    /** Set by the owner before beginScan(), unchanged while the scan runs. */
    void setListener(ScanListener* listener) { m_listener = listener; }
    void setPluginManager(const PluginManager* plugins) { m_plugins = plugins; }
    /** The options argument the plug-ins get for each file (TL_AFI_OPTION_*): 0, the
     *  exact length of a variable-rate stream and the legacy reading of tags, unless set
     *  otherwise (bit 0: the quick estimate, bit 1: modern tag reading). */
    void setPluginOptions(int options) { m_pluginOptions = options; }
    /** The catalogue name: the database file's base name and every record's
     *  VolDescription. */
    void setDatabaseName(std::string name) { m_databaseName = std::move(name); }
    /** Folder of the song database; a "/" is added when missing. */
    void setOutputDirectory(std::string directory);
    /** Where the volume facts are read from (tests use fixtures). */
    void setPlatformPaths(PlatformPaths paths) { m_paths = std::move(paths); }

    const std::string& databaseName() const { return m_databaseName; }
    const std::string& outputDirectory() const { return m_outputDirectory; }
    /** The song database: output directory, database name, ".sds". */
    std::string databasePath() const;
    /** The volume facts of the running or last scan; its directory follows the walk, on the
     *  walk's thread: read it there, or before the walk starts. */
    const VolumeInfo& volumeInfo() const { return m_info; }
    /** Records written by the running or last scan; may be read from any thread. */
    std::uint64_t recordCount() const { return m_recordCount.load(std::memory_order_relaxed); }

    /**
     * Identifies the volume of the root directory and creates the song database (under a
     * temporary name: an earlier database of that name stays until the scan completes).
     * BeginNotReady when the volume cannot be identified, BeginOutputError when the
     * database cannot be created. The walk follows with start() or runHere().
     */
    int prepareScan();
    /** prepareScan(), then the walk on a worker thread of its own (BeginNotReady when the
     *  thread cannot start). */
    int beginScan();

protected:
    void notify() override;
    bool accept(std::string_view name) override;
    bool process(int fd) override;
    int finished(int result) override;

private:
    bool completeDatabase();
    void readFileDate();

    ScanListener* m_listener = nullptr;
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
    std::atomic<std::uint64_t> m_recordCount{0};
    std::uint64_t m_bytesDone = 0;
    RecordFile m_database{24};
    std::unique_ptr<FileReplacement> m_replacement;
    bool m_complete = false;
};

} // namespace tl
