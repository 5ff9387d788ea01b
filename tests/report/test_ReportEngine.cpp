#include "report/ReportEngine.h"

#include "locale/Langutils.h"
#include "report/Filter.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sys/stat.h>

using namespace tl;
using tl::test::readFile;
using tl::test::TempDir;
using tl::test::writeFile;

namespace {

Fields album(const std::string& artist, const std::string& title = "A",
             const std::string& size = "0", const std::string& track = "0") {
    Fields f = emptyRecord();
    f[Artist] = artist;
    f[Album] = title;
    f[Size] = size;
    f[Track] = track;
    f[Length] = "60";
    return f;
}

std::string writeDigest(const TempDir& dir, const std::string& name,
                        const std::vector<Fields>& records, std::uint16_t compat = 1) {
    RecordFile file(FieldCount);
    file.setType(RecordType::make("Dgst", 1, compat));
    const std::string path = dir.file(name);
    EXPECT_EQ(file.create(path), RecordResult::Ok);
    for (const Fields& r : records)
        EXPECT_EQ(file.append(file.pack(r, SongFieldWidth)), RecordResult::Ok);
    EXPECT_EQ(file.close(), RecordResult::Ok);
    return path;
}

struct Blocks {
    std::string general; // extra lines of [General]
    std::string docStart, groupStart, item = "%Artist%", groupEnd, docEnd;
};

ReportTemplate makeTemplate(const TempDir& dir, const Blocks& b) {
    const std::string path = dir.file("t.tpl");
    writeFile(path, "[General]\nTPLVersion=1\nType=AlbumList\n" + b.general +
                        "\n[Document]\nStart=" + b.docStart + "\nEnd=" + b.docEnd +
                        "\n[Group]\nStart=" + b.groupStart + "\nEnd=" + b.groupEnd +
                        "\n[Item]\nItem=" + b.item + "\n");
    TemplateLoadResult loaded = loadReportTemplate(path);
    EXPECT_TRUE(loaded.ok()) << loaded.detail;
    return loaded.tpl;
}

// Names of the files in @p dir.
std::vector<std::string> filesIn(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Loads @p records unsorted and writes the report with @p blocks over an earlier report
// @p earlier (none when empty); returns the report file's text afterwards.
std::string report(const std::vector<Fields>& records, const Blocks& blocks,
                   ReportOutcome* outcome = nullptr, const std::string& earlier = {}) {
    TempDir dir;
    if (!earlier.empty())
        writeFile(dir.file("out.txt"), earlier);
    ReportEngine engine;
    EXPECT_EQ(engine.loadRecords({writeDigest(dir, "d.sdd", records)}, nullptr).status,
              ReportLoad::Ok);
    const ReportTemplate tpl = makeTemplate(dir, blocks);
    const ReportOutcome result = engine.generate(tpl, dir.file("out.txt"));
    if (outcome)
        *outcome = result;
    else
        EXPECT_TRUE(result.ok()) << result.detail;
    return readFile(dir.file("out.txt"));
}

} // namespace

TEST(ReportEngine, GroupsFollowTheGroupKeyInLoadingOrder) {
    struct Case {
        const char* what;
        std::string groupBy;
        std::vector<std::string> artists;
        std::string expected;
    };
    const Case cases[] = {
        {"no GroupBy: one group around everything", "", {"x", "y", "x"}, "[1:x,y,x,3]"},
        {"x, y, x give three groups", "GroupBy=Artist", {"x", "y", "x"}, "[1:x,1][2:y,1][3:x,1]"},
        {"case of a-z ignored", "GroupBy=Artist", {"Abc", "aBC", "ABC"}, "[1:Abc,aBC,ABC,3]"},
        {"case outside a-z counts", "GroupBy=Artist", {"é", "É"}, "[1:é,1][2:É,1]"},
        {"one record", "GroupBy=Artist", {"solo"}, "[1:solo,1]"},
    };
    for (const Case& c : cases) {
        std::vector<Fields> records;
        for (const auto& a : c.artists)
            records.push_back(album(a));
        Blocks b;
        b.general = c.groupBy;
        b.groupStart = "[%g:";
        b.item = "%Artist%,";
        b.groupEnd = "%l]";
        EXPECT_EQ(report(records, b), c.expected) << c.what;
    }
}

TEST(ReportEngine, CountersAtEveryBlock) {
    Blocks b;
    b.general = "GroupBy=Artist";
    b.docStart = "S%r/%l/%g|";
    b.groupStart = "<%r/%l/%g|";
    b.item = "%r/%l/%g/%o/%e|";
    b.groupEnd = "%r/%l/%g>|";
    b.docEnd = "E%r/%l/%g";
    EXPECT_EQ(report({album("a"), album("a"), album("b")}, b),
              "S0/0/0|<0/0/1|1/1/1/Odd/Even|2/2/1/Even/Odd|2/2/1>|<2/0/2|3/1/2/Odd/Even|3/1/2>|"
              "E3/1/2");
}

// Every block of a group knows the group's records and their share of the largest group's,
// counted with the same rule that begins the groups.
TEST(ReportEngine, GroupSizesAndSharesAreKnownFromTheGroupStart) {
    struct Run {
        std::string artist;
        int records;
    };
    struct Case {
        const char* what;
        std::string groupBy;
        std::vector<Run> runs;           // in loading order
        std::vector<std::string> groups; // "records:share" at each group start
        std::string atTheEnd;            // "%c:%p" in the document end
    };
    const Case cases[] = {
        {"1,000, 500 and 1",
         "GroupBy=Artist",
         {{"a", 1000}, {"b", 500}, {"c", 1}},
         {"1000:100", "500:50", "1:1"},
         "1:1"},
        {"no GroupBy: one group", "", {{"x", 2}, {"y", 1}}, {"3:100"}, "3:100"},
        {"x, y, x are three groups",
         "GroupBy=Artist",
         {{"x", 1}, {"y", 1}, {"x", 1}},
         {"1:100", "1:100", "1:100"},
         "1:100"},
        {"case of a-z ignored, other case counts",
         "GroupBy=Artist",
         {{"Abc", 1}, {"aBC", 2}, {"é", 1}, {"É", 1}},
         {"3:100", "1:33", "1:33"},
         "1:33"},
    };
    for (const Case& c : cases) {
        std::vector<Fields> records;
        for (const Run& run : c.runs)
            for (int i = 0; i < run.records; ++i)
                records.push_back(album(run.artist));
        Blocks b;
        b.general = c.groupBy;
        b.docStart = "[%c:%p]";
        b.groupStart = "<%c:%p|";
        b.item = "%c";
        b.groupEnd = "|%l:%c:%p>";
        b.docEnd = "[%c:%p]";
        std::string expected = "[0:0]";
        for (const std::string& group : c.groups) {
            const std::string records = group.substr(0, group.find(':'));
            std::string items;
            for (int i = 0; i < std::stoi(records); ++i)
                items += records;
            expected += "<" + group + "|" + items + "|" + records + ":" + group + ">";
        }
        expected += "[" + c.atTheEnd + "]";
        EXPECT_EQ(report(records, b), expected) << c.what;
    }
}

TEST(ReportEngine, TotalsAreZeroAtGroupStartAndSummedAtTheEnds) {
    Blocks b;
    b.general = "GroupBy=Artist";
    b.groupStart = "[%Size% %Track% %Length%|";
    b.item = "%Size%,";
    b.groupEnd = "|%Size% %Track% %Length%]";
    b.docEnd = "=%Size% %Track% %Length% %Artist%";
    // Sizes beyond 32 bits add in full; a Track of 3/12 adds 3, text adds nothing.
    const std::string text =
        report({album("a", "1", "3000000000", "3/12"), album("a", "2", "3000000000", "10"),
                album("b", "3", "5", "x")},
               b);
    EXPECT_EQ(text, "[0 0 0|3000000000,3000000000,|6000000000 13 120]"
                    "[0 0 0|5,|5 0 60]=6000000005 13 180 a");
}

TEST(ReportEngine, TotalsStopAtThe64BitLimits) {
    // Digests made by hand: sums past 2^64 in either direction stay at the limit they would
    // pass, in the group and in the document, and a sum that comes back from a limit goes
    // on from there. The blocks show the totals of Size, Length and Track.
    const std::string nine = "9000000000000000000";
    const std::string max = "9223372036854775807";
    const std::string min = "-9223372036854775808";
    const auto playing = [](const std::string& seconds) {
        Fields f = album("a");
        f[Length] = seconds;
        return f;
    };
    struct Case {
        const char* what;
        std::vector<Fields> records;
        std::string text;
    };
    const Case cases[] = {
        {"sizes",
         {album("a", "1", nine), album("a", "2", nine), album("a", "3", nine)},
         "[,,," + max + " 180 0]=" + max + " 180 0"},
        {"playing times",
         {playing(nine), playing(nine), playing(nine)},
         "[,,,0 " + max + " 0]=0 " + max + " 0"},
        {"tracks",
         {album("a", "1", "0", nine), album("a", "2", "0", nine), album("a", "3", "0", nine)},
         "[,,,0 180 " + max + "]=0 180 " + max},
        {"negative sizes",
         {album("a", "1", "-" + nine), album("a", "2", "-" + nine)},
         "[,," + min + " 120 0]=" + min + " 120 0"},
        {"a sum that comes back",
         {album("a", "1", max), album("a", "2", max), album("a", "3", "-7")},
         "[,,,9223372036854775800 180 0]=9223372036854775800 180 0"},
        {"two groups",
         {album("a", "1", nine), album("a", "2", nine), album("b", "3", nine)},
         "[,," + max + " 120 0][," + nine + " 60 0]=" + max + " 180 0"},
    };
    Blocks b;
    b.general = "GroupBy=Artist";
    b.groupStart = "[";
    b.item = ",";
    b.groupEnd = "%Size% %Length% %Track%]";
    b.docEnd = "=%Size% %Length% %Track%";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(report(c.records, b), c.text);
    }
}

