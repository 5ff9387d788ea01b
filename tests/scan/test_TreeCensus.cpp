#include "scan/TreeCensus.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <future>

using namespace tl;
using tl::test::TempDir;
using tl::test::writeFile;
namespace fs = std::filesystem;

namespace {

// The scan test plug-in's claim: names ending in ".mp3", A-Z folded.
bool endsInMp3(std::string_view name) {
    if (name.size() < 4)
        return false;
    std::string end(name.substr(name.size() - 4));
    for (char& c : end)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return end == ".mp3";
}

std::optional<FileTotals> countTree(const std::string& root) {
    TreeCensus census(endsInMp3);
    census.setRootDirectory(root);
    EXPECT_TRUE(census.start());
    census.wait();
    return census.totals();
}

} // namespace

// The census counts what the scan would analyse: claimed names of regular files in every
// folder the walk enters, with the size of what a link to a file leads to.
TEST(TreeCensus, CountsTheFilesAScanWouldAnalyseAndTheirBytes) {
    TempDir dir;
    const std::string root = dir.path().string();
    fs::create_directories(root + "/a/b");
    fs::create_directories(root + "/.hidden");
    writeFile(root + "/one.mp3", std::string(100, 'x'));
    writeFile(root + "/TWO.MP3", std::string(20, 'x'));
    writeFile(root + "/notes.txt", std::string(5000, 'x'));
    writeFile(root + "/a/b/three.mp3", std::string(3, 'x'));
    writeFile(root + "/.hidden/four.mp3", "");
    fs::create_directories(root + "/folder.mp3"); // a folder is walked, not counted
    writeFile(root + "/folder.mp3/five.mp3", std::string(7, 'x'));
    fs::create_symlink(root + "/one.mp3", root + "/a/link.mp3");
    // Outside the tree: a linked folder is not followed, as the scan does not follow it.
    TempDir other;
    writeFile(other.file("far.mp3"), std::string(1000, 'x'));
    fs::create_directory_symlink(other.path(), root + "/a/elsewhere");
    ASSERT_EQ(::mkfifo((root + "/pipe.mp3").c_str(), 0600), 0);
    fs::create_symlink(root + "/absent.mp3", root + "/dangling.mp3");

    EXPECT_EQ(countTree(root), (FileTotals{6, 100 + 20 + 3 + 0 + 7 + 100}));
}

TEST(TreeCensus, GivesNoTotalsForATreeItCouldNotWalkWholly) {
    TempDir dir;
    EXPECT_EQ(countTree(dir.file("absent")), std::nullopt);
    EXPECT_EQ(countTree(dir.path().string()), (FileTotals{0, 0})); // empty, but complete
}

// A stop ends the walk at the next file: what was counted so far stays readable, and no
// totals are claimed.
TEST(TreeCensus, StopEndsTheWalkWithoutTotals) {
    TempDir dir;
    for (int i = 0; i < 50; ++i)
        writeFile(dir.file("f" + std::to_string(i) + ".mp3"), "x");
    std::promise<void> listing, release;
    std::shared_future<void> released = release.get_future().share();
    bool first = true;
    int priority = 0;
    TreeCensus census([&](std::string_view name) {
        if (first) {
            first = false;
            priority = ::getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()));
            listing.set_value();
            released.wait();
        }
        return endsInMp3(name);
    });
    census.setRootDirectory(dir.path().string());
    ASSERT_TRUE(census.start());
    listing.get_future().wait();
    census.requestStop();
    release.set_value();
    census.wait();
    EXPECT_EQ(census.totals(), std::nullopt);
    EXPECT_EQ(census.counted(), (FileTotals{0, 0}));
    EXPECT_EQ(priority, TreeCensus::LowestPriority); // it leaves the processor to the scan
    // Started again, it counts the tree afresh.
    ASSERT_TRUE(census.start());
    census.wait();
    EXPECT_EQ(census.totals(), (FileTotals{50, 50}));
}

TEST(TreeCensus, EstimateTellsTheRateAndTheTimeLeftFromTheBytesDone) {
    const struct {
        const char* what;
        double elapsed;
        FileTotals done;
        std::optional<FileTotals> total;
        double rate;
        std::optional<double> left;
    } cases[] = {
        {"nothing yet", 0, {0, 0}, FileTotals{10, 1000}, 0, std::nullopt},
        {"no census yet", 4, {8, 100}, std::nullopt, 2, std::nullopt},
        {"still settling", 0.5, {1, 100}, FileTotals{10, 1000}, 2, std::nullopt},
        {"a quarter of the bytes in 10 s", 10, {50, 250}, FileTotals{100, 1000}, 5, 30.0},
        // Few large files left: bytes, not files, decide.
        {"most files, few bytes", 10, {90, 100}, FileTotals{100, 1000}, 9, 90.0},
        {"nothing analysed after settling", 2, {0, 0}, FileTotals{10, 1000}, 0, std::nullopt},
        {"all done", 8, {10, 1000}, FileTotals{10, 1000}, 1.25, 0.0},
        {"more than counted", 8, {12, 1200}, FileTotals{10, 1000}, 1.5, 0.0},
        {"empty files go by count", 10, {20, 0}, FileTotals{100, 0}, 2, 40.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const ScanEstimate e = estimateScan(c.elapsed, c.done, c.total);
        EXPECT_DOUBLE_EQ(e.filesPerSecond, c.rate);
        ASSERT_EQ(e.secondsLeft.has_value(), c.left.has_value());
        if (c.left) {
            EXPECT_NEAR(*e.secondsLeft, *c.left, 1e-9);
        }
    }
}
