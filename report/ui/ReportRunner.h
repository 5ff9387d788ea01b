#pragma once
/**
 * @file ReportRunner.h
 * A report job off the window's thread: the two long steps of a report (prepare: load,
 * filter, sort; write) each run on a worker thread, with the job's progress and results
 * handed back to the window's thread as signals. Between the steps the window asks for
 * the report's name. Stopping sets the job's stop flag; the job then ends at its next
 * record, leaving any earlier report of that name as it was.
 */
#include "report/ReportJob.h"

#include <QByteArray>
#include <QObject>

#include <atomic>
#include <functional>
#include <thread>

namespace tl {

/** The beginning of a report just written, for its preview. */
struct ReportBeginning {
    QByteArray bytes;  ///< at most the first PreviewBytes of the file
    bool cut = false;  ///< the file is longer than that
    bool read = false; ///< the file could be read
};

class ReportRunner : public QObject {
    Q_OBJECT
public:
    /** The part of a report read for its preview. */
    static constexpr qint64 PreviewBytes = 256 * 1024;

    /** Runs a step; by default on a new thread. */
    using Launcher = std::function<void(std::function<void()> step)>;

    explicit ReportRunner(QObject* parent = nullptr);
    /** Stops a running step and waits for it. */
    ~ReportRunner() override;

    /** Replaces the way steps are started (tests start them when they choose). */
    void setLauncher(Launcher launcher) { m_launcher = std::move(launcher); }

    /** Starts preparing @p request; prepared() follows. */
    void prepare(ReportRequest request);
    /** Starts writing the prepared report to @p reportPath; written() follows. */
    void write(std::string reportPath);
    /** Asks the running step to end at its next record. */
    void stop();

    bool isRunning() const { return m_running; }
    bool stopRequested() const { return m_stop.load(); }
    /** The job, for its proposed name and template between the steps. */
    const ReportJob& job() const { return m_job; }

    /** Reads the beginning of @p path for a preview. */
    static ReportBeginning readBeginning(const std::string& path, qint64 limit = PreviewBytes);

Q_SIGNALS:
    void progressed(const tl::ReportProgress& progress);
    void prepared(const tl::ReportResult& result);
    void written(const tl::ReportResult& result, const tl::ReportBeginning& beginning);

private:
    void start(std::function<void()> step);
    void finished();
    void join();

    ReportJob m_job;
    ReportRequest m_request; // kept while a step may read it
    std::atomic<bool> m_stop{false};
    bool m_running = false;
    Launcher m_launcher;
    std::thread m_thread;
};

} // namespace tl

Q_DECLARE_METATYPE(tl::ReportProgress)
Q_DECLARE_METATYPE(tl::ReportResult)
Q_DECLARE_METATYPE(tl::ReportBeginning)
