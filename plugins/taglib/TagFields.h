#pragma once
/**
 * @file TagFields.h
 * The descriptive fields of a song taken from the tags TagLib read, in UTF-8.
 *
 * A file may carry several tags (a FLAC file a Vorbis comment and ID3 tags, a WAVE file
 * an ID3v2 tag and an INFO list). They are offered in the format's order of precedence,
 * and each fills only the fields the ones before it left empty, as an ID3v1 tag fills in
 * behind an ID3v2 tag in an MP3 file. Text that was stored as 8-bit bytes without a
 * declared Unicode encoding (ID3v1, ISO-8859-1 frames of ID3v2, RIFF INFO) is decoded
 * with the legacy code page of the user's language, because that is what taggers on
 * Windows wrote there.
 */
#include "plugins/common/CodePage.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace TagLib {
class PropertyMap;
namespace ID3v1 {
class Tag;
}
namespace ID3v2 {
class Tag;
}
namespace MP4 {
class Tag;
}
namespace ASF {
class Tag;
}
} // namespace TagLib

namespace tl::taglib {

using plugin::CodePage;

/** The fields a song takes from its tags. */
struct SongTags {
    std::string artist;
    std::string title;
    std::string album;
    std::string year; ///< four digits, or empty
    std::string genre;
    std::string comment;
    std::string originalArtist;
    std::string composer;
    std::string track; ///< "3" or "3/12"
};

class TagCollector {
public:
    explicit TagCollector(CodePage page) : m_page(page) {}

    /** A tag in TagLib's unified keys (Vorbis comment, APE, MPEG-4, ASF): ARTIST, TITLE,
     *  ALBUM, DATE, GENRE, COMMENT (or DESCRIPTION), ORIGINALARTIST (or ORIGINAL ARTIST),
     *  COMPOSER, TRACKNUMBER with TRACKTOTAL or TOTALTRACKS. Several values of one key
     *  are joined with " / ". */
    void addProperties(const TagLib::PropertyMap& map);
    /** An MPEG-4 item list, with its free-form original artist. */
    void addMp4(const TagLib::MP4::Tag& tag);
    /** An ASF tag, with its WM/OriginalArtist attribute. */
    void addAsf(const TagLib::ASF::Tag& tag);
    /** An ID3v2 tag, frame by frame, so that ISO-8859-1 frames are decoded with the
     *  legacy code page. A comment without description wins over the others. */
    void addId3v2(const TagLib::ID3v2::Tag& tag);
    /** An ID3v1 tag: every text decoded with the legacy code page. */
    void addId3v1(const TagLib::ID3v1::Tag& tag);
    /** A RIFF INFO list (identifier, raw bytes): text that is valid UTF-8 is taken as it
     *  is, any other with the legacy code page. */
    void addRiffInfo(const std::vector<std::pair<std::string, std::string>>& fields);

    const SongTags& tags() const { return m_tags; }

private:
    enum class Key { Artist, Title, Album, Date, Genre, Comment, OriginalArtist, Composer, Track };
    void offer(Key key, const std::string& utf8);
    void offerTrack(const std::string& number, const std::string& total);

    CodePage m_page;
    SongTags m_tags;
};

/** A track number as "N" or "N/T" from @p number (which may hold "N/T" itself) and
 *  @p total; leading zeros are dropped, and a total of 0, or one that would make the text
 *  longer than the record's six characters, is left out. Text that does not start with a
 *  number is kept as it is. */
std::string trackOf(std::string_view number, std::string_view total = {});

} // namespace tl::taglib
