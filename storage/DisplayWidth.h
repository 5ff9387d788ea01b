#pragma once
/**
 * @file DisplayWidth.h
 * How wide UTF-8 text is in fixed-width text (a text report, a terminal): East Asian wide
 * and fullwidth characters take two columns, combining marks and other characters of no
 * width none, every other character one. A byte that is not part of valid UTF-8 takes one.
 *
 * Widths come from a table of the Unicode character database (DisplayWidthTable.h), not
 * from the C library, whose answers depend on the user's locale.
 */
#include <cstddef>
#include <string_view>

namespace tl {

/** Columns that @p cp takes: 0, 1 or 2. */
int columnWidth(char32_t cp);

/** Columns that @p text takes. */
std::size_t displayWidth(std::string_view text);

/** A part of a text: its length in bytes and the columns it takes. */
struct ColumnSpan {
    std::size_t bytes = 0;
    std::size_t columns = 0;
};

/** The longest start of @p text that takes at most @p columns. It never splits a
 *  character and keeps the marks that follow its last character. */
ColumnSpan columnPrefix(std::string_view text, std::size_t columns);

/** The longest end of @p text that takes at most @p columns; it begins at offset
 *  text.size() - bytes. It never splits a character, nor begins with a mark that belongs
 *  to the character before it. */
ColumnSpan columnSuffix(std::string_view text, std::size_t columns);

} // namespace tl
