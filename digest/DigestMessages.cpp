#include "digest/DigestMessages.h"

#include "locale/Profile.h"

namespace tl {

bool isSongDatabaseName(std::string_view path) {
    return path.size() >= 4 && equalsIgnoringAsciiCase(path.substr(path.size() - 4), ".sds");
}

std::string digestPathFor(std::string_view songPath) {
    std::string path(songPath);
    if (!path.empty())
        path.back() = 'd';
    return path;
}

MessageKey digestResultMessage(DigestResult result, DigestCaller caller) {
    switch (result) {
    case DigestResult::Done:
        return caller == DigestCaller::ReCreate ? MessageKey{"Digest", "ReDigest"}
                                                : MessageKey{"Scan", "Done"};
    case DigestResult::CannotOpen:
        return {"Digest", "SDBOpenErr"};
    case DigestResult::WrongFormat:
        return {"Scan", "SDBInFormatErr"};
    default:
        return {"Digest", "DigestErr"};
    }
}

} // namespace tl
