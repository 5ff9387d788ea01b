// The song's fields from TagLib's tags: precedence between the tags of one file, the track
// rules, and the legacy code page for 8-bit text without a declared encoding.
#include "plugins/taglib/TagFields.h"

#include <taglib/commentsframe.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/textidentificationframe.h>
#include <taglib/tpropertymap.h>

#include <gtest/gtest.h>

namespace tl::taglib {
namespace {

TEST(TagFields, TrackWithItsTotalWhereKnownAndItFits) {
    struct Case {
        const char* number;
        const char* total;
        const char* track;
    };
    const Case cases[] = {
        {"3", "", "3"},    {"3", "12", "3/12"},    {"03/12", "", "3/12"},
        {"3/0", "", "3"},  {" 7 / 9", "", "7"},    {"7/9", "99", "7/9"},
        {"12", "0", "12"}, {"123/456", "", "123"}, {"99/999", "", "99/999"},
        {"A1", "", "A1"},  {"4abc", "", "4"},      {"0000000000000005", "", "5"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(trackOf(c.number, c.total), c.track) << c.number << " " << c.total;
}

TagLib::String latin1(const std::string& bytes) {
    return TagLib::String(bytes, TagLib::String::Latin1);
}

TagLib::String utf8(const char* text) {
    return TagLib::String(text, TagLib::String::UTF8);
}

TEST(TagFields, EachTagFillsOnlyWhatTheTagsBeforeItLeftEmpty) {
    TagCollector collector(CodePage::Cp1252);
    TagLib::PropertyMap vorbis;
    vorbis["ARTIST"] = TagLib::StringList(utf8("První"));
    vorbis["TITLE"].append(utf8("One"));
    vorbis["TITLE"].append(utf8("Two"));
    vorbis["DATE"] = TagLib::StringList("1999-01-01");
    vorbis["TRACKNUMBER"] = TagLib::StringList("2");
    vorbis["TOTALTRACKS"] = TagLib::StringList("9");
    vorbis["DESCRIPTION"] = TagLib::StringList("From the description");
    collector.addProperties(vorbis);

    TagLib::ID3v1::Tag v1;
    v1.setArtist("Second");
    v1.setAlbum("Album from ID3v1");
    v1.setYear(1970);
    v1.setTrack(5);
    v1.setGenre("Jazz");
    collector.addId3v1(v1);

    const SongTags& t = collector.tags();
    EXPECT_EQ(t.artist, "První");
    EXPECT_EQ(t.title, "One / Two");
    EXPECT_EQ(t.album, "Album from ID3v1");
    EXPECT_EQ(t.year, "1999");
    EXPECT_EQ(t.track, "2/9");
    EXPECT_EQ(t.genre, "Jazz");
    EXPECT_EQ(t.comment, "From the description");
}

TEST(TagFields, Id3v2Latin1FramesAreReadInTheLegacyCodePage) {
    TagLib::ID3v2::Tag tag;
    auto text = [&](const char* id, TagLib::String::Type encoding, const TagLib::String& value) {
        auto* frame = new TagLib::ID3v2::TextIdentificationFrame(id, encoding);
        frame->setText(value);
        tag.addFrame(frame);
    };
    text("TPE1", TagLib::String::Latin1, latin1("Anton\xEDn Dvo\xF8\xE1k")); // Windows-1250 bytes
    text("TIT2", TagLib::String::UTF8, utf8("Píseň"));                       // Unicode: as it is
    text("TCON", TagLib::String::Latin1, latin1("13")); // "(13)" as TagLib keeps it
    text("TRCK", TagLib::String::Latin1, latin1("4/7"));
    text("TOPE", TagLib::String::Latin1, latin1("Origin\xE1l"));
    text("TCOM", TagLib::String::UTF16, utf8("Skladatel"));
    auto comment = [&](const char* description, const char* value) {
        auto* frame = new TagLib::ID3v2::CommentsFrame(TagLib::String::Latin1);
        frame->setDescription(description);
        frame->setText(latin1(value));
        tag.addFrame(frame);
    };
    comment("note", "With a description");
    comment("", "Koment\xE1\xF8");

    struct Case {
        CodePage page;
        const char* artist;
        const char* oartist;
        const char* comment;
    };
    const Case cases[] = {
        {CodePage::Cp1250, "Antonín Dvořák", "Originál", "Komentář"},
        {CodePage::Cp1252, "Antonín Dvoøák", "Originál", "Komentáø"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.page));
        TagCollector collector(c.page);
        collector.addId3v2(tag);
        const SongTags& t = collector.tags();
        EXPECT_EQ(t.artist, c.artist);
        EXPECT_EQ(t.title, "Píseň");
        EXPECT_EQ(t.genre, "Pop");
        EXPECT_EQ(t.track, "4/7");
        EXPECT_EQ(t.originalArtist, c.oartist);
        EXPECT_EQ(t.composer, "Skladatel");
        EXPECT_EQ(t.comment, c.comment);
    }
}

TEST(TagFields, RiffInfoTextIsUtf8OrTheLegacyCodePage) {
    TagCollector collector(CodePage::Cp1250);
    collector.addRiffInfo({{"INAM", "\xC5\xBDlu\xC5\xA5ou\xC4\x8Dk\xC3\xBD"}, // UTF-8: Žluťoučký
                           {"IART", "Dvo\xF8\xE1k"},                          // Windows-1250
                           {"ICRD", "1896-04-01"},
                           {"IPRT", "3"},
                           {"ITRK", "8"},
                           {"IMUS", ""},
                           {"ZZZZ", "unknown"}});
    const SongTags& t = collector.tags();
    EXPECT_EQ(t.title, "Žluťoučký");
    EXPECT_EQ(t.artist, "Dvořák");
    EXPECT_EQ(t.year, "1896");
    EXPECT_EQ(t.track, "8"); // ITRK is the track; IPRT stands in only without it
    EXPECT_EQ(t.composer, "");
}

} // namespace
} // namespace tl::taglib
