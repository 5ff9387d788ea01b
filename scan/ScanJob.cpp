#include "scan/ScanJob.h"

#include "digest/DigestMessages.h"
#include "plugins/Pluginmanager.h"
#include "scan/TreeCensus.h"
#include "scan/VolumeScanner.h"

#include <filesystem>

namespace tl {
namespace {

// The walk's events as the job's: each one moves the progress, and those with a line are
// logged. On the job's worker, which walks.
class WalkEvents : public ScanListener {
public:
    WalkEvents(JobContext& context, const TreeCensus* census)
        : m_context(context), m_census(census) {
        m_progress.stage = ScanWalking;
    }

    void scanEvent(const ScanEvent& event) override {
        m_progress.done = event.filesDone;
        m_progress.bytesDone = event.bytesDone;
        if (event.status == TreeWalker::StatusEntering) {
            m_progress.folder = event.directory;
            m_progress.file.clear();
        } else if (event.status == TreeWalker::StatusOpening) {
            m_progress.file = event.file;
        }
        if (const std::optional<FileTotals> total = m_census ? m_census->totals() : std::nullopt) {
            m_progress.total = total->files;
            m_progress.bytesTotal = total->bytes;
        }
        m_context.progress(m_progress);
        if (std::optional<Message> line = scanMessage(event))
            m_context.log(std::move(*line));
    }
    void scanEnded(bool) override {}

private:
    JobContext& m_context;
    const TreeCensus* m_census;
    JobProgress m_progress; // kept: its strings keep their capacity from event to event
};

} // namespace

ScanJob::ScanJob(ScanRequest request) : m_request(std::move(request)) {}

ScanJob::~ScanJob() {
    stop();
}

std::string ScanJob::databasePath() const {
    std::string folder = m_request.outputDirectory;
    if (!folder.empty() && !folder.ends_with('/'))
        folder += '/';
    return folder + m_request.databaseName + ".sds";
}

std::string ScanJob::digestPath() const {
    return digestPathFor(databasePath());
}

JobResult ScanJob::run(JobContext& context) {
    // A folder that is not there is named: both programs say so alike.
    std::error_code ec;
    const std::string& out = m_request.outputDirectory;
    if (!out.empty() && !std::filesystem::is_directory(out, ec))
        return failedResult(VolumeScanner::BeginOutputError,
                            makeMessage("Scan", "NoOutputFolder", Severity::Error, {out}));

    const PluginManager* plugins = m_request.plugins;
    TreeCensus census(
        [plugins](std::string_view name) { return plugins && plugins->claims(name); });
    WalkEvents events(context, m_request.census ? &census : nullptr);
    VolumeScanner scanner;
    scanner.setListener(&events);
    scanner.setPluginManager(plugins);
    scanner.setPluginOptions(m_request.pluginOptions);
    scanner.setReadAhead(m_request.readAhead);
    scanner.setPlatformPaths(m_request.paths);
    scanner.setRootDirectory(m_request.folder);
    scanner.setDatabaseName(m_request.databaseName);
    scanner.setOutputDirectory(m_request.outputDirectory);
    scanner.setStopFlag(&context.cancelFlag());
    if (const int begun = scanner.prepareScan(); begun != VolumeScanner::BeginOk)
        return failedResult(begun, scanBeginMessage(begun));
    m_volume = scanner.volumeInfo();
    context.started();

    if (m_request.census) {
        census.setRootDirectory(m_volume.folder);
        census.start();
    }
    const bool walked = scanner.runHere() == 1;
    census.stop();
    const std::string songs = scanner.databasePath();
    if (!walked) {
        const JobStatus status = context.cancelled() ? JobStatus::Cancelled : JobStatus::Failed;
        return {status, scanner.status(), std::nullopt, {}};
    }

    context.log(digestBuildingMessage());
    const std::string digest = digestPathFor(songs);
    const DigestResult result = runDigest(context, songs, digest, m_request.digest);
    context.log(digestResultMessage(result, DigestCaller::Scan));
    JobResult end{JobStatus::Done, static_cast<int>(result), std::nullopt, {songs}};
    if (result == DigestResult::Done)
        end.files.push_back(digest);
    else
        end.status = result == DigestResult::Cancelled ? JobStatus::Cancelled : JobStatus::Failed;
    return end;
}

} // namespace tl
