#pragma once
/**
 * @file TreeWalker.h
 * Depth-first walk of a directory tree, in a fixed order: in every directory first the
 * accepted files, then the subdirectories, each sorted by name with A-Z folded to a-z.
 * The walk runs on a worker thread of its own (start()) or on its caller's (runHere(), a
 * job's worker). Every step is reported through notify() with a status code.
 *
 * A folder that cannot be entered and a file that cannot be opened are reported and
 * skipped. The walk stops early when its owner asks (requestStop(), or the stop flag given
 * with setStopFlag()), when a folder cannot be listed, or when visitFile() or process()
 * answers false (a scan whose song database cannot take a record).
 */
#include "scan/ReadAhead.h"
#include "scan/WorkerThread.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <vector>

namespace tl {

class TreeWalker : public WorkerThread {
public:
    /** Status codes of the walk; derived classes add theirs from 8 up. No two statuses of
     *  the walk and its derived classes share a number. */
    enum Status : int {
        StatusDone = 0,           ///< the walk completed
        StatusAborted = 1,        ///< the terminate flag was found set
        StatusListingFailed = 2,  ///< a directory could not be listed; the walk stops
        StatusDirectoryError = 3, ///< a directory could not be entered
        StatusOpenError = 4,      ///< the current file could not be opened
        StatusStarted = 5,        ///< first notification of a walk
        StatusEntering = 6,       ///< the current directory has just been set
        StatusOpening = 7,        ///< the current file name has just been set
    };

    /** The folder to walk; set before start(). */
    void setRootDirectory(std::string directory) { m_root = std::move(directory); }
    const std::string& rootDirectory() const { return m_root; }
    /** How the walk reads ahead of itself (see ReadAhead); set before start(). On by
     *  default; ReadAheadOptions::files = 0 turns it off. accept() is then called on the
     *  read-ahead's thread too, for the same names. */
    void setReadAhead(ReadAheadOptions options) { m_readAheadOptions = options; }
    const ReadAheadOptions& readAheadOptions() const { return m_readAheadOptions; }

    /** Full path of the directory being visited, or, after a failure to enter a
     *  subdirectory, the path of that subdirectory. Empty before the first directory. */
    const std::string& currentDirectory() const { return m_currentDirectory; }
    /** Name, without directory, of the file being visited. */
    const std::string& currentFileName() const { return m_currentFileName; }
    std::uint64_t currentFileSize() const { return m_currentFileSize; }
    /** What statx said about the open current file (type, size, modification and, where
     *  the file system keeps it, birth time; see stx_mask). */
    const struct statx& currentFileStatus() const { return m_currentFileStatus; }
    /** The code that the current notification reports. */
    int status() const { return m_status; }

    /** The walk's name order: bytes compared with A-Z folded to a-z (so "_intro" comes
     *  before "abc"); names equal that way are ordered by their bytes. */
    static bool nameLess(std::string_view a, std::string_view b);

protected:
    /** The walk: 1 when it completed, 0 when it was aborted or failed. */
    int run() override;

    /** Reports status() with the current directory and file. Runs on the worker thread and
     *  must not wait for anybody: the walk goes on when it returns. */
    virtual void notify() = 0;
    /** Whether file @p name of the directory being listed is to be visited. Called on the
     *  walk's thread and, while the walk reads ahead, on the read-ahead's: it must give
     *  the same answer for the same name on both and change nothing. */
    virtual bool accept(std::string_view name) = 0;
    /** Opens the current file of directory @p directoryFd and hands it to process();
     *  false stops the walk. */
    virtual bool visitFile(int directoryFd);
    /** Works on the opened current file @p fd (a regular file, at offset 0); false stops
     *  the walk. */
    virtual bool process(int fd);

    void setStatus(int status) { m_status = status; }

private:
    bool walkDirectory(int fd, const std::string& path, std::size_t depth, int* parentOut);
    bool walkSubdirectories(int& fd, const std::string& path, std::size_t depth,
                            const std::vector<std::string>& names);

    std::string m_root;
    ReadAheadOptions m_readAheadOptions;
    ReadAhead* m_readAhead = nullptr; ///< the running walk's, if it reads ahead
    std::string m_currentDirectory;
    std::string m_currentFileName;
    std::uint64_t m_currentFileSize = 0;
    struct statx m_currentFileStatus {};
    int m_status = StatusDone;
};

} // namespace tl