TEST(ReportEngine, GroupingBySizeComparesWithTheFirstRecordNotTheTotal) {
    Blocks b;
    b.general = "GroupBy=Size";
    b.groupStart = "[";
    b.item = "%Size%,";
    b.groupEnd = "]";
    EXPECT_EQ(report({album("a", "1", "7"), album("b", "2", "7"), album("c", "3", "14")}, b),
              "[7,7,][14,]");
}

TEST(ReportEngine, LineFeedsReachTheFileAsCrLf) {
    TempDir dir;
    writeFile(dir.file("inc.txt"), "one\ntwo\r\nthree");
    ReportEngine engine;
    ASSERT_EQ(engine.loadRecords({writeDigest(dir, "d.sdd", {album("a")})}, nullptr).status,
              ReportLoad::Ok);
    Blocks b;
    b.general = "Include=inc.txt";
    b.docStart = "head%n%i|%n";
    b.item = "%Artist%%n";
    const ReportOutcome outcome = engine.generate(makeTemplate(dir, b), dir.file("r.txt"));
    ASSERT_TRUE(outcome.ok());
    EXPECT_EQ(readFile(dir.file("r.txt")), "head\r\none\r\ntwo\r\nthree|\r\na\r\n");
}

// A failed report leaves the earlier report of its name as it was: the new one is
// written under a temporary name that is removed again.
TEST(ReportEngine, FailuresStopTheReportAndKeepTheEarlierOne) {
    struct Case {
        const char* what;
        Blocks blocks;
        ReportStatus status;
        std::string detail;
        std::size_t position;
    };
    Blocks missingInclude;
    missingInclude.general = "Include=nowhere.txt";
    missingInclude.docStart = "start";
    // A FIFO, a device and a folder are refused before anything is read from them: an
    // endless device is no write failure and a FIFO does not hold the report.
    TempDir other;
    ASSERT_EQ(::mkfifo(other.file("fifo").c_str(), 0600), 0);
    Blocks fifoInclude = missingInclude;
    fifoInclude.general = "Include=" + other.file("fifo");
    Blocks endlessInclude = missingInclude;
    endlessInclude.general = "Include=/dev/zero";
    Blocks folderInclude = missingInclude;
    folderInclude.general = "Include=" + other.path().string();
    Blocks badField;
    badField.docStart = "start;";
    badField.item = "ok %Nonsense%";
    Blocks badWidth;
    badWidth.item = "%Artist 12x%";
    Blocks open;
    open.groupEnd = "x%Artist";
    const Case cases[] = {
        {"include cannot be read", missingInclude, ReportStatus::IncludeError, "", 0},
        {"unknown field", badField, ReportStatus::FieldError, "Item:Nonsense", 4},
        {"width with a letter", badWidth, ReportStatus::FieldError, "Item:Artist=>12x", 1},
        {"unclosed placeholder", open, ReportStatus::EolError, "Group:End", 8},
        {"include is a FIFO", fifoInclude, ReportStatus::IncludeError, "", 0},
        {"include is endless", endlessInclude, ReportStatus::IncludeError, "", 0},
        {"include is a folder", folderInclude, ReportStatus::IncludeError, "", 0},
    };
    for (const Case& c : cases) {
        ReportOutcome outcome;
        const std::string text = report({album("a")}, c.blocks, &outcome, "EARLIER\r\n");
        EXPECT_EQ(outcome.status, c.status) << c.what;
        EXPECT_EQ(outcome.detail, c.detail) << c.what;
        EXPECT_EQ(outcome.position, c.position) << c.what;
        EXPECT_EQ(text, "EARLIER\r\n") << c.what;
    }
}

