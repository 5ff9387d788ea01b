#pragma once
/**
 * @file Fieldnames.h
 * The song record: 24 text fields, their names, kinds and the day number of dates.
 * Album records of the digest use the same fields.
 */
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tl {

/** Number of fields of a song or album record. */
inline constexpr int FieldCount = 24;
/** Slot width of a song field: at most SongFieldWidth - 1 bytes of text. */
inline constexpr std::size_t SongFieldWidth = 1024;

/** Field indexes. */
enum Field : int {
    VolDescription = 0,
    Artist,
    Title,
    Album,
    Year,
    Genre,
    VolName,
    VolSerial,
    Path,
    FName,
    Size,
    Length,
    Type,
    Bitrate,
    Frequency,
    Mode,
    Binary,
    Tag,
    Comment,
    OArtist,
    Composer,
    Track,
    Date,
    ScanDate
};

/** The field-name table: one 16-byte, NUL-padded slot per field, in index order. */
extern const char Fieldnames[FieldCount][16];

/** A record as text slots, one std::string per field. */
using Fields = std::vector<std::string>;

/** How the report side reads a field. */
enum class FieldKind { Text, Number, Time, Date };

/** Kind of field @p index (Text for an index outside 0..23). */
FieldKind fieldKind(int index);

/** Name of field @p index, or an empty text outside 0..23. */
std::string_view fieldName(int index);

/** Index of the field named @p name, compared ignoring the case of A-Z; -1 when none. */
int fieldIndexByName(std::string_view name);

/** Number of entries of the field choice list (every field but Title, FName, Binary). */
inline constexpr int FieldChoiceCount = 21;

/** Field index of position @p position (0..20) of the field choice list. */
int fieldFromChoice(int position);

/** Position in the field choice list of field @p field; 0 (the first entry) for a field
 *  the list leaves out or an index outside 0..23. */
int choiceFromField(int field);

/** Days since 1 January 1970 of the local date @p year-@p month-@p day (the date at
 *  00:00 local time without daylight saving, divided by 86400 and rounded); 0 for a date
 *  that the conversion cannot represent. */
std::int32_t dayNumber(int year, int month, int day);

/** A fresh song record: 24 empty fields. */
inline Fields emptyRecord() {
    return Fields(FieldCount);
}

} // namespace tl
