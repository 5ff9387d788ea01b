#include "scan/VolumeScanner.h"

#include "plugins/Pluginmanager.h"
#include "storage/RecordFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>

using namespace tl;
using tl::test::readFile;
using tl::test::TempDir;
using tl::test::writeFile;
namespace fs = std::filesystem;

namespace {

class TestScanner : public VolumeScanner {
public:
    ~TestScanner() override { stop(); }
    std::vector<std::string> messages; // "status file"
    std::function<void(TestScanner&)> onMessage;
    bool completed = false;
    int scans = 0;

protected:
    bool message() override {
        messages.push_back(std::to_string(status()) + " " +
                           (status() == StatusOpening || status() == StatusOpenError ||
                                    status() > StatusOutputError
                                ? currentFileName()
                                : std::string()));
        if (onMessage)
            onMessage(*this);
        return true;
    }
    int scanEnded(bool ok) override {
        completed = ok;
        ++scans;
        return ok ? 0 : 1;
    }
};

// A volume mounted at the temporary folder's "vol", labelled and with a FAT serial, in a
// fake mount table; the song databases go to "out".
class VolumeScannerTest : public ::testing::Test {
protected:
    void SetUp() override {
        root = fs::canonical(dir.path()).string();
        vol = root + "/vol";
        out = root + "/out";
        fs::create_directories(vol);
        fs::create_directories(out);
        fs::create_directories(root + "/dev/by-label");
        fs::create_directories(root + "/dev/by-uuid");
        fs::create_symlink("../../sdz1", root + "/dev/by-label/MUSIC");
        fs::create_symlink("../../sdz1", root + "/dev/by-uuid/12AB-34CD");
        mountAs("vfat", "/dev/sdz1");
        paths.diskByLabel = root + "/dev/by-label";
        paths.diskByUuid = root + "/dev/by-uuid";
        paths.useBlkid = false;
        fs::create_directories(root + "/plugins");
        fs::copy_file(TL_SCAN_PLUGIN, root + "/plugins/scan.so");
        plugins = std::make_unique<PluginManager>(root + "/plugins");
        ASSERT_TRUE(plugins->load());
    }
    void mountAs(const std::string& type, const std::string& device) {
        paths.mountInfo = root + "/mountinfo";
        std::ofstream(paths.mountInfo)
            << "26 1 254:0 / / rw - ext4 /dev/vda rw\n"
            << "40 26 8:1 / " << vol << " rw - " << type << " " << device << " rw\n";
    }
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
        return s.wait();
    }
    std::vector<Fields> records(const std::string& path) {
        RecordFile file;
        EXPECT_EQ(file.open(path), RecordResult::Ok);
        EXPECT_EQ(file.fieldCount(), 24u);
        EXPECT_EQ(file.type().tagText(), "SngD");
        std::vector<Fields> all;
        PackedRecord record;
        while (file.readNext(record) == RecordResult::Ok) {
            Fields f;
            file.unpack(&record, f, SongFieldWidth);
            all.push_back(f);
        }
        return all;
    }
    std::vector<std::string> outFiles() {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(out))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    TempDir dir;
    std::string root, vol, out;
    PlatformPaths paths;
    std::unique_ptr<PluginManager> plugins;
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
        int pipeFds[2];
        ASSERT_EQ(::pipe(pipeFds), 0);
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{c.limit, c.limit};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            std::string report;
            {
                TestScanner s;
                const int code = scan(s, vol);
                report = std::to_string(code) + "|" + s.messages.back() + "|" +
                         std::to_string(std::count(s.messages.begin(), s.messages.end(), "256 "));
            }
            [[maybe_unused]] auto n = ::write(pipeFds[1], report.data(), report.size());
            ::_exit(0);
        }
        ::close(pipeFds[1]);
        char buffer[256];
        const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
        ::close(pipeFds[0]);
        int wstatus = 0;
        ::waitpid(pid, &wstatus, 0);
        EXPECT_EQ(std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0), "1|256 |1")
            << c.what;
        EXPECT_EQ(outFiles(), std::vector<std::string>{"CD 1.sds"}) << c.what;
        EXPECT_EQ(readFile(out + "/CD 1.sds"), "EARLIER") << c.what;
    }
}
