#include "digest/DigestMessages.h"

#include <gtest/gtest.h>

namespace tl {
namespace {

TEST(DigestMessages, DigestNameReplacesTheLastCharacterWithD) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {"/home/u/db/CD1.sds", "/home/u/db/CD1.sdd"},
        {"CD1.SDS", "CD1.SDd"},
        {"a.Sds", "a.Sdd"},
        {"x", "d"},
        {"", ""},
    };
    for (const auto& [songs, digest] : cases)
        EXPECT_EQ(digestPathFor(songs), digest) << songs;
}

TEST(DigestMessages, SongDatabaseNamesEndInSdsInAnyCase) {
    const std::vector<std::pair<std::string, bool>> cases{
        {"CD1.sds", true},      {"CD1.SDS", true}, {".sDs", true},
        {"dir/x.sds", true},    {"sds", false},    {"CD1.sdd", false},
        {"CD1.sds.bak", false}, {"", false},       {"CD1-sds", false},
    };
    for (const auto& [name, accepted] : cases)
        EXPECT_EQ(isSongDatabaseName(name), accepted) << name;
}

TEST(DigestMessages, EachResultHasItsMessageAndSeverityForEachCaller) {
    using Key = std::pair<std::string, std::string>;
    struct Case {
        DigestResult result;
        Key reCreate;
        Key scan;
        Severity severity;
    };
    const std::vector<Case> cases{
        {DigestResult::Done, {"Digest", "ReDigest"}, {"Scan", "Done"}, Severity::Information},
        {DigestResult::CannotOpen,
         {"Digest", "SDBOpenErr"},
         {"Digest", "SDBOpenErr"},
         Severity::Error},
        {DigestResult::WrongFormat,
         {"Scan", "SDBInFormatErr"},
         {"Scan", "SDBInFormatErr"},
         Severity::Error},
        {DigestResult::ReadFailed,
         {"Digest", "DigestErr"},
         {"Digest", "DigestErr"},
         Severity::Error},
        {DigestResult::WriteFailed,
         {"Digest", "DigestErr"},
         {"Digest", "DigestErr"},
         Severity::Error},
        // A stop the user asked for is news, not a failure.
        {DigestResult::Cancelled,
         {"Digest", "Cancelled"},
         {"Digest", "Cancelled"},
         Severity::Information},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.result));
        const Message reCreate = digestResultMessage(c.result, DigestCaller::ReCreate);
        const Message scan = digestResultMessage(c.result, DigestCaller::Scan);
        EXPECT_EQ(Key(reCreate.section, reCreate.key), c.reCreate);
        EXPECT_EQ(Key(scan.section, scan.key), c.scan);
        EXPECT_EQ(reCreate.severity, c.severity);
        EXPECT_EQ(scan.severity, c.severity);
    }
}

} // namespace
} // namespace tl
