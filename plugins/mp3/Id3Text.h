#pragma once
/**
 * @file Id3Text.h
 * The text of ID3v2 frames in its four encodings, decoded to UTF-8.
 *
 * A text frame's body starts with an encoding byte (ID3v2.4 section 4.2, ID3v2.3 section
 * 4.2): 0 ISO-8859-1, 1 UTF-16 with a byte order mark (UCS-2 in ID3v2.2), 2 UTF-16BE
 * without one, 3 UTF-8. Strings end with a zero of the encoding's unit (one byte, or two
 * bytes on a two-byte boundary); ID3v2.4 separates several values of one frame with the
 * same terminator. Sequences that are not valid in their encoding become U+FFFD: nothing
 * invalid reaches the record.
 */
#include "plugins/common/CodePage.h"

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tl::mp3 {

using plugin::CodePage;

/** The encodings of ID3v2 text. */
enum class TextEncoding : unsigned char { Latin1 = 0, Utf16 = 1, Utf16Be = 2, Utf8 = 3 };

/** The encoding named by byte @p byte, or nothing for an unknown one. */
std::optional<TextEncoding> textEncoding(unsigned char byte);

/** Offset just past the first string of @p bytes and its terminator (the size of
 *  @p bytes when no terminator follows). */
std::size_t skipString(std::span<const std::byte> bytes, TextEncoding encoding);

/** The values of @p bytes: the strings between terminators, each decoded to UTF-8, empty
 *  ones left out. ISO-8859-1 text is read in @p page, as old taggers on Windows wrote it.
 *  Decoding stops once the values hold about @p maxBytes bytes, so a huge frame costs no
 *  more than the field it fills. */
std::vector<std::string> decodeValues(std::span<const std::byte> bytes, TextEncoding encoding,
                                      CodePage page, std::size_t maxBytes);

/** The values of @p bytes joined with "; ". */
std::string decodeJoined(std::span<const std::byte> bytes, TextEncoding encoding, CodePage page,
                         std::size_t maxBytes);

/** @p values joined with "; ". */
std::string joinValues(const std::vector<std::string>& values);

/** @p bytes as UTF-16, big-endian when @p bigEndian, to UTF-8; a lone surrogate and an odd
 *  last byte become U+FFFD. At most about @p maxBytes bytes are produced. */
std::string decodeUtf16(std::span<const std::byte> bytes, bool bigEndian, std::size_t maxBytes);

} // namespace tl::mp3
