#include "plugins/taglib/TagFields.h"

#include "plugins/common/RecordText.h"
#include "plugins/common/Utf8.h"

#include <taglib/asftag.h>
#include <taglib/commentsframe.h>
#include <taglib/id3v1genres.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4tag.h>
#include <taglib/textidentificationframe.h>
#include <taglib/tpropertymap.h>

#include <array>
#include <cctype>

namespace tl::taglib {
namespace {

/** Most characters of a track text (the record's Track field). */
constexpr std::size_t TrackChars = 6;

std::string utf8(const TagLib::String& s) {
    return s.to8Bit(true);
}

std::string joined(const TagLib::StringList& values) {
    std::string out;
    for (const TagLib::String& v : values) {
        if (v.isEmpty())
            continue;
        if (!out.empty())
            out += " / ";
        out += utf8(v);
    }
    return out;
}

/** Text that TagLib decoded from ISO-8859-1, decoded again from its bytes with @p page. */
std::string legacy(const TagLib::String& s, CodePage page) {
    return plugin::decodeToUtf8(s.to8Bit(false), page);
}

std::string upper(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

/** The value of the first of @p keys that @p map holds with text, joined. */
std::string valueOf(const TagLib::PropertyMap& map, std::initializer_list<const char*> keys) {
    for (const char* key : keys) {
        const auto it = map.find(key);
        if (it != map.end()) {
            std::string text = joined(it->second);
            if (!text.empty())
                return text;
        }
    }
    return {};
}

unsigned leadingNumber(std::string_view text, std::size_t& pos, bool& found) {
    while (pos < text.size() && text[pos] == ' ')
        ++pos;
    unsigned long value = 0;
    found = false;
    while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos]))) {
        value = std::min<unsigned long>(value * 10 + static_cast<unsigned>(text[pos] - '0'),
                                        999999999UL);
        found = true;
        ++pos;
    }
    return static_cast<unsigned>(value);
}

/** A genre of a TCON frame: TagLib leaves the ID3v1 genre numbers of "(13)" as "13";
 *  "RX" and "CR" are the remix and cover of ID3v2.3. */
TagLib::String genreName(const TagLib::String& field) {
    bool number = false;
    const int n = field.toInt(&number);
    if (number && n >= 0 && n <= 255)
        return TagLib::ID3v1::genre(n);
    if (field == "RX")
        return "Remix";
    if (field == "CR")
        return "Cover";
    return field;
}

} // namespace

std::string trackOf(std::string_view number, std::string_view total) {
    std::size_t pos = 0;
    bool found = false;
    const unsigned n = leadingNumber(number, pos, found);
    if (!found)
        return std::string(number);
    unsigned t = 0;
    if (pos < number.size() && number[pos] == '/') {
        ++pos;
        t = leadingNumber(number, pos, found);
    } else {
        pos = 0;
        t = leadingNumber(total, pos, found);
    }
    std::string text = std::to_string(n);
    const std::string withTotal = text + "/" + std::to_string(t);
    return t > 0 && withTotal.size() <= TrackChars ? withTotal : text;
}

void TagCollector::offer(Key key, const std::string& text) {
    // The field each key fills, in the order of the Key enumeration.
    constexpr std::string SongTags::*Fields[] = {
        &SongTags::artist,         &SongTags::title,    &SongTags::album,
        &SongTags::year,           &SongTags::genre,    &SongTags::comment,
        &SongTags::originalArtist, &SongTags::composer, &SongTags::track,
    };
    static_assert(std::size(Fields) == static_cast<std::size_t>(Key::Track) + 1);
    std::string& field = m_tags.*Fields[static_cast<std::size_t>(key)];
    if (text.empty() || !field.empty())
        return;
    field = key == Key::Date ? plugin::yearIn(text) : key == Key::Track ? trackOf(text) : text;
}

void TagCollector::offerTrack(const std::string& number, const std::string& total) {
    if (m_tags.track.empty() && !number.empty())
        m_tags.track = trackOf(number, total);
}

void TagCollector::addProperties(const TagLib::PropertyMap& map) {
    offer(Key::Artist, valueOf(map, {"ARTIST"}));
    offer(Key::Title, valueOf(map, {"TITLE"}));
    offer(Key::Album, valueOf(map, {"ALBUM"}));
    offer(Key::Date, valueOf(map, {"DATE", "YEAR"}));
    offer(Key::Genre, valueOf(map, {"GENRE"}));
    offer(Key::Comment, valueOf(map, {"COMMENT", "DESCRIPTION"}));
    offer(Key::OriginalArtist, valueOf(map, {"ORIGINALARTIST", "ORIGINAL ARTIST"}));
    offer(Key::Composer, valueOf(map, {"COMPOSER"}));
    offerTrack(valueOf(map, {"TRACKNUMBER"}), valueOf(map, {"TRACKTOTAL", "TOTALTRACKS"}));
}

