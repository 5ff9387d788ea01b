#include "report/ReportTemplate.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace tl {
namespace {

constexpr const char* ValidGeneral = "[General]\n"
                                     "TPLVersion=1\n"
                                     "TPLCompatibility=1\n"
                                     "Type=AlbumList\n";
constexpr const char* ValidItem = "[Item]\nItem=%Artist%%n\n";

TemplateLoadResult loadText(const std::string& text, const std::string& name = "t.tpl") {
    test::TempDir dir;
    test::writeFile(dir.file(name), text);
    return loadReportTemplate(dir.file(name));
}

TEST(LoadTemplate, ChecksInOrderAndStopsAtTheFirstFault) {
    struct Case {
        const char* what;
        std::string text;
        TemplateLoadStatus status;
        const char* detail;
    };
    const std::string item = ValidItem;
    const Case cases[] = {
        {"valid", std::string(ValidGeneral) + item, TemplateLoadStatus::Ok, ""},
        {"no section", "TPLVersion=1\nType=AlbumList\n", TemplateLoadStatus::TemplateMissing, ""},
        {"empty file", "", TemplateLoadStatus::TemplateMissing, ""},
        {"newer format readable by us",
         "[General]\nTPLVersion=2\nTPLCompatibility=1\nType=AlbumList\n" + item,
         TemplateLoadStatus::Ok, ""},
        {"needs a newer reader",
         "[General]\nTPLVersion=1\nTPLCompatibility=2\nType=AlbumList\n" + item,
         TemplateLoadStatus::TemplateVersion, ""},
        {"no version", "[General]\nType=AlbumList\n" + item, TemplateLoadStatus::TemplateVersion,
         ""},
        {"version zero", "[General]\nTPLVersion=0\nType=AlbumList\n" + item,
         TemplateLoadStatus::TemplateVersion, ""},
        {"version is a word", "[General]\nTPLVersion=one\nType=AlbumList\n" + item,
         TemplateLoadStatus::TemplateVersion, ""},
        {"type in lower case", "[General]\nTPLVersion=1\nType=albumlist\n" + item,
         TemplateLoadStatus::Ok, ""},
        {"names in any case, quoted value",
         "[general]\ntplversion = 1 \ntype = \"ALBUMLIST\"\n[ITEM]\nitem=x\n",
         TemplateLoadStatus::Ok, ""},
        {"no type", "[General]\nTPLVersion=1\n" + item, TemplateLoadStatus::TemplateVersion, ""},
        {"other type", "[General]\nTPLVersion=1\nType=SongList\n" + item,
         TemplateLoadStatus::TemplateVersion, ""},
        {"names a plug-in", std::string(ValidGeneral) + "Plugin=mp3\n" + item,
         TemplateLoadStatus::TemplateVersion, ""},
        {"empty plug-in", std::string(ValidGeneral) + "Plugin=\n" + item, TemplateLoadStatus::Ok,
         ""},
        {"version before fields", "[General]\nTPLVersion=0\nType=AlbumList\nGroupBy=Art\n",
         TemplateLoadStatus::TemplateVersion, ""},
        {"group word names no field", std::string(ValidGeneral) + "GroupBy=Art\n" + item,
         TemplateLoadStatus::LoadError, "GroupBy"},
        {"sort word names no field",
         std::string(ValidGeneral) + "SortBy=Artist,Albums2 Foo\n" + item,
         TemplateLoadStatus::LoadError, "SortBy"},
        {"group before sort", std::string(ValidGeneral) + "SortBy=x1\nGroupBy=x2\n" + item,
         TemplateLoadStatus::LoadError, "GroupBy"},
        {"sort before item", std::string(ValidGeneral) + "SortBy=x1\n",
         TemplateLoadStatus::LoadError, "SortBy"},
        {"no item", std::string(ValidGeneral) + "[Document]\nStart=x\n",
         TemplateLoadStatus::LoadError, "Item"},
        {"empty item", std::string(ValidGeneral) + "[Item]\nItem=  \n",
         TemplateLoadStatus::LoadError, "Item"},
        {"item in another section", std::string(ValidGeneral) + "[Group]\nItem=x\n",
         TemplateLoadStatus::LoadError, "Item"},
        {"binary junk", std::string("\0\xff[\x01", 4), TemplateLoadStatus::TemplateMissing, ""},
    };
    for (const Case& c : cases) {
        const TemplateLoadResult r = loadText(c.text);
        EXPECT_EQ(r.status, c.status) << c.what;
        EXPECT_EQ(r.detail, c.detail) << c.what;
    }
}

TEST(LoadTemplate, MissingFileIsTemplateMissing) {
    test::TempDir dir;
    EXPECT_EQ(loadReportTemplate(dir.file("none.tpl")).status, TemplateLoadStatus::TemplateMissing);
    EXPECT_EQ(loadReportTemplate(dir.path().string()).status, TemplateLoadStatus::TemplateMissing);
}

// What the wizard shows before a template is used: any readable template, even one this
// version cannot use, tells its description and author.
TEST(TemplateInfo, DescriptionAndAuthorOfEveryReadableTemplate) {
    test::TempDir dir;
    const std::string newer = dir.file("newer.tpl");
    test::writeFile(newer, "[General]\nTPLVersion=3\nTPLCompatibility=3\n"
                           "Description=Albums%nby artist\nAuthor=  Jana  \n");
    const auto info = readTemplateInfo(newer);
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->description, "Albums\r\nby artist");
    EXPECT_EQ(info->author, "Jana");
    EXPECT_EQ(loadReportTemplate(newer).status, TemplateLoadStatus::TemplateVersion);

