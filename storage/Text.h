#pragma once
/**
 * @file Text.h
 * Small helpers on byte texts that every part of the system shares: blanks, comparisons
 * that fold only A-Z, and the two halves of a path split at its last "/".
 */
#include <string_view>

namespace tl {

/** A blank is a space or a tab. */
constexpr bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

/** @p text without leading blanks. */
std::string_view trimLeadingBlanks(std::string_view text);
/** @p text without trailing blanks. */
std::string_view trimTrailingBlanks(std::string_view text);
/** @p text without blanks at either end. */
inline std::string_view trimBlanks(std::string_view text) {
    return trimTrailingBlanks(trimLeadingBlanks(text));
}

/** @p c with A-Z turned into a-z; every other byte unchanged. */
constexpr char foldAsciiCase(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

/** Equality of two texts ignoring the case of A-Z (and only of A-Z). */
bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b);

/** True when @p text ends in @p suffix, compared ignoring the case of A-Z. */
bool endsWithIgnoringAsciiCase(std::string_view text, std::string_view suffix);

/** The name after the last "/" of @p path (the whole path when it has none). */
std::string_view fileNameOf(std::string_view path);

/** The folder part of @p path up to and including its last "/" (empty when it has none). */
std::string_view directoryOf(std::string_view path);

} // namespace tl
