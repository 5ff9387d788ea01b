#include "locale/Locale.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

using namespace tl;
using tl::test::TempDir;

namespace {

std::string lcl(const std::string& general, const std::string& rest = "") {
    return "[General]\n" + general + "\n" + rest;
}

} // namespace

TEST(Locale, ExpandsPlaceholders) {
    const LocaleArg two[] = {LocaleArg("song.mp3"), LocaleArg(12)};
    const LocaleArg ten[] = {LocaleArg(-5), LocaleArg("12abc"), LocaleArg(2), LocaleArg(3),
                             LocaleArg(4),  LocaleArg(5),       LocaleArg(6), LocaleArg(7),
                             LocaleArg(8),  LocaleArg("9 nine")};
    const struct {
        const char* raw;
        std::span<const LocaleArg> args;
        const char* expected;
    } cases[] = {
        {"100%% sure", {}, "100% sure"},
        {"line%nbreak", {}, "line\nbreak"},
        {"%0s has %1d", two, "song.mp3 has 12"},
        {"%0s has %1d", {}, "?0s has ?1d"},
        {"%7s", two, "?7s"},
        {"%x", {}, "?x"},
        {"%0x", two, "?0x"},
        {"end%", {}, "end?"},
        {"%1s and %0d", two, "12 and 0"},
        {"%0d", ten, "-5"},
        {"%9s|%9d", ten, "9 nine|9"},
        {"%1d", ten, "12"},
        {"%\xC3\xA9", {}, "?\xC3\xA9"},
        {"%%n%%%", {}, "%n%?"},
        {"%0", two, "?0"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(expandLocaleText(c.raw, c.args), c.expected) << c.raw;
}

TEST(Locale, ExpansionIsCutAtTheTextLimit) {
    const std::string big(3000, 'x');
    const LocaleArg arg(big);
    EXPECT_EQ(expandLocaleText("%0s%0s", std::span(&arg, 1)).size(), MaxLocaleText);
}

TEST(Locale, LooksUpPrimaryThenFallbackKeyByKey) {
    TempDir dir;
    test::writeFile(dir.file("cs.lcl"), lcl("LCLVersion=1", "[Scan]\nDone=Hotovo\nEmpty=\n"));
    test::writeFile(dir.file("default.lcl"),
                    lcl("LCLVersion=1", "[Scan]\nDone=Done\nAborted=Aborted\nEmpty=Not empty\n"));
    Locale locale;
    locale.setPrimaryPath(dir.file("cs.lcl"));
    locale.setFallbackPath(dir.file("default.lcl"));
    EXPECT_EQ(locale.text("Scan", "Done"), "Hotovo");
    EXPECT_EQ(locale.text("scan", "aborted"), "Aborted");
    EXPECT_EQ(locale.text("Scan", "Empty"), "");
    EXPECT_EQ(locale.text("Scan", "Nowhere"), MissingLocaleText);
}

TEST(Locale, EachPairOfLanguageFilesIsTakenOrRefusedByItsVersions) {
    const struct {
        const char* primary; // nullptr: missing
        const char* fallback;
        LocaleStatus expected;
    } cases[] = {
        {"LCLVersion=1", "LCLVersion=1", LocaleStatus::Ok},
        {"LCLVersion=1", nullptr, LocaleStatus::Ok},
        {"LCLVersion=2\nLCLCompatibility=1", nullptr, LocaleStatus::Ok},
        {"LCLVersion=2\nLCLCompatibility=2", "LCLVersion=1", LocaleStatus::PrimaryRefused},
        {"LCLVersion=2\nLCLCompatibility=2", "LCLVersion=2\nLCLCompatibility=2",
         LocaleStatus::NoneAccepted},
        {"LCLVersion=2\nLCLCompatibility=2", nullptr, LocaleStatus::NoneAccepted},
        {"Language=none", "LCLVersion=1", LocaleStatus::PrimaryRefused},
        {"LCLVersion=0", "LCLVersion=0", LocaleStatus::NoneAccepted},
        {nullptr, "LCLVersion=0", LocaleStatus::PrimaryMissing},
        {nullptr, nullptr, LocaleStatus::NoneFound},
        {"LCLVersion=1\nLCLCompatibility=2", nullptr, LocaleStatus::Ok},
        {"LCLVersion=2", nullptr, LocaleStatus::Ok},
        {"LCLVersion=2\nLCLCompatibility=2", "LCLVersion=2\nLCLCompatibility=1",
         LocaleStatus::PrimaryRefused},
        {"LCLVersion=0", nullptr, LocaleStatus::NoneAccepted},
        {"LCLVersion=one", "LCLVersion=1", LocaleStatus::PrimaryRefused},
        {"LCLVersion=-1", nullptr, LocaleStatus::Ok}, // read as unsigned: a huge version
        {nullptr, "LCLVersion=2\nLCLCompatibility=2", LocaleStatus::PrimaryMissing},
    };
    for (const auto& c : cases) {
        TempDir dir;
        if (c.primary)
            test::writeFile(dir.file("p.lcl"), lcl(c.primary));
        if (c.fallback)
            test::writeFile(dir.file("f.lcl"), lcl(c.fallback));
        Locale locale;
        locale.setPrimaryPath(dir.file("p.lcl"));
        locale.setFallbackPath(dir.file("f.lcl"));
        EXPECT_EQ(checkLocales(locale), c.expected)
            << (c.primary ? c.primary : "-") << " / " << (c.fallback ? c.fallback : "-");
    }
}

TEST(Locale, AFileWithoutSectionsCountsAsMissing) {
    TempDir dir;
    test::writeFile(dir.file("p.lcl"), "LCLVersion=1\n");
    test::writeFile(dir.file("f.lcl"), lcl("LCLVersion=1"));
    Locale locale;
    locale.setPrimaryPath(dir.file("p.lcl"));
    locale.setFallbackPath(dir.file("f.lcl"));
    EXPECT_EQ(checkLocales(locale), LocaleStatus::PrimaryMissing);
}
