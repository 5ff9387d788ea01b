#include "scan/VolumeScanner.h"

#include "ScanVolume.h"
#include "plugins/Pluginmanager.h"
#include "storage/RecordFile.h"
#include "support/FileSizeLimit.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>

using namespace tl;
using tl::test::readFile;
using tl::test::ScanVolumeTest;
using tl::test::TempDir;
using tl::test::writeFile;
namespace fs = std::filesystem;

namespace {

// A scanner that listens to itself: every event as "status file" and as the value.
class TestScanner : public VolumeScanner, public ScanListener {
public:
    TestScanner() { setListener(this); }
    ~TestScanner() override { stop(); }
    std::vector<std::string> messages;
    std::vector<ScanEvent> events;
    std::function<void(TestScanner&)> onMessage;
    bool completed = false;
    int scans = 0;

    void scanEvent(const ScanEvent& event) override {
        events.push_back(event);
        messages.push_back(std::to_string(event.status) + " " + event.file);
        if (onMessage)
            onMessage(*this);
    }
    void scanEnded(bool ok) override {
        completed = ok;
        ++scans;
    }
};

class VolumeScannerTest : public ScanVolumeTest {
protected:
    // Runs a scan of @p folder into out/@p name.sds; returns the exit code.
    int scan(TestScanner& s, const std::string& folder, const std::string& name = "CD 1") {
        s.setPluginManager(plugins.get());
        s.setPlatformPaths(paths);
        s.setRootDirectory(folder);
        s.setDatabaseName(name);
        s.setOutputDirectory(out);
        const int begun = s.beginScan();
        if (begun != VolumeScanner::BeginOk)
            return -begun;
        return s.wait() == 1 ? 0 : 1; // the walk's result: 1 when it completed
    }
};

std::int32_t today(bool local) {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    local ? ::localtime_r(&now, &tm) : ::gmtime_r(&now, &tm);
    return dayNumber(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
}

} // namespace

TEST_F(VolumeScannerTest, RecordsCarryVolumeFileAndPluginFieldsInWalkOrder) {
    fs::create_directories(vol + "/Music/Rock");
    writeFile(vol + "/Music/Rock/b.MP3", "artist=Band\ntitle=Song\nlength=183456\nbitrate=192\n"
                                         "frequency=44100\n");
    writeFile(vol + "/Music/Rock/a.b.mp3", "result=5\ntitle=Hidden\nflag=Title\n");
    writeFile(vol + "/Music/Rock/noext", "x");
    writeFile(vol + "/Music/Rock/c.mp3.txt", "x");
    writeFile(vol + "/top.mp3", "frequency=3000000000\n");
    TestScanner s;
    EXPECT_EQ(scan(s, vol), 0);
    EXPECT_TRUE(s.completed);
    const std::vector<Fields> r = records(out + "/CD 1.sds");
    ASSERT_EQ(r.size(), 3u);
    const Fields& top = r[0];
    EXPECT_EQ(top[FName], "top.mp3");
    EXPECT_EQ(top[Path], "");
    EXPECT_EQ(top[Frequency], "-1294967296"); // written as a signed 32-bit number
    const Fields& ab = r[1];
    EXPECT_EQ(ab[FName], "a.b.mp3");
    EXPECT_EQ(ab[Title], ""); // its reserved byte was set
    const Fields& b = r[2];
    const std::string size = std::to_string(fs::file_size(vol + "/Music/Rock/b.MP3"));
    const Fields expected = {"CD 1",
                             "Band",
                             "Song",
                             "",
                             "",
                             "",
                             "MUSIC",
                             "12AB34CD",
                             "Music/Rock",
                             "b.MP3",
                             size,
                             "183456",
                             "MPG1/3",
                             "192",
                             "44100",
                             "",
                             "",
                             "",
                             "options=0;offset=0;size=" + size,
                             "",
                             "",
                             "",
                             std::to_string(today(false)),
                             std::to_string(today(true))};
    EXPECT_EQ(b, expected);
    // The plug-in's complaint about a.b.mp3 comes after its record, and the walk went on.
    const std::vector<std::string> tail(s.messages.end() - 4, s.messages.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"7 a.b.mp3", "261 a.b.mp3", "7 b.MP3", "0 "}));
    EXPECT_EQ(s.recordCount(), 3u);
}

TEST_F(VolumeScannerTest, PluginsGetTheOptionsTheOwnerSet) {
    writeFile(vol + "/a.mp3", "title=A\n");
    for (const int options : {0, TL_AFI_OPTION_MODERN_TAGS, TL_AFI_OPTION_MODERN_TAGS | 1}) {
        TestScanner s;
        if (options != 0)
            s.setPluginOptions(options);
        ASSERT_EQ(scan(s, vol), 0);
        const std::vector<Fields> r = records(out + "/CD 1.sds");
        ASSERT_EQ(r.size(), 1u);
        EXPECT_EQ(r[0][Comment].substr(0, r[0][Comment].find(';')),
                  "options=" + std::to_string(options));
    }
}

