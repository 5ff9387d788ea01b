#include "storage/Fieldnames.h"

#include <ctime>

namespace tl {

const char Fieldnames[FieldCount][16] = {
    "VolDescription", "Artist",    "Title",     "Album", "Year",   "Genre",
    "VolName",        "VolSerial", "Path",      "FName", "Size",   "Length",
    "Type",           "Bitrate",   "Frequency", "Mode",  "Binary", "Tag",
    "Comment",        "OArtist",   "Composer",  "Track", "Date",   "ScanDate",
};

FieldKind fieldKind(int index) {
    switch (index) {
    case Year:
    case Size:
    case Bitrate:
    case Frequency:
    case Track:
        return FieldKind::Number;
    case Length:
        return FieldKind::Time;
    case Date:
    case ScanDate:
        return FieldKind::Date;
    default:
        return FieldKind::Text;
    }
}

std::string_view fieldName(int index) {
    if (index < 0 || index >= FieldCount)
        return {};
    return Fieldnames[index];
}

int fieldIndexByName(std::string_view name) {
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
    for (int i = 0; i < FieldCount; ++i) {
        const std::string_view candidate = Fieldnames[i];
        if (candidate.size() != name.size())
            continue;
        bool equal = true;
        for (std::size_t k = 0; k < name.size() && equal; ++k)
            equal = lower(candidate[k]) == lower(name[k]);
        if (equal)
            return i;
    }
    return -1;
}

int fieldFromChoice(int position) {
    // The choice list leaves out Title (2), FName (9) and Binary (16).
    int index = position;
    if (index >= 2)
        ++index;
    if (index >= 9)
        ++index;
    if (index >= 16)
        ++index;
    return index;
}

int choiceFromField(int field) {
    if (field < 0 || field >= FieldCount || field == Title || field == FName || field == Binary)
        return 0;
    return field - (field > Title) - (field > FName) - (field > Binary);
}

std::int32_t dayNumber(int year, int month, int day) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_isdst = 0;
    const std::time_t seconds = std::mktime(&tm);
    if (seconds == static_cast<std::time_t>(-1) || seconds < 0)
        return 0;
    return static_cast<std::int32_t>(static_cast<double>(seconds) * (1.0 / 86400.0) + 0.5);
}

} // namespace tl