TEST(ReportEngine, CopyBringsFilesAlongAndStopsAtTheFirstFailure) {
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "out");
    std::filesystem::create_directory(dir.path() / "tpl");
    std::filesystem::create_directory(dir.path() / "tpl" / "sub");
    writeFile(dir.file("tpl/a.css"), "a");
    writeFile(dir.file("tpl/empty.txt"), "");
    writeFile(dir.file("tpl/sub/b.css"), "b");
    writeFile(dir.file("tpl/c.css"), "c");
    ASSERT_EQ(::mkfifo(dir.file("tpl/pipe.css").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", dir.path() / "tpl" / "zero.bin");
    const auto digest = writeDigest(dir, "d.sdd", {album("a")});

    struct Case {
        const char* what;
        std::string copy;
        ReportStatus status;
        std::vector<std::string> present, absent;
    };
    const Case cases[] = {
        {"all copied",
         "a.css | empty.txt||c.css",
         ReportStatus::Ok,
         {"a.css", "empty.txt", "c.css"},
         {}},
        {"folder missing under the report",
         "a.css|sub/b.css|c.css",
         ReportStatus::CopyError,
         {"a.css"},
         {"c.css"}},
        {"source missing", "a.css|gone.css|c.css", ReportStatus::CopyError, {"a.css"}, {"c.css"}},
        {"source is a FIFO",
         "a.css|pipe.css|c.css",
         ReportStatus::CopyError,
         {"a.css"},
         {"pipe.css", "c.css"}},
        {"source is a device",
         "a.css|zero.bin|c.css",
         ReportStatus::CopyError,
         {"a.css"},
         {"zero.bin", "c.css"}},
        {"outside the report folder",
         "a.css|../escape.css|c.css",
         ReportStatus::CopyError,
         {"a.css"},
         {"c.css", "../escape.css"}},
    };
    for (const Case& c : cases) {
        std::filesystem::remove_all(dir.path() / "out");
        std::filesystem::create_directory(dir.path() / "out");
        writeFile(dir.file("tpl/t.tpl"), "[General]\nTPLVersion=1\nType=AlbumList\nCopy=" + c.copy +
                                             "\n[Item]\nItem=%Artist%\n");
        const TemplateLoadResult loaded = loadReportTemplate(dir.file("tpl/t.tpl"));
        ASSERT_TRUE(loaded.ok());
        ReportEngine engine;
        ASSERT_EQ(engine.loadRecords({digest}, nullptr).status, ReportLoad::Ok);
        EXPECT_EQ(engine.generate(loaded.tpl, dir.file("out/r.html")).status, c.status) << c.what;
        for (const auto& name : c.present)
            EXPECT_TRUE(std::filesystem::exists(dir.path() / "out" / name))
                << c.what << " " << name;
        for (const auto& name : c.absent)
            EXPECT_FALSE(std::filesystem::exists(dir.path() / "out" / name))
                << c.what << " " << name;
        // Only a complete report takes its name; nothing else is left behind.
        EXPECT_EQ(std::filesystem::exists(dir.path() / "out" / "r.html"),
                  c.status == ReportStatus::Ok)
            << c.what;
        std::vector<std::string> expected = c.present;
        if (c.status == ReportStatus::Ok)
            expected.push_back("r.html");
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(filesIn(dir.path() / "out"), expected) << c.what;
    }
    EXPECT_EQ(readFile(dir.file("out/a.css")), "a");
}

TEST(ReportEngine, ReportThatCannotBeCreatedIsAWriteError) {
    TempDir dir;
    ReportEngine engine;
    ASSERT_EQ(engine.loadRecords({writeDigest(dir, "d.sdd", {album("a")})}, nullptr).status,
              ReportLoad::Ok);
    EXPECT_EQ(engine.generate(makeTemplate(dir, {}), dir.file("no/such/folder/r.txt")).status,
              ReportStatus::WriteError);
}

TEST(ReportEngine, LoadingReportsTheFileThatFailedAndEmptyResults) {
    TempDir dir;
    const auto good = writeDigest(dir, "good.sdd", {album("a"), album("b")});
    const auto newer = writeDigest(dir, "newer.sdd", {album("c")}, 2);
    const auto empty = writeDigest(dir, "empty.sdd", {});
    ReportEngine engine;

    ReportLoad load = engine.loadRecords({good, newer}, nullptr);
    EXPECT_EQ(load.status, ReportLoad::Failed);
    EXPECT_EQ(load.failedPath, newer);
    EXPECT_EQ(load.result, RecordResult::BadFormat);

    load = engine.loadRecords({empty}, nullptr);
    EXPECT_EQ(load.status, ReportLoad::NoRecords);

    FilterCondition c;
    c.field = Artist;
    c.op = FilterOperator::Equal;
    c.value = "nobody";
    const Filter nobody({c}, "", "", DateOrder::DayFirst);
    EXPECT_EQ(engine.loadRecords({good}, &nobody).status, ReportLoad::NoRecords);

    load = engine.loadRecords({good, good}, nullptr); // a file listed twice counts twice
    EXPECT_EQ(load.status, ReportLoad::Ok);
    EXPECT_EQ(engine.records().size(), 4u);
}

TEST(ReportEngine, SortsWithTheCollator) {
    TempDir dir;
    ReportEngine engine;
    ASSERT_EQ(engine
                  .loadRecords({writeDigest(dir, "d.sdd",
                                            {album("b", "2"), album("10", "x"), album("9", "x"),
                                             album("B", "1"), album("a", "9")})},
                               nullptr)
                  .status,
              ReportLoad::Ok);
    Collator collator;
    initCollator(collator, "", "", false);
    engine.sortRecords({Artist, Album}, collator);
    Blocks b;
    b.item = "%Artist%%Album%|";
    EXPECT_EQ(readFile([&] {
                  const std::string out = dir.file("r.txt");
                  EXPECT_TRUE(engine.generate(makeTemplate(dir, b), out).ok());
                  return out;
              }()),
              "9x|10x|a9|B1|b2|");
}

TEST(ReportEngine, DriveOfTheCurrentVolume) {
    TempDir dir;
    Fields onDisc = album("a");
    onDisc[VolName] = "MUSIC01";
    onDisc[VolSerial] = "1A2B3C4D";
    onDisc[Path] = "Rock/Album";
    Fields elsewhere = onDisc;
    elsewhere[VolName] = "OTHER";
    Fields network = onDisc;
    network[Path] = "/srv/music/Album";
    ReportEngine engine;
    engine.setDefaultDrive("/media/default/");
    engine.setVolumeSource([] {
        MountedVolume v;
        v.mountPoint = "/media/disc";
        v.label = "music01";
        v.serial = "1a2b3c4d";
        v.fsType = "vfat";
        return std::vector<MountedVolume>{v};
    });
    ASSERT_EQ(engine.loadRecords({writeDigest(dir, "d.sdd", {onDisc, elsewhere, network})}, nullptr)
                  .status,
              ReportLoad::Ok);
    Blocks b;
    b.item = "%m %d%Path%;";
    const std::string out = dir.file("r.txt");
    ASSERT_TRUE(engine.generate(makeTemplate(dir, b), out).ok());
    EXPECT_EQ(readFile(out), "true /media/disc/Rock/Album;false /media/default/Rock/Album;"
                             "true /srv/music/Album;");
}
