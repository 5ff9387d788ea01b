#include "scan/VolumeScanner.h"

#include "ScanVolume.h"
#include "plugins/Pluginmanager.h"
#include "storage/RecordFile.h"
#include "support/FileSizeLimit.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <climits>
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

TEST_F(VolumeScannerTest, LongestLegalDatabaseNameIsWritten) {
    // Names of NAME_MAX bytes with ".sds", in ASCII and in two-byte letters.
    writeFile(vol + "/a.mp3", "title=A\n");
    std::string accented = "x";
    while (accented.size() + 2 + 4 <= NAME_MAX)
        accented += "\xC3\xA9"; // é
    for (const std::string& name : {std::string(NAME_MAX - 4, 'x'), accented}) {
        SCOPED_TRACE(name);
        ASSERT_EQ(name.size() + 4, static_cast<std::size_t>(NAME_MAX));
        TestScanner s;
        EXPECT_EQ(scan(s, vol, name), 0);
        EXPECT_EQ(outFiles(), std::vector<std::string>{name + ".sds"});
        EXPECT_EQ(records(out + "/" + name + ".sds").size(), 1u);
        fs::remove(out + "/" + name + ".sds");
    }
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

// The read-ahead only shortens the waiting: with it off, with a narrow window and with the
// usual one, a scan gives the same records, the same events and the same statuses, in the
// same order, over a tree that changes and resists while it is scanned, and when the scan
// is cancelled in the middle.
TEST_F(VolumeScannerTest, ReadAheadChangesNothingTheScanReports) {
    // Built anew for each scan, since the scan's listener changes it.
    const auto buildTree = [this] {
        if (fs::exists(vol + "/L"))
            fs::permissions(vol + "/L", fs::perms::owner_all);
        fs::remove_all(vol);
        fs::create_directories(vol);
        writeFile(vol + "/01 empty.mp3", "");
        writeFile(vol + "/02 locked.mp3", "title=Locked\n");
        fs::permissions(vol + "/02 locked.mp3", fs::perms::none);
        EXPECT_EQ(::mkfifo((vol + "/03 pipe.mp3").c_str(), 0644), 0);
        const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s/04 socket.mp3", vol.c_str());
        EXPECT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
        ::close(sock);
        writeFile(vol + "/05 vanishes.mp3", "title=Gone\n");
        writeFile(vol + "/06 result5.mp3", "result=5\ntitle=Broken tag\n");
        writeFile(vol + "/07 slow.mp3", "delay_ms=40\ntitle=Slow\n");
        for (int i = 8; i <= 12; ++i)
            writeFile(vol + "/" + std::to_string(i) + ".mp3",
                      "title=T" + std::to_string(i) + "\n" + std::string(i * 100, ' '));
        fs::create_directories(vol + "/A");
        fs::create_directories(vol + "/B/C");
        fs::create_directories(vol + "/gone");
        fs::create_directories(vol + "/L");
        for (const char* f :
             {"A/1.mp3", "A/2.mp3", "A/3.mp3", "B/y.mp3", "B/C/x.mp3", "gone/z.mp3", "L/l.mp3"})
            writeFile(vol + "/" + f, std::string("title=") + f + "\n");
        fs::permissions(vol + "/L", fs::perms::none);
    };
    struct Scan {
        std::vector<std::string> messages;
        std::vector<ScanEvent> events;
        std::vector<Fields> records;
    };
    const auto scanWith = [&](ReadAheadOptions options, const std::string& stopAt) {
        buildTree();
        TestScanner s;
        s.setReadAhead(options);
        s.onMessage = [&](TestScanner& self) {
            const std::string& m = self.messages.back();
            if (m == "7 01 empty.mp3")         // the root is listed: a folder goes before the walk
                fs::remove_all(vol + "/gone"); // comes to it
            if (m == "7 05 vanishes.mp3")      // listed, and gone before the open
                fs::remove(vol + "/05 vanishes.mp3");
            if (m == stopAt)
                self.requestStop();
        };
        scan(s, vol);
        Scan result{s.messages, s.events, {}};
        if (s.completed)
            result.records = records(out + "/CD 1.sds");
        for (Fields& r : result.records)
            r[ScanDate].clear(); // a scan may run past midnight
        fs::permissions(vol + "/L", fs::perms::owner_all);
        return result;
    };

    // Run as root, permissions do not keep the scan out: then the locked file and folder
    // are read like any other.
    buildTree();
    const bool locked = ::access((vol + "/02 locked.mp3").c_str(), R_OK) != 0;
    fs::permissions(vol + "/L", fs::perms::owner_all);
    std::vector<std::string> expected = {"5 ", "6 ", "7 01 empty.mp3", "7 02 locked.mp3"};
    if (locked)
        expected.push_back("4 02 locked.mp3");
    for (const char* m : {"7 03 pipe.mp3",
                          "4 03 pipe.mp3",
                          "7 04 socket.mp3",
                          "4 04 socket.mp3",
                          "7 05 vanishes.mp3",
                          "4 05 vanishes.mp3",
                          "7 06 result5.mp3",
                          "261 06 result5.mp3",
                          "7 07 slow.mp3",
                          "7 10.mp3",
                          "7 11.mp3",
                          "7 12.mp3",
                          "7 8.mp3",
                          "7 9.mp3",
                          "6 ",
                          "7 1.mp3",
                          "7 2.mp3",
                          "7 3.mp3",
                          "6 ",
                          "7 y.mp3",
                          "6 ",
                          "7 x.mp3"})
        expected.push_back(m);
    const std::size_t atY = expected.size() - 3;
    std::vector<std::string> tail;
    if (locked)
        tail = {"3 ", "0 "};
    else
        tail = {"6 ", "7 l.mp3", "0 "};
    // "gone" was listed with the root and removed before the walk came to it.
    expected.push_back("3 ");
    expected.insert(expected.end(), tail.begin(), tail.end());
    std::vector<std::string> names = {
        "01 empty.mp3", "06 result5.mp3", "07 slow.mp3", "10.mp3", "11.mp3", "12.mp3", "8.mp3",
        "9.mp3",        "1.mp3",          "2.mp3",       "3.mp3",  "y.mp3",  "x.mp3"};
    if (!locked) {
        names.insert(names.begin() + 1, "02 locked.mp3");
        names.push_back("l.mp3");
    }

    ReadAheadOptions off;
    off.files = 0;
    ReadAheadOptions narrow;
    narrow.files = 2;
    narrow.bytes = 1024;
    const ReadAheadOptions usual;
    const Scan reference = scanWith(off, "");
    EXPECT_EQ(reference.messages, expected);
    std::vector<std::string> recorded;
    for (const Fields& r : reference.records)
        recorded.push_back(r[FName]);
    EXPECT_EQ(recorded, names);
    EXPECT_EQ(reference.records.front()[Size], "0");
    EXPECT_EQ(reference.events.back().filesDone, names.size());

    const Scan cancelled = scanWith(off, "7 y.mp3");
    std::vector<std::string> upToY(expected.begin(), expected.begin() + atY + 1);
    upToY.push_back("1 ");
    EXPECT_EQ(cancelled.messages, upToY);
    EXPECT_TRUE(cancelled.records.empty()); // the earlier database stays: there is none

    for (const ReadAheadOptions& options : {narrow, usual}) {
        const Scan same = scanWith(options, "");
        EXPECT_EQ(same.events, reference.events) << options.files;
        EXPECT_EQ(same.records, reference.records) << options.files;
        const Scan sameCancel = scanWith(options, "7 y.mp3");
        EXPECT_EQ(sameCancel.events, cancelled.events) << options.files;
        EXPECT_EQ(outFiles(), std::vector<std::string>{"CD 1.sds"});
    }
}
