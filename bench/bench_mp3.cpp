// The mp3 plug-in's full walk of a variable-bitrate file against reading every byte of
// the same file, both from a warm page cache. The walk may take at most 1.5 times as
// long as the plain read.
//
//   bench_mp3 [--benchmark_...]             a generated four-minute VBR stream
//   TL_BENCH_MP3=file.mp3 bench_mp3         a real file instead
#include "plugins/mp3/Mp3.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <stdexcept>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

/** Four minutes of MPEG-1 Layer III frames at 44100 Hz whose bitrates vary frame by
 *  frame as an encoder's would, with filler bodies and an ID3v1 tag. */
std::string generatedStream() {
    const int rates[] = {128, 160, 192, 224, 256, 320, 112, 96};
    const int indexes[] = {9, 10, 11, 12, 13, 14, 8, 7};
    std::string out;
    std::uint32_t state = 12345;
    const int frames = 240 * 44100 / 1152 + 1;
    for (int i = 0; i < frames; ++i) {
        state = state * 1103515245u + 12345u;
        const int pick = static_cast<int>((state >> 16) % 8);
        const int length = 144000 * rates[pick] / 44100;
        std::string frame(static_cast<std::size_t>(length), '\x55');
        frame[0] = '\xFF';
        frame[1] = '\xFB';
        frame[2] = static_cast<char>(indexes[pick] << 4);
        frame[3] = '\x44';
        out += frame;
    }
    std::string tag(128, '\0');
    tag.replace(0, 3, "TAG");
    return out + tag;
}

/** The file under test, opened once; its pages stay cached between iterations. */
struct Subject {
    int fd = -1;
    std::uint64_t size = 0;

    Subject() {
        if (const char* path = std::getenv("TL_BENCH_MP3")) {
            fd = ::open(path, O_RDONLY);
        } else {
            const std::string bytes = generatedStream();
            fd = ::memfd_create("bench_mp3", 0);
            if (fd >= 0 &&
                ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
                fd = -1;
        }
        struct stat st;
        if (fd < 0 || ::fstat(fd, &st) != 0)
            throw std::runtime_error("cannot open the benchmark file");
        size = static_cast<std::uint64_t>(st.st_size);
    }
};

Subject& subject() {
    static Subject s;
    return s;
}

void BM_ReadEveryByte(benchmark::State& state) {
    Subject& s = subject();
    std::vector<unsigned char> buffer(64 * 1024);
    for (auto _ : state) {
        std::uint64_t sum = 0;
        off_t at = 0;
        for (;;) {
            const ssize_t got = ::pread(s.fd, buffer.data(), buffer.size(), at);
            if (got <= 0)
                break;
            for (ssize_t i = 0; i < got; ++i)
                sum += buffer[static_cast<std::size_t>(i)];
            at += got;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * s.size));
}

void BM_FullWalk(benchmark::State& state) {
    Subject& s = subject();
    for (auto _ : state) {
        AudioFileInfo info{};
        info.fileSize = s.size;
        const int result = tl::mp3::analyseDescriptor(s.fd, info, 0, tl::mp3::CodePage::Cp1252);
        if (result != TL_AFI_OK || info.Bitrate <= 0)
            state.SkipWithError("the walk did not find a variable-bitrate stream");
        benchmark::DoNotOptimize(info.Length);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * s.size));
}

void BM_QuickEstimate(benchmark::State& state) {
    Subject& s = subject();
    for (auto _ : state) {
        AudioFileInfo info{};
        info.fileSize = s.size;
        benchmark::DoNotOptimize(
            tl::mp3::analyseDescriptor(s.fd, info, TL_AFI_OPTION_QUICK, tl::mp3::CodePage::Cp1252));
    }
}

BENCHMARK(BM_ReadEveryByte)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullWalk)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QuickEstimate)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
