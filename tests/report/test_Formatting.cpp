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
        EXPECT_EQ(parseDate(c.text, DateOrder::DayFirst), c.day) << '"' << c.text << '"';
}

// The chosen order decides which number is the day, whichever separator is typed.
TEST(ParseDate, TheChosenOrderDecidesWhichNumberIsTheDay) {
    struct Case {
        const char* text;
        std::int32_t dayFirst;
        std::int32_t monthFirst;
    };
    const std::int32_t july4 = dayNumber(2001, 7, 4), april7 = dayNumber(2001, 4, 7);
    const Case cases[] = {
        {"4.7.2001", july4, april7},
        {"7/4/2001", april7, july4},
        {"07/04/2001", april7, july4},
        {"31.12.2001", dayNumber(2001, 12, 31), 0},
        {"12/31/2001", 0, dayNumber(2001, 12, 31)},
        {"2/29/2000", 0, dayNumber(2000, 2, 29)},
        {"2/29/2001", 0, 0},
        {"1/19/2038", 0, 24855},
        {"1/20/2038", 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parseDate(c.text, DateOrder::DayFirst), c.dayFirst) << '"' << c.text << '"';
        EXPECT_EQ(parseDate(c.text, DateOrder::MonthFirst), c.monthFirst) << '"' << c.text << '"';
    }
}

TEST(ParseDate, AgreesWithFormatDateAndTheRecordDayNumbers) {
    for (std::int32_t day = 1; day <= 24855; ++day) {
        ASSERT_EQ(parseDate(formatDate(day, false), DateOrder::DayFirst), day);
        ASSERT_EQ(parseDate(formatDate(day, true), DateOrder::MonthFirst), day);
        const CivilDate date = civilFromDays(day);
        ASSERT_EQ(daysFromCivil(date.year, date.month, date.day), day);
    }
    // The song record's day numbers count the same days.
    EXPECT_EQ(parseDate("4.7.2001", DateOrder::DayFirst), dayNumber(2001, 7, 4));
    EXPECT_EQ(parseDate("31.12.1999", DateOrder::DayFirst), dayNumber(1999, 12, 31));
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

} // namespace
} // namespace tl
