#include "scan/TreeCensus.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tl {

TreeCensus::~TreeCensus() {
    stop();
}

FileTotals TreeCensus::counted() const {
    return {m_files.load(std::memory_order_relaxed), m_bytes.load(std::memory_order_relaxed)};
}

std::optional<FileTotals> TreeCensus::totals() const {
    if (!m_complete.load(std::memory_order_acquire))
        return std::nullopt;
    return counted();
}

int TreeCensus::run() {
    // The census only takes time the scan leaves: on a busy machine the scan goes first.
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), LowestPriority);
    m_complete.store(false);
    m_files.store(0);
    m_bytes.store(0);
    const int result = TreeWalker::run();
    m_complete.store(result == 1, std::memory_order_release);
    return result;
}

bool TreeCensus::visitFile(int directoryFd) {
    // The scan opens the name, so a link to a regular file counts with the file's size;
    // anything else the scan would refuse as unopenable.
    struct stat st;
    if (::fstatat(directoryFd, currentFileName().c_str(), &st, 0) == 0 && S_ISREG(st.st_mode)) {
        m_bytes.fetch_add(static_cast<std::uint64_t>(st.st_size), std::memory_order_relaxed);
        m_files.fetch_add(1, std::memory_order_relaxed);
    }
    return true;
}

ScanEstimate estimateScan(double elapsedSeconds, FileTotals done, std::optional<FileTotals> total,
                          double settleSeconds) {
    ScanEstimate estimate;
    if (elapsedSeconds <= 0)
        return estimate;
    estimate.filesPerSecond = static_cast<double>(done.files) / elapsedSeconds;
    if (!total || elapsedSeconds < settleSeconds)
        return estimate;
    // Bytes say more than files where sizes differ; a tree of empty files has only files.
    const bool byBytes = total->bytes > 0;
    const double all = static_cast<double>(byBytes ? total->bytes : total->files);
    const double so = static_cast<double>(byBytes ? done.bytes : done.files);
    if (so >= all) {
        estimate.secondsLeft = 0.0; // done, or files appeared after the census
        return estimate;
    }
    if (so <= 0)
        return estimate;
    estimate.secondsLeft = elapsedSeconds * (all - so) / so;
    return estimate;
}

} // namespace tl
