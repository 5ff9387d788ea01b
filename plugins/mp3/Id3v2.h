#pragma once
/**
 * @file Id3v2.h
 * Readers of the ID3 tags of an MPEG audio file: ID3v2.2 and ID3v2.3 at the start of
 * the file (over a memory block holding the whole tag) and ID3v1/ID3v1.1 in its last
 * 128 bytes. Text in ISO-8859-1 and the bytes of ID3v1 are decoded with a legacy code
 * page into UTF-8.
 */
#include "plugins/PluginInterface.h"
#include "plugins/mp3/CodePage.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tl::mp3 {

/** Results of the ID3v2 reader. */
enum class Id3Result : int {
    Ok = 0,
    Unsupported = -1, ///< a version above 2.3
    Broken = -3,      ///< not a tag, or a broken frame list
    Compressed = -4,  ///< a compressed or encrypted frame
    Encoding = -5,    ///< text in another encoding than ISO-8859-1
    NotText = -6,     ///< a frame of another kind than text or comment
    NotFound = -7,    ///< no such frame
};

/** Size of the ID3v2 tag header. */
constexpr std::size_t Id3v2HeaderSize = 10;

/** The 28-bit tag size of an ID3v2 header's bytes 6-9 (four 7-bit groups). */
std::uint32_t id3v2TagSize(std::span<const std::byte, 4> sizeField);

/** One ID3v2 tag, over a block that holds the whole tag, header included. The block is
 *  changed in place when the tag is unsynchronised, and must outlive the tag. */
class Id3v2Tag {
public:
    /** Checks the header and the frame list, undoes unsynchronisation. */
    Id3Result open(std::span<std::byte> block);

    /** The raw (undecoded) text of frame @p id: at most @p maxChars bytes, up to the
     *  first zero byte. For a comment frame, the comment after its description. On any
     *  result but Ok @p text is left unchanged. */
    Id3Result readFrame(std::string_view id, std::string& text, std::size_t maxChars) const;

    /** The tag's major version byte, as a signed number. */
    int version() const { return m_version; }

private:
    struct Frame {
        std::int64_t pos;  ///< offset of the frame header
        std::int64_t size; ///< size of the body
    };
    bool validId(std::int64_t pos) const;
    std::int64_t frameSize(std::int64_t pos) const;
    /** Walks the frame list; with @p id stops at that frame. */
    Id3Result walk(std::string_view id, Frame* found) const;
    std::uint8_t at(std::int64_t pos) const;

    std::span<std::byte> m_block;
    int m_version = 0;
    int m_idLength = 4;
    int m_frameHeaderSize = 10;
    std::int64_t m_first = 10;
    std::int64_t m_end = 0;
};

/** Copies the tag's frames into @p info in the order artist, title, album, year,
 *  comment, track, original artist, composer, genre, then resolves a numeric genre.
 *  Frames that cannot be read leave their fields as they were. */
void readId3v2Fields(const Id3v2Tag& tag, AudioFileInfo& info, CodePage page);

/** A genre text of the form "(N)" becomes the name of genre N; "(N)Word more" becomes
 *  "Word"; anything else stays as it is. */
std::string resolveGenre(std::string_view genre);

/** Name of genre @p number in the 256-entry genre table ("" for 255). */
std::string_view genreName(int number);

/** Fills the still empty fields of @p info from the ID3v1 tag @p tag (the last 128 bytes
 *  of the file, beginning with "TAG"). */
void readId3v1(std::span<const std::byte, 128> tag, AudioFileInfo& info, CodePage page);

/** Writes @p utf8 into the text span @p span of @p spanSize bytes: after the reserved
 *  first byte, cut at a character boundary to spanSize - 2 bytes, zero-terminated. */
void setText(char* span, std::size_t spanSize, std::string_view utf8);

/** The text of span @p span (after its reserved first byte). */
std::string_view textOf(const char* span, std::size_t spanSize);

} // namespace tl::mp3
