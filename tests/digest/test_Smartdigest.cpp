#include "digest/Smartdigest.h"

#include "digest/DigestFiles.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace tl {
namespace {

using test::readDigest;
using test::song;
using test::TempDir;
using test::writeRecords;

/** Remembers every album it is asked to confirm. */
class RecordingBuilder : public DigestBuilder {
public:
    void confirmAlbum(Fields& album) override { confirmed.push_back(album); }
    std::vector<Fields> confirmed;
};

struct AlbumCase {
    const char* name;
    int tooMany;
    std::vector<Fields> songs;
    std::map<Field, std::string> expected;
    int confirmations;
};

void PrintTo(const AlbumCase& c, std::ostream* os) {
    *os << c.name;
}

class AlbumFields : public testing::TestWithParam<AlbumCase> {};

TEST_P(AlbumFields, MergeTheSongsOfOneDirectory) {
    const AlbumCase& c = GetParam();
    TempDir dir;
    writeRecords(dir.file("CD1.sds"), c.songs);
    RecordingBuilder builder;
    builder.setTooMany(c.tooMany);
    ASSERT_EQ(builder.run(dir.file("CD1.sds"), dir.file("CD1.sdd")), DigestResult::Done);
    const auto albums = readDigest(dir.file("CD1.sdd"));
    ASSERT_EQ(albums.size(), 1u);
    for (const auto& [field, value] : c.expected)
        EXPECT_EQ(albums[0][field], value) << fieldName(field);
    EXPECT_EQ(albums[0][Title], "");
    EXPECT_EQ(albums[0][FName], "");
    EXPECT_EQ(albums[0][Track], std::to_string(c.songs.size()));
    EXPECT_EQ(static_cast<int>(builder.confirmed.size()), c.confirmations);
    // The prompt sees the album as it is written when it changes nothing.
    if (!builder.confirmed.empty()) {
        EXPECT_EQ(builder.confirmed[0], albums[0]);
    }
}

const std::string Dashed = "Music/Blue Lake - Northern Roads";
const std::string Nested = "Music/Blue Lake/Northern Roads";
const std::string Long(1100, 'x');

INSTANTIATE_TEST_SUITE_P(
    Digest, AlbumFields,
    testing::Values(
        AlbumCase{"DashNamesArtistAndAlbum",
                  3,
                  {song(Dashed), song(Dashed), song(Dashed)},
                  {{Artist, "Blue Lake"}, {Album, "Northern Roads"}, {Path, Dashed}},
                  1},
        AlbumCase{"FirstDashSplitsAndBlanksAreTrimmed",
                  3,
                  {song("Blue Lake  -  Live - 1999")},
                  {{Artist, "Blue Lake"}, {Album, "Live - 1999"}},
                  1},
        AlbumCase{"ParentNamesArtistWithoutDash",
                  3,
                  {song(Nested), song(Nested)},
                  {{Artist, "Blue Lake"}, {Album, "Northern Roads"}},
                  1},
        AlbumCase{"DirectoryNamesArtistWhenAlbumIsTagged",
                  3,
                  {song("Music/Blue Lake", {{Album, "Northern Roads"}})},
                  {{Artist, "Blue Lake"}, {Album, "Northern Roads"}},
                  1},
        AlbumCase{"DirectoryNamesAlbumWhenArtistIsTagged",
                  3,
                  {song(Nested, {{Artist, "Lake Trio"}})},
                  {{Artist, "Lake Trio"}, {Album, "Northern Roads"}},
                  1},
        AlbumCase{"DashKeepsTaggedArtist",
                  3,
                  {song(Dashed, {{Artist, "Lake Trio"}})},
                  {{Artist, "Lake Trio"}, {Album, "Northern Roads"}},
                  1},
        AlbumCase{"TopLevelDirectoryHasNoParent",
                  3,
                  {song("Northern Roads")},
                  {{Artist, ""}, {Album, "Northern Roads"}},
                  1},
        AlbumCase{"NetworkPathUsesItsLastTwoNames",
                  3,
                  {song("/srv/share/Blue Lake/Northern Roads")},
                  {{Artist, "Blue Lake"}, {Album, "Northern Roads"}},
                  1},
        AlbumCase{"TaggedAlbumIsNotConfirmed",
                  3,
                  {song(Nested, {{Artist, "A"}, {Album, "B"}}),
                   song(Nested, {{Artist, "A"}, {Album, "B"}})},
                  {{Artist, "A"}, {Album, "B"}},
                  0},
        AlbumCase{"TwoYearsAreListed",
                  3,
                  {song(Nested, {{Year, "1991"}}), song(Nested, {{Year, "1992"}}),
                   song(Nested, {{Year, "1991"}})},
                  {{Year, "1991, 1992"}},
                  1},
        AlbumCase{"ThreeYearsAreVarious",
                  3,
                  {song(Nested, {{Year, "1991"}}), song(Nested, {{Year, "1992"}}),
                   song(Nested, {{Year, "1993"}})},
                  {{Year, "Various"}},
                  1},
        AlbumCase{"EmptyYearIsNoValue",
                  3,
                  {song(Nested, {{Year, "1991"}}), song(Nested), song(Nested, {{Year, "1992"}})},
                  {{Year, "1991, 1992"}},
                  1},
        AlbumCase{"ThreeAlbumTitlesAreCompletedFromTheDirectory",
                  3,
                  {song(Nested, {{Artist, "A"}, {Album, "One"}}),
                   song(Nested, {{Artist, "A"}, {Album, "Two"}}),
                   song(Nested, {{Artist, "A"}, {Album, "Three"}})},
                  {{Artist, "A"}, {Album, "Northern Roads"}},
                  1},
        AlbumCase{"TwoValuesAreVariousWithLimitTwo",
                  2,
                  {song(Nested, {{Genre, "Rock"}}), song(Nested, {{Genre, "Pop"}})},
                  {{Genre, "Various"}},
                  1},
        AlbumCase{"FourValuesAreListedWithLimitFive",
                  5,
                  {song(Nested, {{Genre, "A"}}), song(Nested, {{Genre, "B"}}),
                   song(Nested, {{Genre, "C"}}), song(Nested, {{Genre, "D"}}),
                   song(Nested, {{Genre, "B"}})},
                  {{Genre, "A, B, C, D"}},
                  1},
        AlbumCase{"LengthIsWholeSecondsOfTheSum",
                  3,
                  {song(Nested, {{Length, "61000"}}), song(Nested, {{Length, "59500"}})},
                  {{Length, "120"}, {Size, "2000"}},
                  1},
        AlbumCase{"NumbersAreReadLikeAtoi",
                  3,
                  {song(Nested, {{Size, " 12 bytes"}}), song(Nested, {{Size, "none"}}),
                   song(Nested, {{Size, "-2"}}), song(Nested, {{Size, ""}})},
                  {{Size, "10"}},
                  1},
        AlbumCase{"SumsGoBeyondThirtyTwoBits",
                  3,
                  {song(Nested, {{Size, "3000000000"}, {Length, "2147483647"}}),
                   song(Nested, {{Size, "3000000000"}, {Length, "2147483647"}})},
                  {{Size, "6000000000"}, {Length, "4294967"}},
                  1},
        AlbumCase{"LongListIsCutToTheFieldWidth",
                  3,
                  {song(Nested, {{Comment, Long}, {Artist, "A"}, {Album, "B"}}),
                   song(Nested, {{Comment, "short"}, {Artist, "A"}, {Album, "B"}})},
                  {{Comment, std::string(1023, 'x')}},
                  0}),
    [](const testing::TestParamInfo<AlbumCase>& info) { return std::string(info.param.name); });

TEST(Digest, AlbumsFollowTheSongOrderAndInterruptedDirectoriesSplit) {
    TempDir dir;
    writeRecords(dir.file("CD1.sds"), {song("A - One"), song("A - One"), song("B - Two"),
                                       song("A - One"), song("A - One", {{VolSerial, "99999999"}}),
                                       song("A - One", {{VolName, "OTHER"}})});
    DigestBuilder builder;
    ASSERT_EQ(builder.run(dir.file("CD1.sds"), dir.file("CD1.sdd")), DigestResult::Done);
    const auto albums = readDigest(dir.file("CD1.sdd"));
    ASSERT_EQ(albums.size(), 5u);
    const std::vector<std::pair<std::string, std::string>> keys{
        {"A - One", "2"}, {"B - Two", "1"}, {"A - One", "1"}, {"A - One", "1"}, {"A - One", "1"}};
    for (std::size_t i = 0; i < keys.size(); ++i) {
        EXPECT_EQ(albums[i][Path], keys[i].first) << i;
        EXPECT_EQ(albums[i][Track], keys[i].second) << i;
    }
    EXPECT_EQ(albums[3][VolSerial], "99999999");
    EXPECT_EQ(albums[4][VolName], "OTHER");
}

TEST(Digest, HeaderOnlySongDatabaseGivesHeaderOnlyDigest) {
    TempDir dir;
    writeRecords(dir.file("empty.sds"), {});
    RecordingBuilder builder;
    ASSERT_EQ(builder.run(dir.file("empty.sds"), dir.file("empty.sdd")), DigestResult::Done);
    EXPECT_EQ(std::filesystem::file_size(dir.file("empty.sdd")), RecordHeaderSize);
    EXPECT_TRUE(readDigest(dir.file("empty.sdd")).empty());
    EXPECT_TRUE(builder.confirmed.empty());
}

TEST(Digest, LastAlbumWithAnEmptyKeyIsWritten) {
    TempDir dir;
    Fields bare = emptyRecord();
    bare[Artist] = "A";
    bare[Album] = "B";
    writeRecords(dir.file("CD1.sds"), {song("A - One"), bare, bare});
    DigestBuilder builder;
    ASSERT_EQ(builder.run(dir.file("CD1.sds"), dir.file("CD1.sdd")), DigestResult::Done);
    const auto albums = readDigest(dir.file("CD1.sdd"));
    ASSERT_EQ(albums.size(), 2u);
    EXPECT_EQ(albums[1][Path], "");
    EXPECT_EQ(albums[1][Track], "2");
}

TEST(Digest, ConfirmedValuesAreWritten) {
    struct Editing : DigestBuilder {
        void confirmAlbum(Fields& album) override {
            album[Genre] = "Jazz";
            album[Year] = "";
            album[Artist] += " (confirmed)";
        }
    } builder;
    TempDir dir;
    writeRecords(dir.file("CD1.sds"), {song(Dashed, {{Year, "1991"}})});
    ASSERT_EQ(builder.run(dir.file("CD1.sds"), dir.file("CD1.sdd")), DigestResult::Done);
    const auto albums = readDigest(dir.file("CD1.sdd"));
    ASSERT_EQ(albums.size(), 1u);
    EXPECT_EQ(albums[0][Artist], "Blue Lake (confirmed)");
    EXPECT_EQ(albums[0][Genre], "Jazz");
    EXPECT_EQ(albums[0][Year], "");
}

TEST(Digest, TooManyIsTakenAsTheNearestOfTwoOrFive) {
    const std::vector<std::pair<int, int>> cases{{-7, 2}, {0, 2}, {1, 2}, {2, 2},   {3, 3},
                                                 {4, 4},  {5, 5}, {6, 5}, {1000, 5}};
    for (const auto& [given, taken] : cases) {
        DigestBuilder builder;
        builder.setTooMany(given);
        EXPECT_EQ(builder.tooMany(), taken) << given;
    }
}

TEST(Digest, VariousWordIsCutAtACharacterBoundary) {
    const std::string e = "\xc3\xa9"; // é, two bytes
    const std::vector<std::pair<std::string, std::string>> cases{
        {"Mixed", "Mixed"},
        {std::string(130, 'v'), std::string(130, 'v')},
        {std::string(131, 'v'), std::string(130, 'v')},
        {std::string(129, 'v') + e, std::string(129, 'v')},
        {std::string(128, 'v') + e + "v", std::string(128, 'v') + e},
    };
    for (const auto& [given, taken] : cases) {
        DigestBuilder builder;
        builder.setVariousWord(given);
        EXPECT_EQ(builder.variousWord(), taken) << given.size();
    }
    // The cut word is what the album gets, and what marks an album title to complete.
    TempDir dir;
    writeRecords(dir.file("CD1.sds"), {song(Nested, {{Genre, "Rock"}, {Album, "X"}}),
                                       song(Nested, {{Genre, "Pop"}, {Album, "Y"}})});
    DigestBuilder builder;
    builder.setTooMany(2);
    builder.setVariousWord(std::string(129, 'v') + e);
    ASSERT_EQ(builder.run(dir.file("CD1.sds"), dir.file("CD1.sdd")), DigestResult::Done);
    const auto albums = readDigest(dir.file("CD1.sdd"));
    ASSERT_EQ(albums.size(), 1u);
    EXPECT_EQ(albums[0][Genre], std::string(129, 'v'));
    EXPECT_EQ(albums[0][Album], "Northern Roads");
}

std::string header(std::string_view tag, std::uint16_t fields) {
    std::string h = "SiDB";
    h += std::string("\1\0\1\0", 4);
    h += static_cast<char>(fields);
    h += std::string("\0\0\0", 3);
    h += tag;
    h += std::string("\1\0\1\0\0\0\0\0", 8);
    return h;
}

TEST(Digest, FailedRunsLeaveNoDigestAndKeepTheEarlierOne) {
    TempDir dir;
    writeRecords(dir.file("good.sds"), {song(Dashed), song(Nested)});
    const std::string good = test::readFile(dir.file("good.sds"));
    struct Case {
        const char* name;
        std::string content; // empty: no file at all
        DigestResult result;
    };
    const std::vector<Case> cases{
        {"missing", "", DigestResult::CannotOpen},
        {"short-header", good.substr(0, 10), DigestResult::CannotOpen},
        {"bad-magic", "SIDB" + good.substr(4), DigestResult::CannotOpen},
        {"digest-type", header("Dgst", 24) + good.substr(24), DigestResult::WrongFormat},
        {"field-count", header("SngD", 23), DigestResult::WrongFormat},
        {"truncated", good.substr(0, good.size() - 5), DigestResult::ReadFailed},
        {"corrupt-length", good + std::string("\x08\0\0\0", 4) + std::string(100, '\0'),
         DigestResult::ReadFailed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string songs = dir.file(std::string(c.name) + ".sds");
        const std::string digest = dir.file(std::string(c.name) + ".sdd");
        if (!c.content.empty())
            test::writeFile(songs, c.content);
        for (const bool earlier : {false, true}) {
            if (earlier)
                test::writeFile(digest, "earlier digest");
            DigestBuilder builder;
            EXPECT_EQ(builder.run(songs, digest), c.result);
            if (earlier) {
                EXPECT_EQ(test::readFile(digest), "earlier digest");
            } else {
                EXPECT_FALSE(std::filesystem::exists(digest));
            }
        }
        if (!c.content.empty()) {
            EXPECT_EQ(test::readFile(songs), c.content);
        }
    }
    // Nothing but the files written above: no temporary file is left behind.
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path()))
        ++files;
    EXPECT_EQ(files, 1 + 2 * cases.size() - 1);
}

