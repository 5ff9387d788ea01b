#pragma once
/**
 * @file ScanEvent.h
 * What a scan reports, as values: every status of the walk with the folder and file it
 * concerns and the counters at that moment. Events are handed out on the scan's worker
 * thread and may be copied to any other thread; the front ends show them through the
 * message that scanMessage() gives for each.
 */
#include "locale/Message.h"

#include <cstdint>
#include <optional>
#include <string>

namespace tl {

/** One status of a scan, as it happened. */
struct ScanEvent {
    int status = 0;              ///< a TreeWalker or VolumeScanner status
    std::string directory;       ///< the folder being visited (or the one that failed)
    std::string file;            ///< the file name, for the statuses about a file
    std::uint64_t filesDone = 0; ///< files analysed so far (one song record each)
    std::uint64_t bytesDone = 0; ///< bytes of the files analysed so far

    friend bool operator==(const ScanEvent&, const ScanEvent&) = default;
};

/** The log line of @p event; none for "entering a folder" and "opening a file", which
 *  only move the progress display. */
std::optional<Message> scanMessage(const ScanEvent& event);

/** The message that tells why a scan could not begin (a VolumeScanner::BeginResult other
 *  than BeginOk). */
Message scanBeginMessage(int beginResult);

} // namespace tl
