#pragma once
// Song databases and digests for the digest's tests: songs are written with the record
// file of the storage layer, digests read back as text fields.
#include "storage/Fieldnames.h"
#include "storage/RecordFile.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace tl::test {

/** A song of volume "CD1" (label "MUSIC", serial "1A2B3C4D") in directory @p path, with
 *  the given fields set. */
inline Fields song(const std::string& path,
                   std::initializer_list<std::pair<Field, std::string>> set = {}) {
    Fields f = emptyRecord();
    f[VolDescription] = "CD1";
    f[VolName] = "MUSIC";
    f[VolSerial] = "1A2B3C4D";
    f[Path] = path;
    f[Title] = "A Song";
    f[FName] = "song.mp3";
    f[Size] = "1000";
    f[Length] = "1000";
    f[Track] = "1";
    for (const auto& [field, value] : set)
        f[field] = value;
    return f;
}

/** Writes a record file of @p type with @p records. */
inline void writeRecords(const std::string& path, const std::vector<Fields>& records,
                         std::string_view type = "SngD", std::uint32_t fieldCount = FieldCount) {
    RecordFile file(fieldCount);
    file.setType(RecordType::make(type, 1, 1));
    ASSERT_EQ(file.create(path), RecordResult::Ok);
    for (const Fields& r : records)
        ASSERT_EQ(file.append(file.pack(r, SongFieldWidth)), RecordResult::Ok);
    ASSERT_EQ(file.close(), RecordResult::Ok);
}

/** The records of the digest at @p path; fails the test when it is not a digest. */
inline std::vector<Fields> readDigest(const std::string& path) {
    std::vector<Fields> albums;
    RecordFile file;
    EXPECT_EQ(file.open(path), RecordResult::Ok) << path;
    EXPECT_EQ(file.type().tagText(), "Dgst");
    EXPECT_EQ(file.type().version, 1);
    EXPECT_EQ(file.type().compatibility, 1);
    EXPECT_EQ(file.fieldCount(), static_cast<std::uint32_t>(FieldCount));
    PackedRecord record;
    RecordResult result;
    while ((result = file.readNext(record)) == RecordResult::Ok) {
        Fields f;
        file.unpack(&record, f, SongFieldWidth);
        albums.push_back(std::move(f));
    }
    EXPECT_EQ(result, RecordResult::EndOfFile);
    return albums;
}

} // namespace tl::test
