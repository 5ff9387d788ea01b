// Reports on a large generated catalogue: 100 album digests holding 1,000,000 albums in
// all, made into the HTML album list (sorted by artist and album, grouped by artist), and
// searched with two conditions. Prints wall time and the peak resident memory of
// tunelister-cli, next to the total size of the digests.
//
// Usage: bench_report [APP_DIR [WORK_DIR [ALBUMS]]]
//   APP_DIR  the application folder with tunelister-cli and templates/ (default: beside
//            this program's build, ../app)
//   WORK_DIR where the digests and reports go (default: a new folder under /tmp, removed)
#include "storage/Fieldnames.h"
#include "storage/RecordFile.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <spawn.h>
#include <string>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

constexpr int DigestCount = 100;

const char* const Syllables[] = {"ka",  "lo",  "mi",  "ra",   "te",  "vo",  "su",  "ne",
                                 "bri", "dan", "fel", "gor",  "hal", "jus", "kré", "lün",
                                 "mar", "nor", "pé",  "quin", "ros", "sta", "tor", "ul",
                                 "vin", "wes", "xa",  "yor",  "zé",  "ch"};
const char* const Genres[] = {"Rock",      "Pop",        "Jazz",    "Blues",     "Metal", "Folk",
                              "Classical", "Electronic", "Hip-Hop", "Country",   "Soul",  "Reggae",
                              "Punk",      "R&B",        "Ambient", "Soundtrack"};

std::string word(std::mt19937& rng, int syllables) {
    std::string w;
    for (int i = 0; i < syllables; ++i)
        w += Syllables[rng() % std::size(Syllables)];
    if (!w.empty() && w[0] >= 'a' && w[0] <= 'z')
        w[0] = static_cast<char>(w[0] - 'a' + 'A');
    return w;
}

// One album record as the digest builder writes it.
tl::Fields makeAlbum(std::mt19937& rng, int disc, int index, const std::string& artist) {
    tl::Fields f = tl::emptyRecord();
    const std::string album = word(rng, 2 + static_cast<int>(rng() % 2)) + " " + word(rng, 2);
    f[tl::VolDescription] = "Disc" + std::to_string(disc);
    f[tl::Artist] = artist;
    f[tl::Album] = album;
    f[tl::Year] = std::to_string(1955 + rng() % 70);
    f[tl::Genre] = Genres[rng() % std::size(Genres)];
    f[tl::VolName] = "MUSIC" + std::to_string(disc);
    char serial[16];
    std::snprintf(serial, sizeof serial, "%08X", 0x10000000u + static_cast<unsigned>(disc));
    f[tl::VolSerial] = serial;
    f[tl::Path] = "Music/" + artist + "/" + album;
    const int tracks = 6 + static_cast<int>(rng() % 12);
    f[tl::Size] = std::to_string(tracks * (3'000'000 + rng() % 9'000'000));
    f[tl::Length] = std::to_string(tracks * (150 + rng() % 200));
    f[tl::Type] = "MPEG 1 Layer III";
    f[tl::Bitrate] = index % 7 == 0 ? "128, 192" : "192";
    f[tl::Frequency] = "44100";
    f[tl::Mode] = "Joint stereo";
    f[tl::Tag] = "ID3v2.3";
    f[tl::Track] = std::to_string(tracks);
    f[tl::Date] = std::to_string(11000 + rng() % 8000);
    f[tl::ScanDate] = "20400";
    return f;
}

std::uintmax_t makeCatalogue(const fs::path& dir, int albums, std::vector<std::string>& paths) {
    std::mt19937 rng(20261208);
    std::vector<std::string> artists;
    for (int i = 0; i < albums / 8 + 1; ++i)
        artists.push_back(word(rng, 2) + " " + word(rng, 1 + static_cast<int>(rng() % 3)));
    std::uintmax_t total = 0;
    for (int d = 0; d < DigestCount; ++d) {
        tl::RecordFile file(tl::FieldCount);
        file.setType(tl::RecordType::make("Dgst", 1, 1));
        const std::string path = (dir / ("Disc" + std::to_string(d) + ".sdd")).string();
        if (file.create(path) != tl::RecordResult::Ok) {
            std::fprintf(stderr, "cannot create %s\n", path.c_str());
            std::exit(1);
        }
        const int count = albums / DigestCount + (d < albums % DigestCount ? 1 : 0);
        for (int i = 0; i < count; ++i)
            file.append(file.pack(makeAlbum(rng, d, i, artists[rng() % artists.size()]),
                                  tl::SongFieldWidth));
        file.close();
        paths.push_back(path);
        total += fs::file_size(path);
    }
    return total;
}

struct Run {
    double seconds = 0;
    long peakKiB = 0;
    int status = -1;
};

Run runCli(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const auto start = Clock::now();
    pid_t pid = 0;
    Run run;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return run;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    run.peakKiB = usage.ru_maxrss;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

void report(const char* what, const Run& run, std::uintmax_t digestBytes, double target) {
    const double peakMiB = static_cast<double>(run.peakKiB) / 1024.0;
    const double digestMiB = static_cast<double>(digestBytes) / (1024.0 * 1024.0);
    std::printf("%-34s %6.2f s (target < %.0f s)  peak RSS %7.1f MiB = %.2fx digests (target "
                "< 3x)  exit %d\n",
                what, run.seconds, target, peakMiB, peakMiB / digestMiB, run.status);
}

} // namespace

int main(int argc, char** argv) {
    const fs::path self = fs::canonical("/proc/self/exe").parent_path();
    const fs::path appDir = argc > 1 ? fs::path(argv[1]) : self.parent_path() / "app";
    const bool ownWorkDir = argc <= 2;
    const fs::path work =
        ownWorkDir ? fs::temp_directory_path() / "tl-bench-report" : fs::path(argv[2]);
    const int albums = argc > 3 ? std::atoi(argv[3]) : 1'000'000;
    fs::create_directories(work);

    std::vector<std::string> digests;
    const auto made = Clock::now();
    const std::uintmax_t bytes = makeCatalogue(work, albums, digests);
    std::printf("catalogue: %d digests, %d albums, %.1f MiB (made in %.1f s)\n", DigestCount,
                albums, static_cast<double>(bytes) / (1024.0 * 1024.0),
                std::chrono::duration<double>(Clock::now() - made).count());

    const std::string cli = (appDir / "tunelister-cli").string();
    const std::string tpl = (appDir / "templates" / "albums-html.tpl").string();
    std::vector<std::string> args = {cli, "report", "--template",
                                     tpl, "--out",  (work / "albums.html").string()};
    args.insert(args.end(), digests.begin(), digests.end());
    const Run full = runCli(args);
    report("report, HTML album list", full, bytes, 6);
    std::printf("  report size: %.1f MiB\n",
                static_cast<double>(fs::file_size(work / "albums.html")) / (1024.0 * 1024.0));

    args = {cli,           "report",       "--template",
            tpl,           "--out",        (work / "search.html").string(),
            "--where",     "Genre = Rock", "--where",
            "Year >= 1990"};
    args.insert(args.end(), digests.begin(), digests.end());
    const Run search = runCli(args);
    report("search, two conditions", search, bytes, 3);

    if (ownWorkDir)
        fs::remove_all(work);
    return full.status == 0 && search.status == 0 ? 0 : 1;
}
