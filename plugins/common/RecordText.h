#pragma once
/**
 * @file RecordText.h
 * The text fields of the record a plug-in fills: UTF-8 in fixed-size spans, cut at a
 * character boundary to fit.
 */
#include <cstddef>
#include <string>
#include <string_view>

namespace tl::plugin {

/** Writes @p text into the text span @p span of @p spanSize bytes: after the reserved first
 *  byte, up to its first zero byte and cut at a character boundary to spanSize - 2 bytes,
 *  zero-terminated. */
void setText(char* span, std::size_t spanSize, std::string_view text);

/** The text of span @p span (after its reserved first byte). */
std::string_view textOf(const char* span, std::size_t spanSize);

/** The year in @p text: the first four digits of its first run of four or more digits, or
 *  "" when it has none (a date "1983-05-28", a year "1999", "ca. 1990", a stray
 *  "\xFE\xFF" ...). */
std::string yearIn(std::string_view text);

} // namespace tl::plugin
