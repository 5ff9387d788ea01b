#pragma once
// A stand-in for pread that reads the real file the way slow or signalled systems do: in
// pieces of at most a given size, interrupted by a signal before every piece, or failing
// from an offset on. Tests hand it to the plug-ins' descriptor readers.
#include "plugins/PluginInterface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <sys/types.h>
#include <unistd.h>
#include <utility>

namespace tl::plugin::test {

struct PreadScript {
    std::size_t piece = SIZE_MAX; ///< most bytes one call gives
    bool interrupted = false;     ///< every other call fails with EINTR, before it reads
    std::int64_t failFrom = -1;   ///< calls at this offset or later fail with EIO; -1: none
    std::size_t calls = 0;        ///< calls made, interrupted ones included
};

/** The script scriptedPread follows; one test at a time sets it. */
inline PreadScript& preadScript() {
    static PreadScript script;
    return script;
}

inline ssize_t scriptedPread(int fd, void* dest, std::size_t count, off_t offset) {
    PreadScript& s = preadScript();
    if (s.interrupted && s.calls++ % 2 == 0) {
        errno = EINTR;
        return -1;
    }
    if (!s.interrupted)
        ++s.calls;
    if (s.failFrom >= 0 && offset >= s.failFrom) {
        errno = EIO;
        return -1;
    }
    std::size_t n = std::min(count, s.piece);
    if (s.failFrom >= 0)
        n = std::min<std::size_t>(n, static_cast<std::size_t>(s.failFrom - offset));
    return ::pread(fd, dest, n, offset);
}

/** What an analysis gives: its result and the record. */
using Analysed = std::pair<int, AudioFileInfo>;

/** Expects @p analyse, given a pread to read with, to give under each of @p scripts the same
 *  result and record as through the system's own pread. */
template <class Analyse>
void expectTheSameWhateverTheReads(const std::string& what, Analyse&& analyse,
                                   std::initializer_list<PreadScript> scripts) {
    const Analysed plain = analyse(nullptr);
    for (const PreadScript& script : scripts) {
        SCOPED_TRACE(what +
                     (script.piece == SIZE_MAX ? std::string(", whole reads")
                                               : ", pieces of " + std::to_string(script.piece)) +
                     (script.interrupted ? ", interrupted" : ""));
        preadScript() = script;
        const Analysed scripted = analyse(scriptedPread);
        EXPECT_EQ(scripted.first, plain.first);
        EXPECT_EQ(std::memcmp(&scripted.second, &plain.second, sizeof plain.second), 0);
    }
}

} // namespace tl::plugin::test
