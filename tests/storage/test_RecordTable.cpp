#include "storage/RecordTable.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>

using namespace tl;
using tl::test::TempDir;

namespace {

Fields album(const std::string& artist, const std::string& title) {
    Fields f = emptyRecord();
    f[Artist] = artist;
    f[Album] = title;
    return f;
}

std::string writeDigest(const TempDir& dir, const std::string& name,
                        const std::vector<Fields>& records, std::uint16_t version = 1,
                        std::uint16_t compat = 1, std::uint32_t fields = FieldCount) {
    RecordFile file(fields);
    file.setType(RecordType::make("Dgst", version, compat));
    const std::string path = dir.file(name);
    EXPECT_EQ(file.create(path), RecordResult::Ok);
    for (const Fields& r : records)
        EXPECT_EQ(file.append(file.pack(r, SongFieldWidth)), RecordResult::Ok);
    EXPECT_EQ(file.close(), RecordResult::Ok);
    return path;
}

std::vector<std::string> column(const RecordTable& table, int field) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < table.size(); ++i)
        out.emplace_back(table.at(i).field(static_cast<std::uint32_t>(field)));
    return out;
}

class ArtistStartsWith : public RecordPredicate {
public:
    explicit ArtistStartsWith(char c) : m_c(c) {}
    bool passes(const RecordView& r) const override { return r.field(Artist).starts_with(m_c); }

private:
    char m_c;
};

int byteCompare(std::string_view a, std::string_view b) {
    return a.compare(b);
}

int foldedCompare(std::string_view a, std::string_view b) {
    std::string x(a), y(b);
    for (char& c : x)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (char& c : y)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return x.compare(y);
}

} // namespace

TEST(RecordTable, HeaderOnlyFileAddsNothing) {
    TempDir dir;
    RecordTable table;
    EXPECT_EQ(table.load(writeDigest(dir, "empty.sdd", {})), RecordResult::Ok);
    EXPECT_TRUE(table.empty());
    EXPECT_EQ(table.fieldCount(), 24u);
}

TEST(RecordTable, TwoFilesAccumulateAndNumbersRestartPerFile) {
    TempDir dir;
    RecordTable table;
    ASSERT_EQ(table.load(writeDigest(dir, "a.sdd", {album("A1", "x"), album("A2", "y")})),
              RecordResult::Ok);
    ASSERT_EQ(table.load(writeDigest(dir, "b.sdd", {album("B1", "z")})), RecordResult::Ok);
    ASSERT_EQ(table.size(), 3u);
    EXPECT_EQ(column(table, Artist), (std::vector<std::string>{"A1", "A2", "B1"}));
    EXPECT_EQ(table.at(0).number(), 0u);
    EXPECT_EQ(table.at(1).number(), 1u);
    EXPECT_EQ(table.at(2).number(), 0u);
    EXPECT_TRUE(table.at(3).isNull());
    EXPECT_EQ(table.at(3).field(Artist), "");
}

TEST(RecordTable, VersionChecksDecideWhetherAFileLoads) {
    struct Case {
        std::uint32_t accepted, minimum;
        std::uint16_t fileVersion, fileCompat;
        RecordResult expected;
    };
    const Case cases[] = {
        {1, 0, 1, 1, RecordResult::Ok},
        {1, 0, 2, 1, RecordResult::Ok},        // newer file that old readers can read
        {1, 0, 2, 2, RecordResult::BadFormat}, // file needs a reader of version 2
        {0, 0, 2, 2, RecordResult::Ok},        // checks off
        {1, 2, 1, 1, RecordResult::BadFormat}, // file older than the minimum
        {1, 2, 2, 1, RecordResult::Ok},
    };
    for (const Case& c : cases) {
        TempDir dir;
        RecordTable table;
        table.setVersionCheck(c.accepted, c.minimum);
        const auto path = writeDigest(dir, "v.sdd", {album("A", "x")}, c.fileVersion, c.fileCompat);
        EXPECT_EQ(table.load(path), c.expected)
            << c.accepted << "/" << c.minimum << " file " << c.fileVersion << "/" << c.fileCompat;
        EXPECT_EQ(table.size(), c.expected == RecordResult::Ok ? 1u : 0u);
    }
}

TEST(RecordTable, FailuresKeepTheRecordsReadBefore) {
    TempDir dir;
    const auto good = writeDigest(dir, "good.sdd", {album("G", "1")});
    const auto cut = writeDigest(dir, "cut.sdd", {album("C1", "1"), album("C2", "2")});
    std::filesystem::resize_file(cut, std::filesystem::file_size(cut) - 3);
    std::string junk = dir.file("junk.sdd");
    tl::test::writeFile(junk, "not a record file at all, but long enough");

    RecordTable table;
    EXPECT_EQ(table.load(good), RecordResult::Ok);
    EXPECT_EQ(table.load(cut), RecordResult::ReadError);
    EXPECT_EQ(table.load(dir.file("missing.sdd")), RecordResult::CannotOpen);
    EXPECT_EQ(table.load(junk), RecordResult::BadFormat);
    EXPECT_EQ(column(table, Artist), (std::vector<std::string>{"G", "C1"}));
}

