#include "scan/ScanEvent.h"

#include "scan/VolumeScanner.h"

namespace tl {

std::optional<Message> scanMessage(const ScanEvent& event) {
    using W = TreeWalker;
    using S = VolumeScanner;
    const auto line = [](const char* key, Severity severity, std::vector<MessageArg> args = {}) {
        return makeMessage("Scan", key, severity, std::move(args));
    };
    const std::vector<MessageArg> where{event.directory, event.file};
    switch (event.status) {
    case W::StatusDone:
        return line("Done", Severity::Information);
    case W::StatusAborted: // the user's Cancel: news, not a failure
        return line("Aborted", Severity::Information);
    case W::StatusListingFailed:
        return line("DeviceErr", Severity::Error);
    case W::StatusDirectoryError:
        return line("DirErr", Severity::Error, {event.directory});
    case W::StatusOpenError:
        return line("OpenErr", Severity::Error, where);
    case W::StatusStarted:
        return line("Started", Severity::Information);
    case W::StatusEntering:
    case W::StatusOpening:
        return std::nullopt;
    case S::StatusNoPlugin:
        return line("NoPluginErr", Severity::Warning, where);
    case S::StatusNoAnalyser:
        return line("NoAnalyserErr", Severity::Warning, where);
    case S::StatusOutputError:
        return line("OutputErr", Severity::Error);
    case S::pluginStatus(TL_AFI_READ_ERROR):
        return line("ReadErr", Severity::Warning, where);
    case S::pluginStatus(TL_AFI_NO_STREAM):
        return line("StreamErr", Severity::Warning, where);
    case S::pluginStatus(TL_AFI_TAG_ERROR):
        return line("TagErr", Severity::Warning, where);
    case S::pluginStatus(TL_AFI_INTERRUPTED):
        return line("IntStreamErr", Severity::Information, where);
    default:
        return line("Unspecified", Severity::Error,
                    {event.directory, event.file, std::int64_t{event.status}});
    }
}

Message scanBeginMessage(int beginResult) {
    switch (beginResult) {
    case VolumeScanner::BeginNotReady:
        return makeMessage("Scan", "NotReady", Severity::Error);
    case VolumeScanner::BeginOutputError:
        return makeMessage("Scan", "OutputErr", Severity::Error);
    default:
        return makeMessage("General", "Error", Severity::Error);
    }
}

} // namespace tl
