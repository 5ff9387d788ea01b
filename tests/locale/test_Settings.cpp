#include "locale/Settings.h"

#include "locale/Locale.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <tuple>

using namespace tl;
using tl::test::TempDir;

namespace {

auto fields(const Settings& s) {
    return std::tie(s.lcl, s.autoOpen, s.rememberTemplate, s.digestTemplate, s.songTemplate,
                    s.defaultDrive, s.reportVarious, s.useCh, s.caseTable, s.sortTable,
                    s.autoComplete, s.digestVarious, s.tooMany, s.usDate, s.diacriticsTable,
                    s.ignoreDiacritics, s.modernTags);
}

constexpr const char* Language = "[General]\nLCLVersion=1\nUseCH=1\nCaseTable=\xC3\x89\xC3\xA9\n"
                                 "sortTable=\" a%%b\"\nDiacriticsTable=\xC3\xA9"
                                 "e\nIgnoreDiacritics=1\n";

// A settings file, a locale and a mount table in a temporary folder.
struct Fixture {
    TempDir dir;
    Locale locale;
    PlatformPaths paths;
    Settings settings;

    explicit Fixture(const std::string& ini, const std::string& lcl = Language,
                     const std::string& mounts = "") {
        if (!ini.empty())
            test::writeFile(dir.file("Tunelister.ini"), ini);
        test::writeFile(dir.file("default.lcl"), lcl);
        test::writeFile(dir.file("mountinfo"), mounts);
        locale.setFallbackPath(dir.file("default.lcl"));
        paths.mountInfo = dir.file("mountinfo");
        settings.path = dir.file("Tunelister.ini");
        settings.locale = &locale;
    }
    Settings load() {
        Settings s;
        s.path = settings.path;
        s.locale = &locale;
        EXPECT_TRUE(loadSettings(s, paths));
        return s;
    }
};

} // namespace

TEST(Settings, MissingFileGivesTheDefaultsAndTheLanguagesCollation) {
    Fixture f("");
    const Settings s = f.load();
    EXPECT_EQ(s.lcl, "");
    EXPECT_FALSE(s.autoOpen || s.rememberTemplate || s.autoComplete || s.usDate);
    EXPECT_TRUE(s.modernTags);
    EXPECT_EQ(s.digestTemplate, "");
    EXPECT_EQ(s.defaultDrive, "/");
    EXPECT_EQ(s.reportVarious, "Various");
    EXPECT_EQ(s.digestVarious, "Various");
    EXPECT_EQ(s.tooMany, 3);
    EXPECT_TRUE(s.useCh);
    EXPECT_EQ(s.caseTable, "\xC3\x89\xC3\xA9");
    EXPECT_EQ(s.sortTable, " a%b") << "taken as the locale text, placeholders expanded";
    EXPECT_EQ(s.diacriticsTable, "\xC3\xA9"
                                 "e");
    EXPECT_TRUE(s.ignoreDiacritics);
}

