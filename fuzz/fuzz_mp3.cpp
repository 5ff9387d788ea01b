// The whole analysis of the mp3 plug-in over a memory-backed descriptor, with every
// combination of the quick and the modern-tags options. Whatever the bytes, the result is
// one of the plug-in's codes and every text field ends within its span.
#include "plugins/mp3/Mp3.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

namespace {

void requireTerminated(const char* span, std::size_t size) {
    if (span[0] != 0 || ::memchr(span + 1, 0, size - 1) == nullptr)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const int fd = ::memfd_create("fuzz_mp3", 0);
    if (fd < 0)
        std::abort();
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, data, size, 0) != static_cast<ssize_t>(size))
        std::abort();
    for (const int options : {0, 1, 2, 3}) {
        AudioFileInfo info{};
        info.fileSize = size;
        const int result =
            tl::mp3::analyseDescriptor(fd, info, options, tl::plugin::CodePage::Cp1250);
        if (result != 0 && result != 3 && result != 4 && result != 5 && result != 6)
            std::abort();
        requireTerminated(info.Artist, sizeof info.Artist);
        requireTerminated(info.Title, sizeof info.Title);
        requireTerminated(info.Year, sizeof info.Year);
        requireTerminated(info.Genre, sizeof info.Genre);
        requireTerminated(info.Type, sizeof info.Type);
        requireTerminated(info.Binary, sizeof info.Binary);
        requireTerminated(info.Tag, sizeof info.Tag);
        requireTerminated(info.Comment, sizeof info.Comment);
        requireTerminated(info.Track, sizeof info.Track);
    }
    return 0;
}
