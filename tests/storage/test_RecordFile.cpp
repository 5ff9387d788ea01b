#include "storage/RecordFile.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

using namespace tl;
using tl::test::TempDir;

namespace {

std::string le16(unsigned v) {
    return {char(v & 0xFF), char((v >> 8) & 0xFF)};
}
std::string le32(std::uint32_t v) {
    return le16(v & 0xFFFF) + le16(v >> 16);
}

std::string header(const std::string& magic = "SiDB", unsigned version = 1, unsigned compat = 1,
                   unsigned fields = 24, unsigned reserved = 0) {
    return magic + le16(version) + le16(compat) + le16(fields) + le16(reserved) + "SngD" + le16(1) +
           le16(1) + le32(0);
}

Fields songFields(const std::string& title) {
    Fields f = emptyRecord();
    f[Artist] = "Blue Lake";
    f[Title] = title;
    f[Path] = "Music/Blue Lake";
    return f;
}

std::string writeSongs(const TempDir& dir, const std::string& name, int count) {
    RecordFile file(FieldCount);
    file.setType(RecordType::make("SngD", 1, 1));
    const std::string path = dir.file(name);
    EXPECT_EQ(file.create(path), RecordResult::Ok);
    for (int i = 0; i < count; ++i)
        EXPECT_EQ(file.append(file.pack(songFields("Song " + std::to_string(i)), SongFieldWidth)),
                  RecordResult::Ok);
    EXPECT_EQ(file.close(), RecordResult::Ok);
    return path;
}

} // namespace

TEST(RecordFile, WrittenRecordsReadBackInOrderWithTheirNumbers) {
    TempDir dir;
    const std::string path = writeSongs(dir, "songs.sds", 3);
    for (int pass = 0; pass < 2; ++pass) { // numbers restart at 0 whenever the file is opened
        RecordFile file;
        ASSERT_EQ(file.open(path), RecordResult::Ok);
        EXPECT_EQ(file.fieldCount(), 24u);
        EXPECT_EQ(file.type().tagText(), "SngD");
        EXPECT_EQ(file.type().version, 1);
        EXPECT_EQ(file.type().compatibility, 1);
        PackedRecord record;
        for (std::uint32_t i = 0; i < 3; ++i) {
            ASSERT_EQ(file.readNext(record), RecordResult::Ok);
            EXPECT_EQ(record.number, i);
            EXPECT_EQ(file.fieldText(record, Title), "Song " + std::to_string(i));
            EXPECT_EQ(file.fieldText(record, Artist), "Blue Lake");
            EXPECT_FALSE(file.atEnd());
        }
        EXPECT_EQ(file.readNext(record), RecordResult::EndOfFile);
        EXPECT_TRUE(file.atEnd());
    }
}

TEST(RecordFile, HeaderOnlyFileOpensAndEndsAtOnce) {
    TempDir dir;
    const std::string path = writeSongs(dir, "empty.sds", 0);
    EXPECT_EQ(std::filesystem::file_size(path), RecordHeaderSize);
    EXPECT_EQ(test::readFile(path), header());
    RecordFile file;
    ASSERT_EQ(file.open(path), RecordResult::Ok);
    PackedRecord record;
    EXPECT_EQ(file.readNext(record), RecordResult::EndOfFile);
}

TEST(RecordFile, EmptyRecordHasTheMinimalLength) {
    RecordFile file(FieldCount);
    const PackedRecord record = file.pack(emptyRecord(), SongFieldWidth);
    EXPECT_EQ(record.length(), 124u); // the length word, 24 offsets and 24 NULs
    Fields out;
    file.unpack(&record, out, SongFieldWidth);
    EXPECT_EQ(out, emptyRecord());
    file.unpack(nullptr, out, SongFieldWidth);
    EXPECT_EQ(out, emptyRecord());
}

TEST(RecordFile, PackAndUnpackCutFieldsToTheSlotWidthAtCharacterBoundaries) {
    RecordFile file(2);
    const std::string longText(2000, 'x');
    const std::string accented = "ab\xC3\xA9"; // 4 bytes, the last character is two bytes
    const PackedRecord record = file.pack({longText, accented}, 4);
    EXPECT_EQ(file.fieldText(record, 0), "xxx");
    EXPECT_EQ(file.fieldText(record, 1), "ab");
    Fields out;
    const PackedRecord wide = file.pack({longText, accented}, 1024);
    file.unpack(&wide, out, 3);
    EXPECT_EQ(out, (Fields{"xx", "ab"}));
}

TEST(RecordFile, CreatingWithoutFieldsFailsAndLeavesNoFile) {
    TempDir dir;
    RecordFile file;
    EXPECT_EQ(file.create(dir.file("none.sds")), RecordResult::NoFields);
    EXPECT_FALSE(std::filesystem::exists(dir.file("none.sds")));
}

TEST(RecordFile, CreateReplacesAnExistingFile) {
    TempDir dir;
    writeSongs(dir, "songs.sds", 5);
    const std::string path = writeSongs(dir, "songs.sds", 1);
    RecordFile file;
    ASSERT_EQ(file.open(path), RecordResult::Ok);
    PackedRecord record;
    EXPECT_EQ(file.readNext(record), RecordResult::Ok);
    EXPECT_EQ(file.readNext(record), RecordResult::EndOfFile);
}

