#pragma once
/**
 * @file Genre.h
 * The genre list of ID3 tags and the genre texts that refer to it.
 *
 * ID3v1 stores a genre as a number into a list; ID3v2 genre frames refer to the same list,
 * as "(17)" with an optional refinement in ID3v2.3 and as a bare "17" in ID3v2.4, and
 * write "RX" and "CR" for remix and cover.
 */
#include <string>
#include <string_view>
#include <vector>

namespace tl::mp3 {

/** Name of genre @p number in the stored 256-entry table: the list's name cut to 13
 *  characters (without a blank left at the cut), "Unknown" for 148-254, "" for 255. */
std::string_view genreName(int number);

/** A genre text of the form "(N)" becomes genreName(N); "(N)Word more" becomes "Word";
 *  anything else stays as it is. */
std::string resolveGenre(std::string_view genre);

/** Name of genre @p number, whole, with the list's later additions up to 191; "Unknown"
 *  for 192-254; "" for 255 and numbers outside the list. */
std::string_view fullGenreName(int number);

/** The genres that the values of a genre frame name, joined with "; ": a number or a
 *  reference "(N)" gives fullGenreName(N), "RX" and "CR" (also in parentheses) give
 *  "Remix" and "Cover", a refinement after references replaces the last of them, "(("
 *  stands for "(", and any other text stays. Repeats are left out. */
std::string resolveGenres(const std::vector<std::string>& values);

} // namespace tl::mp3
