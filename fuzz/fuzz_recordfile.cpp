// Reads any byte sequence as a catalogue file, record by record, and touches every field.
#include "storage/RecordFile.h"

#include <cstdint>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int fd = ::memfd_create("recordfile", MFD_CLOEXEC);
    if (fd < 0)
        return 0;
    if (::write(fd, data, size) != static_cast<ssize_t>(size)) {
        ::close(fd);
        return 0;
    }
    tl::RecordFile file;
    if (file.open("/proc/self/fd/" + std::to_string(fd)) == tl::RecordResult::Ok) {
        tl::PackedRecord record;
        tl::Fields fields;
        std::size_t total = 0;
        while (file.readNext(record) == tl::RecordResult::Ok) {
            for (std::uint32_t i = 0; i < file.fieldCount(); ++i)
                total += file.fieldText(record, i).size();
            file.unpack(&record, fields, tl::SongFieldWidth);
        }
        (void)file.atEnd();
        if (total == 0xFFFFFFFF)
            ::abort(); // keeps the reads from being optimised away
    }
    ::close(fd);
    return 0;
}
