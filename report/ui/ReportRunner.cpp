#include "report/ui/ReportRunner.h"

#include <QFile>
#include <QPointer>

namespace tl {

ReportRunner::ReportRunner(QObject* parent) : QObject(parent) {
    qRegisterMetaType<tl::ReportProgress>();
    qRegisterMetaType<tl::ReportResult>();
    qRegisterMetaType<tl::ReportBeginning>();
    m_job.setStopFlag(&m_stop);
    m_job.setVolumeSource([] { return mountedVolumes(); });
    // Called on the worker: the progress crosses to the window's thread as a queued call,
    // which is dropped if the runner is gone by then.
    m_job.setProgress([this](const ReportProgress& progress) {
        QMetaObject::invokeMethod(
            this, [this, progress] { Q_EMIT progressed(progress); }, Qt::QueuedConnection);
    });
}

ReportRunner::~ReportRunner() {
    m_stop = true;
    join();
}

void ReportRunner::join() {
    if (m_thread.joinable())
        m_thread.join();
}

void ReportRunner::start(std::function<void()> step) {
    join(); // the thread of an earlier step has ended: its result has been delivered
    m_running = true;
    if (m_launcher) {
        m_launcher(std::move(step));
        return;
    }
    m_thread = std::thread(std::move(step));
}

void ReportRunner::finished() {
    m_running = false;
    join();
}

void ReportRunner::prepare(ReportRequest request) {
    m_stop = false;
    m_request = std::move(request);
    start([this] {
        ReportResult result = m_job.prepare(m_request);
        QMetaObject::invokeMethod(
            this,
            [this, result = std::move(result)] {
                finished();
                Q_EMIT prepared(result);
            },
            Qt::QueuedConnection);
    });
}

void ReportRunner::write(std::string reportPath) {
    start([this, reportPath = std::move(reportPath)] {
        ReportResult result = m_job.write(reportPath);
        ReportBeginning beginning;
        if (result.ok())
            beginning = readBeginning(reportPath);
        QMetaObject::invokeMethod(
            this,
            [this, result = std::move(result), beginning = std::move(beginning)] {
                finished();
                Q_EMIT written(result, beginning);
            },
            Qt::QueuedConnection);
    });
}

void ReportRunner::stop() {
    if (m_running)
        m_stop = true;
}

ReportBeginning ReportRunner::readBeginning(const std::string& path, qint64 limit) {
    ReportBeginning beginning;
    QFile file(QFile::decodeName(QByteArray::fromStdString(path)));
    if (!file.open(QIODevice::ReadOnly))
        return beginning;
    beginning.bytes = file.read(limit);
    beginning.read = true;
    beginning.cut = !file.atEnd();
    return beginning;
}

} // namespace tl
