#include "report/Formatting.h"
#include "storage/Fieldnames.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <limits>

namespace tl {
namespace {

TEST(FormatTime, ShortFormUpToAnHourLongFormOnRequestOrBeyond) {
    struct Case {
        std::int32_t seconds;
        const char* shortForm;
        const char* longForm;
    };
    const Case cases[] = {
        {0, "0:00", "0:00:00"},
        {59, "0:59", "0:00:59"},
        {245, "4:05", "0:04:05"},
        {3599, "59:59", "0:59:59"},
        {3600, "1:00:00", "1:00:00"},
        {3723, "1:02:03", "1:02:03"},
        {360000, "100:00:00", "100:00:00"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(formatTime(c.seconds, false), c.shortForm) << c.seconds;
        EXPECT_EQ(formatTime(c.seconds, true), c.longForm) << c.seconds;
    }
}

TEST(ParseTime, ReadsTwoOrThreeNumbersAndRefusesTheRest) {
    struct Case {
        const char* text;
        std::int32_t seconds;
    };
    const Case cases[] = {
        {"1:02:03", 3723}, {"75:30", 4530},   {"4:05", 245},     {"  4:05", 245}, {"2: 05", 125},
        {"+1:00", 60},     {"0:59:59", 3599}, {"4:05 min", 245}, {"1:60", 0},     {"1:60:00", 0},
        {"1:00:60", 0},    {"90", 0},         {"0:00", 0},       {"", 0},         {"abc", 0},
        {"1 :05", 0},      {":30", 0},        {"1:", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(parseTime(c.text), c.seconds) << '"' << c.text << '"';
}

TEST(FormatSize, StepsUnitsAtAThousandOfTheSmallerUnit) {
    struct Case {
        std::int64_t bytes;
        const char* text;
    };
    const Case cases[] = {
        {0, "0.0 B"},
        {5, "5.0 B"},
        {9, "9.0 B"},
        {10, "10 B"},
        {999, "999 B"},
        {-5, "-5.0 B"},
        {-2000, "-2000.0 B"},
        {1000, "1.0 K"},
        {9727, "9.5 K"}, // 9.499 still has a decimal
        {9728, "10 K"},  // 9.5 exactly: no decimals, rounded as printf rounds
        {10239, "10 K"},
        {1023999, "1000 K"},
        {1024000, "1.0 M"},
        {734003200, "700 M"},
        {1048575999, "1000 M"},
        {1048576000, "1.0 G"},
        {1073741823999, "1000 G"},
        {1073741824000, "1.0 T"},
        {std::numeric_limits<std::int64_t>::max(), "8388608 T"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(formatSize(c.bytes), c.text) << c.bytes;
}

TEST(FormatSize, RoundsLikePrintfAcrossTheRange) {
    for (std::int64_t bytes = 1; bytes < (std::int64_t{1} << 42); bytes = bytes * 3 + 7) {
        const std::string text = formatSize(bytes);
        double shown;
        char unit;
        ASSERT_EQ(std::sscanf(text.c_str(), "%lf %c", &shown, &unit), 2) << text;
        const double divisor = unit == 'B'   ? 1.0
                               : unit == 'K' ? 1024.0
                               : unit == 'M' ? 1048576.0
                               : unit == 'G' ? 1073741824.0
                                             : 1099511627776.0;
        const double value = static_cast<double>(bytes) / divisor;
        char expected[64];
        std::snprintf(expected, sizeof expected, value >= 9.5 ? "%.0f %c" : "%.1f %c", value, unit);
        EXPECT_EQ(text, expected) << bytes;
    }
}

TEST(FormatDate, DayMonthYearAndMonthFirstForms) {
    struct Case {
        std::int32_t day;
        const char* dayFirst;
        const char* monthFirst;
    };
    const Case cases[] = {
        {11507, "4.7.2001", "07/04/2001"}, {0, "1.1.1970", "01/01/1970"},
        {1, "2.1.1970", "01/02/1970"},     {24855, "19.1.2038", "01/19/2038"},
        {-1, "31.12.1969", "12/31/1969"},  {11016, "29.2.2000", "02/29/2000"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(formatDate(c.day, false), c.dayFirst) << c.day;
        EXPECT_EQ(formatDate(c.day, true), c.monthFirst) << c.day;
    }
}

TEST(ParseDate, ReadsDayFirstInBothFormsAndRefusesImpossibleDates) {
    struct Case {
        const char* text;
        std::int32_t day;
    };
    const Case cases[] = {
        {"4.7.2001", 11507},
        {"4/7/2001", 11507},
        {" 4. 7. 2001", 11507},
        {"04.07.2001 extra", 11507},
        {"2.1.1970", 1},
        {"19.1.2038", 24855},
        {"29.2.2000", 11016},
        {"31.4.2001", 0},
        {"0.5.2001", 0},
        {"1.13.2001", 0},
        {"1.1.1970", 0},
        {"20.1.2038", 0},
        {"30.2.2000", 0},
        {"29.2.2001", 0},
        {"29.2.1900", 0},
        {"4.7.99", 0},
        {"4.7", 0},
        {"4.7/2001", 0},
        {"", 0},
        {"-4.7.2001", 0},
        {"31.12.1969", 0},
        {"4.7.99999999999999999999", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(parseDate(c.text), c.day) << '"' << c.text << '"';
}

TEST(ParseDate, AgreesWithFormatDateAndTheRecordDayNumbers) {
    for (std::int32_t day = 1; day <= 24855; ++day) {
        ASSERT_EQ(parseDate(formatDate(day, false)), day);
        const CivilDate date = civilFromDays(day);
        ASSERT_EQ(daysFromCivil(date.year, date.month, date.day), day);
    }
    // The song record's day numbers count the same days.
    EXPECT_EQ(parseDate("4.7.2001"), dayNumber(2001, 7, 4));
    EXPECT_EQ(parseDate("31.12.1999"), dayNumber(1999, 12, 31));
}

TEST(HtmlEncode, EncodesTheThreeMarkupCharactersOnlyAndAppends) {
    std::string out = "x";
    htmlEncode("Tom & Jerry <live> \"Q\" 'a'", out);
    EXPECT_EQ(out, "xTom &amp; Jerry &lt;live&gt; \"Q\" 'a'");
}

TEST(ReadDecimal, ReadsAsScanfStartsANumber) {
    std::size_t used = 0;
    EXPECT_EQ(readDecimal("  -42abc", &used), -42);
    EXPECT_EQ(used, 5u);
    EXPECT_EQ(readDecimal("3/12"), 3);
    EXPECT_EQ(readDecimal("99999999999999999999"), std::numeric_limits<std::int64_t>::max());
    EXPECT_FALSE(readDecimal(""));
    EXPECT_FALSE(readDecimal(" -"));
    EXPECT_FALSE(readDecimal("x1"));
}

std::vector<MountedVolume> fixtureVolumes() {
    return {
        {"/", "ext4", "/dev/sda1", "system", "1A2B3C4D", false},
        {"/media/cd", "iso9660", "/dev/sr0", "ROCK_2001", "0F1E2D3C", false},
        {"/mnt/music", "nfs4", "nas:/music", "", "", true},
        {"/proc", "proc", "proc", "", "", false},
        {"/media/usb", "vfat", "/dev/sdb1", "Música", "ABCD1234", false},
    };
}

TEST(DriveTable, ListsIdentifiableVolumesWithRootsEndingInASlash) {
    const DriveTable table = takeDriveTable(fixtureVolumes());
    ASSERT_EQ(table.size(), 3u);
    EXPECT_EQ(table[0].root, "/");
    EXPECT_EQ(table[1].root, "/media/cd/");
    EXPECT_EQ(table[1].label, "ROCK_2001");
    EXPECT_EQ(table[1].serial, "0F1E2D3C");
    EXPECT_EQ(table[2].root, "/media/usb/");
}

TEST(DriveTable, CutsLongLabelsAtACharacterBoundary) {
    std::string label(253, 'a');
    label += "é"; // two bytes, would end at byte 255
    const DriveTable table = takeDriveTable({{"/m", "vfat", "/dev/x", label, "00000001", false}});
    ASSERT_EQ(table.size(), 1u);
    EXPECT_EQ(table[0].label, std::string(253, 'a'));
}

TEST(FindVolumeDrive, MatchesSerialAndLabelIgnoringAsciiCaseOnly) {
    // The CD was catalogued when it was mounted elsewhere; it is found where it is now.
    const DriveTable table = takeDriveTable(fixtureVolumes());
    struct Case {
        const char* serial;
        const char* label;
        const char* root; // nullptr: not mounted
    };
    const Case cases[] = {
        {"0F1E2D3C", "ROCK_2001", "/media/cd/"},
        {"0f1e2d3c", "rock_2001", "/media/cd/"},
        {"0F1E2D3C", "ROCK_2002", nullptr}, // relabelled
        {"0F1E2D3D", "ROCK_2001", nullptr},
        {"abcd1234", "mÚSICA", nullptr}, // only a-z fold
        {"abcd1234", "música", "/media/usb/"},
        {"", "", nullptr}, // network and pseudo file systems are not listed
    };
    for (const Case& c : cases) {
        const DriveEntry* drive = findVolumeDrive(table, c.serial, c.label);
        if (c.root) {
            ASSERT_NE(drive, nullptr) << c.serial << ' ' << c.label;
            EXPECT_EQ(drive->root, c.root);
        } else {
            EXPECT_EQ(drive, nullptr) << c.serial << ' ' << c.label;
        }
    }
}

} // namespace
} // namespace tl