TEST(RecordTable, FilterDecidesWhichRecordsEnter) {
    TempDir dir;
    const auto path =
        writeDigest(dir, "f.sdd", {album("Abba", "1"), album("Blur", "2"), album("AC/DC", "3")});
    ArtistStartsWith startsWithA('A');
    RecordTable table;
    table.setFilter(&startsWithA);
    ASSERT_EQ(table.load(path), RecordResult::Ok);
    EXPECT_EQ(column(table, Artist), (std::vector<std::string>{"Abba", "AC/DC"}));
    // Record numbers are positions in the file, counting records that were left out.
    EXPECT_EQ(table.at(1).number(), 2u);
}

TEST(RecordTable, SortsByKeysInOrderAndKeepsLoadingOrderOfEqualRecords) {
    RecordTable table;
    const std::vector<Fields> rows = {album("b", "2"), album("a", "9"), album("b", "1"),
                                      album("a", "9"), album("a", "3")};
    for (std::uint32_t i = 0; i < rows.size(); ++i)
        ASSERT_EQ(table.add(i, rows[i]), RecordResult::Ok);

    table.sort({Artist, Album}, byteCompare);
    EXPECT_EQ(column(table, Artist), (std::vector<std::string>{"a", "a", "a", "b", "b"}));
    EXPECT_EQ(column(table, Album), (std::vector<std::string>{"3", "9", "9", "1", "2"}));
    EXPECT_EQ(table.at(1).number(), 1u);
    EXPECT_EQ(table.at(2).number(), 3u);

    table.sort({}, byteCompare); // no keys: nothing moves
    EXPECT_EQ(column(table, Album), (std::vector<std::string>{"3", "9", "9", "1", "2"}));
}

TEST(RecordTable, FirstKeysThatCompareEqualLetTheNextKeyDecide) {
    // "Queen" and "QUEEN" differ in their bytes but compare equal, so Album orders them.
    RecordTable table;
    const std::vector<Fields> rows = {album("queen", "c"), album("Abba", "z"), album("QUEEN", "a"),
                                      album("Queen", "b")};
    for (std::uint32_t i = 0; i < rows.size(); ++i)
        ASSERT_EQ(table.add(i, rows[i]), RecordResult::Ok);
    table.sort({Artist, Album}, foldedCompare);
    EXPECT_EQ(column(table, Album), (std::vector<std::string>{"z", "a", "b", "c"}));
    table.sort({Artist}, foldedCompare); // equal records keep their order
    EXPECT_EQ(column(table, Album), (std::vector<std::string>{"z", "a", "b", "c"}));
}

TEST(RecordTable, RecordsWithFewerFieldsReadEmptyBeyondTheirOwn) {
    TempDir dir;
    Fields shortRecord = {"Vol", "Artist only"};
    RecordTable table;
    ASSERT_EQ(table.load(writeDigest(dir, "short.sdd", {shortRecord}, 1, 1, 2)), RecordResult::Ok);
    ASSERT_EQ(table.size(), 1u);
    EXPECT_EQ(table.at(0).fieldCount(), 2u);
    EXPECT_EQ(table.at(0).field(Artist), "Artist only");
    EXPECT_EQ(table.at(0).field(Album), "");
    EXPECT_EQ(table.at(0).field(ScanDate), "");
}

TEST(RecordTable, ClearEmptiesTheTableForTheNextRun) {
    TempDir dir;
    RecordTable table;
    const auto path = writeDigest(dir, "c.sdd", {album("A", "1")});
    ASSERT_EQ(table.load(path), RecordResult::Ok);
    table.clear();
    EXPECT_TRUE(table.empty());
    EXPECT_EQ(table.memoryUsed(), 0u);
    ASSERT_EQ(table.load(path), RecordResult::Ok);
    EXPECT_EQ(table.size(), 1u);
}

TEST(RecordTable, ManyRecordsCostLittleMoreThanTheirBytes) {
    RecordTable table;
    Fields f = album("Some Artist Name", "Some Album Title");
    const std::uint32_t count = 20000;
    for (std::uint32_t i = 0; i < count; ++i)
        ASSERT_EQ(table.add(i, f), RecordResult::Ok);
    RecordFile packer(FieldCount);
    const std::size_t packed = packer.pack(f, SongFieldWidth).bytes.size();
    // Per record: the packed bytes, an 8-byte entry header, a pointer, rounding, and the
    // unfilled rest of the last block.
    EXPECT_LT(table.memoryUsed(), count * (packed + 8 + 4 + 16) + (4u << 20));
}
