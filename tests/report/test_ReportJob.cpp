#include "report/ReportJob.h"

#include "locale/Settings.h"

#include "support/FileSizeLimit.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

using namespace tl;
using tl::test::readFile;
using tl::test::TempDir;
using tl::test::writeFile;
namespace fs = std::filesystem;

namespace {

Fields album(const std::string& artist, const std::string& title, const std::string& year) {
    Fields f = emptyRecord();
    f[Artist] = artist;
    f[Album] = title;
    f[Year] = year;
    f[Length] = "61";
    return f;
}

void writeDigest(const std::string& path, const std::vector<Fields>& records) {
    RecordFile file(FieldCount);
    file.setType(RecordType::make("Dgst", 1, 1));
    ASSERT_EQ(file.create(path), RecordResult::Ok);
    for (const Fields& r : records)
        ASSERT_EQ(file.append(file.pack(r, SongFieldWidth)), RecordResult::Ok);
    ASSERT_EQ(file.close(), RecordResult::Ok);
}

std::vector<Fields> manyAlbums(int count) {
    std::vector<Fields> records;
    for (int i = 0; i < count; ++i)
        records.push_back(album("Artist " + std::to_string(i % 97), "Album " + std::to_string(i),
                                std::to_string(1950 + i % 70)));
    return records;
}

std::vector<std::string> filesIn(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A folder with a digest "Rock.Classics.sdd", a template "list.tpl" writing one line per
// album, and an output folder "out" that holds an earlier report "out/Rock.txt".
class ReportJobTest : public ::testing::Test {
protected:
    void SetUp() override {
        digest = dir.file("Rock.Classics.sdd");
        writeDigest(digest, {album("Blue Lake", "Northern Roads", "1991"),
                             album("Amber", "Tides", "1984"), album("Cedar", "Rings", "2003")});
        templatePath = dir.file("list.tpl");
        writeFile(templatePath, "[General]\nTPLVersion=1\nType=AlbumList\nFileExtension=txt\n"
                                "SortBy=Artist\n[Item]\nItem=%Artist% - %Album% (%Year%)%n\n");
        fs::create_directory(dir.path() / "out");
        earlier = dir.file("out/Rock.txt");
        writeFile(earlier, "EARLIER REPORT\r\n");
        request.digests = {digest};
        request.templatePath = templatePath;
        request.reportDirectory = dir.file("out");
    }

    TempDir dir;
    std::string digest, templatePath, earlier;
    ReportRequest request;
};

} // namespace

TEST_F(ReportJobTest, RunFiltersLoadsSortsAndWritesUnderTheProposedName) {
    ReportJob job;
    std::vector<ReportProgress> progress;
    job.setProgress([&](const ReportProgress& p) { progress.push_back(p); });
    const ReportResult result = job.run(request);
    ASSERT_TRUE(result.ok()) << (result.message ? result.message->key : "");
    EXPECT_EQ(job.proposedName(), "Rock.txt");
    EXPECT_EQ(result.reportPath, earlier);
    EXPECT_EQ(result.records, 3u);
    EXPECT_EQ(readFile(earlier), "Amber - Tides (1984)\r\nBlue Lake - Northern Roads (1991)\r\n"
                                 "Cedar - Rings (2003)\r\n");
    EXPECT_EQ(filesIn(dir.path() / "out"), std::vector<std::string>{"Rock.txt"});
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back().recordsLoaded, 3u);
    EXPECT_EQ(progress.back().recordsWritten, 3u);
    EXPECT_EQ(progress.back().recordsTotal, 3u);

    // A search: "and" binds more tightly than "or".
    request.conditions = {{Year, FilterOperator::GreaterEqual, FilterConnective::And, "1990"},
                          {Artist, FilterOperator::Begins, FilterConnective::And, "c"},
                          {Album, FilterOperator::Contains, FilterConnective::Or, "tide"}};
    request.reportPath = dir.file("out/search.txt");
    ASSERT_TRUE(job.run(request).ok());
    EXPECT_EQ(readFile(dir.file("out/search.txt")),
              "Amber - Tides (1984)\r\nCedar - Rings (2003)\r\n");
}

TEST_F(ReportJobTest, ProposedNamesFollowTheDigestOrTheDefaultName) {
    EXPECT_EQ(proposedReportName({"/db/Rock.Classics.sdd"}, "html", "Report"), "Rock.html");
    EXPECT_EQ(proposedReportName({"Jazz.sdd"}, "csv", "Report"), "Jazz.csv");
    EXPECT_EQ(proposedReportName({"a.sdd", "b.sdd"}, "txt", "Sestava"), "Sestava.txt");
    EXPECT_EQ(proposedReportName({"/x/noext"}, "txt", "Report"), "noext.txt");
}

