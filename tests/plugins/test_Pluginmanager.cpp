#include "plugins/Pluginmanager.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <sys/stat.h>

using namespace tl;
using tl::test::TempDir;
namespace fs = std::filesystem;

namespace {

// Copies test plug-in @p built (file name without ".so") into @p dir as @p as.
void install(const TempDir& dir, const std::string& built, const std::string& as) {
    fs::copy_file(std::string(TL_TEST_PLUGIN_DIR) + built + ".so", dir.path() / as,
                  fs::copy_options::overwrite_existing);
}

std::string nameOf(const PluginManager& manager, int index) {
    PluginInfo info{};
    EXPECT_EQ(manager.getInfo(index, info), 0);
    return info.name;
}

} // namespace

TEST(PluginManager, VersionRuleDecidesWhichLibrariesLoad) {
    const struct {
        const char* plugin;
        bool loads;
    } cases[] = {
        {"tp_good", true},        {"tp_compat2", false},
        {"tp_version0", false},   {"tp_compat0_version5", true},
        {"tp_no_info", false},    {"tp_no_config", true},
        {"tp_info_fails", false},
    };
    for (const auto& c : cases) {
        TempDir dir;
        install(dir, c.plugin, std::string(c.plugin) + ".so");
        PluginManager manager(dir.path().string());
        EXPECT_TRUE(manager.load()) << c.plugin;
        EXPECT_EQ(manager.count(), c.loads ? 1 : 0) << c.plugin;
    }
}

TEST(PluginManager, LibrariesLoadInFileNameOrderAndTheFirstClaimWins) {
    TempDir dir;
    install(dir, "tp_second", "b.so");
    install(dir, "tp_good", "a.so");
    install(dir, "tp_compat2", "0-rejected.so");
    PluginManager manager(dir.path().string());
    ASSERT_TRUE(manager.load());
    ASSERT_EQ(manager.count(), 2);
    EXPECT_EQ(nameOf(manager, 0), "Good");
    EXPECT_EQ(nameOf(manager, 1), "Second");
    EXPECT_EQ(manager.fileName(0), "a.so");
    EXPECT_EQ(manager.findByExtension("TST"), 0);
}

TEST(PluginManager, ExtensionsMatchIgnoringAsciiCase) {
    TempDir dir;
    install(dir, "tp_mp3case", "mp3.so");
    PluginManager manager(dir.path().string());
    ASSERT_TRUE(manager.load());
    for (const char* ext : {"mp3", "MP3", "Mp3", "mP3"})
        EXPECT_EQ(manager.findByExtension(ext), 0) << ext;
    for (const char* ext : {"mp4", "mp", "", "mp3 "})
        EXPECT_EQ(manager.findByExtension(ext), -1) << ext;
    // A file is claimed by the extension after its last dot.
    for (const char* name : {"a.mp3", "B.MP3", "a.b.mp3", ".mp3"})
        EXPECT_TRUE(manager.claims(name)) << name;
    for (const char* name : {"mp3", "a.mp3.txt", "a.", "a.mp4"})
        EXPECT_FALSE(manager.claims(name)) << name;
}

TEST(PluginManager, AtMost128PluginsAreLoaded) {
    TempDir dir;
    for (int i = 0; i < 129; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "p%03d.so", i);
        install(dir, "tp_good", name);
    }
    PluginManager manager(dir.path().string());
    ASSERT_TRUE(manager.load());
    EXPECT_EQ(manager.count(), PluginManager::MaxPlugins);
    EXPECT_EQ(manager.fileName(127), "p127.so");
}

TEST(PluginManager, FilesThatAreNotLibrariesAreSkipped) {
    TempDir dir;
    test::writeFile(dir.file("broken.so"), "this is not a shared library");
    fs::create_directory(dir.path() / "folder.so");
    ASSERT_EQ(::mkfifo(dir.file("fifo.so").c_str(), 0600), 0);
    install(dir, "tp_good", "good.so");
    test::writeFile(dir.file("readme.txt"), "not a plug-in");
    PluginManager manager(dir.path().string());
    ASSERT_TRUE(manager.load());
    EXPECT_EQ(manager.count(), 1);
    EXPECT_EQ(manager.fileName(0), "good.so");
}

TEST(PluginManager, MissingOrEmptyFolderLoadsNothing) {
    PluginManager missing("/nonexistent/plugins");
    EXPECT_FALSE(missing.load());
    EXPECT_EQ(missing.count(), 0);
    TempDir dir;
    PluginManager empty(dir.path().string());
    EXPECT_FALSE(empty.load());
    EXPECT_EQ(empty.count(), 0);
}

TEST(PluginManager, InvalidIndexesCallNothing) {
    TempDir dir;
    install(dir, "tp_good", "good.so");
    PluginManager manager(dir.path().string());
    ASSERT_TRUE(manager.load());
    PluginInfo info{};
    std::strcpy(info.name, "untouched");
    PluginConfigRequest request{};
    for (int index : {-1, 1, 128}) {
        EXPECT_EQ(manager.audioEntry(index), nullptr);
        EXPECT_EQ(manager.getInfo(index, info), 0);
        EXPECT_STREQ(info.name, "untouched");
        EXPECT_FALSE(manager.isConfigurable(index));
        EXPECT_EQ(manager.configure(index, request), -1);
    }
}