TEST(Settings, FifoInPlaceOfTheFileIsNotWaitedOnAndGivesTheDefaults) {
    Fixture f("");
    ASSERT_EQ(::mkfifo(f.settings.path.c_str(), 0600), 0);
    const Settings s = f.load();
    EXPECT_EQ(s.reportVarious, "Various");
    EXPECT_EQ(s.tooMany, 3);
    EXPECT_EQ(s.caseTable, "\xC3\x89\xC3\xA9");
    // Nor is it replaced by a save.
    EXPECT_FALSE(saveSettings(s));
    struct stat st;
    ASSERT_EQ(::stat(f.settings.path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST(Settings, PresenceOfUseChDecidesTheWholeCollationGroup) {
    const struct {
        const char* ini;
        bool useCh;
        const char* caseTable;
        const char* sortTable;
        bool ignoreDiacritics;
    } cases[] = {
        {"[Settings]\ncaseTable=xy\n", true, "\xC3\x89\xC3\xA9", " a%b", true},
        {"[Settings]\nuseCh=0\n", false, "", "", false},
        {"[Settings]\nuseCh=7\ncaseTable=xy\n", true, "xy", "", false},
        {"[settings]\nUSECH=\n", false, "", "", false},
        {"[Other]\nuseCh=0\n", true, "\xC3\x89\xC3\xA9", " a%b", true},
    };
    for (const auto& c : cases) {
        Fixture f(c.ini);
        const Settings s = f.load();
        EXPECT_EQ(s.useCh, c.useCh) << c.ini;
        EXPECT_EQ(s.caseTable, c.caseTable) << c.ini;
        EXPECT_EQ(s.sortTable, c.sortTable) << c.ini;
        EXPECT_EQ(s.ignoreDiacritics, c.ignoreDiacritics) << c.ini;
    }
}

TEST(Settings, LanguageDefaultsMissingOrTooLong) {
    // Keys the locale lacks read as the missing-text; a long table is cut at a character.
    std::string longTable;
    for (int i = 0; i < 300; ++i)
        longTable += "\xC3\xA9";
    Fixture f("", "[General]\nLCLVersion=1\nCaseTable=" + longTable + "\n");
    const Settings s = f.load();
    EXPECT_EQ(s.caseTable.size(), 510u);
    EXPECT_EQ(s.sortTable, MissingLocaleText);
    EXPECT_FALSE(s.useCh);
    EXPECT_FALSE(s.ignoreDiacritics);
}

TEST(Settings, ValuesAreReadAsWrittenAndLimited) {
    Fixture f("[Settings]\nautoOpen=-2\nrememberTemplate=x\ntooMany=9\nusDate=1\n"
              "modernTags=0\ndefaultDrive=69\nreportVarious=" +
              std::string(600, 'v') + "\n");
    Settings s = f.load();
    EXPECT_TRUE(s.autoOpen) << "any non-zero number is on";
    EXPECT_FALSE(s.rememberTemplate);
    EXPECT_EQ(s.tooMany, 9) << "kept although the dialog cannot show it";
    EXPECT_TRUE(s.usDate);
    EXPECT_FALSE(s.modernTags) << "the one flag that is on by default can be turned off";
    EXPECT_EQ(s.defaultDrive, "/") << "a drive letter code is no mount point";
    EXPECT_EQ(s.reportVarious.size(), MaxSettingText);

    Fixture huge("[Settings]\ntooMany=99999999999\n");
    EXPECT_EQ(huge.load().tooMany, 2147483647);
}

TEST(Settings, SaveAndLoadRoundTrip) {
    Fixture f("");
    Settings& s = f.settings;
    s.lcl = "/opt/tl/cs.lcl";
    s.autoOpen = s.rememberTemplate = s.autoComplete = s.usDate = true;
    s.digestTemplate = "/opt/tl/templates/albums-html.tpl";
    s.songTemplate = "songs.tpl";
    s.defaultDrive = "/media/user/My Disc";
    s.reportVarious = "R\xC5\xAFzn\xC3\xA9";
    s.useCh = false;
    s.caseTable = "";
    s.sortTable = " !\"abc\"";
    s.digestVarious = "  padded  ";
    s.tooMany = -4;
    s.diacriticsTable = "\xC3\xA9"
                        "e";
    s.ignoreDiacritics = false;
    s.modernTags = false;
    ASSERT_TRUE(saveSettings(s));
    const std::string first = test::readFile(s.path);
    EXPECT_EQ(fields(f.load()), fields(s));

    ASSERT_TRUE(saveSettings(s));
    EXPECT_EQ(test::readFile(s.path), first) << "saving again changes nothing";

    ASSERT_TRUE(saveSettings(s, std::string_view("/elsewhere/x.tpl")));
    EXPECT_EQ(f.load().digestTemplate, "/elsewhere/x.tpl");
}

// The template in use is saved as the one to offer next time only while it is to be
// remembered; otherwise the file keeps what it held.
TEST(Settings, TheTemplateInUseIsSavedOnlyWhenItIsRemembered) {
    for (const bool remember : {false, true}) {
        SCOPED_TRACE(remember);
        Fixture f("[Settings]\ndigestTemplate=/before/x.tpl\nuseCh=0\n");
        f.settings = f.load();
        f.settings.rememberTemplate = remember;
        ASSERT_TRUE(saveSettings(f.settings, std::string_view("/now/y.tpl")));
        EXPECT_EQ(f.load().digestTemplate, remember ? "/now/y.tpl" : "/before/x.tpl");
    }
}

// Both programs take their language files from here: the LCL setting names the user's
// language, locale.lcl beside the program stands in without one, default.lcl falls back.
TEST(LocalePaths, TheLanguageSettingNamesThePrimaryFile) {
    const struct {
        const char* ini; // "" for no settings file
        const char* primary;
    } cases[] = {
        {"", "locale.lcl"},
        {"[Settings]\nautoOpen=1\n", "locale.lcl"},
        {"[Settings]\nLCL=\n", "locale.lcl"},
        {"[settings]\nlcl=/usr/share/x/cs.lcl\n", "/usr/share/x/cs.lcl"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ini);
        TempDir dir;
        const std::string appDir = dir.path().string() + "/";
        if (*c.ini)
            test::writeFile(appDir + "Tunelister.ini", c.ini);
        const LocalePaths paths = localePathsFor(appDir);
        EXPECT_EQ(paths.primary, c.primary[0] == '/' ? std::string(c.primary) : appDir + c.primary);
        EXPECT_EQ(paths.fallback, appDir + "default.lcl");
    }
}

TEST(Settings, SaveWritesTheKeysInOrderAndKeepsTheRestOfTheFile) {
    Fixture f("; my notes\n[Settings]\nuseCh=1\nmine=keep me\n\n[Window]\nx=10\n");
    f.settings = f.load();
    ASSERT_TRUE(saveSettings(f.settings));
    EXPECT_EQ(test::readFile(f.settings.path),
              "; my notes\n[Settings]\nuseCh=1\nmine=keep me\nLCL=\nautoOpen=0\n"
              "rememberTemplate=0\ndigestTemplate=\nsongTemplate=\ndefaultDrive=/\n"
              "reportVarious=Various\ncaseTable=\nsortTable=\nautoComplete=0\n"
              "digestVarious=Various\ntooMany=3\nusDate=0\ndiacriticsTable=\n"
              "IgnoreDiacritics=0\nmodernTags=1\n\n[Window]\nx=10\n");
}

TEST(Settings, LanguageChangeWritesOnlyLcl) {
    Fixture f("[Settings]\nautoOpen=1\n");
    f.settings.lcl = "/x/cs.lcl";
    f.settings.autoOpen = false;
    ASSERT_TRUE(saveLanguageSetting(f.settings));
    EXPECT_EQ(test::readFile(f.settings.path), "[Settings]\nautoOpen=1\nLCL=/x/cs.lcl\n");
    ASSERT_TRUE(deleteSettings(f.settings));
    EXPECT_EQ(f.load().lcl, "");
    EXPECT_TRUE(deleteSettings(f.settings)) << "nothing to delete is no failure";

    // A settings folder of its own (~/.config/tunelister/) is made by the first write.
    f.settings.path = f.dir.file("config/tunelister/Tunelister.ini");
    ASSERT_TRUE(saveLanguageSetting(f.settings));
    EXPECT_EQ(test::readFile(f.settings.path), "[Settings]\nLCL=/x/cs.lcl\n");
}

TEST(Settings, WithoutALocaleTheRestStillLoads) {
    Fixture f("[Settings]\ntooMany=4\n");
    Settings s;
    s.path = f.settings.path;
    EXPECT_FALSE(loadSettings(s, f.paths));
    EXPECT_EQ(s.tooMany, 4);
    EXPECT_EQ(s.sortTable, "");
}

TEST(Settings, DefaultDriveIsTheFirstMountedOpticalDrive) {
    const std::string root = "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n";
    const struct {
        std::string mounts;
        const char* expected;
    } cases[] = {
        {"", "/"},
        {root, "/"},
        {root + "40 22 11:0 / /media/me/My\\040Disc ro shared:5 - iso9660 /dev/sr0 ro\n"
                "41 22 11:1 / /media/me/second ro - udf /dev/sr1 ro\n",
         "/media/me/My Disc"},
        {root + "50 22 0:50 / /mnt/opt rw master:2 propagation:x - fuse.x /dev/sr3 rw\n",
         "/mnt/opt"},
        {"garbage line\n- - -\n" + root, "/"},
    };
    for (const auto& c : cases) {
        Fixture f("", Language, c.mounts);
        EXPECT_EQ(defaultDriveMountPoint(f.paths), c.expected) << c.mounts;
        EXPECT_EQ(f.load().defaultDrive, c.expected);
    }
    PlatformPaths none;
    none.mountInfo = "/nonexistent/mountinfo";
    EXPECT_EQ(defaultDriveMountPoint(none), "/");
}

TEST(Settings, FileLivesInTheAppDirOrTheUsersConfigFolder) {
    TempDir dir;
    const std::string appDir = dir.path().string() + "/";
    EXPECT_EQ(settingsFilePath(appDir), appDir + "Tunelister.ini");

    ::setenv("XDG_CONFIG_HOME", dir.file("config").c_str(), 1);
    EXPECT_EQ(settingsFilePath("/nonexistent/app/"),
              dir.file("config") + "/tunelister/Tunelister.ini");
    ::unsetenv("XDG_CONFIG_HOME");
    ::setenv("HOME", dir.file("home").c_str(), 1);
    EXPECT_EQ(settingsFilePath("/nonexistent/app/"),
              dir.file("home") + "/.config/tunelister/Tunelister.ini");

    // The first save creates the folder.
    Settings s;
    s.path = dir.file("config") + "/tunelister/Tunelister.ini";
    EXPECT_TRUE(saveSettings(s));
    EXPECT_FALSE(test::readFile(s.path).empty());
}
