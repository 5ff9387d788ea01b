#include "scan/WorkerThread.h"

#include <system_error>

namespace tl {

// The thread is never left running past the object it works on: it would call into a
// destroyed object. Stopping is prompt because the work polls the terminate flag.
WorkerThread::~WorkerThread() {
    stop();
}

bool WorkerThread::start() {
    if (m_running.load())
        return false;
    if (m_thread.joinable())
        m_thread.join();
    m_terminate.store(false);
    m_running.store(true);
    try {
        m_thread = std::thread([this] {
            const int code = finished(run());
            m_exitCode.store(code);
            m_running.store(false);
        });
    } catch (const std::system_error&) {
        m_running.store(false);
        return false;
    }
    return true;
}

int WorkerThread::runHere() {
    if (m_running.load())
        return -1;
    wait();
    m_terminate.store(false);
    const int code = finished(run());
    m_exitCode.store(code);
    return code;
}

int WorkerThread::wait() {
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
        m_thread.join();
    return m_exitCode.load();
}

void WorkerThread::stop() {
    requestStop();
    wait();
}

} // namespace tl