// Every way a report can fail reaches the front end as one message, and none of them
// touches the earlier report.
TEST_F(ReportJobTest, EveryFailureHasItsMessageAndKeepsTheEarlierReport) {
    const std::string empty = dir.file("empty.sdd");
    writeDigest(empty, {});
    writeFile(dir.file("old.tpl"), "[General]\nTPLVersion=1\nTPLCompatibility=2\n");
    writeFile(dir.file("bad.tpl"), "[General]\nTPLVersion=1\nType=AlbumList\nSortBy=Nonsense\n");
    writeFile(dir.file("field.tpl"), "[General]\nTPLVersion=1\nType=AlbumList\n"
                                     "[Item]\nItem=ok %Nonsense%\n");
    writeFile(dir.file("include.tpl"), "[General]\nTPLVersion=1\nType=AlbumList\n"
                                       "Include=nowhere.txt\n[Item]\nItem=x\n");
    struct Case {
        const char* what;
        std::vector<std::string> digests;
        std::string templateName;
        std::vector<FilterCondition> conditions;
        std::string section, key;
        std::vector<MessageArg> args;
    };
    const std::string missing = dir.file("missing.sdd");
    const std::vector<Case> cases{
        {"digest missing",
         {digest, missing},
         "list.tpl",
         {},
         "General",
         "UnsupportedFile",
         {missing}},
        {"nothing loaded", {empty}, "list.tpl", {}, "Report", "LoadEmpty", {}},
        {"everything filtered out",
         {digest},
         "list.tpl",
         {{Artist, FilterOperator::Equal, FilterConnective::And, "nobody"}},
         "Report",
         "LoadEmpty",
         {}},
        {"template missing", {digest}, "absent.tpl", {}, "Report", "TemplateMissingErr", {}},
        {"template too new", {digest}, "old.tpl", {}, "Report", "TemplateVersionErr", {}},
        {"template key wrong", {digest}, "bad.tpl", {}, "Report", "LoadTemplateErr", {"SortBy"}},
        {"unknown field",
         {digest},
         "field.tpl",
         {},
         "Report",
         "FieldErr",
         {"Item:Nonsense", std::int64_t{4}}},
        {"include missing", {digest}, "include.tpl", {}, "Report", "LinkErr", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ReportJob job;
        request.digests = c.digests;
        request.templatePath = dir.file(c.templateName);
        request.conditions = c.conditions;
        request.reportPath = earlier;
        const ReportResult result = job.run(request);
        EXPECT_EQ(result.status, ReportResult::Failed);
        ASSERT_TRUE(result.message);
        EXPECT_EQ(*result.message, makeMessage(c.section, c.key, Severity::Error, c.args));
        EXPECT_EQ(readFile(earlier), "EARLIER REPORT\r\n");
        EXPECT_EQ(filesIn(dir.path() / "out"), std::vector<std::string>{"Rock.txt"});
    }
}

// Cancelling while records load or while the report is written leaves the earlier report
// byte for byte and no temporary file.
TEST_F(ReportJobTest, CancelAfterSomeRecordsKeepsTheEarlierReport) {
    writeDigest(digest, manyAlbums(3 * int(ReportEngine::ProgressStep)));
    for (const bool whileWriting : {false, true}) {
        SCOPED_TRACE(whileWriting ? "writing" : "loading");
        ReportJob job;
        std::atomic<bool> stop{false};
        std::uint64_t lastWritten = 0;
        job.setStopFlag(&stop);
        job.setProgress([&](const ReportProgress& p) {
            lastWritten = p.recordsWritten;
            if ((whileWriting ? p.recordsWritten : p.recordsLoaded) >= ReportEngine::ProgressStep)
                stop.store(true);
        });
        const ReportResult result = job.run(request);
        EXPECT_EQ(result.status, ReportResult::Cancelled);
        ASSERT_TRUE(result.message);
        EXPECT_EQ(result.message->key, "Cancelled");
        EXPECT_EQ(result.message->severity, Severity::Information);
        EXPECT_EQ(lastWritten, whileWriting ? ReportEngine::ProgressStep : 0u);
        EXPECT_EQ(readFile(earlier), "EARLIER REPORT\r\n");
        EXPECT_EQ(filesIn(dir.path() / "out"), std::vector<std::string>{"Rock.txt"});
    }
}

// A full disk, played by a file-size limit in a child process: the report fails with the
// write error, the earlier report stays and the temporary file is gone.
TEST_F(ReportJobTest, WriteFailureKeepsTheEarlierReport) {
    writeDigest(digest, manyAlbums(20000));
    const std::string answer = tl::test::withFileSizeLimit(64 * 1024, [this] {
        ReportJob job;
        const ReportResult result = job.run(request);
        return std::to_string(result.status) + "|" +
               (result.message ? result.message->key : std::string());
    });
    EXPECT_EQ(answer, "1|GenericErr");
    EXPECT_EQ(readFile(earlier), "EARLIER REPORT\r\n");
    EXPECT_EQ(filesIn(dir.path() / "out"), std::vector<std::string>{"Rock.txt"});
}

TEST_F(ReportJobTest, PrepareThenWriteLetsTheCallerChooseThePath) {
    ReportJob job;
    ASSERT_TRUE(job.prepare(request).ok());
    EXPECT_EQ(job.proposedName(), "Rock.txt");
    EXPECT_EQ(job.loadedTemplate().fileExtension, "txt");
    // The same prepared report written twice: re-creating rewrites the same file.
    const std::string chosen = dir.file("out/chosen.txt");
    ASSERT_TRUE(job.write(chosen).ok());
    writeFile(chosen, "changed");
    ASSERT_TRUE(job.write(chosen).ok());
    EXPECT_EQ(readFile(chosen).substr(0, 20), "Amber - Tides (1984)");
    EXPECT_EQ(readFile(earlier), "EARLIER REPORT\r\n");
}

// The template a report starts from: the one used last only while rememberTemplate is on,
// else the language's default among the shipped templates.
TEST(StartingTemplate, TheLastTemplateOnlyWhenItIsRememberedElseTheLanguagesDefault) {
    TempDir dir;
    writeFile(dir.file("default.lcl"), "[General]\nLCLVersion=1\nDefaultTemplate=albums.tpl\n");
    Locale locale;
    locale.setFallbackPath(dir.file("default.lcl"));
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
