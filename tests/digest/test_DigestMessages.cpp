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

TEST(DigestMessages, EachResultHasItsMessageForEachCaller) {
    struct Case {
        DigestResult result;
        MessageKey reCreate;
        MessageKey scan;
    };
    const std::vector<Case> cases{
        {DigestResult::Done, {"Digest", "ReDigest"}, {"Scan", "Done"}},
        {DigestResult::CannotOpen, {"Digest", "SDBOpenErr"}, {"Digest", "SDBOpenErr"}},
        {DigestResult::WrongFormat, {"Scan", "SDBInFormatErr"}, {"Scan", "SDBInFormatErr"}},
        {DigestResult::ReadFailed, {"Digest", "DigestErr"}, {"Digest", "DigestErr"}},
        {DigestResult::WriteFailed, {"Digest", "DigestErr"}, {"Digest", "DigestErr"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.result));
        EXPECT_EQ(digestResultMessage(c.result, DigestCaller::ReCreate), c.reCreate);
        EXPECT_EQ(digestResultMessage(c.result, DigestCaller::Scan), c.scan);
    }
}

} // namespace
} // namespace tl
