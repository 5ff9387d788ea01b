// The mp3 plug-in's full walk of a variable-bitrate file against reading every byte of
// the same file, both from a warm page cache. The walk may take at most 1.5 times as
// long as the plain read.
//
//   bench_mp3 [--benchmark_...]             a generated four-minute VBR stream
//   TL_BENCH_MP3=file.mp3 bench_mp3         a real file instead
//
// Also the whole analysis of a small tagged file, as the scan benchmark's CBR tree has
// them: with an ID3v2.3 tag in ISO-8859-1 and with an ID3v2.4 tag in UTF-8, read the modern
// way (and the first read the legacy way). The ID3v2.4 file may take at most 1/0.9 times
// as long as the ID3v2.3 one.
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
#include <utility>
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

std::string syncsafe(std::size_t n) {
    return {static_cast<char>((n >> 21) & 0x7F), static_cast<char>((n >> 14) & 0x7F),
            static_cast<char>((n >> 7) & 0x7F), static_cast<char>(n & 0x7F)};
}

/** Five seconds of 128 kbit/s frames behind an ID3v2.3 tag in ISO-8859-1 (@p v24 false) or
 *  an ID3v2.4 tag in UTF-8 with the same frames, Czech words and TDRC for TYER. */
std::string smallTaggedFile(bool v24) {
    const std::pair<const char*, std::string> frames[] = {
        {"TIT2", v24 ? "CBR p\xC3\xADse\xC5\x88 000123" : "CBR song 000123"},
        {"TPE1", v24 ? "Um\xC4\x9Blec 0001" : "Artist 0001"},
        {"TALB", "Album 00012"},
        {"TRCK", "3"},
        {v24 ? "TDRC" : "TYER", "2001"},
    };
    std::string body;
    for (const auto& [id, text] : frames) {
        const std::string data = (v24 ? "\x03" : std::string(1, '\0')) + text;
        std::string size = syncsafe(data.size());
        if (!v24)
            size = {0, 0, static_cast<char>(data.size() >> 8),
                    static_cast<char>(data.size() & 0xFF)};
        body += id + size + std::string(2, '\0') + data;
    }
    std::string file = std::string("ID3") + (v24 ? '\x04' : '\x03') + std::string(2, '\0') +
                       syncsafe(body.size()) + body;
    for (int i = 0; i < 5 * 44100 / 1152; ++i) {
        std::string frame(417, '\x55');
        frame.replace(0, 4, "\xFF\xFB\x90\x44");
        file += frame;
    }
    return file;
}

/** Arguments: 1 for the ID3v2.4 file; the options (2: modern tags). */
void BM_SmallTaggedFile(benchmark::State& state) {
    const bool v24 = state.range(0) != 0;
    const std::string bytes = smallTaggedFile(v24);
    const int fd = ::memfd_create("bench_small", 0);
    if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
        throw std::runtime_error("cannot write the small file");
    const int options = static_cast<int>(state.range(1));
    for (auto _ : state) {
        AudioFileInfo info{};
        info.fileSize = bytes.size();
        const int result = tl::mp3::analyseDescriptor(fd, info, options, tl::mp3::CodePage::Cp1252);
        if (result != TL_AFI_OK || info.Artist[1] == 0)
            state.SkipWithError("the tag was not read");
        benchmark::DoNotOptimize(info.Length);
    }
    state.SetLabel(std::string(v24 ? "ID3v2.4 UTF-8" : "ID3v2.3 Latin-1") +
                   (options & TL_AFI_OPTION_MODERN_TAGS ? ", modern" : ", legacy"));
    ::close(fd);
}

BENCHMARK(BM_ReadEveryByte)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullWalk)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QuickEstimate)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SmallTaggedFile)
    ->Args({0, TL_AFI_OPTION_MODERN_TAGS})
    ->Args({1, TL_AFI_OPTION_MODERN_TAGS})
    ->Args({0, 0})
    ->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