TEST_F(VolumeScannerTest, BeginScanRefusesUnidentifiableFoldersAndUncreatableDatabases) {
    TestScanner missing;
    EXPECT_EQ(scan(missing, vol + "/absent"), -VolumeScanner::BeginNotReady);
    TestScanner noOutput;
    noOutput.setOutputDirectory(out + "/absent");
    noOutput.setPluginManager(plugins.get());
    noOutput.setPlatformPaths(paths);
    noOutput.setRootDirectory(vol);
    noOutput.setDatabaseName("CD");
    EXPECT_EQ(noOutput.beginScan(), VolumeScanner::BeginOutputError);
    EXPECT_TRUE(outFiles().empty());
    EXPECT_EQ(missing.scans + noOutput.scans, 0);
}

TEST_F(VolumeScannerTest, EarlierDatabaseIsReplacedOnlyByACompletedScan) {
    fs::create_directories(vol + "/sub");
    writeFile(vol + "/a.mp3", "title=A\n");
    writeFile(vol + "/sub/b.mp3", "title=B\n");
    const struct {
        const char* stopAt; // message at which the owner cancels; empty: never
        bool replaced;
        const char* last;
    } cases[] = {
        {"", true, "0 "},
        {"5 ", false, "1 "},
        {"7 a.mp3", false, "1 "},
    };
    for (const auto& c : cases) {
        writeFile(out + "/CD 1.sds", "EARLIER");
        TestScanner s;
        const std::string stopAt = c.stopAt;
        s.onMessage = [&](TestScanner& self) {
            if (self.messages.back() == stopAt)
                self.requestStop();
        };
        EXPECT_EQ(scan(s, vol), c.replaced ? 0 : 1) << c.stopAt;
        EXPECT_EQ(s.messages.back(), c.last) << c.stopAt;
        EXPECT_EQ(s.completed, c.replaced);
        EXPECT_EQ(outFiles(), std::vector<std::string>{"CD 1.sds"}) << c.stopAt;
        if (c.replaced)
            EXPECT_EQ(records(out + "/CD 1.sds").size(), 2u);
        else
            EXPECT_EQ(readFile(out + "/CD 1.sds"), "EARLIER") << c.stopAt;
    }
}

TEST_F(VolumeScannerTest, EmptyTreeGivesAHeaderOnlyDatabase) {
    TestScanner s;
    EXPECT_EQ(scan(s, vol, "Empty"), 0);
    EXPECT_EQ(fs::file_size(out + "/Empty.sds"), RecordHeaderSize);
    EXPECT_EQ(s.messages, (std::vector<std::string>{"5 ", "6 ", "0 "}));
}

TEST_F(VolumeScannerTest, NetworkVolumeKeepsTheWholePathAndHasNoLabel) {
    mountAs("nfs4", "server:/export");
    fs::create_directories(vol + "/Jazz");
    writeFile(vol + "/Jazz/x.mp3", "title=X\n");
    TestScanner s;
    EXPECT_EQ(scan(s, vol + "/Jazz"), 0);
    const std::vector<Fields> r = records(out + "/CD 1.sds");
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0][VolName], "");
    EXPECT_EQ(r[0][VolSerial], "");
    EXPECT_EQ(r[0][Path], vol + "/Jazz");
}

// A full disk, played by a file-size limit in a child process: the scan ends with the
// output error, the incomplete database is removed and the earlier one stays.
TEST_F(VolumeScannerTest, FullDiskEndsTheScanAndKeepsTheEarlierDatabase) {
    const struct {
        int files;
        rlim_t limit;
        const char* what;
    } cases[] = {
        {300, 100 * 1024, "a record cannot be appended"},
        {6, 4 * 1024, "the last buffered records cannot be written"},
    };
    for (const auto& c : cases) {
        fs::remove_all(vol);
        fs::create_directories(vol);
        for (int i = 0; i < c.files; ++i)
            writeFile(vol + "/" + std::to_string(1000 + i) + ".mp3", "comment_size=1000\n");
        writeFile(out + "/CD 1.sds", "EARLIER");
        const std::string answer = tl::test::withFileSizeLimit(c.limit, [this] {
            TestScanner s;
            const int code = scan(s, vol);
            return std::to_string(code) + "|" + s.messages.back() + "|" +
                   std::to_string(std::count(s.messages.begin(), s.messages.end(), "256 "));
        });
        EXPECT_EQ(answer, "1|256 |1") << c.what;
        EXPECT_EQ(outFiles(), std::vector<std::string>{"CD 1.sds"}) << c.what;
        EXPECT_EQ(readFile(out + "/CD 1.sds"), "EARLIER") << c.what;
    }
}
