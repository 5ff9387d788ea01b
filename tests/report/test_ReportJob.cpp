#include "report/ReportJob.h"

#include "support/FileSizeLimit.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

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

// Runs a report on the test's thread as a console does: questions are answered by
// @p answer, every progress is kept, and @p onProgress may cancel.
struct ConsoleRun {
    std::function<JobAnswer(const JobQuestion&)> answer;
    std::function<void(const JobProgress&, Job&)> onProgress;
    std::vector<JobProgress> progress;
    std::vector<JobQuestion> questions;

    JobResult operator()(ReportJob& job) {
        class Console : public JobListener {
        public:
            Console(ConsoleRun& run, Job& job) : m_run(run), m_job(job) {}
            void jobEvent(const JobEvent& event) override {
                if (const auto* p = std::get_if<JobProgress>(&event)) {
                    m_run.progress.push_back(*p);
                    if (m_run.onProgress)
                        m_run.onProgress(*p, m_job);
                } else if (const auto* q = std::get_if<JobQuestion>(&event)) {
                    m_run.questions.push_back(*q);
                    m_job.answer(m_run.answer ? m_run.answer(*q) : proposedAnswer(*q));
                }
            }
            void jobFinished(const JobResult&) override {}

        private:
            ConsoleRun& m_run;
            Job& m_job;
        } console(*this, job);
        return job.runHere(console);
    }
};

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
    void expectEarlierReportKept() {
        EXPECT_EQ(readFile(earlier), "EARLIER REPORT\r\n");
        EXPECT_EQ(filesIn(dir.path() / "out"), std::vector<std::string>{"Rock.txt"});
    }

    TempDir dir;
    std::string digest, templatePath, earlier;
    ReportRequest request;
};

} // namespace

TEST_F(ReportJobTest, ReportWithoutAPathAsksProposingTheDigestsNameAndWritesThere) {
    ConsoleRun run;
    ReportJob job(request);
    const JobResult result = run(job);
    ASSERT_TRUE(result.ok()) << (result.message ? result.message->key : "");
    EXPECT_EQ(result.code, 0);
    EXPECT_EQ(result.files, std::vector<std::string>{earlier});
    ASSERT_EQ(run.questions.size(), 1u);
    const std::optional<ReportPathProposal> proposal = proposedReportPath(run.questions[0]);
    ASSERT_TRUE(proposal);
    EXPECT_EQ(proposal->folder, dir.file("out") + "/");
    EXPECT_EQ(proposal->name, "Rock.txt");
    EXPECT_EQ(proposal->extension, "txt");
    EXPECT_EQ(readFile(earlier), "Amber - Tides (1984)\r\nBlue Lake - Northern Roads (1991)\r\n"
                                 "Cedar - Rings (2003)\r\n");
    EXPECT_EQ(filesIn(dir.path() / "out"), std::vector<std::string>{"Rock.txt"});
    // Loading, then writing: the last of each tells the records read and written.
    ASSERT_GE(run.progress.size(), 3u);
    EXPECT_EQ(run.progress.front().stage, ReportLoading);
    const auto lastOf = [&](int stage) {
        JobProgress last;
        for (const JobProgress& p : run.progress)
            if (p.stage == stage)
                last = p;
        return last;
    };
    EXPECT_EQ(lastOf(ReportLoading).done, 3u);
    EXPECT_EQ(lastOf(ReportWriting).done, 3u);
    EXPECT_EQ(lastOf(ReportWriting).total, 3u);
    EXPECT_EQ(run.progress.back().stage, ReportWriting);

    // A search with its path given asks nothing: "and" binds more tightly than "or".
    request.conditions = {{Year, FilterOperator::GreaterEqual, FilterConnective::And, "1990"},
                          {Artist, FilterOperator::Begins, FilterConnective::And, "c"},
                          {Album, FilterOperator::Contains, FilterConnective::Or, "tide"}};
    request.reportPath = dir.file("out/search.txt");
    ConsoleRun search;
    ReportJob searchJob(request);
    ASSERT_TRUE(search(searchJob).ok());
    EXPECT_TRUE(search.questions.empty());
    EXPECT_EQ(readFile(dir.file("out/search.txt")),
              "Amber - Tides (1984)\r\nCedar - Rings (2003)\r\n");
}

