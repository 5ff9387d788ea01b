#pragma once
/**
 * @file RecordText.h
 * The text fields of the record a plug-in fills: UTF-8 in fixed-size spans, cut at a
 * character boundary to fit.
 */
#include "plugins/common/Utf8.h"

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace tl::plugin {

/** Writes @p text into the text span @p span of @p spanSize bytes: after the reserved first
 *  byte, cut at a character boundary to spanSize - 2 bytes, zero-terminated. A zero byte
 *  inside @p text ends the field's text there for every reader of the record, so the text
 *  is not searched for one. Inline: an analysis writes every field with it. */
inline void setText(char* span, std::size_t spanSize, std::string_view text) {
    const std::size_t length = utf8PrefixLength(text, spanSize - 2);
    // An empty view may have no data pointer at all (the empty genre name).
    if (length > 0)
        std::memcpy(span + 1, text.data(), length);
    span[1 + length] = '\0';
}

/** The text of span @p span (after its reserved first byte). */
std::string_view textOf(const char* span, std::size_t spanSize);

/** The year in @p text: the first four digits of its first run of four or more digits, or
 *  "" when it has none (a date "1983-05-28", a year "1999", "ca. 1990", a stray
 *  "\xFE\xFF" ...). */
std::string yearIn(std::string_view text);

} // namespace tl::plugin
