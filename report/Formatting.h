#pragma once
/**
 * @file Formatting.h
 * Value conversions of reports: playing times, sizes and dates as people read them,
 * and HTML encoding of report cells.
 *
 * Album records store times in seconds, sizes in bytes and dates as day numbers (days
 * since 1 January 1970). Every conversion here is a plain function without state, and
 * the numbers are written the same way whatever the process's locale says (always a
 * "." as the decimal point).
 */
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tl {

/** Time @p seconds as "m:ss", or as "h:mm:ss" when it is an hour or more or @p longForm
 *  is asked for: 245 gives "4:05" (long "0:04:05"), 3600 gives "1:00:00". */
std::string formatTime(std::int32_t seconds, bool longForm);

/** Reads "h:m:s" (minutes and seconds below 60) or "m:s" (seconds below 60, minutes not
 *  limited) as scanf reads "%d:%d:%d"; 0 when the text is not a time (one number alone,
 *  a second of 60, ...). A time of zero length also gives 0. */
std::int32_t parseTime(std::string_view text);

/** Size @p bytes with a unit letter: "B", then "K", "M", "G", "T" from 1000 of the smaller
 *  unit on, the value divided by powers of 1024; no decimals from 9.5 up ("999 B",
 *  "5.0 B", "1.0 K", "1000 K", "700 M"). */
std::string formatSize(std::int64_t bytes);

/** The calendar date @p day days after 1 January 1970: "d.m.yyyy" without leading zeros
 *  (4.7.2001), or with @p monthFirst "mm/dd/yyyy" with two-digit month and day
 *  (07/04/2001). */
std::string formatDate(std::int32_t day, bool monthFirst);

/** The order in which the user writes day and month (the usDate setting). */
enum class DateOrder { DayFirst, MonthFirst };

/** Reads three numbers separated by "." or, failing that, by "/" as scanf reads
 *  "%d.%d.%d", the year in full: "d.m.y" day first, "m/d/y" month first, whichever
 *  separator is typed. The day number of a date that exists and lies from 2 January 1970
 *  to 19 January 2038 (1 to 24855), else 0. */
std::int32_t parseDate(std::string_view text, DateOrder order);

/** How a date is written in @p order, for the user: "dd.mm.yyyy" or "mm/dd/yyyy". */
std::string_view datePattern(DateOrder order);

/** Appends @p text to @p out with "&", "<" and ">" written as "&amp;", "&lt;", "&gt;";
 *  every other byte, quotation marks included, is copied unchanged. */
void htmlEncode(std::string_view text, std::string& out);

/** Reads a decimal integer the way scanf's "%d" starts a conversion: white space
 *  skipped, an optional sign, then at least one digit; reading stops at the first
 *  non-digit. nullopt when there is no number; values beyond 64 bits saturate. */
std::optional<std::int64_t> readDecimal(std::string_view text, std::size_t* consumed = nullptr);

/** A civil date. */
struct CivilDate {
    int year = 1970;
    int month = 1;
    int day = 1;
};

/** Today's date in local time. */
CivilDate localToday();

/** The calendar date of day number @p day. */
CivilDate civilFromDays(std::int64_t day);

/** The day number of a calendar date (proleptic Gregorian; not range-checked). */
std::int64_t daysFromCivil(std::int64_t year, int month, int day);

} // namespace tl
