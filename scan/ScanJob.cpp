#include "scan/ScanJob.h"

#include "digest/DigestMessages.h"

namespace tl {

ScanJob::ScanJob(ScanJobListener& listener) : m_listener(listener) {}

ScanJob::~ScanJob() {
    requestStop();
    m_scanner.stop();
}

int ScanJob::begin(const ScanRequest& request) {
    if (m_scanner.isRunning())
        return VolumeScanner::BeginNotReady;
    m_scanner.wait();
    m_digest = std::make_unique<Digest>(); // forgets a cancel of the last job
    m_digestOptions = request.digest;
    m_outcome = {};
    m_scanner.setListener(&m_relay);
    m_scanner.setPluginManager(request.plugins);
    m_scanner.setPluginOptions(request.pluginOptions);
    m_scanner.setReadAhead(request.readAhead);
    m_scanner.setPlatformPaths(request.paths);
    m_scanner.setRootDirectory(request.folder);
    m_scanner.setDatabaseName(request.databaseName);
    m_scanner.setOutputDirectory(request.outputDirectory);
    m_outcome.databasePath = m_scanner.databasePath();
    m_outcome.digestPath = digestPathFor(m_outcome.databasePath);
    return m_scanner.beginScan();
}

// On the worker, after the walk: the digest of a completed scan is built right there.
void ScanJob::finish(bool scanCompleted) {
    m_outcome.scanCompleted = scanCompleted;
    if (scanCompleted) {
        m_listener.digestStarted();
        m_digest->set({m_outcome.databasePath, m_outcome.digestPath, m_digestOptions});
        m_outcome.digest = m_digest->runFor(m_relay);
    }
    m_listener.jobFinished(m_outcome);
}

void ScanJob::requestStop() {
    m_scanner.requestStop();
    m_digest->cancel();
}

ScanOutcome ScanJob::wait() {
    m_scanner.wait();
    return m_outcome;
}

} // namespace tl
