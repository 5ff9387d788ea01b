#include "scan/ScanMessages.h"

#include "scan/VolumeScanner.h"

namespace tl {

std::string ScanLogLine::text(const Locale& locale) const {
    std::vector<LocaleArg> args(texts.begin(), texts.end());
    if (number)
        args.emplace_back(*number);
    return locale.text(section, key, std::span<const LocaleArg>(args));
}

std::optional<ScanLogLine> scanLogLine(int status, const std::string& directory,
                                       const std::string& fileName) {
    using W = TreeWalker;
    const auto line = [](const char* key, Severity severity, std::vector<std::string> texts = {}) {
        return ScanLogLine{"Scan", key, severity, std::move(texts), std::nullopt};
    };
    const std::vector<std::string> where{directory, fileName};
    switch (status) {
    case W::StatusDone:
        return line("Done", Severity::Information);
    case W::StatusAborted:
        return line("Aborted", Severity::Error);
    case W::StatusListingFailed:
        return line("DeviceErr", Severity::Error);
    case W::StatusDirectoryError:
        return line("DirErr", Severity::Error, {directory});
    case W::StatusOpenError:
        return line("OpenErr", Severity::Error, where);
    case W::StatusStarted:
        return line("Started", Severity::Information);
    case W::StatusEntering:
    case W::StatusOpening:
        return std::nullopt;
    case VolumeScanner::StatusOutputError:
        return line("OutputErr", Severity::Error);
    case VolumeScanner::StatusPluginBase + 3:
        return line("ReadErr", Severity::Warning, where);
    case VolumeScanner::StatusPluginBase + 4:
        return line("StreamErr", Severity::Warning, where);
    case VolumeScanner::StatusPluginBase + 5:
        return line("TagErr", Severity::Warning, where);
    case VolumeScanner::StatusPluginBase + 6:
        return line("IntStreamErr", Severity::Information, where);
    default: {
        ScanLogLine unspecified = line("Unspecified", Severity::Error, where);
        unspecified.number = status;
        return unspecified;
    }
    }
}

} // namespace tl
