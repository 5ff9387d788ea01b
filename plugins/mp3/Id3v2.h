#pragma once
/**
 * @file Id3v2.h
 * The ID3v2 tag at the start of an MPEG audio file, over a memory block that holds the
 * whole tag: its header, its frame list and the bodies of its frames.
 *
 * Two readings exist. The legacy one reads ID3v2.2 and ID3v2.3 and only ISO-8859-1 text,
 * as the plug-in always has. The modern one also reads ID3v2.4 (sync-safe frame sizes,
 * unsynchronisation and data length indicators per frame, its extended header) and gives
 * the frames' raw bodies to the field readers, which decode every text encoding.
 */
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tl::mp3 {

/** How tags are read: as the plug-in always has, or with ID3v2.4 and Unicode text. */
enum class TagReading { Legacy, Modern };

/** Results of the ID3v2 reader. */
enum class Id3Result : int {
    Ok = 0,
    Unsupported = -1, ///< a version the reading does not know
    Broken = -3,      ///< not a tag, or a broken frame list
    Compressed = -4,  ///< a compressed or encrypted frame
    Encoding = -5,    ///< text in another encoding than ISO-8859-1
    NotText = -6,     ///< a frame of another kind than text or comment
    NotFound = -7,    ///< no such frame
};

/** Size of the ID3v2 tag header, and of the footer an ID3v2.4 tag may have. */
constexpr std::size_t Id3v2HeaderSize = 10;

/** The 28-bit tag size of an ID3v2 header's bytes 6-9 (four 7-bit groups). */
std::uint32_t id3v2TagSize(std::span<const std::byte, 4> sizeField);

/** True when @p header (10 bytes) is an ID3v2 tag header by the rule of the ID3v2
 *  documents: "ID3", version and revision bytes below FF, size bytes below 80. */
bool isId3v2Header(std::span<const std::byte, Id3v2HeaderSize> header);

/** Bytes that follow the tag body of @p header (10 bytes): 10 when the header is an
 *  ID3v2.4 header that announces a footer, else 0. */
std::size_t id3v2FooterSize(std::span<const std::byte, Id3v2HeaderSize> header);

/** One ID3v2 tag, over a block that holds the whole tag, header included. The block is
 *  changed in place when the tag or its frames are unsynchronised, and must outlive the
 *  tag. */
class Id3v2Tag {
public:
    /** A frame the modern reading keeps for the record: its identifier and its body, with
     *  unsynchronisation undone and the bytes its flags add left out. */
    struct FrameBody {
        std::string_view id;
        std::span<const std::byte> body;
    };

    /** Checks the header and the frame list, undoes unsynchronisation. With the modern
     *  reading, a frame list that breaks off keeps the frames before the break: the result
     *  is Broken, and frames() holds them. */
    Id3Result open(std::span<std::byte> block, TagReading reading = TagReading::Legacy);

    /** Legacy reading: the raw (undecoded) text of frame @p id: at most @p maxChars bytes,
     *  up to the first zero byte. For a comment frame, the comment after its description.
     *  On any result but Ok @p text is left unchanged. */
    Id3Result readFrame(std::string_view id, std::string& text, std::size_t maxChars) const;

    /** Modern reading: the readable frames that the record uses, in the tag's order (of
     *  each text frame the first, of the comment frames the first MaxComments). */
    std::span<const FrameBody> frames() const { return m_frames; }
    /** Modern reading: the first readable frame @p id, or nullptr. */
    const FrameBody* frame(std::string_view id) const;

    /** The tag's major version byte, as a signed number. */
    int version() const { return m_version; }
    /** The reading the tag was opened with. */
    TagReading reading() const { return m_reading; }

    /** The most comment frames the modern reading keeps. */
    static constexpr std::size_t MaxComments = 32;

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
    void undoTagUnsynchronisation();

    Id3Result openModern(std::uint8_t flags);
    /** Frame size of an ID3v2.4 frame, sync-safe or, for tags written with plain sizes,
     *  plain. */
    std::int64_t frameSize24(std::int64_t pos) const;
    /** How many frames a walk with plain (or sync-safe) ID3v2.4 sizes passes, and whether
     *  it ends where the list should: at padding or at the end. */
    std::pair<int, bool> trialWalk(bool plain) const;
    /** Keeps the body of @p size bytes at @p start, undoing its unsynchronisation. */
    void keepFrame(std::int64_t start, std::int64_t size, bool unsynchronised);

    std::span<std::byte> m_block;
    TagReading m_reading = TagReading::Legacy;
    int m_version = 0;
    int m_idLength = 4;
    int m_frameHeaderSize = 10;
    std::int64_t m_first = 10;
    std::int64_t m_end = 0;
    bool m_plainSizes = false;
    std::vector<FrameBody> m_frames;
    std::size_t m_comments = 0;
};

} // namespace tl::mp3
