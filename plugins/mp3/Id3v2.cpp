#include "plugins/mp3/Id3v2.h"

#include "plugins/common/ByteReader.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace tl::mp3 {
namespace {

using plugin::ByteCursor;

// The frames the record uses: ID3v2.3 and ID3v2.4 identifiers, then ID3v2.2 ones.
constexpr std::array<std::string_view, 20> KeptIds = {
    "TPE1", "TIT2", "TALB", "TYER", "TDRC", "TDRL", "COMM", "TRCK", "TOPE", "TCOM",
    "TCON", "TP1",  "TT2",  "TAL",  "TYE",  "COM",  "TRK",  "TOA",  "TCM",  "TCO",
};

/** Bytes of @p cursor up to @p maxChars or the first zero byte. */
std::string copyText(ByteCursor& cursor, std::size_t maxChars) {
    std::string text;
    while (text.size() < maxChars && !cursor.atEnd()) {
        const std::uint8_t c = cursor.u8();
        if (c == 0)
            break;
        text.push_back(static_cast<char>(c));
    }
    return text;
}

// Frame format flags (the second flag byte), ID3v2.3 section 3.3.1 and ID3v2.4 4.1.2.
constexpr std::uint8_t Flag23Compressed = 0x80;
constexpr std::uint8_t Flag23Encrypted = 0x40;
constexpr std::uint8_t Flag23Grouped = 0x20;
constexpr std::uint8_t Flag24Grouped = 0x40;
constexpr std::uint8_t Flag24Compressed = 0x08;
constexpr std::uint8_t Flag24Encrypted = 0x04;
constexpr std::uint8_t Flag24Unsynchronised = 0x02;
constexpr std::uint8_t Flag24DataLength = 0x01;

// Tag header flags (byte 5).
constexpr std::uint8_t TagUnsynchronised = 0x80;
constexpr std::uint8_t TagExtendedHeader = 0x40; // compression in ID3v2.2
constexpr std::uint8_t TagFooter = 0x10;

} // namespace

std::uint32_t id3v2TagSize(std::span<const std::byte, 4> sizeField) {
    ByteCursor cursor(sizeField);
    return cursor.syncsafe32();
}

bool isId3v2Header(std::span<const std::byte, Id3v2HeaderSize> header) {
    if (std::memcmp(header.data(), "ID3", 3) != 0)
        return false;
    const auto byte = [&](std::size_t i) { return std::to_integer<std::uint8_t>(header[i]); };
    if (byte(3) == 0xFF || byte(4) == 0xFF)
        return false;
    for (std::size_t i = 6; i < 10; ++i)
        if (byte(i) >= 0x80)
            return false;
    return true;
}

std::size_t id3v2FooterSize(std::span<const std::byte, Id3v2HeaderSize> header) {
    const bool footer = std::to_integer<std::uint8_t>(header[3]) == 4 &&
                        (std::to_integer<std::uint8_t>(header[5]) & TagFooter) != 0;
    return footer ? Id3v2HeaderSize : 0;
}

std::uint8_t Id3v2Tag::at(std::int64_t pos) const {
    return std::to_integer<std::uint8_t>(m_block[static_cast<std::size_t>(pos)]);
}

bool Id3v2Tag::validId(std::int64_t pos) const {
    for (int i = 0; i < m_idLength; ++i) {
        const std::uint8_t c = at(pos + i);
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    }
    return true;
}

std::int64_t Id3v2Tag::frameSize(std::int64_t pos) const {
    const auto at = static_cast<std::size_t>(pos + m_idLength);
    return m_version < 3 ? plugin::viewOf(m_block).u24be(at) : plugin::viewOf(m_block).u32be(at);
}

std::int64_t Id3v2Tag::frameSize24(std::int64_t pos) const {
    const auto at = static_cast<std::size_t>(pos + 4);
    return m_plainSizes ? plugin::viewOf(m_block).u32be(at)
                        : plugin::viewOf(m_block).syncsafe32(at);
}

Id3Result Id3v2Tag::walk(std::string_view id, Frame* found) const {
    const Id3Result notFound = id.empty() ? Id3Result::Ok : Id3Result::NotFound;
    std::int64_t pos = m_first;
    // The loop keeps every frame header inside [0, m_end), and m_end never exceeds the
    // block, so the reads below stay inside the block.
    while (pos < m_end - m_frameHeaderSize) {
        if (at(pos) == 0)
            return notFound; // padding
        if (!validId(pos))
            return Id3Result::Broken;
        const std::int64_t size = frameSize(pos);
        const std::int64_t next = pos + size + m_frameHeaderSize;
        if (next > m_end)
            return Id3Result::Broken;
        if (!id.empty() && std::memcmp(&m_block[static_cast<std::size_t>(pos)], id.data(),
                                       static_cast<std::size_t>(m_idLength)) == 0) {
            *found = {pos, size};
            return Id3Result::Ok;
        }
        pos = next;
    }
    return notFound;
}

