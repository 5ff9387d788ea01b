#pragma once
// Album digests for tests: records of the 24 fields written as a catalogue file of type
// "Dgst", as the digest writes them.
#include "storage/Fieldnames.h"
#include "storage/RecordFile.h"

#include <string>
#include <vector>

namespace tl::test {

/** An album record with an artist, a title, a year and a playing time in seconds. */
inline Fields albumRecord(const std::string& artist, const std::string& title,
                          const std::string& year, const std::string& seconds = "61") {
    Fields f = emptyRecord();
    f[Artist] = artist;
    f[Album] = title;
    f[Year] = year;
    f[Length] = seconds;
    return f;
}

/** Writes @p records as the album digest @p path; false when it cannot be written. */
inline bool writeDigestFile(const std::string& path, const std::vector<Fields>& records) {
    RecordFile file(FieldCount);
    file.setType(RecordType::make("Dgst", 1, 1));
    if (file.create(path) != RecordResult::Ok)
        return false;
    for (const Fields& r : records)
        if (file.append(file.pack(r, SongFieldWidth)) != RecordResult::Ok)
            return false;
    return file.close() == RecordResult::Ok;
}

} // namespace tl::test
