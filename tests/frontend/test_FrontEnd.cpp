#include "frontend/FrontEnd.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

using namespace tl;
using tl::test::TempDir;
using tl::test::writeFile;
namespace fs = std::filesystem;

namespace {

// A language whose default template is "albums.tpl" and whose report of several digests
// is called "Sestava".
Locale language(const TempDir& dir) {
    writeFile(dir.file("default.lcl"), "[General]\nLCLVersion=1\nDefaultTemplate=albums.tpl\n"
                                       "[Report]\nDefaultReportName=Sestava\n");
    Locale locale;
    locale.setFallbackPath(dir.file("default.lcl"));
    return locale;
}

// The process works in @p dir while it lives (a template named on the command line is
// looked for there first).
class InFolder {
public:
    explicit InFolder(const fs::path& dir) : m_previous(fs::current_path()) {
        fs::current_path(dir);
    }
    ~InFolder() { fs::current_path(m_previous); }

private:
    fs::path m_previous;
};

} // namespace

// The template a report starts from: the one used last only while rememberTemplate is on,
// else the language's default among the shipped templates.
TEST(StartingTemplate, TheLastTemplateOnlyWhenItIsRememberedElseTheLanguagesDefault) {
    TempDir dir;
    const Locale locale = language(dir);
    const struct {
        bool remember;
        const char* last;
        const char* expected;
    } cases[] = {
        {true, "/mine/list.tpl", "/mine/list.tpl"},
        {true, "", "/app/templates/albums.tpl"},
        {false, "/mine/list.tpl", "/app/templates/albums.tpl"},
        {false, "", "/app/templates/albums.tpl"},
    };
    for (const auto& c : cases) {
        Settings settings;
        settings.rememberTemplate = c.remember;
        settings.digestTemplate = c.last;
        EXPECT_EQ(startingTemplate(settings, locale, "/app/templates/"), c.expected)
            << c.remember << " " << c.last;
    }
}