void TagCollector::addMp4(const TagLib::MP4::Tag& tag) {
    TagLib::PropertyMap map = tag.properties();
    for (const auto& [key, item] : tag.itemMap()) {
        const std::string name = upper(key.to8Bit(true));
        if (name == "----:COM.APPLE.ITUNES:ORIGINALARTIST" ||
            name == "----:COM.APPLE.ITUNES:ORIGINAL ARTIST")
            map["ORIGINALARTIST"] = item.toStringList();
    }
    addProperties(map);
}

void TagCollector::addAsf(const TagLib::ASF::Tag& tag) {
    TagLib::PropertyMap map = tag.properties();
    const TagLib::ASF::AttributeListMap& attributes = tag.attributeListMap();
    const auto original = attributes.find("WM/OriginalArtist");
    if (original != attributes.end())
        for (const TagLib::ASF::Attribute& a : original->second)
            map["ORIGINALARTIST"].append(a.toString());
    addProperties(map);
}

void TagCollector::addId3v2(const TagLib::ID3v2::Tag& tag) {
    // The text frames read (ID3v2.4 names; TagLib gives ID3v2.2 and 2.3 frames these
    // names too, TYER becoming TDRC), each from the first frame of its kind.
    constexpr std::array<std::pair<const char*, const char*>, 8> Frames = {{
        {"TPE1", "ARTIST"},
        {"TIT2", "TITLE"},
        {"TALB", "ALBUM"},
        {"TDRC", "DATE"},
        {"TCON", "GENRE"},
        {"TOPE", "ORIGINALARTIST"},
        {"TCOM", "COMPOSER"},
        {"TRCK", "TRACKNUMBER"},
    }};
    const TagLib::ID3v2::FrameListMap& frames = tag.frameListMap();
    TagLib::PropertyMap map;
    for (const auto& [id, key] : Frames) {
        const auto it = frames.find(id);
        if (it == frames.end() || it->second.isEmpty())
            continue;
        const auto* frame =
            dynamic_cast<const TagLib::ID3v2::TextIdentificationFrame*>(it->second.front());
        if (!frame)
            continue;
        const bool latin1 = frame->textEncoding() == TagLib::String::Latin1;
        TagLib::StringList values;
        for (const TagLib::String& field : frame->fieldList()) {
            TagLib::String value = field;
            if (std::string_view(key) == "GENRE")
                value = genreName(field);
            else if (latin1)
                value = TagLib::String(legacy(field, m_page), TagLib::String::UTF8);
            values.append(value);
        }
        map.insert(key, values);
    }
    // A comment without description wins over the others, as for a reader of the tag.
    const auto comments = frames.find("COMM");
    if (comments != frames.end()) {
        const TagLib::ID3v2::CommentsFrame* chosen = nullptr;
        for (const TagLib::ID3v2::Frame* frame : comments->second) {
            const auto* comment = dynamic_cast<const TagLib::ID3v2::CommentsFrame*>(frame);
            if (comment &&
                (!chosen || (comment->description().isEmpty() && !chosen->description().isEmpty())))
                chosen = comment;
        }
        if (chosen) {
            const std::string text = chosen->textEncoding() == TagLib::String::Latin1
                                         ? legacy(chosen->text(), m_page)
                                         : utf8(chosen->text());
            map.insert("COMMENT", TagLib::String(text, TagLib::String::UTF8));
        }
    }
    addProperties(map);
}

void TagCollector::addId3v1(const TagLib::ID3v1::Tag& tag) {
    offer(Key::Artist, legacy(tag.artist(), m_page));
    offer(Key::Title, legacy(tag.title(), m_page));
    offer(Key::Album, legacy(tag.album(), m_page));
    if (tag.year() > 0)
        offer(Key::Date, std::to_string(tag.year()));
    offer(Key::Genre, utf8(tag.genre()));
    offer(Key::Comment, legacy(tag.comment(), m_page));
    if (tag.track() > 0)
        offerTrack(std::to_string(tag.track()), {});
}

void TagCollector::addRiffInfo(const std::vector<std::pair<std::string, std::string>>& fields) {
    // INFO identifiers of the RIFF standard (its INFO list chunk, page 3-18 of the 1991
    // document): name, artist, product (the album), creation date, genre, comment,
    // composer (music by); ITRK and IPRT are the track numbers taggers write.
    constexpr std::array<std::pair<const char*, Key>, 9> Ids = {{
        {"INAM", Key::Title},
        {"IART", Key::Artist},
        {"IPRD", Key::Album},
        {"ICRD", Key::Date},
        {"IGNR", Key::Genre},
        {"ICMT", Key::Comment},
        {"IMUS", Key::Composer},
        {"ITRK", Key::Track},
        {"IPRT", Key::Track},
    }};
    for (const auto& [id, key] : Ids) {
        for (const auto& [fieldId, raw] : fields) {
            if (fieldId != id || raw.empty())
                continue;
            offer(key, plugin::isUtf8(raw) ? raw : plugin::decodeToUtf8(raw, m_page));
            break;
        }
    }
}

} // namespace tl::taglib
