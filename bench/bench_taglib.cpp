// The TagLib plug-ins against TagLib itself: 10,000 small FLAC files analysed through the
// built flac.so as the scan calls it (open, size, _GetAudioFileInfo, close), and by a bare
// loop that opens each file with TagLib and reads its tags and audio properties.
//
//   bench_taglib APPDIR SOURCE.flac [FILES] [ROUNDS]
//
// The files are copies of SOURCE.flac in a temporary folder, read once before timing so
// that both loops find them in the page cache. The rounds alternate between the two loops;
// each loop's best round counts. Target: the plug-in at no less than 90% of the bare
// loop's files per second.
#include "plugins/Pluginmanager.h"

#include <taglib/flacfile.h>
#include <taglib/tag.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

/** What a loop read, summed so that nothing is optimised away. */
struct Sum {
    long long length = 0;
    long long text = 0;
};

double pluginRound(const tl::PluginManager& plugins, int index,
                   const std::vector<std::string>& files, Sum& sum) {
    const auto start = Clock::now();
    for (const std::string& path : files) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        struct stat st {};
        ::fstat(fd, &st);
        AudioFileInfo info{};
        info.fileSize = static_cast<std::uint64_t>(st.st_size);
        plugins.audioEntry(index)(fd, &info, 0);
        ::close(fd);
        sum.length += info.Length;
        sum.text += static_cast<long long>(std::char_traits<char>::length(info.Artist + 1) +
                                           std::char_traits<char>::length(info.Title + 1));
    }
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double taglibRound(const std::vector<std::string>& files, Sum& sum) {
    const auto start = Clock::now();
    for (const std::string& path : files) {
        TagLib::FLAC::File file(path.c_str(), true, TagLib::AudioProperties::Average);
        if (const TagLib::Tag* tag = file.tag())
            sum.text += tag->artist().size() + tag->title().size() + tag->album().size() +
                        tag->genre().size() + tag->comment().size() + tag->year() + tag->track();
        if (const TagLib::AudioProperties* p = file.audioProperties())
            sum.length +=
                p->lengthInMilliseconds() + p->bitrate() + p->sampleRate() + p->channels();
    }
    return std::chrono::duration<double>(Clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_taglib APPDIR SOURCE.flac [FILES] [ROUNDS]\n");
        return 2;
    }
    const std::string appDir = argv[1];
    const std::string source = argv[2];
    const int count = argc > 3 ? std::atoi(argv[3]) : 10000;
    const int rounds = argc > 4 ? std::atoi(argv[4]) : 5;

    tl::PluginManager plugins(appDir + "/plugins/");
    plugins.load();
    const int index = plugins.findByExtension("flac");
    if (index < 0) {
        std::fprintf(stderr, "bench_taglib: no FLAC plug-in in %s/plugins\n", appDir.c_str());
        return 1;
    }

    std::string pattern =
        (std::filesystem::temp_directory_path() / "tl-bench-taglib-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        return 1;
    const std::filesystem::path dir = pattern;
    std::vector<std::string> files;
    for (int i = 0; i < count; ++i) {
        const std::filesystem::path path = dir / ("song" + std::to_string(i) + ".flac");
        std::filesystem::copy_file(source, path);
        files.push_back(path.string());
    }
    for (const std::string& path : files) // into the page cache
        std::ifstream(path, std::ios::binary).ignore(1 << 20);

    Sum plugin, bare;
    double bestPlugin = 1e9, bestBare = 1e9;
    for (int r = 0; r < rounds; ++r) {
        bestPlugin = std::min(bestPlugin, pluginRound(plugins, index, files, plugin));
        bestBare = std::min(bestBare, taglibRound(files, bare));
    }
    std::filesystem::remove_all(dir);

    const double pluginRate = count / bestPlugin;
    const double bareRate = count / bestBare;
    std::printf("%d FLAC files of %ju bytes, best of %d rounds\n", count,
                static_cast<std::uintmax_t>(std::filesystem::file_size(source)), rounds);
    std::printf("  flac.so through the plug-in interface: %8.0f files/s\n", pluginRate);
    std::printf("  bare TagLib loop:                      %8.0f files/s\n", bareRate);
    std::printf("  plug-in / bare: %.1f%% (target at least 90%%): %s\n",
                100.0 * pluginRate / bareRate, pluginRate >= 0.9 * bareRate ? "holds" : "MISSED");
    std::printf("  (checksums %lld %lld)\n", plugin.length + plugin.text, bare.length + bare.text);
    return pluginRate >= 0.9 * bareRate ? 0 : 1;
}