// A template named on the command line: a file of the current folder first, then a
// shipped template of that name; a path is taken as it is.
TEST(TemplateNamed, ABareNameIsLookedForHereThenAmongTheShippedTemplates) {
    TempDir dir;
    const Locale locale = language(dir);
    fs::create_directories(dir.path() / "work");
    fs::create_directories(dir.path() / "templates");
    writeFile(dir.file("work/mine.tpl"), "");
    writeFile(dir.file("work/both.tpl"), "");
    writeFile(dir.file("templates/both.tpl"), "");
    writeFile(dir.file("templates/shipped.tpl"), "");
    const std::string shipped = dir.file("templates") + "/";
    InFolder here(dir.path() / "work");
    const struct {
        std::string name, expected;
    } cases[] = {
        {"", shipped + "albums.tpl"},
        {"mine.tpl", "mine.tpl"},
        {"both.tpl", "both.tpl"},
        {"shipped.tpl", shipped + "shipped.tpl"},
        {"absent.tpl", "absent.tpl"},
        {"./shipped.tpl", "./shipped.tpl"},
        {"/elsewhere/shipped.tpl", "/elsewhere/shipped.tpl"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(templateNamed(c.name, Settings{}, locale, shipped), c.expected) << c.name;
}

TEST(DigestRequest, TheDigestGoesBesideItsSongsUnlessNamedWithTheDigestSettings) {
    Settings settings;
    settings.digestVarious = "Mixed";
    settings.tooMany = 4;
    const DigestRequest beside = digestRequest(settings, "/db/CD1.SDS", "", true);
    EXPECT_EQ(beside.digestPath, "/db/CD1.SDd");
    EXPECT_EQ(beside.options.variousWord, "Mixed");
    EXPECT_EQ(beside.options.tooMany, 4);
    EXPECT_TRUE(beside.options.autoComplete);
    const DigestRequest named = digestRequest(settings, "/db/list.db", "/out/albums.sdd", false);
    EXPECT_EQ(named.digestPath, "/out/albums.sdd");
    EXPECT_FALSE(named.options.autoComplete);
}

// What a report takes from the settings and the language that the user does not see set:
// the drive of volumes that are not mounted and the name of a report of several digests.
TEST(ReportRequest, UnsetDefaultDriveIsTheRootAndSeveralDigestsTakeTheLanguagesName) {
    TempDir dir;
    const Locale locale = language(dir);
    for (const auto& [drive, expected] :
         {std::pair{"", "/"}, std::pair{"/media/cd", "/media/cd"}}) {
        Settings settings;
        settings.defaultDrive = drive;
        settings.usDate = true;
        const ReportRequest request =
            reportRequest(settings, locale, {"a.sdd", "b.sdd"}, "t.tpl", "", "/reports/");
        EXPECT_EQ(request.defaultDrive, expected);
        EXPECT_EQ(request.defaultReportName, "Sestava");
        EXPECT_EQ(request.dates, DateOrder::MonthFirst);
        EXPECT_TRUE(request.volumes); // mounted volumes count as mounted
    }
}

// Conditions typed on the command line come in their order with their connective; the first
// wrong one is named with why.
TEST(ReadConditions, TypedConditionsKeepTheirOrderOrTheFirstWrongOneIsNamed) {
    const std::vector<TypedCondition> good{{"Artist = Blue Lake", FilterConnective::And},
                                           {"Year >= 1990", FilterConnective::Or}};
    const ReadConditions read = readConditions(good, DateOrder::DayFirst);
    ASSERT_FALSE(read.wrong);
    ASSERT_EQ(read.conditions.size(), 2u);
    EXPECT_EQ(read.conditions[0].field, Artist);
    EXPECT_EQ(read.conditions[0].value, "Blue Lake");
    EXPECT_EQ(read.conditions[1].connective, FilterConnective::Or);
    EXPECT_EQ(read.conditions[1].op, FilterOperator::GreaterEqual);

    const struct {
        std::string text;
        const char* key;
    } wrong[] = {
        {"Singer = x", "ConditionUnknownField"},
        {"Year >= soon", "ConditionNumberExpected"},
        {"Date = 31.13.2001", "ErrDateExpected"},
    };
    for (const auto& c : wrong) {
        SCOPED_TRACE(c.text);
        const ReadConditions bad = readConditions(
            {good[0], {c.text, FilterConnective::And}, good[1]}, DateOrder::DayFirst);
        ASSERT_TRUE(bad.wrong);
        EXPECT_EQ(bad.wrong->first, c.text);
        EXPECT_EQ(bad.wrong->second.key, c.key);
    }
}

TEST(ScanTarget, TheChosenNameBecomesASongDatabaseItsBaseNameAndFolder) {
    struct Case {
        const char *chosen, *file, *baseName, *folder;
    };
    const std::vector<Case> cases{
        {"/db/Music.sds", "/db/Music.sds", "Music", "/db/"},
        {"/db/Music.SDS", "/db/Music.SDS", "Music", "/db/"},
        {"/db/Music", "/db/Music.sds", "Music", "/db/"},
        {"/db/my.list", "/db/my.list.sds", "my.list", "/db/"},
        {"/db/music.Sdd", "/db/music.Sdd.sds", "music.Sdd", "/db/"},
        {"/home/u/a.b/CD 1.sds", "/home/u/a.b/CD 1.sds", "CD 1", "/home/u/a.b/"},
        {"/db/Rock.sds.bak", "/db/Rock.sds.bak.sds", "Rock.sds.bak", "/db/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chosen);
        const ScanTarget target = scanTargetOf(c.chosen);
        EXPECT_EQ(target.file, c.file);
        EXPECT_EQ(target.baseName, c.baseName);
        EXPECT_EQ(target.outputDirectory, c.folder);
    }
}

TEST(ScanTarget, OnlyADigestEndingInTheFileNameIsRefused) {
    EXPECT_FALSE(acceptableSongDatabaseName(("/db/music.sdd")));
    EXPECT_FALSE(acceptableSongDatabaseName(("/db/MUSIC.SDD")));
    EXPECT_FALSE(acceptableSongDatabaseName(("/db/x.sdd.sds")));
    EXPECT_TRUE(acceptableSongDatabaseName(("/db/music.Sdd")));
    EXPECT_TRUE(acceptableSongDatabaseName(("/db/music")));
    EXPECT_TRUE(acceptableSongDatabaseName(("/old.sdd/music.sds")));
}

// The command line names a catalogue from its volume when told no name: the label, else
// the folder's name, never with a "/" a file name cannot hold.
TEST(DefaultCatalogueName, TheLabelElseTheFolderWithoutSlashes) {
    const struct {
        const char *label, *folder, *expected;
    } cases[] = {
        {"MUSIC", "/media/cd", "MUSIC"},
        {"", "/home/u/Jazz Box", "Jazz Box"},
        {"AC/DC", "/media/x", "AC_DC"},
        {"", "/", ""},
    };
    for (const auto& c : cases) {
        VolumeInfo volume;
        volume.label = c.label;
        volume.folder = c.folder;
        EXPECT_EQ(defaultCatalogueName(volume), c.expected) << c.label << " " << c.folder;
    }
    for (const char* name : {"", ".", "..", "a/b", "../x"})
        EXPECT_FALSE(isPlainFileName(name)) << name;
    for (const char* name : {"CD 1", ".hidden", "a..b"})
        EXPECT_TRUE(isPlainFileName(name)) << name;
}

// A typed answer keeps its first 64 characters, however many bytes each takes, and never
// half of one.
TEST(TypedAnswer, KeepsTheFirstSixtyFourCharactersWhole) {
    const std::string e = "\xC3\xA9"; // é, two bytes
    const struct {
        std::string typed, kept;
    } cases[] = {
        {"Blue Lake", "Blue Lake"},
        {std::string(70, 'a'), std::string(64, 'a')},
        {[&] {
             std::string s;
             for (int i = 0; i < 70; ++i)
                 s += e;
             return s;
         }(),
         [&] {
             std::string s;
             for (int i = 0; i < 64; ++i)
                 s += e;
             return s;
         }()},
        {std::string(63, 'a') + "\xE5\xB1\xB1\xE5\xB1\xB1", std::string(63, 'a') + "\xE5\xB1\xB1"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(typedAnswer(c.typed), c.kept) << c.typed.size();
}
