// The whole analysis of the mp3 plug-in over a memory-backed descriptor, with and without
// the quick option.
#include "plugins/mp3/Mp3.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const int fd = ::memfd_create("fuzz_mp3", 0);
    if (fd < 0)
        std::abort();
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, data, size, 0) != static_cast<ssize_t>(size))
        std::abort();
    for (int options : {0, 1}) {
        AudioFileInfo info{};
        info.fileSize = size;
        const int result = tl::mp3::analyseDescriptor(fd, info, options, tl::mp3::CodePage::Cp1250);
        if (result != 0 && result != 3 && result != 4 && result != 5 && result != 6)
            std::abort();
    }
    return 0;
}