void Id3v2Tag::undoTagUnsynchronisation() {
    // Every 0x00 that follows a 0xFF is dropped and the rest of the tag moves down. Done
    // in one pass with separate read and write offsets.
    const std::size_t size = m_block.size();
    std::size_t r = Id3v2HeaderSize;
    std::size_t w = Id3v2HeaderSize;
    while (static_cast<std::int64_t>(w) < m_end && r < size) {
        const std::byte b = m_block[r];
        m_block[w++] = b;
        if (b == std::byte{0xFF} && r + 1 < size && m_block[r + 1] == std::byte{0}) {
            r += 2;
            --m_end;
        } else {
            ++r;
        }
    }
    while (r < size)
        m_block[w++] = m_block[r++];
}

Id3Result Id3v2Tag::open(std::span<std::byte> block, TagReading reading) {
    m_frames.clear();
    m_comments = 0;
    if (block.size() < Id3v2HeaderSize || std::memcmp(block.data(), "ID3", 3) != 0)
        return Id3Result::Broken;
    m_block = block;
    m_reading = reading;
    m_version = static_cast<std::int8_t>(at(3));
    if (reading == TagReading::Modern ? m_version < 2 || m_version > 4 : m_version > 3)
        return Id3Result::Unsupported;
    const std::uint8_t flags = at(5);
    m_idLength = m_version < 3 ? 3 : 4;
    m_frameHeaderSize = m_version < 3 ? 6 : 10;
    m_first = Id3v2HeaderSize;
    m_end = std::min<std::int64_t>(
        id3v2TagSize(std::span<const std::byte, 4>(block.subspan(6, 4))) + Id3v2HeaderSize,
        static_cast<std::int64_t>(block.size()));
    if (reading == TagReading::Modern)
        return openModern(flags);

    if (flags & TagUnsynchronised)
        undoTagUnsynchronisation();
    if (m_version > 2 && (flags & TagExtendedHeader)) {
        ByteCursor cursor(block, Id3v2HeaderSize);
        const std::uint32_t extendedSize = cursor.u32be();
        cursor.skip(2);
        const std::uint32_t padding = cursor.u32be();
        if (!cursor.ok())
            return Id3Result::Broken;
        m_first = Id3v2HeaderSize + 4 + std::int64_t{extendedSize};
        m_end -= padding;
    }
    return walk({}, nullptr);
}

std::pair<int, bool> Id3v2Tag::trialWalk(bool plain) const {
    int frames = 0;
    std::int64_t pos = m_first;
    while (pos + m_frameHeaderSize <= m_end) {
        if (at(pos) == 0)
            return {frames, true};
        if (!validId(pos))
            return {frames, false};
        const auto at = static_cast<std::size_t>(pos + 4);
        const plugin::ByteView block = plugin::viewOf(m_block);
        const std::int64_t size = plain ? block.u32be(at) : block.syncsafe32(at);
        pos += m_frameHeaderSize + size;
        if (pos > m_end)
            return {frames, false};
        ++frames;
    }
    return {frames, pos == m_end || at(pos) == 0};
}

