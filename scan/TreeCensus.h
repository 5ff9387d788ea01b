#pragma once
/**
 * @file TreeCensus.h
 * What a scan has ahead of it: the files of a tree that a scan would analyse and their
 * bytes, counted by a cheap walk (names and sizes only, no file is opened) that runs on a
 * thread of its own beside the scan. With the total known, the time a scan still needs can
 * be estimated from the bytes it has analysed so far.
 */
#include "scan/TreeWalker.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

namespace tl {

/** Files and their bytes. */
struct FileTotals {
    std::uint64_t files = 0;
    std::uint64_t bytes = 0;

    friend bool operator==(const FileTotals&, const FileTotals&) = default;
};

/**
 * Counts the regular files of a tree whose names a filter accepts, in the scan's own walk
 * (the same folders entered, the same symbolic links left alone). Start it with start();
 * requestStop() ends it at the next file or folder. Its thread runs at the lowest priority
 * (LowestPriority), so that it never slows the scan it runs beside.
 */
class TreeCensus : public TreeWalker {
public:
    /** The nice value of the census's thread. */
    static constexpr int LowestPriority = 19;

    /** Whether a file of this name would be analysed (for a scan: a plug-in claims its
     *  extension). */
    using Filter = std::function<bool(std::string_view name)>;

    /** The census opens no file, so it has nothing to read ahead. */
    explicit TreeCensus(Filter filter) : m_filter(std::move(filter)) {
        setReadAhead(ReadAheadOptions{.files = 0});
    }
    ~TreeCensus() override;

    /** The files counted so far; any thread. */
    FileTotals counted() const;
    /** The totals of the tree once the walk has ended completely; none while it runs, after
     *  a stop, or when a folder could not be listed. Any thread. */
    std::optional<FileTotals> totals() const;

protected:
    int run() override;
    void notify() override {}
    bool accept(std::string_view name) override { return m_filter && m_filter(name); }
    /** Takes the current file's size without opening it. */
    bool visitFile(int directoryFd) override;

private:
    Filter m_filter;
    std::atomic<std::uint64_t> m_files{0};
    std::atomic<std::uint64_t> m_bytes{0};
    std::atomic<bool> m_complete{false};
};

/** How a running scan is getting on. */
struct ScanEstimate {
    double filesPerSecond = 0;
    /** Seconds still needed; none until it can be told (no total yet, nothing analysed). */
    std::optional<double> secondsLeft;
};

/**
 * Estimates a scan that has analysed @p done in @p elapsedSeconds, of @p total files when
 * the census has ended. The time left assumes the remaining bytes go as fast as those
 * analysed so far; a tree of empty files is estimated by its file count instead. Nothing
 * is told in the first @p settleSeconds, while the rate is still mostly start-up.
 */
ScanEstimate estimateScan(double elapsedSeconds, FileTotals done, std::optional<FileTotals> total,
                          double settleSeconds = 1.0);

} // namespace tl
