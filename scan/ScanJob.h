#pragma once
/**
 * @file ScanJob.h
 * Cataloguing a folder from start to end, as one job for a front end: the volume scan on a
 * worker thread, then, when the scan completed, the album digest of the new song database
 * on the same worker. The job tells its listener everything as values and asks it about
 * the albums completed from folder names; the front end shows the events, answers the
 * questions, and may stop the job at any time. A scan or digest that does not complete
 * leaves the earlier song database and digest of that name as they were.
 */
#include "digest/DigestJob.h"
#include "platform/Volumes.h"
#include "scan/ScanEvent.h"
#include "scan/VolumeScanner.h"

#include <optional>
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
};

/** How a job ended. */
struct ScanOutcome {
    bool scanCompleted = false; ///< the song database is in place
    /** The digest's result; none when no digest was built (the scan did not complete). */
    std::optional<DigestResult> digest;
    std::string databasePath; ///< NAME.sds
    std::string digestPath;   ///< NAME.sdd

    /** Both the song database and the digest are in place. */
    bool completed() const { return scanCompleted && digest == DigestResult::Done; }
};

/** Receives a job's events; every operation runs on the job's worker thread. */
class ScanJobListener {
public:
    virtual ~ScanJobListener() = default;
    /** One status of the walk (see scanMessage() for its log line). Must not wait. */
    virtual void scanEvent(const ScanEvent& event) = 0;
    /** The scan completed and the digest begins (see digestBuildingMessage()). */
    virtual void digestStarted() {}
    virtual void digestProgress(const DigestProgress&) {}
    /** An album completed from its folder names; answer with ScanJob::answerAlbum() (see
     *  DigestListener::albumQuestion). */
    virtual void albumQuestion(const Fields& album) = 0;
    /** The job's last act (for its log line see digestResultMessage() with
     *  DigestCaller::Scan, when a digest was built). */
    virtual void jobFinished(const ScanOutcome& outcome) = 0;
};

class ScanJob {
public:
    explicit ScanJob(ScanJobListener& listener);
    /** Stops a running job and waits for it. */
    ~ScanJob();
    ScanJob(const ScanJob&) = delete;
    ScanJob& operator=(const ScanJob&) = delete;

    /** Identifies the volume, creates the song database under a temporary name and starts
     *  the worker. A VolumeScanner::BeginResult: BeginOk, or BeginNotReady / BeginOutputError
     *  with nothing started (see scanBeginMessage()). */
    int begin(const ScanRequest& request);
    /** Ends the scan at the next file or folder, or the digest at the next song or at the
     *  question it waits for. Any thread (not a signal handler). */
    void requestStop();
    void answerAlbum(AlbumAnswer answer) { m_digest->answer(jobAnswer(std::move(answer))); }

    bool isRunning() const { return m_scanner.isRunning(); }
    /** Waits for the worker; the outcome of the last job. */
    ScanOutcome wait();

    /** The volume facts of the running or last scan. */
    const VolumeInfo& volumeInfo() const { return m_scanner.volumeInfo(); }

private:
    class Relay : public ScanListener, public JobListener {
    public:
        explicit Relay(ScanJob& job) : m_job(job) {}
        void scanEvent(const ScanEvent& event) override { m_job.m_listener.scanEvent(event); }
        void scanEnded(bool completed) override { m_job.finish(completed); }
        void jobEvent(const JobEvent& event) override {
            if (const auto* p = std::get_if<JobProgress>(&event))
                m_job.m_listener.digestProgress({p->done, p->written});
            else if (const auto* q = std::get_if<JobQuestion>(&event))
                m_job.m_listener.albumQuestion(*askedAlbum(*q));
        }
        void jobFinished(const JobResult&) override {}

    private:
        ScanJob& m_job;
    };
    /** The digest after the scan, with the request of the running job. */
    class Digest : public DigestJob {
    public:
        Digest() : DigestJob({}) {}
        void set(DigestRequest request) { m_request = std::move(request); }
        DigestResult runFor(JobListener& listener) {
            return static_cast<DigestResult>(runHere(listener).code);
        }

    protected:
        JobResult run(JobContext& context) override {
            return {JobStatus::Done,
                    static_cast<int>(runDigest(context, m_request.songPath, m_request.digestPath,
                                               m_request.options)),
                    std::nullopt,
                    {}};
        }

    private:
        DigestRequest m_request;
    };

    void finish(bool scanCompleted);

    ScanJobListener& m_listener;
    Relay m_relay{*this};
    std::unique_ptr<Digest> m_digest = std::make_unique<Digest>();
    DigestOptions m_digestOptions;
    ScanOutcome m_outcome;
    VolumeScanner m_scanner; // last: its worker is stopped before the rest goes
};

} // namespace tl
