#pragma once
/**
 * @file ScanJob.h
 * Cataloguing a folder from start to end, as one job: the volume is identified and the
 * song database created (the job then says started()), the tree is walked and every file
 * analysed into the song database, and, when the walk completed, the album digest of the
 * new song database is built (runDigest()). A census counts what lies ahead beside the
 * walk, so that the progress tells the totals once it has ended. A scan or digest that
 * does not complete leaves the earlier song database and digest of that name as they
 * were.
 *
 * Everything the walk and the digest have to say goes out as log lines (scanMessage(), the
 * digest's "Building" and its outcome for the scan); the job's result carries no message
 * of its own except when the scan could not begin.
 */
#include "digest/DigestJob.h"
#include "platform/Volumes.h"
#include "scan/ReadAhead.h"
#include "scan/ScanEvent.h"

#include <string>

namespace tl {

class PluginManager;

/** What to catalogue, and where. */
struct ScanRequest {
    std::string folder;          ///< the folder to scan
    std::string databaseName;    ///< the catalogue's name: file base name and VolDescription
    std::string outputDirectory; ///< where NAME.sds and NAME.sdd go
    const PluginManager* plugins = nullptr;
    int pluginOptions = 0;      ///< handed to every plug-in call (see VolumeScanner)
    ReadAheadOptions readAhead; ///< how the walk reads ahead of itself (see ReadAhead)
    DigestOptions digest;       ///< the digest built after a completed scan
    PlatformPaths paths;        ///< where the volume facts are read from
    bool census = true;         ///< count the files ahead, for the totals of the progress
};

/** The stage of a scan's progress while it walks (JobProgress::stage; the digest after it
 *  is DigestStage): done counts the files analysed and bytesDone their bytes, of total and
 *  bytesTotal once the census has ended (0 before); folder is the folder being walked and
 *  file the file being analysed (none on entering a folder). */
inline constexpr int ScanWalking = 0;

/**
 * The scan job. Its result code is, when the scan could not begin, the
 * VolumeScanner::BeginResult (the result then has the message that says why); when the
 * walk did not complete, the walk's last status (TreeWalker::StatusAborted for a cancel);
 * after a completed walk, the digest's DigestResult. Its files are the song database once
 * it is in place and the digest once that is.
 */
class ScanJob : public Job {
public:
    explicit ScanJob(ScanRequest request);
    ~ScanJob() override;

    const ScanRequest& request() const { return m_request; }
    /** NAME.sds and NAME.sdd in the output directory. */
    std::string databasePath() const;
    std::string digestPath() const;
    /** The volume as it was identified. Set before the job says started() and not written
     *  afterwards: any thread may read it once waitStarted() has returned true. */
    const VolumeInfo& volume() const { return m_volume; }

protected:
    JobResult run(JobContext& context) override;

private:
    ScanRequest m_request;
    VolumeInfo m_volume;
};

} // namespace tl
