// The record's text fields: UTF-8 cut at a character boundary to each field's width, text
// ending at its first zero byte, and the year rule both plug-ins read dates by.
#include "plugins/AudioInfo.h"
#include "plugins/PluginInterface.h"
#include "plugins/common/RecordText.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace tl::plugin {
namespace {

std::string repeat(std::string_view part, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += part;
    return out;
}

const std::string Euro = "\xE2\x82\xAC"; // three bytes
const std::string R = "\xC5\x99";        // ř, two bytes
const std::string Note = "\xF0\x9F\x8E\xB5";

#define TL_SPAN(member) #member, offsetof(AudioFileInfo, member), sizeof(AudioFileInfo::member)

TEST(RecordText, EachFieldIsCutAtACharacterToItsWidth) {
    struct Case {
        const char* field;
        std::size_t offset, size;
        std::string text;
        std::string stored;
    };
    const Case cases[] = {
        {TL_SPAN(Year), "1999", "1999"},
        {TL_SPAN(Year), "19990", "1999"},
        {TL_SPAN(Year), Euro + Euro, Euro},
        {TL_SPAN(Year), "ab" + Euro, "ab"},
        {TL_SPAN(Track), "12/345", "12/345"},
        {TL_SPAN(Track), R + "12/34", R + "12/3"},
        {TL_SPAN(Type), "\xC2\xB5-law", "\xC2\xB5-law"},
        {TL_SPAN(Binary), "0123456789AB", "0123456789"},
        {TL_SPAN(Tag), repeat(Note, 8), repeat(Note, 7)},
        {TL_SPAN(Artist), repeat(R, 127), repeat(R, 127)},
        {TL_SPAN(Artist), "a" + repeat(R, 127), "a" + repeat(R, 126)},
        {TL_SPAN(Comment), repeat(Note, 511) + "ab", repeat(Note, 511) + "ab"},
        {TL_SPAN(Comment), repeat(Note, 512), repeat(Note, 511)},
        {TL_SPAN(Title), std::string("Tit\0le", 6), "Tit"},
        {TL_SPAN(Genre), "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " " + testing::PrintToString(c.text));
        AudioFileInfo info{};
        char* span = reinterpret_cast<char*>(&info) + c.offset;
        std::memset(span + 1, 'x', c.size - 1); // what an earlier text left
        setText(span, c.size, c.text);
        EXPECT_EQ(span[0], 0) << "the reserved byte";
        EXPECT_EQ(std::string(textOf(span, c.size)), c.stored);
        EXPECT_EQ(span[1 + c.stored.size()], 0);
        // Nothing is written behind the span.
        const char* after = span + c.size;
        if (after < reinterpret_cast<char*>(&info) + sizeof info) {
            EXPECT_EQ(*after, 0);
        }
    }
}
#undef TL_SPAN

TEST(RecordText, AZeroByteEndsTheTextAsTheRecordIsRead) {
    // TagLib hands out text with zero bytes in it (a Vorbis comment may hold any bytes).
    AudioFileInfo info{};
    setText(info.Title, sizeof info.Title, std::string_view("Tit\0le", 6));
    EXPECT_EQ(textOf(info.Title, sizeof info.Title), "Tit");
    tl::applyReservedByteRule(info);
    EXPECT_EQ(tl::audioText(info, *tl::audioTextField("Title")), "Tit"); // as the host reads it
}

TEST(RecordText, AnEmptyViewWithoutDataClearsTheField) {
    char span[8] = {0, 'o', 'l', 'd', 0};
    setText(span, sizeof span, std::string_view());
    EXPECT_EQ(textOf(span, sizeof span), "");
}

TEST(RecordText, ReadingAFieldStopsAtTheEndOfItsSpan) {
    char record[12];
    std::memset(record, 'x', sizeof record);
    record[0] = 0;
    EXPECT_EQ(textOf(record, 6), "xxxxx");
}

TEST(RecordText, YearIsTheFirstFourDigitsOfTheFirstLongEnoughRun) {
    const std::pair<const char*, const char*> cases[] = {
        {"2001", "2001"},
        {"2001-05-12", "2001"},
        {"1983-05-28T20:00", "1983"},
        {"19845", "1984"},
        {"20010203", "2001"},
        {"ca. 1990", "1990"},
        {"12.5.2001", "2001"},
        {"12/05/2003", "2003"},
        {"x1y22z333w4444", "4444"},
        {"'97", ""},
        {"99", ""},
        {"", ""},
        {"MCMLXIX", ""},
        {"\xFE\xFF", ""},
        {"\xD9\xA1\xD9\xA9\xD9\xA9\xD9\xA9", ""}, // Arabic-Indic digits are not a year
    };
    for (const auto& [date, year] : cases)
        EXPECT_EQ(yearIn(date), year) << date;
}

} // namespace
} // namespace tl::plugin
