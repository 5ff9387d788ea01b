#include "report/Formatting.h"

#include "locale/Profile.h"
#include "storage/Utf8.h"

#include <charconv>
#include <cstdio>
#include <ctime>
#include <limits>
#include <utility>

namespace tl {
namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Reads up to three numbers of "%d<sep>%d<sep>%d" as scanf does: each conversion skips
// white space; the separator must follow a number directly. Returns how many were read.
int scanThree(std::string_view text, char separator, std::int64_t (&values)[3]) {
    int count = 0;
    while (count < 3) {
        std::size_t used = 0;
        const auto value = readDecimal(text, &used);
        if (!value)
            break;
        values[count++] = *value;
        text.remove_prefix(used);
        if (count == 3 || text.empty() || text.front() != separator)
            break;
        text.remove_prefix(1);
    }
    return count;
}

// The wrap that a 32-bit int conversion gives to a value read into 64 bits.
std::int32_t low32(std::int64_t value) {
    return static_cast<std::int32_t>(value);
}

bool isLeapYear(std::int64_t year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(std::int64_t year, int month) {
    static constexpr int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : days[month - 1];
}

// The last day whose start fits a signed 32-bit count of seconds: 19 January 2038.
constexpr std::int32_t LastDay = 24855;

} // namespace

std::optional<std::int64_t> readDecimal(std::string_view text, std::size_t* consumed) {
    std::size_t i = 0;
    while (i < text.size() && isSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    const std::size_t firstDigit = i;
    constexpr std::int64_t limit = std::numeric_limits<std::int64_t>::max();
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const int digit = text[i] - '0';
        value = value > (limit - digit) / 10 ? limit : value * 10 + digit;
    }
    if (i == firstDigit)
        return std::nullopt;
    if (consumed)
        *consumed = i;
    return negative ? -value : value;
}

std::string formatTime(std::int32_t seconds, bool longForm) {
    char buffer[48];
    if (seconds >= 3600 || longForm)
        std::snprintf(buffer, sizeof buffer, "%d:%02d:%02d", seconds / 3600, (seconds / 60) % 60,
                      seconds % 60);
    else
        std::snprintf(buffer, sizeof buffer, "%d:%02d", seconds / 60, seconds % 60);
    return buffer;
}

std::int32_t parseTime(std::string_view text) {
    std::int64_t v[3] = {0, 0, 0};
    const int count = scanThree(text, ':', v);
    if (count == 3 && v[1] < 60 && v[2] < 60)
        return low32(low32(v[0]) * std::int64_t{3600} + low32(v[1]) * 60 + low32(v[2]));
    if (count == 2 && v[1] < 60)
        return low32(low32(v[0]) * std::int64_t{60} + low32(v[1]));
    return 0;
}

std::string formatSize(std::int64_t bytes) {
    struct Unit {
        std::int64_t threshold;
        double divisor;
        char letter;
    };
    static constexpr Unit units[] = {
        {1000LL << 30, static_cast<double>(1LL << 40), 'T'},
        {1000LL << 20, static_cast<double>(1LL << 30), 'G'},
        {1000LL << 10, static_cast<double>(1LL << 20), 'M'},
        {1000, 1024.0, 'K'},
    };
    double shown = static_cast<double>(bytes);
    char letter = 'B';
    for (const Unit& unit : units) {
        if (bytes >= unit.threshold) {
            shown = static_cast<double>(bytes) / unit.divisor;
            letter = unit.letter;
            break;
        }
    }
    // to_chars rounds exactly as printf's "%.*f" does, but never uses a locale's comma.
    char buffer[400];
    const auto done = std::to_chars(buffer, buffer + sizeof buffer - 3, shown,
                                    std::chars_format::fixed, shown >= 9.5 ? 0 : 1);
    std::string text(buffer, done.ptr);
    text += ' ';
    text += letter;
    return text;
}

CivilDate localToday() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

CivilDate civilFromDays(std::int64_t day) {
    // Days to a proleptic Gregorian date in 400-year eras, March-based years.
    const std::int64_t z = day + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    CivilDate date;
    date.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    date.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    date.year = static_cast<int>(yoe + era * 400 + (date.month <= 2 ? 1 : 0));
    return date;
}

std::int64_t daysFromCivil(std::int64_t year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yoe = year - era * 400;
    const std::int64_t doy = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

std::string formatDate(std::int32_t day, bool monthFirst) {
    const CivilDate date = civilFromDays(day);
    char buffer[48];
    if (monthFirst)
        std::snprintf(buffer, sizeof buffer, "%02d/%02d/%d", date.month, date.day, date.year);
    else
        std::snprintf(buffer, sizeof buffer, "%d.%d.%d", date.day, date.month, date.year);
    return buffer;
}

std::int32_t parseDate(std::string_view text, DateOrder order) {
    std::int64_t v[3] = {0, 0, 0};
    if (scanThree(text, '.', v) != 3 && scanThree(text, '/', v) != 3)
        return 0;
    if (order == DateOrder::MonthFirst)
        std::swap(v[0], v[1]);
    // scanf stores "%d" in an int: the numbers are taken as 32-bit values.
    const std::int64_t day = low32(v[0]), month = low32(v[1]), year = low32(v[2]);
    if (day < 1 || day > 31 || month < 1 || month > 12)
        return 0;
    if (day > daysInMonth(year, static_cast<int>(month)))
        return 0;
    const std::int64_t number = daysFromCivil(year, static_cast<int>(month), static_cast<int>(day));
    return number >= 1 && number <= LastDay ? static_cast<std::int32_t>(number) : 0;
}

std::string_view datePattern(DateOrder order) {
    return order == DateOrder::MonthFirst ? "mm/dd/yyyy" : "dd.mm.yyyy";
}

void htmlEncode(std::string_view text, std::string& out) {
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        default:
            out += c;
        }
    }
}

} // namespace tl
