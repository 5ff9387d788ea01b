#include "plugins/mp3/Id3v2.h"

#include "plugins/mp3/ByteCursor.h"

#include <cstddef>
#include <cstring>

namespace tl::mp3 {
namespace {

// The ID3v1 genre list with its common extensions (0-147). Names are kept whole here;
// genreName() applies the 13-character cut of the stored table.
constexpr std::array<std::string_view, 148> GenreNames = {
    "Blues",
    "Classic Rock",
    "Country",
    "Dance",
    "Disco",
    "Funk",
    "Grunge",
    "Hip-Hop",
    "Jazz",
    "Metal",
    "New Age",
    "Oldies",
    "Other",
    "Pop",
    "R&B",
    "Rap",
    "Reggae",
    "Rock",
    "Techno",
    "Industrial",
    "Alternative",
    "Ska",
    "Death Metal",
    "Pranks",
    "Soundtrack",
    "Euro-Techno",
    "Ambient",
    "Trip-Hop",
    "Vocal",
    "Jazz+Funk",
    "Fusion",
    "Trance",
    "Classical",
    "Instrumental",
    "Acid",
    "House",
    "Game",
    "Sound Clip",
    "Gospel",
    "Noise",
    "Alternative Rock",
    "Bass",
    "Soul",
    "Punk",
    "Space",
    "Meditative",
    "Instrumental Pop",
    "Instrumental Rock",
    "Ethnic",
    "Gothic",
    "Darkwave",
    "Techno-Industrial",
    "Electronic",
    "Pop-Folk",
    "Eurodance",
    "Dream",
    "Southern Rock",
    "Comedy",
    "Cult",
    "Gangsta",
    "Top 40",
    "Christian Rap",
    "Pop/Funk",
    "Jungle",
    "Native American",
    "Cabaret",
    "New Wave",
    "Psychadelic",
    "Rave",
    "Showtunes",
    "Trailer",
    "Lo-Fi",
    "Tribal",
    "Acid Punk",
    "Acid Jazz",
    "Polka",
    "Retro",
    "Musical",
    "Rock & Roll",
    "Hard Rock",
    "Folk",
    "Folk-Rock",
    "National Folk",
    "Swing",
    "Fast Fusion",
    "Bebob",
    "Latin",
    "Revival",
    "Celtic",
    "Bluegrass",
    "Avantgarde",
    "Gothic Rock",
    "Progressive Rock",
    "Psychedelic Rock",
    "Symphonic Rock",
    "Slow Rock",
    "Big Band",
    "Chorus",
    "Easy Listening",
    "Acoustic",
    "Humour",
    "Speech",
    "Chanson",
    "Opera",
    "Chamber Music",
    "Sonata",
    "Symphony",
    "Booty Bass",
    "Primus",
    "Porn Groove",
    "Satire",
    "Slow Jam",
    "Club",
    "Tango",
    "Samba",
    "Folklore",
    "Ballad",
    "Power Ballad",
    "Rhythmic Soul",
    "Freestyle",
    "Duet",
    "Punk Rock",
    "Drum Solo",
    "Acapella",
    "Euro-House",
    "Dance Hall",
    "Goa",
    "Drum & Bass",
    "Club-House",
    "Hardcore",
    "Terror",
    "Indie",
    "BritPop",
    "Afro-Punk",
    "Polsk Punk",
    "Beat",
    "Christian Gangsta Rap",
    "Heavy Metal",
    "Black Metal",
    "Crossover",
    "Contemporary Christian",
    "Christian Rock",
    "Merengue",
    "Salsa",
    "Thrash Metal",
    "Anime",
    "Jpop",
    "Synthpop",
};

/** Longest genre name the table keeps. */
constexpr std::size_t GenreWidth = 13;

/** One ID3v2 frame and the record field it fills. */
struct FrameField {
    std::string_view id23;
    std::string_view id22;
    std::size_t offset; ///< of the field's span in AudioFileInfo
    std::size_t size;   ///< of the span
    std::size_t maxChars;
};

#define TL_FIELD(member) offsetof(AudioFileInfo, member), sizeof(AudioFileInfo::member)
// In the order the frames are read.
constexpr std::array<FrameField, 9> FrameFields = {{
    {"TPE1", "TP1", TL_FIELD(Artist), 254},
    {"TIT2", "TT2", TL_FIELD(Title), 254},
    {"TALB", "TAL", TL_FIELD(Album), 254},
    {"TYER", "TYE", TL_FIELD(Year), 4},
    {"COMM", "COM", TL_FIELD(Comment), 2046},
    {"TRCK", "TRK", TL_FIELD(Track), 6},
    {"TOPE", "TOA", TL_FIELD(OArtist), 254},
    {"TCOM", "TCM", TL_FIELD(Composer), 254},
    {"TCON", "TCO", TL_FIELD(Genre), 254},
}};
#undef TL_FIELD

char* spanOf(AudioFileInfo& info, std::size_t offset) {
    return reinterpret_cast<char*>(&info) + offset;
}

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

bool isSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

} // namespace

std::uint32_t id3v2TagSize(std::span<const std::byte, 4> sizeField) {
    ByteCursor cursor(sizeField);
    return cursor.syncsafe32();
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
    ByteCursor cursor(m_block, static_cast<std::size_t>(pos + m_idLength));
    return m_version < 3 ? cursor.u24be() : cursor.u32be();
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

Id3Result Id3v2Tag::open(std::span<std::byte> block) {
    if (block.size() < Id3v2HeaderSize || std::memcmp(block.data(), "ID3", 3) != 0)
        return Id3Result::Broken;
    m_block = block;
    m_version = static_cast<std::int8_t>(at(3));
    if (m_version > 3)
        return Id3Result::Unsupported;
    const std::uint8_t flags = at(5);
    m_idLength = m_version < 3 ? 3 : 4;
    m_frameHeaderSize = m_version < 3 ? 6 : 10;
    m_first = Id3v2HeaderSize;
    m_end = std::min<std::int64_t>(
        id3v2TagSize(std::span<const std::byte, 4>(block.subspan(6, 4))) + Id3v2HeaderSize,
        static_cast<std::int64_t>(block.size()));

    if (flags & 0x80) {
        // Undo unsynchronisation: every 0x00 that follows a 0xFF is dropped and the rest
        // of the tag moves down. Done in one pass with separate read and write offsets.
        const std::size_t size = block.size();
        std::size_t r = Id3v2HeaderSize;
        std::size_t w = Id3v2HeaderSize;
        while (static_cast<std::int64_t>(w) < m_end && r < size) {
            const std::byte b = block[r];
            block[w++] = b;
            if (b == std::byte{0xFF} && r + 1 < size && block[r + 1] == std::byte{0}) {
                r += 2;
                --m_end;
            } else {
                ++r;
            }
        }
        while (r < size)
            block[w++] = block[r++];
    }

    if (m_version > 2 && (flags & 0x40)) {
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

void readId3v2Fields(const Id3v2Tag& tag, AudioFileInfo& info, CodePage page) {
    for (const FrameField& field : FrameFields) {
        std::string raw;
        const std::string_view id = tag.version() < 3 ? field.id22 : field.id23;
        if (tag.readFrame(id, raw, field.maxChars) == Id3Result::Ok)
            setText(spanOf(info, field.offset), field.size, decodeToUtf8(raw, page));
    }
    const std::string genre = resolveGenre(textOf(info.Genre, sizeof info.Genre));
    setText(info.Genre, sizeof info.Genre, genre);
}

std::string resolveGenre(std::string_view genre) {
    // Reads "(%d)%s" the way the C scanner does: "(", an optional sign and digits after
    // optional blanks, ")", then one word after optional blanks.
    std::size_t i = 0;
    if (genre.empty() || genre[0] != '(')
        return std::string(genre);
    ++i;
    while (i < genre.size() && isSpace(genre[i]))
        ++i;
    bool negative = false;
    if (i < genre.size() && (genre[i] == '+' || genre[i] == '-'))
        negative = genre[i++] == '-';
    const std::size_t digits = i;
    long number = 0;
    while (i < genre.size() && genre[i] >= '0' && genre[i] <= '9') {
        if (number < 100000)
            number = number * 10 + (genre[i] - '0');
        ++i;
    }
    if (i == digits)
        return std::string(genre);
    if (negative)
        number = -number;
    if (i < genre.size() && genre[i] == ')') {
        ++i;
        while (i < genre.size() && isSpace(genre[i]))
            ++i;
        const std::size_t word = i;
        while (i < genre.size() && !isSpace(genre[i]))
            ++i;
        if (i > word)
            return std::string(genre.substr(word, i - word));
    }
    // Only the number: the table's name. A number the table does not have keeps the text.
    if (number < 0 || number > 255)
        return std::string(genre);
    return std::string(genreName(static_cast<int>(number)));
}

std::string_view genreName(int number) {
    if (number == 255 || number < 0 || number > 255)
        return {};
    if (number >= static_cast<int>(GenreNames.size()))
        return "Unknown";
    std::string_view name = GenreNames[static_cast<std::size_t>(number)];
    name = name.substr(0, GenreWidth);
    while (!name.empty() && name.back() == ' ')
        name.remove_suffix(1);
    return name;
}

void readId3v1(std::span<const std::byte, 128> tag, AudioFileInfo& info, CodePage page) {
    auto byteAt = [&](std::size_t i) { return std::to_integer<std::uint8_t>(tag[i]); };
    if (byteAt(126) != 0 && byteAt(125) == 0 && info.Track[1] == 0)
        setText(info.Track, sizeof info.Track, std::to_string(byteAt(126)));

    struct V1Field {
        std::size_t at, width, offset, size;
    };
#define TL_FIELD(member) offsetof(AudioFileInfo, member), sizeof(AudioFileInfo::member)
    const std::array<V1Field, 5> fields = {{
        {3, 30, TL_FIELD(Title)},
        {33, 30, TL_FIELD(Artist)},
        {63, 30, TL_FIELD(Album)},
        {93, 4, TL_FIELD(Year)},
        {97, 29, TL_FIELD(Comment)},
    }};
#undef TL_FIELD
    for (const V1Field& field : fields) {
        std::string_view text(reinterpret_cast<const char*>(tag.data()) + field.at, field.width);
        text = text.substr(0, text.find('\0'));
        while (!text.empty() && text.back() == ' ')
            text.remove_suffix(1);
        char* span = spanOf(info, field.offset);
        if (span[1] == 0)
            setText(span, field.size, decodeToUtf8(text, page));
    }
    if (info.Genre[1] == 0)
        setText(info.Genre, sizeof info.Genre, genreName(byteAt(127)));
}

void setText(char* span, std::size_t spanSize, std::string_view utf8) {
    const std::size_t length = utf8PrefixLength(utf8, spanSize - 2);
    // An empty view may have no data pointer at all (the empty genre name).
    if (length > 0)
        std::memcpy(span + 1, utf8.data(), length);
    span[1 + length] = 0;
}

std::string_view textOf(const char* span, std::size_t spanSize) {
    return {span + 1, strnlen(span + 1, spanSize - 1)};
}

} // namespace tl::mp3
