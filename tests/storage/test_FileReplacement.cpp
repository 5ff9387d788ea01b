// Files that replace a user's earlier one: temporary names that fit wherever the final name
// fits, and data on the disk before the rename. The file system calls that make data
// durable are watched through stand-ins for fsync and rename that log each call and then
// make it.
#include "storage/FileReplacement.h"

#include "digest/Smartdigest.h"
#include "locale/ProfileWriter.h"
#include "report/ReportEngine.h"
#include "storage/Utf8.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace {

std::mutex g_logLock;
std::vector<std::string> g_log; // "fsync PATH", "rename FROM TO"

std::string pathOfDescriptor(int fd) {
    char path[PATH_MAX];
    const ssize_t n =
        ::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), path, sizeof path);
    return n > 0 ? std::string(path, static_cast<std::size_t>(n)) : std::string("?");
}

void logCall(std::string call) {
    const std::lock_guard lock(g_logLock);
    g_log.push_back(std::move(call));
}

} // namespace

extern "C" int fsync(int fd) {
    static const auto real = reinterpret_cast<int (*)(int)>(::dlsym(RTLD_NEXT, "fsync"));
    logCall("fsync " + pathOfDescriptor(fd));
    return real(fd);
}

extern "C" int rename(const char* from, const char* to) noexcept {
    static const auto real =
        reinterpret_cast<int (*)(const char*, const char*)>(::dlsym(RTLD_NEXT, "rename"));
    logCall(std::string("rename ") + from + " " + to);
    return real(from, to);
}

