#pragma once
/**
 * @file Id3Fields.h
 * The record fields that ID3 tags fill: from the ID3v2 tag at the start of the file, and
 * from the ID3v1 tag in its last 128 bytes, which fills only what is still empty.
 */
#include "plugins/PluginInterface.h"
#include "plugins/common/CodePage.h"
#include "plugins/mp3/Id3v2.h"

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace tl::mp3 {

using plugin::CodePage;

/**
 * Copies the tag's frames into @p info, in the way the tag was opened.
 *
 * Legacy reading: artist, title, album, year, comment, track, original artist, composer
 * and genre from ISO-8859-1 frames read in @p page, at most as many source bytes as the
 * field holds, then a numeric genre resolved.
 *
 * Modern reading: the same fields from text in any ID3v2 encoding, several values joined
 * with "; "; the year as the first four digits of the first of the recording time, year
 * and release time frames that has them; the comment of the first comment frame with no
 * description, else of the first whose description is not one a player writes for itself;
 * the genres resolved. Every field is cut at a character to its size.
 *
 * Frames that cannot be read leave their fields as they were.
 */
void readId3v2Fields(const Id3v2Tag& tag, AudioFileInfo& info, CodePage page);

/** Fills the still empty fields of @p info from the ID3v1 tag @p tag (the last 128 bytes
 *  of the file, beginning with "TAG"). The modern reading names a genre in full and takes
 *  only four digits as a year. */
void readId3v1(std::span<const std::byte, 128> tag, AudioFileInfo& info, CodePage page,
               TagReading reading = TagReading::Legacy);

/** True for a comment description that a player writes for its own use (iTunes'
 *  "iTunNORM", "iTunSMPB", "iTunPGAP", "iTunes_CDDB_IDs", MusicMatch's and the like). */
bool isPlayerDescription(std::string_view description);

} // namespace tl::mp3