Id3Result Id3v2Tag::openModern(std::uint8_t flags) {
    if (m_version == 2 && (flags & TagExtendedHeader))
        return Id3Result::Unsupported; // a compressed ID3v2.2 tag, which has no known scheme
    // ID3v2.4 unsynchronises frame by frame (its sizes count the stored bytes); the older
    // versions unsynchronise the whole tag.
    if (m_version < 4 && (flags & TagUnsynchronised))
        undoTagUnsynchronisation();
    if (m_version > 2 && (flags & TagExtendedHeader)) {
        ByteCursor cursor(m_block, Id3v2HeaderSize);
        if (m_version == 3) {
            // Its size leaves out the size field. The padding it announces is not needed:
            // the frame list ends at the padding's first zero byte anyway.
            m_first = Id3v2HeaderSize + 4 + std::int64_t{cursor.u32be()};
        } else {
            const std::uint32_t extendedSize = cursor.syncsafe32(); // counts itself
            if (extendedSize < 6)
                return Id3Result::Broken;
            m_first = Id3v2HeaderSize + std::int64_t{extendedSize};
        }
        if (!cursor.ok() || m_first > m_end)
            return Id3Result::Broken;
    }
    if (m_version == 4) {
        // Some taggers wrote ID3v2.4 frame sizes as plain 32-bit numbers: where that
        // reading walks the list and the sync-safe one does not, the tag is read so.
        const auto [syncsafeFrames, syncsafeClean] = trialWalk(false);
        const auto [plainFrames, plainClean] = trialWalk(true);
        m_plainSizes = (plainClean && !syncsafeClean) ||
                       (plainClean == syncsafeClean && plainFrames > syncsafeFrames);
    }

    std::int64_t pos = m_first;
    while (pos + m_frameHeaderSize <= m_end) {
        if (at(pos) == 0)
            return Id3Result::Ok; // padding
        if (!validId(pos))
            return Id3Result::Broken;
        const std::int64_t size = m_version == 4 ? frameSize24(pos) : frameSize(pos);
        const std::int64_t next = pos + m_frameHeaderSize + size;
        if (next > m_end)
            return Id3Result::Broken;
        const std::string_view id(
            reinterpret_cast<const char*>(&m_block[static_cast<std::size_t>(pos)]),
            static_cast<std::size_t>(m_idLength));
        const bool comment = id == "COMM" || id == "COM";
        const bool wanted = std::find(KeptIds.begin(), KeptIds.end(), id) != KeptIds.end() &&
                            (comment ? m_comments < MaxComments : frame(id) == nullptr);
        if (wanted) {
            std::int64_t skip = 0; // bytes the flags put before the body
            bool readable = true;
            bool unsynchronised = false;
            const std::uint8_t format = m_version > 2 ? at(pos + 9) : 0;
            if (m_version == 3) {
                readable = !(format & (Flag23Compressed | Flag23Encrypted));
                skip = (format & Flag23Grouped) ? 1 : 0;
            } else if (m_version == 4) {
                readable = !(format & (Flag24Compressed | Flag24Encrypted));
                skip = ((format & Flag24Grouped) ? 1 : 0) + ((format & Flag24DataLength) ? 4 : 0);
                unsynchronised = (format & Flag24Unsynchronised) || (flags & TagUnsynchronised);
            }
            if (readable && skip <= size) {
                keepFrame(pos + m_frameHeaderSize + skip, size - skip, unsynchronised);
                m_frames.back().id = id;
                if (comment)
                    ++m_comments;
            }
        }
        pos = next;
    }
    return Id3Result::Ok;
}

void Id3v2Tag::keepFrame(std::int64_t start, std::int64_t size, bool unsynchronised) {
    const auto first = static_cast<std::size_t>(start);
    auto length = static_cast<std::size_t>(size);
    if (unsynchronised) {
        // Within the frame's own bytes, so no other frame moves.
        std::size_t w = first;
        for (std::size_t r = first; r < first + length; ++r) {
            m_block[w++] = m_block[r];
            if (m_block[r] == std::byte{0xFF} && r + 1 < first + length &&
                m_block[r + 1] == std::byte{0})
                ++r;
        }
        length = w - first;
    }
    m_frames.push_back({{}, std::span<const std::byte>(m_block).subspan(first, length)});
}

const Id3v2Tag::FrameBody* Id3v2Tag::frame(std::string_view id) const {
    for (const FrameBody& kept : m_frames)
        if (kept.id == id)
            return &kept;
    return nullptr;
}

Id3Result Id3v2Tag::readFrame(std::string_view id, std::string& text, std::size_t maxChars) const {
    if (id.size() < static_cast<std::size_t>(m_idLength))
        return Id3Result::NotFound;
    Frame frame{};
    if (const Id3Result walked = walk(id, &frame); walked != Id3Result::Ok)
        return walked;
    if (m_version == 3 && (at(frame.pos + 9) & 0xC0))
        return Id3Result::Compressed;
    ByteCursor body(std::span<const std::byte>(m_block).subspan(
        static_cast<std::size_t>(frame.pos + m_frameHeaderSize),
        static_cast<std::size_t>(frame.size)));
    if (id[0] == 'T') {
        if (frame.size < 1)
            return Id3Result::Broken;
        if (body.u8() != 0)
            return Id3Result::Encoding;
        text = copyText(body, maxChars);
        return Id3Result::Ok;
    }
    if (id.substr(0, static_cast<std::size_t>(m_idLength)) ==
        std::string_view("COMM").substr(0, static_cast<std::size_t>(m_idLength))) {
        if (frame.size < 5)
            return Id3Result::Broken;
        if (body.u8() != 0)
            return Id3Result::Encoding;
        body.skip(3); // language
        std::int64_t n = frame.size - 5;
        while (n > 0 && body.peek() != 0) { // the short description
            body.skip(1);
            --n;
        }
        body.skip(1);
        text = copyText(body, std::min<std::size_t>(static_cast<std::size_t>(n), maxChars));
        return Id3Result::Ok;
    }
    return Id3Result::NotText;
}

} // namespace tl::mp3