TEST(RecordFile, OperationsOnAClosedFileReportNotOpen) {
    RecordFile file(FieldCount);
    PackedRecord record;
    EXPECT_EQ(file.readNext(record), RecordResult::CannotOpen);
    EXPECT_EQ(file.append(record), RecordResult::CannotOpen);
    EXPECT_TRUE(file.atEnd());
    EXPECT_EQ(file.open("/nonexistent/folder/x.sds"), RecordResult::CannotOpen);
}

TEST(RecordFile, OnlyARegularFileIsOpened) {
    // A FIFO would otherwise hold the open until something writes to it.
    TempDir dir;
    ASSERT_EQ(::mkfifo(dir.file("songs.sds").c_str(), 0600), 0);
    for (const std::string& path :
         {dir.file("songs.sds"), dir.path().string(), std::string("/dev/zero")}) {
        RecordFile file;
        EXPECT_EQ(file.open(path), RecordResult::CannotOpen) << path;
        EXPECT_FALSE(file.isOpen()) << path;
    }
}

TEST(RecordFile, HeaderChecksRejectEachBadField) {
    const struct {
        const char* what;
        std::string bytes;
        RecordResult expected;
    } cases[] = {
        {"valid", header(), RecordResult::Ok},
        {"wrong magic", header("SIDB"), RecordResult::BadFormat},
        {"container version 0", header("SiDB", 0), RecordResult::BadFormat},
        {"container compatibility 2", header("SiDB", 1, 2), RecordResult::BadFormat},
        {"reserved word not 0", header("SiDB", 1, 1, 24, 1), RecordResult::BadFormat},
        {"newer version, compatible", header("SiDB", 7, 1), RecordResult::Ok},
        {"short header", header().substr(0, 23), RecordResult::ReadError},
        {"empty file", "", RecordResult::ReadError},
    };
    TempDir dir;
    for (const auto& c : cases) {
        const std::string path = dir.file("h.sds");
        test::writeFile(path, c.bytes);
        RecordFile file;
        EXPECT_EQ(file.open(path), c.expected) << c.what;
    }
}

TEST(RecordFile, TruncatedFileKeepsItsCompleteRecordsThenFailsWithReadError) {
    TempDir dir;
    const std::string full = test::readFile(writeSongs(dir, "songs.sds", 3));
    const std::string path = dir.file("cut.sds");
    test::writeFile(path, full.substr(0, full.size() - 10));
    RecordFile file;
    ASSERT_EQ(file.open(path), RecordResult::Ok);
    PackedRecord record;
    EXPECT_EQ(file.readNext(record), RecordResult::Ok);
    EXPECT_EQ(file.readNext(record), RecordResult::Ok);
    EXPECT_EQ(file.readNext(record), RecordResult::ReadError);
    EXPECT_EQ(record.number, 1u) << "a failed read returns nothing";
}

TEST(RecordFile, CorruptRecordsAreRefusedWithoutReadingPastThem) {
    // One record of two fields: "ab" and "c".
    const auto record = [](std::uint32_t length, std::uint32_t off0, std::uint32_t off1,
                           const std::string& area) {
        return le32(length) + le32(off0) + le32(off1) + area;
    };
    const struct {
        const char* what;
        std::string bytes;
        RecordResult expected;
    } cases[] = {
        {"well formed", record(17, 0, 3, std::string("ab\0c\0", 5)), RecordResult::Ok},
        {"length below the offset table", record(8, 0, 3, ""), RecordResult::BadFormat},
        {"length below the length word", le32(2), RecordResult::BadFormat},
        {"offset outside the string area", record(17, 0, 9, std::string("ab\0c\0", 5)),
         RecordResult::BadFormat},
        {"huge offset", record(17, 0xFFFFFFF0u, 3, std::string("ab\0c\0", 5)),
         RecordResult::BadFormat},
        {"last field not terminated", record(17, 0, 3, std::string("ab\0cd", 5)),
         RecordResult::BadFormat},
        {"no string area", record(12, 0, 0, ""), RecordResult::BadFormat},
        {"length beyond the cap", le32(0x7FFFFFFF) + std::string(100, '\0'),
         RecordResult::BadFormat},
        {"length beyond the file", le32(1000) + le32(0) + le32(0) + std::string(10, '\0'),
         RecordResult::ReadError},
    };
    TempDir dir;
    for (const auto& c : cases) {
        const std::string path = dir.file("r.sds");
        test::writeFile(path, header("SiDB", 1, 1, 2) + c.bytes);
        RecordFile file;
        ASSERT_EQ(file.open(path), RecordResult::Ok) << c.what;
        PackedRecord out;
        EXPECT_EQ(file.readNext(out), c.expected) << c.what;
        if (c.expected == RecordResult::Ok) {
            EXPECT_EQ(file.fieldText(out, 0), "ab");
            EXPECT_EQ(file.fieldText(out, 1), "c");
        } else {
            EXPECT_TRUE(out.bytes.empty()) << c.what << ": nothing of it is returned";
        }
    }
}

TEST(RecordFile, FieldTextStaysInsideTheRecordForAnyIndex) {
    RecordFile file(3);
    const PackedRecord record = file.pack({"a", "b", "c"}, 16);
    EXPECT_EQ(file.fieldText(record, 2), "c");
    EXPECT_EQ(file.fieldText(record, 3), "");
    EXPECT_EQ(file.fieldText(record, 1000000), "");
}
