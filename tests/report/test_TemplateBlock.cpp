#include "report/TemplateBlock.h"
#include "storage/Utf8.h"

#include <gtest/gtest.h>

namespace tl {
namespace {

PlainBlockContext queenRecord() {
    PlainBlockContext context;
    context.record[Title] = "Bohemian Rhapsody";
    context.record[Artist] = "Queen";
    context.record[Album] = "A Night at the Opera";
    context.record[Length] = "245";
    context.record[Size] = "734003200";
    context.record[Date] = "11507";
    context.record[Track] = "3/12";
    context.record[Tag] = "ID3v2.3";
    context.current = context.record;
    return context;
}

struct Expanded {
    ExpandResult result;
    std::string text;
};

Expanded expandText(PlainBlockContext& context, std::string_view text,
                    const CellOptions& cells = {}) {
    Expanded e;
    e.result = TemplateBlock("Item", std::string(text)).expand(context, cells, e.text);
    return e;
}

struct Case {
    const char* block;
    const char* expected;
};

void expectExpansions(PlainBlockContext& context, std::initializer_list<Case> cases,
                      const CellOptions& cells = {}) {
    for (const Case& c : cases) {
        const Expanded e = expandText(context, c.block, cells);
        EXPECT_TRUE(e.result.ok()) << c.block << ": " << e.result.detail;
        EXPECT_EQ(e.text, c.expected) << c.block;
    }
}

TEST(TemplateCell, CutsMarksAndPadsBohemianRhapsody) {
    PlainBlockContext context = queenRecord();
    expectExpansions(context, {
                                  {"%Title 10%", "Bohemian >"},
                                  {"%Title 10 RIGHT%", "< Rhapsody"},
                                  {"%Title 10 NOMARK%", "Bohemian R"},
                                  {"%Title 10 right nomark%", "n Rhapsody"},
                                  {"%Title 20 PAD RIGHT%", "   Bohemian Rhapsody"},
                                  {"%Title 20 pad%", "Bohemian Rhapsody   "},
                                  {"%Title 20%", "Bohemian Rhapsody"},
                                  {"%Title 17 PAD%", "Bohemian Rhapsody"},
                                  {"%Title 0%", "Bohemian Rhapsody"},
                                  {"%Title%", "Bohemian Rhapsody"},
                                  {"%Title 10 RIGHT LEFT%", "Bohemian >"},
                                  {"%Title 5 10%", "Bohemian >"},
                                  {"%Title 1%", ">"},
                                  {"%Title 00010%", ">"}, // only the first four digits count
                                  {"%Titles   10   Righteous%", "< Rhapsody"},
                              });
}

TEST(TemplateCell, WritesTheVariousTextForTooLongValues) {
    PlainBlockContext context = queenRecord();
    context.record[Artist] = "Queen & David Bowie";
    expectExpansions(context, {
                                  {"%Artist 10 VAR%", "Various"},
                                  {"%Artist 10 VAR PAD%", "Various   "},
                                  {"%Artist 10 VAR PAD RIGHT%", "   Various"},
                                  {"%Artist 3 VAR%", "Var"},
                                  {"%Artist 3 VAR PAD%", "Var"},
                                  {"%Artist 19 VAR%", "Queen & David Bowie"},
                                  {"%Artist 25 var pad%", "Queen & David Bowie      "},
                              });
}

TEST(TemplateCell, FormatsNumbersWithTheLastFormatWord) {
    PlainBlockContext context = queenRecord();
    context.record[Comment] = "-1";
    context.record[Composer] = "n/a";
    context.record[Year] = "  11507 days";
    expectExpansions(context, {
                                  {"%Length TIME%", "4:05"},
                                  {"%Length LTIME%", "0:04:05"},
                                  {"%Date DATE%", "4.7.2001"},
                                  {"%Date USDATE%", "07/04/2001"},
                                  {"%Size BYTES%", "700 M"},
                                  {"%Length DATE TIME%", "4:05"},
                                  {"%Year DATE%", "4.7.2001"},
                                  {"%Comment TIME%", "-1"},
                                  {"%Composer TIME%", "n/a"},
                                  {"%VolName TIME%", ""},
                                  {"%Length TIME 6 PAD RIGHT%", "  4:05"},
                                  {"%Track%", "3/12"},
                                  {"%Tag%", "ID3v2.3"},
                              });
}

TEST(TemplateCell, CountsCharactersNotBytes) {
    PlainBlockContext context = queenRecord();
    context.record[Composer] = "Dvořák Antonín"; // 14 characters, 17 bytes
    expectExpansions(context, {
                                  {"[%Composer 16 PAD%]", "[Dvořák Antonín  ]"},
                                  {"[%Composer 16 PAD RIGHT%]", "[  Dvořák Antonín]"},
                                  {"%Composer 6%", "Dvořá>"},
                                  {"%Composer 6 RIGHT%", "<tonín"},
                                  {"%Composer 4 NOMARK%", "Dvoř"},
                                  {"%Composer 14 PAD%", "Dvořák Antonín"},
                              });
}

TEST(TemplateCell, WidthsCountDisplayColumns) {
    // Kanji, kana, hanzi and hangul take two columns each, combining marks none. A cut
    // keeps every character whole; where a wide one does not fit, a blank fills its
    // column, so a cut cell is as wide as its width.
    PlainBlockContext context = queenRecord();
    context.record[Artist] = "坂本龍一";     // 8 columns
    context.record[Album] = "周杰伦 范特西"; // 13 columns
    context.record[Composer] = "아이유";     // 6 columns
    context.record[OArtist] = "Dvor\xCC\x8C"
                              "a\xCC\x81k"; // Dvořák with combining marks
    context.record[Title] = "Ｔｏｋｙｏ";   // fullwidth Latin, 10 columns
    context.various = "様々なアーティスト"; // 18 columns
    expectExpansions(context, {
                                  {"[%Artist 10 PAD%]", "[坂本龍一  ]"},
                                  {"[%Artist 10 PAD RIGHT%]", "[  坂本龍一]"},
                                  {"[%Artist 8 PAD%]", "[坂本龍一]"},
                                  {"[%Artist 5%]", "[坂本>]"},
                                  {"[%Artist 6%]", "[坂本 >]"},
                                  {"[%Artist 6 RIGHT%]", "[< 龍一]"},
                                  {"[%Artist 5 NOMARK%]", "[坂本 ]"},
                                  {"[%Artist 5 RIGHT NOMARK%]", "[ 龍一]"},
                                  {"[%Artist 1%]", "[>]"},
                                  {"[%Album 7%]", "[周杰伦>]"},
                                  {"[%Album 8%]", "[周杰伦 >]"},
                                  {"[%Album 8 RIGHT%]", "[< 范特西]"},
                                  {"[%Composer 7 PAD%]", "[아이유 ]"},
                                  {"[%Composer 4%]", "[아 >]"},
                                  {"[%OArtist 8 PAD%]", "[Dvor\xCC\x8C"
                                                        "a\xCC\x81k  ]"},
                                  {"[%OArtist 5%]", "[Dvor\xCC\x8C"
                                                    ">]"},
                                  {"[%OArtist 4 RIGHT%]", "[<r\xCC\x8C"
                                                          "a\xCC\x81k]"},
                                  {"[%Title 9%]", "[Ｔｏｋｙ>]"},
                                  {"[%Artist 4 VAR%]", "[様々]"},
                                  {"[%Artist 5 VAR%]", "[様々 ]"},
                                  {"[%Artist 20 VAR PAD%]", "[坂本龍一            ]"},
                                  {"[%Album 12 VAR%]", "[様々なアーテ]"},
                              });
    context.record[Album] = std::string(20, 'x');
    expectExpansions(context, {{"[%Album 19 VAR PAD RIGHT%]", "[ 様々なアーティスト]"}});
}

TEST(TemplateCell, HtmlEncodingAndEmptyCells) {
    PlainBlockContext context = queenRecord();
    context.record[Artist] = "Simon & Garfunkel <Live>";
    const CellOptions html{true, "&nbsp;"};
    expectExpansions(context,
                     {
                         {"<td>%Artist%</td>", "<td>Simon &amp; Garfunkel &lt;Live&gt;</td>"},
                         {"<td>%Comment%</td>", "<td>&nbsp;</td>"},
                         {"<td>%Comment TIME%</td>", "<td>&nbsp;</td>"},
                         {"%Artist 5%", "Simo&gt;"},
                     },
                     html);
    expectExpansions(context,
                     {
                         {"<td>%Artist%</td>", "<td>Simon & Garfunkel <Live></td>"},
                         {"<td>%Comment%</td>", "<td></td>"},
                     },
                     {false, "&nbsp;"});
}

TEST(TemplateCell, CsvWritesOneQuotedFieldAfterTheLayout) {
    PlainBlockContext context = queenRecord();
    context.record[Album] = "12\" Singles";
    context.record[Artist] = "Crosby, Stills & Nash; \"CSN\"";
    context.record[Comment] = "line one\nline two";
    expectExpansions(context, {
                                  {"%Album CSV%", "\"12\"\" Singles\""},
                                  {"%Album csv%,%Artist Csv%",
                                   "\"12\"\" Singles\",\"Crosby, Stills & Nash; \"\"CSN\"\"\""},
                                  {"%Comment CSV%", "\"line one\nline two\""},
                                  {"%Composer CSV%", "\"\""},
                                  {"%Length TIME CSV%", "\"4:05\""},
                                  // Widths count the value's characters, not the quotes.
                                  {"%Album 5 CSV%", "\"12\"\" >\""},
                                  {"%Album CSV 14 PAD RIGHT%", "\"   12\"\" Singles\""},
                                  {"%Album 5 VAR CSV%", "\"Vario\""},
                                  {"%Title%", "Bohemian Rhapsody"},
                              });
    // With HTMLEncode the quoted field is encoded as a whole, and it is never empty.
    context.record[Artist] = "A<\"B\">";
    expectExpansions(context,
                     {
                         {"%Artist CSV%", "\"A&lt;\"\"B\"\"&gt;\""},
                         {"%Composer CSV%", "\"\""},
                         {"%Composer%", "-"},
                     },
                     {true, "-"});
    // A value of quotes only, as long as a cell can be, is doubled whole and stays closed.
    context.record[Comment] = std::string(MaxCellBytes + 10, '"');
    const Expanded quotes = expandText(context, "%Comment CSV%");
    EXPECT_EQ(quotes.text, "\"" + std::string(2 * MaxCellBytes, '"') + "\"");
}

TEST(TemplateBlock, PercentSequencesThatAreNotVariables) {
    PlainBlockContext context = queenRecord();
    expectExpansions(context, {
                                  {"100%% sure", "100% sure"},
                                  {"%x%y%z", "%x%y%z"},
                                  {"% 5 %5 %-", "% 5 %5 %-"},
                                  {"%é", "%é"},
                                  {"end %", "end %"},
                                  {"%", "%"},
                                  {"a%nb", "a\nb"},
                                  {"", ""},
                              });
}

TEST(TemplateBlock, SpecialVariablesAnswerFromTheContext) {
    PlainBlockContext context = queenRecord();
    context.count = {4, 5, 2, 3};
    context.path = "/home/u/reports/my.list.html";
    context.date = {2001, 7, 4};
    expectExpansions(context, {
                                  {"%r/%l/%g", "5/2/3"},
                                  {"%o %e", "Odd Odd"},
                                  {"%f", "my.list"},
                                  {"%t %u", "4.7.2001 7/4/2001"},
                                  {"%v", "Tunelister 1.0"},
                              });
    // Inside an item the group item number already counts the item itself, so a group's
    // first item is even while the report's first item is odd.
    context.count = {0, 1, 1, 1};
    expectExpansions(context, {{"%o %e", "Odd Even"}});
    context.count = {1, 2, 2, 1};
    expectExpansions(context, {{"%o %e", "Even Odd"}});
    context.count = {2, 3, 1, 2}; // the first item of the second group
    expectExpansions(context, {{"%o %e", "Odd Even"}});
    context.path = "/home/u/reports/plain";
    expectExpansions(context, {{"[%f]", "[]"}});
    context.count.groupRecords = 1500;
    context.count.groupShare = 42;
    expectExpansions(context,
                     {{"%c albums <i style=\"width:%p%%\">", "1500 albums <i style=\"width:42%\">"},
                      {"%p%\"", "42%\""}});
}

TEST(TemplateBlock, GroupShareIsRoundedAndNeverEmptyForAGroupWithRecords) {
    struct ShareCase {
        std::int64_t records, largest;
        std::int32_t percent;
    };
    const ShareCase cases[] = {
        {1000, 1000, 100},
        {500, 1000, 50},
        {1, 1000, 1},
        {4, 1000, 1},
        {5, 1000, 1},
        {14, 1000, 1},
        {15, 1000, 2},
        {994, 1000, 99},
        {995, 1000, 100},
        {999, 1000, 100},
        {1, 3, 33},
        {2, 3, 67},
        {1, 2, 50},
        {1, 1, 100},
        {0, 1000, 0},
        {0, 0, 0},
        {3, 0, 0},
        {-1, 10, 0},
        {1, 2000000000, 1},
        {1999999999, 2000000000, 100},
        {int64_t{1} << 40, int64_t{1} << 41, 50},
    };
    for (const ShareCase& c : cases)
        EXPECT_EQ(groupSharePercent(c.records, c.largest), c.percent)
            << c.records << " of " << c.largest;
}

TEST(TemplateBlock, IncludeWritesTheTextSoFarThenGoesOn) {
    PlainBlockContext context = queenRecord();
    context.hasInclude = true;
    context.includeData = "<style/>\n";
    Expanded e = expandText(context, "<head>%i</head>%Title%");
    EXPECT_TRUE(e.result.ok());
    EXPECT_EQ(context.written, "<head><style/>\n");
    EXPECT_EQ(e.text, "</head>Bohemian Rhapsody");

    PlainBlockContext without = queenRecord();
    e = expandText(without, "<head>%i</head>");
    EXPECT_EQ(without.written, "");
    EXPECT_EQ(e.text, "<head></head>");
}

class FailingInclude : public PlainBlockContext {
public:
    bool include(std::string&) override { return false; }
};

TEST(TemplateBlock, FailedIncludeStopsTheBlock) {
    FailingInclude context;
    std::string out;
    const ExpandResult r = TemplateBlock("Group:Start", "a%ib").expand(context, {}, out);
    EXPECT_EQ(r.status, ExpandStatus::IncludeFailed);
    EXPECT_EQ(r.detail, "Group:Start");
}

TEST(TemplateBlock, ErrorsCarryDetailAndPosition) {
    struct ErrorCase {
        const char* block;
        ExpandStatus status;
        const char* detail;
        std::size_t position;
        const char* before; // text expanded before the fault
    };
    const ErrorCase cases[] = {
        {"0123456789012345%Tit", ExpandStatus::EolError, "Item", 20, "0123456789012345"},
        {"%Title 10%%Artist", ExpandStatus::EolError, "Item", 17, "Bohemian >"},
        {"ab%Xyz 10%", ExpandStatus::FieldError, "Item:Xyz", 3, "ab"},
        {"%Ar%", ExpandStatus::FieldError, "Item:Ar", 1, ""},
        {"%Art%", ExpandStatus::FieldError, "Item:Art", 1, ""},
        {"%Tags%", ExpandStatus::FieldError, "Item:Tags", 1, ""},
        {"x %Title 12x%", ExpandStatus::FieldError, "Item:Title=>12x", 3, "x "},
        {"%Title 10 padding%", ExpandStatus::FieldError, "Item:Title=>padding", 1, ""},
        {"%Title VARIOUS%", ExpandStatus::FieldError, "Item:Title=>VARIOUS", 1, ""},
        {"%Title 10 lef%", ExpandStatus::FieldError, "Item:Title=>lef", 1, ""},
        {"%Title x%", ExpandStatus::FieldError, "Item:Title=>x", 1, ""},
        {"%Title CSVS%", ExpandStatus::FieldError, "Item:Title=>CSVS", 1, ""},
        {"%Title 10%%Foo%%Bar%", ExpandStatus::FieldError, "Item:Foo", 11, "Bohemian >"},
    };
    for (const ErrorCase& c : cases) {
        PlainBlockContext context = queenRecord();
        const Expanded e = expandText(context, c.block);
        EXPECT_EQ(e.result.status, c.status) << c.block;
        EXPECT_EQ(e.result.detail, c.detail) << c.block;
        EXPECT_EQ(e.result.position, c.position) << c.block;
        EXPECT_EQ(e.text, c.before) << c.block;
    }
}

TEST(TemplateBlock, WordsAfterTheHundredthAreIgnored) {
    PlainBlockContext context = queenRecord();
    std::string block = "%Title";
    for (int i = 1; i < 100; ++i)
        block += " pad";
    Expanded e = expandText(context, block + " junk%");
    EXPECT_TRUE(e.result.ok()) << e.result.detail;
    block.resize(block.size() - 4);
    e = expandText(context, block + " junk%");
    EXPECT_EQ(e.result.detail, "Item:Title=>junk");
}

TEST(TemplateBlock, CellsAndBlocksStayWithinTheirLimits) {
    PlainBlockContext context = queenRecord();
    context.record[Comment] = std::string(1023, 'c');
    EXPECT_EQ(expandText(context, "%Comment%").text.size(), 1023u);

    std::string longValue = "a";
    while (longValue.size() < 3000)
        longValue += "é";
    context.record[Comment] = longValue;
    const std::string cell = expandText(context, "%Comment%").text;
    EXPECT_EQ(cell.size(), 1023u); // 1 + 511 two-byte characters; the next would not fit
    EXPECT_EQ(utf8Sanitized(cell), cell);

    const std::string wide = expandText(context, "%Title 9999 PAD%").text;
    EXPECT_EQ(wide.size(), MaxCellBytes);
    EXPECT_TRUE(wide.starts_with("Bohemian Rhapsody   "));

    std::string twoByte;
    while (twoByte.size() < 3000)
        twoByte += "é";
    context.record[Composer] = twoByte; // each cell 1022 bytes
    std::string block;
    for (int i = 0; i < 17; ++i)
        block += "%Composer%";
    std::string out = expandText(context, block).text;
    EXPECT_EQ(out.size(), MaxBlockBytes - 1); // the next two-byte character would not fit
    EXPECT_EQ(utf8Sanitized(out), out);

    context.record[Comment] = std::string(1023, 'x');
    block.clear();
    for (int i = 0; i < 17; ++i)
        block += "%Comment%";
    out = expandText(context, block + "%Title%").text;
    EXPECT_EQ(out.size(), MaxBlockBytes);
    EXPECT_TRUE(out.ends_with("xxx")); // nothing after a cut
}

TEST(TemplateBlock, LongBlockAfterIncludeCountsAfresh) {
    PlainBlockContext context = queenRecord();
    context.hasInclude = true;
    context.record[Comment] = std::string(1000, 'x');
    std::string block;
    for (int i = 0; i < 20; ++i)
        block += "%Comment%";
    const Expanded e = expandText(context, block + "%i" + block);
    EXPECT_EQ(context.written.size(), MaxBlockBytes);
    EXPECT_EQ(e.text.size(), MaxBlockBytes);
}

// The record read most recently decides "%d" and "%m", whatever record the block has.
TEST(TemplateBlock, DriveOfTheCurrentVolume) {
    const DriveTable table = takeDriveTable({
        {"/", "ext4", "/dev/sda1", "system", "1A2B3C4D", false},
        {"/media/user/ROCK", "iso9660", "/dev/sr1", "ROCK_2001", "0F1E2D3C", false},
        {"/mnt/music", "nfs4", "nas:/music", "", "", true},
    });
    struct DriveCase {
        const char* serial;
        const char* label;
        const char* path;
        const char* defaultRoot;
        const char* expected;
    };
    const DriveCase cases[] = {
        // catalogued as /media/cdrom, now mounted elsewhere
        {"0F1E2D3C", "ROCK_2001", "Queen/Opera", "/", "/media/user/ROCK/ true"},
        {"0f1e2d3c", "rock_2001", "", "/", "/media/user/ROCK/ true"},
        // relabelled since it was catalogued: the default drive
        {"0F1E2D3C", "ROCK 2001", "Queen", "/media/cdrom", "/media/cdrom/ false"},
        {"0F1E2D3C", "ROCK 2001", "Queen", "/", "/ false"},
        {"0F1E2D3C", "ROCK 2001", "Queen", "", "/ false"},
        // a network record holds its whole path and has no drive
        {"", "", "/mnt/music/Queen", "/", " false"},
    };
    for (const DriveCase& c : cases) {
        PlainBlockContext context = queenRecord();
        context.driveTable = table;
        context.defaultRoot = c.defaultRoot;
        context.current[VolSerial] = c.serial;
        context.current[VolName] = c.label;
        context.current[Path] = c.path;
        context.record[VolSerial] = "1A2B3C4D";
        context.record[VolName] = "system";
        EXPECT_EQ(expandText(context, "%d %m").text, c.expected) << c.label << ' ' << c.path;
    }
}

TEST(FieldWords, FourLetterKeysAndTheThreeLetterRule) {
    struct WordCase {
        const char* word;
        int field;
    };
    const WordCase cases[] = {
        {"Artist", Artist},
        {"ARTISTS", Artist},
        {"arti", Artist},
        {"Art", -1},
        {"ar", -1},
        {"a", -1},
        {"", -1},
        {"tag", Tag},
        {"TAG", Tag},
        {"tags", -1},
        {"tag1", -1},
        {"VolDescription", VolDescription},
        {"volname", VolName},
        {"VOLSERIAL", VolSerial},
        {"scandate", ScanDate},
        {"Date", Date},
        {"Oartist", OArtist},
        {"binary", Binary},
        {"Lengthy", Length},
        {"Comp", Composer},
        {"Trac", Track},
        {"Freq", Frequency},
        {"ÄRTI", -1},
    };
    for (const WordCase& c : cases)
        EXPECT_EQ(fieldIndexByWord(c.word), c.field) << c.word;
}

} // namespace
} // namespace tl