// The answer to the path question decides: another folder and name, no report at all, or
// a cancel while the question waits.
TEST_F(ReportJobTest, TheAnswerChoosesThePathOrWritesNothing) {
    fs::create_directory(dir.path() / "elsewhere");
    const std::string chosen = dir.file("elsewhere/mine.txt");
    const struct {
        const char* what;
        std::function<JobAnswer(const JobQuestion&, Job&)> answer;
        JobStatus status;
        bool message;
    } cases[] = {
        {"another path", [&](const JobQuestion&, Job&) { return reportPathAnswer(chosen); },
         JobStatus::Done, false},
        {"no name", [](const JobQuestion&, Job&) { return reportPathAnswer(std::nullopt); },
         JobStatus::Cancelled, false},
        {"cancelled while asked",
         [](const JobQuestion& q, Job& job) {
             job.cancel();
             return JobAnswer{q.choices[0], {}};
         },
         JobStatus::Cancelled, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(chosen);
        ReportJob job(request);
        ConsoleRun run;
        run.answer = [&](const JobQuestion& q) { return c.answer(q, job); };
        const JobResult result = run(job);
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(result.code, static_cast<int>(c.status));
        EXPECT_EQ(result.message.has_value(), c.message);
        if (c.message) {
            EXPECT_EQ(*result.message, reportCancelledMessage());
        }
        EXPECT_EQ(fs::exists(chosen), c.status == JobStatus::Done);
        EXPECT_EQ(result.files, c.status == JobStatus::Done ? std::vector<std::string>{chosen}
                                                            : std::vector<std::string>{});
        expectEarlierReportKept();
    }
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
        bool named = false; // found while writing, after the report's name was asked
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
         {"Item:Nonsense", std::int64_t{4}},
         true},
        {"include missing", {digest}, "include.tpl", {}, "Report", "LinkErr", {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        request.digests = c.digests;
        request.templatePath = dir.file(c.templateName);
        request.conditions = c.conditions;
        ReportJob job(request);
        ConsoleRun run;
        const JobResult result = run(job);
        EXPECT_EQ(result.status, JobStatus::Failed);
        EXPECT_EQ(result.code, 1);
        ASSERT_TRUE(result.message);
        EXPECT_EQ(*result.message, makeMessage(c.section, c.key, Severity::Error, c.args));
        EXPECT_EQ(run.questions.size(), c.named ? 1u : 0u);
        expectEarlierReportKept();
    }
}

// Cancelling while records load or while the report is written leaves the earlier report
// byte for byte and no temporary file.
TEST_F(ReportJobTest, CancelAfterSomeRecordsKeepsTheEarlierReport) {
    writeDigest(digest, manyAlbums(3 * int(ReportEngine::ProgressStep)));
    for (const int stage : {ReportLoading, ReportWriting}) {
        SCOPED_TRACE(stage == ReportWriting ? "writing" : "loading");
        ReportJob job(request);
        ConsoleRun run;
        std::uint64_t lastWritten = 0;
        run.onProgress = [&](const JobProgress& p, Job& running) {
            if (p.stage == ReportWriting)
                lastWritten = p.done;
            if (p.stage == stage && p.done >= ReportEngine::ProgressStep)
                running.cancel();
        };
        const JobResult result = run(job);
        EXPECT_EQ(result.status, JobStatus::Cancelled);
        ASSERT_TRUE(result.message);
        EXPECT_EQ(result.message->key, "Cancelled");
        EXPECT_EQ(result.message->severity, Severity::Information);
        EXPECT_EQ(lastWritten, stage == ReportWriting ? ReportEngine::ProgressStep : 0u);
        expectEarlierReportKept();
    }
}

// A full disk, played by a file-size limit in a child process: the report fails with the
// write error, the earlier report stays and the temporary file is gone.
TEST_F(ReportJobTest, WriteFailureKeepsTheEarlierReport) {
    writeDigest(digest, manyAlbums(20000));
    const std::string answer = tl::test::withFileSizeLimit(64 * 1024, [this] {
        ReportJob job(request);
        const JobResult result = ConsoleRun{}(job);
        return std::to_string(static_cast<int>(result.status)) + "|" +
               (result.message ? result.message->key : std::string());
    });
    EXPECT_EQ(answer, "1|GenericErr");
    expectEarlierReportKept();
}