TEST(PluginManager, ConfigurePassesTheRequestOrRefusesWithoutTheExport) {
    TempDir dir;
    install(dir, "tp_good", "a.so");
    install(dir, "tp_no_config", "b.so");
    PluginManager manager(dir.path().string());
    ASSERT_TRUE(manager.load());
    ASSERT_EQ(manager.count(), 2);
    PluginConfigRequest request{};
    request.ownerWindow = 41;
    EXPECT_TRUE(manager.isConfigurable(0));
    EXPECT_EQ(manager.configure(0, request), 42);
    EXPECT_FALSE(manager.isConfigurable(1));
    EXPECT_EQ(manager.configure(1, request), -1);
}

TEST(PluginManager, AudioEntryIsCallable) {
    TempDir dir;
    install(dir, "tp_good", "good.so");
    PluginManager manager(dir.path().string());
    ASSERT_TRUE(manager.load());
    GetAudioFileInfoFn analyse = manager.audioEntry(0);
    ASSERT_NE(analyse, nullptr);
    AudioFileInfo info{};
    EXPECT_EQ(analyse(7, &info, 1), 0);
    EXPECT_STREQ(info.Artist + 1, "Good");
    EXPECT_EQ(info.Length, 7);
    EXPECT_EQ(info.Bitrate, 1);
}

TEST(PluginManager, ReloadPicksUpNewLibrariesAndUnloadEmptiesTheTable) {
    TempDir dir;
    install(dir, "tp_good", "a.so");
    PluginManager manager(dir.path().string());
    ASSERT_TRUE(manager.load());
    EXPECT_EQ(manager.count(), 1);
    install(dir, "tp_second", "0.so");
    ASSERT_TRUE(manager.load());
    ASSERT_EQ(manager.count(), 2);
    EXPECT_EQ(nameOf(manager, 0), "Second");
    EXPECT_TRUE(manager.unload());
    EXPECT_EQ(manager.count(), 0);
    EXPECT_EQ(manager.findByExtension("TST"), -1);
}

TEST(PluginManager, ExtensionIsTheTextAfterTheLastDotOfTheName) {
    const struct {
        const char* file;
        const char* ext;
    } cases[] = {
        {"song.MP3", "MP3"},
        {"a.b.mp3", "mp3"},
        {"song", ""},
        {"track.mp3.bak", "bak"},
        {"/music/a.b/track", ""},
        {"/music/a.b/t.ogg", "ogg"},
        {"song.", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PluginManager::extensionOf(c.file), c.ext) << c.file;
}

// A single file goes to its plug-in as a scanned one does: only a regular file is opened
// (a FIFO is refused without waiting for a writer), and a file no plug-in reads is not
// opened at all. What the plug-in got is what the host knows of the file.
TEST(PluginManager, AnalyseFileOpensOnlyRegularFilesOfAClaimedExtension) {
    TempDir plugins, files;
    install(plugins, "tp_good", "good.so");
    PluginManager manager(plugins.path().string());
    ASSERT_TRUE(manager.load());
    const auto write = [&](const std::string& name, const std::string& bytes) {
        std::FILE* f = std::fopen((files.path() / name).c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    };
    write("song.tst", "12345");
    write("SHOUT.TST", "");
    write("notes.txt", "text");
    ASSERT_EQ(::mkfifo((files.path() / "pipe.tst").c_str(), 0644), 0);
    fs::create_directory(files.path() / "folder.tst");

    struct Case {
        const char* name;
        AnalyseOutcome outcome;
        std::uint64_t fileSize;
    };
    const Case cases[] = {
        {"song.tst", AnalyseOutcome::Analysed, 5},
        {"SHOUT.TST", AnalyseOutcome::Analysed, 0},
        {"notes.txt", AnalyseOutcome::NoPlugin, 0},
        {"no-extension", AnalyseOutcome::NoPlugin, 0},
        {"missing.tst", AnalyseOutcome::CannotOpen, 0},
        {"pipe.tst", AnalyseOutcome::CannotOpen, 0},
        {"folder.tst", AnalyseOutcome::CannotOpen, 0},
    };
    for (const Case& c : cases) {
        AudioFileInfo info{};
        std::strcpy(info.Title, "left over");
        int result = -1;
        EXPECT_EQ(manager.analyseFile((files.path() / c.name).string(), 3, info, result), c.outcome)
            << c.name;
        EXPECT_EQ(result, 0) << c.name;
        EXPECT_EQ(info.fileSize, c.fileSize) << c.name;
        EXPECT_STREQ(info.Title, "") << c.name; // nothing of an earlier file stays
        const bool analysed = c.outcome == AnalyseOutcome::Analysed;
        EXPECT_EQ(info.Bitrate, analysed ? 3 : 0) << c.name; // the options went through
        EXPECT_STREQ(info.Artist + 1, analysed ? "Good" : "") << c.name;
    }
}
