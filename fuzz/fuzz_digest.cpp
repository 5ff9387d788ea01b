// Digests any byte sequence as a song database. When the run succeeds, every song must
// be counted in exactly one album: the albums' Track counts add up to the song records.
#include "digest/Smartdigest.h"
#include "locale/Profile.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

const std::string& outputDir() {
    static const std::string dir = [] {
        char pattern[] = "/tmp/fuzz_digest-XXXXXX";
        const char* made = ::mkdtemp(pattern);
        if (!made)
            std::abort();
        return std::string(made);
    }();
    return dir;
}

// Confirming changes the record, as a user may; the digest must write what it gets.
class EditingBuilder : public tl::DigestBuilder {
    void confirmAlbum(tl::Fields& album) override {
        album[tl::Genre] += album[tl::Artist];
        album.resize(40);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int fd = ::memfd_create("songs", MFD_CLOEXEC);
    if (fd < 0)
        return 0;
    if (::write(fd, data, size) != static_cast<ssize_t>(size)) {
        ::close(fd);
        return 0;
    }
    const std::string songPath = "/proc/self/fd/" + std::to_string(fd);
    const std::string digestPath = outputDir() + "/out.sdd";
    EditingBuilder builder;
    builder.setTooMany(size > 0 ? data[0] % 7 : 3);
    if (builder.run(songPath, digestPath) == tl::DigestResult::Done) {
        std::int64_t songs = 0;
        tl::RecordFile in;
        tl::PackedRecord record;
        if (in.open(songPath) == tl::RecordResult::Ok)
            while (in.readNext(record) == tl::RecordResult::Ok)
                ++songs;
        std::int64_t counted = 0;
        tl::RecordFile out;
        if (out.open(digestPath) != tl::RecordResult::Ok)
            std::abort();
        tl::RecordResult read;
        while ((read = out.readNext(record)) == tl::RecordResult::Ok)
            counted += tl::leadingInteger(out.fieldText(record, tl::Track));
        if (read != tl::RecordResult::EndOfFile || counted != songs)
            std::abort();
    }
    ::unlink(digestPath.c_str());
    ::close(fd);
    return 0;
}
