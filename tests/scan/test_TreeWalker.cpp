#include "scan/TreeWalker.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <future>

using namespace tl;
using tl::test::TempDir;
using tl::test::writeFile;
namespace fs = std::filesystem;

namespace {

// Records every notification as "status directory|file" and every processed file.
class RecordingWalker : public TreeWalker {
public:
    ~RecordingWalker() override { stop(); }

    std::vector<std::string> events;
    std::vector<std::string> processed;
    std::function<void(RecordingWalker&)> onNotify;
    std::function<void(RecordingWalker&)> onProcess;

    int walk(const std::string& root) {
        setRootDirectory(root);
        EXPECT_TRUE(start());
        return wait();
    }
    std::string last() const { return events.empty() ? std::string() : events.back(); }

protected:
    void notify() override {
        std::string e = std::to_string(status()) + " ";
        if (status() == StatusOpening || status() == StatusOpenError)
            e += currentFileName();
        else if (status() != StatusDone && status() != StatusStarted && status() != StatusAborted)
            e += currentDirectory();
        events.push_back(e);
        if (onNotify)
            onNotify(*this);
    }
    bool accept(std::string_view name) override {
        return name.size() > 4 && TreeWalker::nameLess(name.substr(name.size() - 4), ".mp4");
    }
    bool process(int) override {
        processed.push_back(currentFileName() + ":" + std::to_string(currentFileSize()));
        if (onProcess)
            onProcess(*this);
        return true;
    }
};

std::vector<std::string> filesOf(const std::vector<std::string>& events) {
    std::vector<std::string> out;
    for (const std::string& e : events)
        if (e.rfind("7 ", 0) == 0)
            out.push_back(e.substr(2));
    return out;
}

int openDescriptors() {
    int n = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd"))
        ++n;
    return n;
}

} // namespace

TEST(TreeWalker, NameOrderFoldsOnlyAsciiLetters) {
    const struct {
        const char* a;
        const char* b;
        bool less;
    } cases[] = {
        {"A.mp3", "b.MP3", true}, {"b.MP3", "A.mp3", false}, {"_intro", "abc", true},
        {"Zed", "_x", false},     {".dot", "A", true},       {"ab", "ABC", true},
        {"ABC", "abc", true},     {"abc", "ABC", false},     {"\xc3\x89t\xc3\xa9", "z", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TreeWalker::nameLess(c.a, c.b), c.less) << c.a << " < " << c.b;
}

TEST(TreeWalker, VisitsFilesFirstThenSubdirectoriesInFoldedOrder) {
    TempDir dir;
    const std::string r = fs::canonical(dir.path()).string();
    for (const char* d : {"z", "B", ".dot", "B/empty"})
        fs::create_directories(r + "/" + d);
    for (const char* f : {"b.MP3", "A.mp3", "_intro.mp3", ".hidden.mp3", "notes.txt", "B/x.mp3",
                          "z/y.mp3", ".dot/d.mp3"})
        writeFile(r + "/" + f, f);
    RecordingWalker w;
    EXPECT_EQ(w.walk(r), 1);
    const std::vector<std::string> expected = {"5 ",
                                               "6 " + r,
                                               "7 .hidden.mp3",
                                               "7 _intro.mp3",
                                               "7 A.mp3",
                                               "7 b.MP3",
                                               "6 " + r + "/.dot",
                                               "7 d.mp3",
                                               "6 " + r + "/B",
                                               "7 x.mp3",
                                               "6 " + r + "/B/empty",
                                               "6 " + r + "/z",
                                               "7 y.mp3",
                                               "0 "};
    EXPECT_EQ(w.events, expected);
    EXPECT_EQ(w.processed.front(), ".hidden.mp3:11");
    EXPECT_EQ(w.processed.size(), 7u);
}

TEST(TreeWalker, MissingRootReportsDirectoryErrorWithEmptyPath) {
    TempDir dir;
    RecordingWalker w;
    EXPECT_EQ(w.walk(dir.file("absent")), 0);
    EXPECT_EQ(w.events, (std::vector<std::string>{"5 ", "3 "}));
    writeFile(dir.file("plain.mp3"), "x");
    RecordingWalker onFile;
    EXPECT_EQ(onFile.walk(dir.file("plain.mp3")), 0);
    EXPECT_EQ(onFile.last(), "3 ");
}

TEST(TreeWalker, TerminateFlagStopsAtTheNextFileOrDirectory) {
    TempDir dir;
    const std::string r = fs::canonical(dir.path()).string();
    fs::create_directories(r + "/sub");
    for (const char* f : {"a.mp3", "b.mp3", "sub/c.mp3"})
        writeFile(r + "/" + f, "x");
    const struct {
        const char* when; // the event at which the owner asks to stop
        std::vector<std::string> processed;
    } cases[] = {
        {"7 a.mp3", {"a.mp3:1"}}, // the file being opened is still finished
        {"7 b.mp3", {"a.mp3:1", "b.mp3:1"}},
        {"6 sub", {"a.mp3:1", "b.mp3:1"}},
        {"5 ", {}},
    };
    for (const auto& c : cases) {
        RecordingWalker w;
        const std::string when = c.when;
        w.onNotify = [&](RecordingWalker& self) {
            const std::string& e = self.events.back();
            if (e == when || (when == "6 sub" && e == "6 " + r + "/sub"))
                self.requestStop();
        };
        EXPECT_EQ(w.walk(r), 0) << c.when;
        EXPECT_EQ(w.processed, c.processed) << c.when;
        EXPECT_EQ(w.last(), "1 ") << c.when;
    }
}

TEST(TreeWalker, UnreadableEntriesAreReportedAndTheWalkGoesOn) {
    TempDir dir;
    const std::string r = fs::canonical(dir.path()).string();
    for (const char* d : {"a-gone", "b-empty", "c-next"})
        fs::create_directories(r + "/" + d);
    writeFile(r + "/c-next/last.mp3", "x");
    writeFile(r + "/1-vanishes.mp3", "x");
    fs::create_symlink(r + "/nowhere.mp3", r + "/2-dangling.mp3");
    ASSERT_EQ(::mkfifo((r + "/3-pipe.mp3").c_str(), 0644), 0);
    writeFile(r + "/4-\xff\xfe.mp3", "ab");
    writeFile(r + "/5-new\nline.mp3", "abc");
    fs::create_directory_symlink(r + "/c-next", r + "/d-link");

    RecordingWalker w;
    w.onNotify = [&](RecordingWalker& self) {
        if (self.last() == "7 1-vanishes.mp3") {
            fs::remove(r + "/1-vanishes.mp3");
            fs::remove(r + "/a-gone");
        }
    };
    EXPECT_EQ(w.walk(r), 1);
    const std::vector<std::string> expected = {"5 ",
                                               "6 " + r,
                                               "7 1-vanishes.mp3",
                                               "4 1-vanishes.mp3",
                                               "7 2-dangling.mp3",
                                               "4 2-dangling.mp3",
                                               "7 3-pipe.mp3",
                                               "4 3-pipe.mp3",
                                               "7 4-\xff\xfe.mp3",
                                               "7 5-new\nline.mp3",
                                               "3 " + r + "/a-gone",
                                               "6 " + r + "/b-empty",
                                               "6 " + r + "/c-next",
                                               "7 last.mp3",
                                               "0 "};
    EXPECT_EQ(w.events, expected);
    EXPECT_EQ(w.processed,
              (std::vector<std::string>{"4-\xff\xfe.mp3:2", "5-new\nline.mp3:3", "last.mp3:1"}));
}

TEST(TreeWalker, UnopenableFilesAreSkippedButAnUnlistableFolderEndsTheWalk) {
    TempDir dir;
    const std::string r = fs::canonical(dir.path()).string();
    fs::create_directories(r + "/a");
    fs::create_directories(r + "/b");
    writeFile(r + "/b/late.mp3", "x");
    fs::create_symlink(r + "/nowhere.mp3", r + "/a/dangling.mp3");

    // A file that cannot be opened is reported and the walk goes on with the next folder.
    RecordingWalker skipping;
    EXPECT_EQ(skipping.walk(r), 1);
    EXPECT_EQ(skipping.events,
              (std::vector<std::string>{"5 ", "6 " + r, "6 " + r + "/a", "7 dangling.mp3",
                                        "4 dangling.mp3", "6 " + r + "/b", "7 late.mp3", "0 "}));
    EXPECT_EQ(skipping.processed, std::vector<std::string>{"late.mp3:1"});

    // Without a descriptor to spare the root can be opened but not listed: status 2 ends
    // the walk at once.
    RecordingWalker listing;
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &old), 0);
    rlimit low = old;
    low.rlim_cur = static_cast<rlim_t>(openDescriptors() + 8);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
    std::vector<int> fillers; // every free descriptor but one
    for (int fd; (fd = ::dup(0)) >= 0;)
        fillers.push_back(fd);
    ::close(fillers.back());
    fillers.pop_back();
    const int result = listing.walk(r);
    for (const int fd : fillers)
        ::close(fd);
    ::setrlimit(RLIMIT_NOFILE, &old);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(listing.events, (std::vector<std::string>{"5 ", "6 " + r, "2 " + r}));
}