namespace tl {
namespace {

using test::TempDir;

/** The calls logged since the last look whose paths lie in @p folder, with the folder's
 *  path written as "DIR" and the temporary file's name as "TEMP". */
std::vector<std::string> durableCalls(const std::string& folder) {
    std::vector<std::string> calls;
    const std::lock_guard lock(g_logLock);
    std::string temp;
    for (std::string call : g_log) {
        if (call.find(folder) == std::string::npos)
            continue;
        for (std::size_t at; (at = call.find(folder)) != std::string::npos;)
            call.replace(at, folder.size(), "DIR");
        const std::size_t start = call.find("DIR/.");
        if (start != std::string::npos) {
            const std::size_t end = call.find(' ', start);
            temp = call.substr(start, end == std::string::npos ? end : end - start);
            call.replace(start, temp.size(), "DIR/TEMP");
        }
        calls.push_back(call);
    }
    g_log.clear();
    return calls;
}

class FileReplacementTest : public testing::Test {
protected:
    void SetUp() override {
        folder = std::filesystem::canonical(dir.path()).string();
        durableCalls(folder);
    }
    TempDir dir;
    std::string folder;
};

TEST_F(FileReplacementTest, DataReachesTheDiskBeforeTheRenameAndTheFolderAfterIt) {
    test::writeFile(folder + "/Rock.sdd", "EARLIER");
    FileReplacement replacement(folder + "/Rock.sdd");
    test::writeFile(replacement.tempPath(), "NEW");
    ASSERT_TRUE(replacement.commit());
    EXPECT_EQ(test::readFile(folder + "/Rock.sdd"), "NEW");
    EXPECT_EQ(
        durableCalls(folder),
        (std::vector<std::string>{"fsync DIR/TEMP", "rename DIR/TEMP DIR/Rock.sdd", "fsync DIR"}));
}

TEST_F(FileReplacementTest, FailedCommitKeepsTheEarlierFileAndLeavesNoTemporaryFile) {
    // The temporary file was never written: nothing to sync, nothing replaced.
    test::writeFile(folder + "/Rock.sdd", "EARLIER");
    {
        FileReplacement replacement(folder + "/Rock.sdd");
        EXPECT_FALSE(replacement.commit());
    }
    // The final name is a folder, which a file cannot be renamed over.
    std::filesystem::create_directory(folder + "/Jazz.sdd");
    {
        FileReplacement replacement(folder + "/Jazz.sdd");
        test::writeFile(replacement.tempPath(), "NEW");
        EXPECT_FALSE(replacement.commit());
    }
    EXPECT_EQ(test::readFile(folder + "/Rock.sdd"), "EARLIER");
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Jazz.sdd", "Rock.sdd"}));
}

TEST_F(FileReplacementTest, TemporaryNameFitsWheneverTheFinalNameDoes) {
    // Final names up to the longest the folder takes (NAME_MAX bytes here), in ASCII and in
    // three-byte characters.
    const std::string kana = "\xE3\x81\x82"; // あ
    std::string kanaName;
    while (kanaName.size() + kana.size() + 4 <= NAME_MAX)
        kanaName += kana;
    const std::string names[] = {
        "a",
        "Rock.sdd",
        std::string(200, 'x') + ".sdd",
        std::string(238, 'x') + ".sds",
        std::string(NAME_MAX - 4, 'x') + ".sds",
        kanaName + ".sdd",
    };
    for (const std::string& name : names) {
        SCOPED_TRACE(name.size());
        FileReplacement first(folder + "/" + name);
        FileReplacement second(folder + "/" + name);
        const std::string temp = std::string(fileNameOf(first.tempPath()));
        EXPECT_LE(temp.size(), static_cast<std::size_t>(NAME_MAX));
        EXPECT_EQ(directoryOf(first.tempPath()), folder + "/");
        EXPECT_EQ(temp.front(), '.') << "hidden";
        EXPECT_EQ(utf8Sanitized(temp), temp) << "no character is split";
        EXPECT_NE(first.tempPath(), second.tempPath());
        test::writeFile(first.tempPath(), "NEW");
        ASSERT_TRUE(first.commit());
        EXPECT_EQ(test::readFile(folder + "/" + name), "NEW");
    }
}

// Every writer of a file that replaces an earlier one goes through the same steps, and
// takes the longest name the folder allows.
TEST_F(FileReplacementTest, DigestsReportsAndSettingsReachTheDiskBeforeTheirRename) {
    const std::string songs = folder + "/in.sds";
    {
        RecordFile file(FieldCount);
        file.setType(RecordType::make("SngD", 1, 1));
        ASSERT_EQ(file.create(songs), RecordResult::Ok);
        Fields song = emptyRecord();
        song[Path] = "Music/Blue Lake - Northern Roads";
        song[Artist] = "Blue Lake";
        song[Album] = "Northern Roads";
        ASSERT_EQ(file.append(file.pack(song, SongFieldWidth)), RecordResult::Ok);
        ASSERT_EQ(file.close(), RecordResult::Ok);
    }
    test::writeFile(folder + "/albums.tpl", "[General]\nTPLVersion=1\nType=AlbumList\n"
                                            "[Item]\nItem=%Artist%%n\n");
    const std::string digest = folder + "/Rock.sdd";
    struct Case {
        const char* extension;
        std::function<bool(const std::string&)> write;
    };
    const Case cases[] = {
        {".sdd",
         [&](const std::string& path) {
             DigestBuilder builder;
             return builder.run(songs, path) == DigestResult::Done;
         }},
        {".txt",
         [&](const std::string& path) {
             ReportEngine engine;
             if (engine.loadRecords({digest}, nullptr).status != ReportLoad::Ok)
                 return false;
             const TemplateLoadResult loaded = loadReportTemplate(folder + "/albums.tpl");
             return loaded.ok() && engine.generate(loaded.tpl, path).ok() &&
                    test::readFile(path) == "Blue Lake\r\n";
         }},
        {".ini",
         [](const std::string& path) {
             const ProfileValue values[] = {{"autoOpen", "1"}};
             return writeProfileValues(path, "Settings", values);
         }},
    };
    ASSERT_TRUE(cases[0].write(digest));
    for (const Case& c : cases) {
        for (const std::string& stem : {std::string("Rock"), std::string(NAME_MAX - 4, 'x')}) {
            const std::string name = stem + c.extension;
            SCOPED_TRACE(testing::Message() << name.size() << "-byte " << c.extension);
            durableCalls(folder);
            ASSERT_TRUE(c.write(folder + "/" + name));
            EXPECT_EQ(durableCalls(folder),
                      (std::vector<std::string>{"fsync DIR/TEMP", "rename DIR/TEMP DIR/" + name,
                                                "fsync DIR"}));
        }
    }
}

} // namespace
} // namespace tl
