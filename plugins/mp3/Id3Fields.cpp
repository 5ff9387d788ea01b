#include "plugins/mp3/Id3Fields.h"

#include "plugins/common/RecordText.h"

#include "plugins/mp3/Genre.h"
#include "plugins/mp3/Id3Text.h"

#include <array>
#include <cstddef>
#include <optional>
#include <vector>

namespace tl::mp3 {
namespace {

/** One ID3v2 frame and the record field it fills. */
struct FrameField {
    std::string_view id23; ///< also the ID3v2.4 identifier
    std::string_view id22;
    std::size_t offset; ///< of the field's span in AudioFileInfo
    std::size_t size;   ///< of the span
    std::size_t maxChars;
};

#define TL_FIELD(member) offsetof(AudioFileInfo, member), sizeof(AudioFileInfo::member)
// In the order the legacy reading reads the frames.
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

// Where the modern reading looks for the year, by tag version: the recording time
// (ID3v2.4), the year (ID3v2.3, and some ID3v2.4 tags converted from it) and the release
// time, which eyeD3 writes for a year.
constexpr std::array<std::string_view, 3> YearFrames24 = {"TDRC", "TYER", "TDRL"};
constexpr std::array<std::string_view, 3> YearFrames23 = {"TYER", "TDRC", "TDRL"};
constexpr std::array<std::string_view, 1> YearFrames22 = {"TYE"};

// Beginnings of the comment descriptions that players write for their own use.
constexpr std::array<std::string_view, 3> PlayerDescriptions = {"iTun", "MusicMatch_", "Songs-DB"};

char* spanOf(AudioFileInfo& info, std::size_t offset) {
    return reinterpret_cast<char*>(&info) + offset;
}

/** The values of text frame body @p body (an encoding byte, then text); nothing when the
 *  encoding is unknown. */
std::optional<std::vector<std::string>> frameValues(std::span<const std::byte> body, CodePage page,
                                                    std::size_t maxBytes) {
    if (body.empty())
        return std::nullopt;
    const std::optional<TextEncoding> encoding =
        textEncoding(std::to_integer<unsigned char>(body[0]));
    if (!encoding)
        return std::nullopt;
    return decodeValues(body.subspan(1), *encoding, page, maxBytes);
}

std::optional<std::string> frameText(const Id3v2Tag& tag, std::string_view id, CodePage page,
                                     std::size_t maxBytes) {
    const Id3v2Tag::FrameBody* frame = tag.frame(id);
    if (!frame)
        return std::nullopt;
    const auto values = frameValues(frame->body, page, maxBytes);
    if (!values)
        return std::nullopt;
    return joinValues(*values);
}

std::string modernYear(const Id3v2Tag& tag, CodePage page) {
    std::span<const std::string_view> frames = YearFrames23;
    if (tag.version() == 4)
        frames = YearFrames24;
    else if (tag.version() == 2)
        frames = YearFrames22;
    for (const std::string_view id : frames)
        if (const std::optional<std::string> text = frameText(tag, id, page, 64))
            if (std::string year = plugin::yearIn(*text); !year.empty())
                return year;
    return {};
}

/** The comment the modern reading takes; nothing when no comment frame has text. */
std::optional<std::string> modernComment(const Id3v2Tag& tag, CodePage page) {
    const std::string_view id = tag.version() == 2 ? "COM" : "COMM";
    std::optional<std::string> described;
    for (const Id3v2Tag::FrameBody& frame : tag.frames()) {
        // An encoding byte, a language code of three bytes, a description and the text.
        if (frame.id != id || frame.body.size() < 4)
            continue;
        const std::optional<TextEncoding> encoding =
            textEncoding(std::to_integer<unsigned char>(frame.body[0]));
        if (!encoding)
            continue;
        const std::span<const std::byte> rest = frame.body.subspan(4);
        const std::size_t descriptionEnd = skipString(rest, *encoding);
        const std::string description =
            decodeJoined(rest.first(descriptionEnd), *encoding, page, 64);
        std::string text = decodeJoined(rest.subspan(descriptionEnd), *encoding, page,
                                        sizeof(AudioFileInfo::Comment) - 2);
        if (text.empty())
            continue;
        if (description.empty())
            return text;
        if (!described && !isPlayerDescription(description))
            described = std::move(text);
    }
    return described;
}

void readModernFields(const Id3v2Tag& tag, AudioFileInfo& info, CodePage page) {
    for (const FrameField& field : FrameFields) {
        char* span = spanOf(info, field.offset);
        const std::string_view id = tag.version() == 2 ? field.id22 : field.id23;
        if (id == "TYER" || id == "TYE") {
            if (const std::string year = modernYear(tag, page); !year.empty())
                plugin::setText(span, field.size, year);
        } else if (id == "COMM" || id == "COM") {
            if (const std::optional<std::string> comment = modernComment(tag, page))
                plugin::setText(span, field.size, *comment);
        } else if (id == "TCON" || id == "TCO") {
            const Id3v2Tag::FrameBody* frame = tag.frame(id);
            if (const auto values =
                    frame ? frameValues(frame->body, page, field.size - 2) : std::nullopt)
                plugin::setText(span, field.size, resolveGenres(*values));
        } else if (const auto text = frameText(tag, id, page, field.size - 2)) {
            plugin::setText(span, field.size, *text);
        }
    }
}

} // namespace

void readId3v2Fields(const Id3v2Tag& tag, AudioFileInfo& info, CodePage page) {
    if (tag.reading() == TagReading::Modern) {
        readModernFields(tag, info, page);
        return;
    }
    for (const FrameField& field : FrameFields) {
        std::string raw;
        const std::string_view id = tag.version() < 3 ? field.id22 : field.id23;
        if (tag.readFrame(id, raw, field.maxChars) == Id3Result::Ok)
            plugin::setText(spanOf(info, field.offset), field.size,
                            plugin::decodeToUtf8(raw, page));
    }
    const std::string genre = resolveGenre(plugin::textOf(info.Genre, sizeof info.Genre));
    plugin::setText(info.Genre, sizeof info.Genre, genre);
}

void readId3v1(std::span<const std::byte, 128> tag, AudioFileInfo& info, CodePage page,
               TagReading reading) {
    const bool modern = reading == TagReading::Modern;
    auto byteAt = [&](std::size_t i) { return std::to_integer<std::uint8_t>(tag[i]); };
    if (byteAt(126) != 0 && byteAt(125) == 0 && info.Track[1] == 0)
        plugin::setText(info.Track, sizeof info.Track, std::to_string(byteAt(126)));

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
        if (span[1] != 0)
            continue;
        if (modern && field.offset == offsetof(AudioFileInfo, Year))
            plugin::setText(span, field.size, plugin::yearIn(text));
        else
            plugin::setText(span, field.size, plugin::decodeToUtf8(text, page));
    }
    if (info.Genre[1] == 0)
        plugin::setText(info.Genre, sizeof info.Genre,
                        modern ? fullGenreName(byteAt(127)) : genreName(byteAt(127)));
}

bool isPlayerDescription(std::string_view description) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    for (const std::string_view prefix : PlayerDescriptions) {
        if (description.size() < prefix.size())
            continue;
        bool same = true;
        for (std::size_t i = 0; i < prefix.size() && same; ++i)
            same = lower(description[i]) == lower(prefix[i]);
        if (same)
            return true;
    }
    return false;
}

} // namespace tl::mp3