    const std::string bare = dir.file("bare.tpl");
    test::writeFile(bare, "[Item]\nItem=x\n");
    ASSERT_TRUE(readTemplateInfo(bare).has_value());
    EXPECT_EQ(readTemplateInfo(bare)->description, "");

    test::writeFile(dir.file("nosection.tpl"), "Description=x\n");
    EXPECT_FALSE(readTemplateInfo(dir.file("nosection.tpl")).has_value());
    EXPECT_FALSE(readTemplateInfo(dir.file("missing.tpl")).has_value());
}

TEST(LoadTemplate, ReadsEveryKeyWithItsDefault) {
    test::TempDir dir;
    const std::string path = dir.file("albums.tpl");
    test::writeFile(path, std::string(ValidGeneral) +
                              "Description=Albums by artist%nwith totals\n"
                              "Author=Jo\n"
                              "FileExtension=html\n"
                              "GroupBy=Artist\n"
                              "SortBy=Artist, Album;Year\n"
                              "Include=head.inc\n"
                              "Copy= style.css | img/logo.png ||  \n"
                              "EmptyCell=&nbsp;\n"
                              "HTMLEncode=1\n"
                              "[Document]\nStart=<html>\nEnd=</html>\n"
                              "[Group]\nStart=<h1>%Artist%</h1>\nEnd=<hr>\n" +
                              ValidItem);
    const TemplateLoadResult r = loadReportTemplate(path);
    ASSERT_TRUE(r.ok()) << r.detail;
    const ReportTemplate& t = r.tpl;
    EXPECT_EQ(t.description, "Albums by artist\r\nwith totals");
    EXPECT_EQ(t.author, "Jo");
    EXPECT_EQ(t.fileExtension, "html");
    EXPECT_EQ(t.groupBy, std::vector<int>{Artist});
    EXPECT_EQ(t.sortBy, (std::vector<int>{Artist, Album, Year}));
    EXPECT_EQ(t.include, "head.inc");
    EXPECT_EQ(t.pathOf(t.include), dir.file("head.inc"));
    EXPECT_EQ(t.pathOf("/usr/share/x.css"), "/usr/share/x.css");
    EXPECT_EQ(t.copy, (std::vector<std::string>{"style.css", "img/logo.png"}));
    EXPECT_EQ(t.emptyCell, "&nbsp;");
    EXPECT_TRUE(t.htmlEncode);
    EXPECT_EQ(t.directory, dir.path().string() + "/");
    EXPECT_EQ(t.block(BlockKind::DocumentStart).text(), "<html>");
    EXPECT_EQ(t.block(BlockKind::GroupStart).name(), "Group:Start");
    EXPECT_EQ(t.block(BlockKind::GroupEnd).text(), "<hr>");
    EXPECT_EQ(t.block(BlockKind::DocumentEnd).name(), "Document:End");
    EXPECT_EQ(t.block(BlockKind::Item).text(), "%Artist%%n");

    PlainBlockContext context;
    context.record[Artist] = "Simon & Garfunkel";
    std::string out;
    ASSERT_TRUE(t.expand(BlockKind::GroupStart, context, out).ok());
    EXPECT_EQ(out, "<h1>Simon &amp; Garfunkel</h1>");
}

