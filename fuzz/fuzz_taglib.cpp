// The analysis of the TagLib plug-ins over a memory-backed descriptor: every input goes
// through the reader of every container, as a file of any name may reach any of them.
#include "plugins/taglib/TaglibAnalysis.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const int fd = ::memfd_create("fuzz_taglib", 0);
    if (fd < 0)
        std::abort();
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, data, size, 0) != static_cast<ssize_t>(size))
        std::abort();
    for (const tl::taglib::Format& format : tl::taglib::Formats) {
        if (format.extension == "AIF" || format.extension == "OGA" || format.extension == "OPUS")
            continue; // the same readers as AIFF and OGG
        AudioFileInfo info{};
        info.fileSize = size;
        const int result =
            tl::taglib::analyseDescriptor(fd, format.container, info, tl::plugin::CodePage::Cp1250);
        if (result != 0 && result != 4 && result != 5)
            std::abort();
        if (result != 4 && info.Length < 1)
            std::abort(); // a stream always has a playing time
    }
    return 0;
}