TEST(Digest, SuccessfulRunReplacesTheEarlierDigest) {
    TempDir dir;
    writeRecords(dir.file("CD1.sds"), {song(Dashed)});
    test::writeFile(dir.file("CD1.sdd"), "earlier digest");
    DigestBuilder builder;
    ASSERT_EQ(builder.run(dir.file("CD1.sds"), dir.file("CD1.sdd")), DigestResult::Done);
    EXPECT_EQ(readDigest(dir.file("CD1.sdd")).size(), 1u);
    // The same builder runs again from a clean state.
    ASSERT_EQ(builder.run(dir.file("CD1.sds"), dir.file("CD1.sdd")), DigestResult::Done);
    const auto albums = readDigest(dir.file("CD1.sdd"));
    ASSERT_EQ(albums.size(), 1u);
    EXPECT_EQ(albums[0][Track], "1");
    EXPECT_EQ(albums[0][Size], "1000");
}

TEST(Digest, DigestOverItsOwnSongDatabaseIsRefused) {
    TempDir dir;
    writeRecords(dir.file("CD1.sds"), {song(Dashed)});
    const std::string before = test::readFile(dir.file("CD1.sds"));
    std::filesystem::create_symlink(dir.file("CD1.sds"), dir.file("link.sdd"));
    DigestBuilder builder;
    EXPECT_EQ(builder.run(dir.file("CD1.sds"), dir.file("CD1.sds")), DigestResult::CannotOpen);
    EXPECT_EQ(builder.run(dir.file("CD1.sds"), dir.file("link.sdd")), DigestResult::CannotOpen);
    EXPECT_EQ(test::readFile(dir.file("CD1.sds")), before);
}

TEST(Digest, DigestInAMissingFolderCannotBeCreated) {
    TempDir dir;
    writeRecords(dir.file("CD1.sds"), {song(Dashed)});
    DigestBuilder builder;
    EXPECT_EQ(builder.run(dir.file("CD1.sds"), dir.file("no/such/CD1.sdd")),
              DigestResult::CannotOpen);
}

} // namespace
} // namespace tl
