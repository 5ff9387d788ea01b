#pragma once
/**
 * @file ScanMessages.h
 * What a scan's statuses say: the log line of each, as a locale key of section "Scan",
 * its arguments and its severity. The front ends look the text up in their locale.
 */
#include "locale/Locale.h"

#include <optional>
#include <string>
#include <vector>

namespace tl {

/** Severity of a log line; the numbers are the log's icon indexes. */
enum class Severity : int { Information = 0, Warning = 1, Error = 2 };

/** One line of a scan log before its text is looked up. */
struct ScanLogLine {
    std::string section; ///< locale section
    std::string key;     ///< locale key
    Severity severity = Severity::Information;
    std::vector<std::string> texts; ///< text arguments, in placeholder order
    std::optional<int> number;      ///< an integer argument after the texts

    /** The expanded text in @p locale. */
    std::string text(const Locale& locale) const;
};

/** The log line of scan status @p status with the scanner's current directory and file;
 *  none for statuses 6 and 7, which only move the progress display. */
std::optional<ScanLogLine> scanLogLine(int status, const std::string& directory,
                                       const std::string& fileName);

} // namespace tl