TEST(LoadTemplate, DefaultsAndEdgeValues) {
    struct Case {
        const char* extra;
        const char* extension;
        bool html;
    };
    const Case cases[] = {
        {"", "txt", false},
        {"FileExtension=\n", "", false},
        {"FileExtension=\"\"\n", "", false},
        {"FileExtension=csv\nFileExtension=html\n", "csv", false},
        {"HTMLEncode=yes\n", "txt", false},
        {"HTMLEncode=2\n", "txt", true},
        {"HTMLEncode=0\n", "txt", false},
        {"HTMLEncode= -1 \n", "txt", true},
    };
    for (const Case& c : cases) {
        const TemplateLoadResult r = loadText(std::string(ValidGeneral) + c.extra + ValidItem);
        ASSERT_TRUE(r.ok()) << c.extra;
        EXPECT_EQ(r.tpl.fileExtension, c.extension) << c.extra;
        EXPECT_EQ(r.tpl.htmlEncode, c.html) << c.extra;
        EXPECT_TRUE(r.tpl.copy.empty());
        EXPECT_TRUE(r.tpl.groupBy.empty());
        EXPECT_TRUE(r.tpl.block(BlockKind::DocumentStart).empty());
    }
}

TEST(LoadTemplate, CutsLongValuesToTheirLimits) {
    const std::string longItem(2000, 'i');
    const std::string longText = std::string(3000, 'd');
    const TemplateLoadResult r =
        loadText(std::string(ValidGeneral) + "Description=" + longText + "\nAuthor=" + longText +
                 "\nEmptyCell=" + longItem + "\n[Item]\nItem=" + longItem + "\n");
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.tpl.block(BlockKind::Item).text().size(), 1023u);
    EXPECT_EQ(r.tpl.description.size(), 2046u);
    EXPECT_EQ(r.tpl.author.size(), 2046u);
    EXPECT_EQ(r.tpl.emptyCell.size(), 1023u);
}

TEST(FieldList, SplitsAtBlanksCommasAndSemicolons) {
    struct Case {
        std::string text;
        std::optional<std::vector<int>> fields;
    };
    std::string hundredAndOne;
    for (int i = 0; i < 100; ++i)
        hundredAndOne += "Year ";
    const std::string longWord = "Artist" + std::string(93, 'x') + "Album"; // 99 + 5 bytes
    const Case cases[] = {
        {"", std::vector<int>{}},
        {" ,; ", std::vector<int>{}},
        {"Artist, Album;Year", std::vector<int>{Artist, Album, Year}},
        {"artist,,album", std::vector<int>{Artist, Album}},
        {"tag\tcomment", std::vector<int>{Tag, Comment}},
        {"Art", std::nullopt},
        {"Artist Foo", std::nullopt},
        {"Artist.Album", std::vector<int>{Artist}}, // one word: only its first four letters count
        {hundredAndOne + "Foo", std::vector<int>(100, Year)},
        {longWord, std::vector<int>{Artist, Album}},
        {"Artist" + std::string(94, 'x') + "Foo", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(parseFieldList(c.text), c.fields) << c.text;
}

TEST(CopyList, TrimsNamesAndSkipsEmptyOnes) {
    struct Case {
        const char* text;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {"", {}},
        {" | |", {}},
        {"style.css", {"style.css"}},
        {" style.css |img/logo.png|| back ground.png ",
         {"style.css", "img/logo.png", "back ground.png"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(splitCopyList(c.text), c.names) << c.text;
}

TEST(CopyList, RefusesNamesThatLeaveTheReportFolder) {
    struct Case {
        const char* name;
        bool safe;
    };
    const Case cases[] = {
        {"style.css", true}, {"img/logo.png", true}, {"./a", true},   {"a//b", true},
        {"...", true},       {"..a", true},          {"a..", true},   {"/etc/passwd", false},
        {"//host/x", false}, {"..", false},          {"../x", false}, {"a/../b", false},
        {"a/..", false},     {"a/../../x", false},   {"", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(isSafeCopyName(c.name), c.safe) << c.name;
}

} // namespace
} // namespace tl
