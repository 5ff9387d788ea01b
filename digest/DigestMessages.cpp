#include "digest/DigestMessages.h"

#include "storage/Text.h"

namespace tl {

bool isSongDatabaseName(std::string_view path) {
    return endsWithIgnoringAsciiCase(path, ".sds");
}

std::string digestPathFor(std::string_view songPath) {
    std::string path(songPath);
    if (!path.empty())
        path.back() = 'd';
    return path;
}

Message digestBuildingMessage() {
    return makeMessage("Digest", "Building", Severity::Information);
}

Message digestResultMessage(DigestResult result, DigestCaller caller) {
    switch (result) {
    case DigestResult::Done:
        return caller == DigestCaller::ReCreate
                   ? makeMessage("Digest", "ReDigest", Severity::Information)
                   : makeMessage("Scan", "Done", Severity::Information);
    case DigestResult::CannotOpen:
        return makeMessage("Digest", "SDBOpenErr", Severity::Error);
    case DigestResult::WrongFormat:
        return makeMessage("Scan", "SDBInFormatErr", Severity::Error);
    case DigestResult::Cancelled: // the user's own choice: news, not a failure
        return makeMessage("Digest", "Cancelled", Severity::Information);
    default:
        return makeMessage("Digest", "DigestErr", Severity::Error);
    }
}

} // namespace tl