TEST(TreeWalker, VeryDeepTreeIsWalkedWithFewDescriptors) {
    TempDir dir;
    const std::string r = fs::canonical(dir.path()).string();
    // Every level holds "d" (the next level) and "e" with one file, so after each deep
    // walk the level goes on with a sibling.
    constexpr int Depth = 150;
    std::string level = r;
    std::vector<std::string> expected;
    for (int i = 0; i < Depth; ++i) {
        level += "/d";
        fs::create_directories(level + "/e");
        writeFile(level + "/e/f" + std::to_string(i) + ".mp3", "x");
        expected.insert(expected.begin(), "f" + std::to_string(i) + ".mp3");
    }
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &old), 0);
    rlimit low = old;
    low.rlim_cur = static_cast<rlim_t>(openDescriptors() + 60);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
    const int before = openDescriptors();
    RecordingWalker w;
    const int result = w.walk(r);
    const int after = openDescriptors();
    ::setrlimit(RLIMIT_NOFILE, &old);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(filesOf(w.events), expected);
    EXPECT_EQ(before, after);
}

TEST(TreeWalker, StartRefusesWhileRunningAndRestartsAfterwards) {
    TempDir dir;
    writeFile(dir.file("a.mp3"), "x");
    RecordingWalker w;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::promise<void> inside;
    w.onProcess = [&](RecordingWalker&) {
        inside.set_value();
        released.wait();
    };
    w.setRootDirectory(dir.path().string());
    ASSERT_TRUE(w.start());
    inside.get_future().wait();
    EXPECT_TRUE(w.isRunning());
    EXPECT_FALSE(w.start());
    release.set_value();
    EXPECT_EQ(w.wait(), 1);
    EXPECT_FALSE(w.isRunning());
    w.onProcess = nullptr;
    w.events.clear();
    EXPECT_EQ(w.walk(dir.path().string()), 1);
    EXPECT_EQ(w.events.size(), 4u);
}
