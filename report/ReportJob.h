#pragma once
/**
 * @file ReportJob.h
 * Making a report, the whole way, as a job: prepare the filter from the conditions, load
 * the album digests through it, load the template, sort, and write the report. Progress is
 * reported while records load and while they are written, and a cancel is looked at
 * between records. The report is written under a temporary name and takes its name only
 * when complete, so a failed or cancelled report leaves an earlier one of that name as it
 * was.
 *
 * A report without a path asks for one between loading and writing (reportPathQuestion()):
 * the window answers with its save chooser, the command line with the proposed name.
 */
#include "job/Job.h"
#include "locale/Langutils.h"
#include "locale/Message.h"
#include "report/Filter.h"
#include "report/ReportEngine.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tl {

struct Settings;

/** What to report on, how, and where. */
struct ReportRequest {
    std::vector<std::string> digests;        ///< album digests, in the order the user listed them
    std::vector<FilterCondition> conditions; ///< a search when not empty
    std::string templatePath;
    std::string reportPath;      ///< empty: the job asks, proposing a name in reportDirectory
    std::string reportDirectory; ///< where a proposed name goes ("" for the current folder)
    std::string defaultReportName = "Report"; ///< a report of several digests is named so
    // From the settings (see reportRequest() of the front ends):
    std::string caseTable;
    std::string diacriticsTable;
    std::string sortTable;
    bool useCh = false;
    DateOrder dates = DateOrder::DayFirst; ///< how the conditions' dates are read (usDate)
    std::string reportVarious = "Various";
    std::string defaultDrive = "/";
    /** Builds the collator for sorting from caseTable, sortTable and useCh when none is
     *  given; one shared by the program may be given instead. Not owned. */
    const Collator* collator = nullptr;
    /** The mounted volumes for "%d" and "%m"; none counts no volume as mounted. */
    ReportEngine::VolumeSource volumes;
};

/** The stages of a report's progress (JobProgress::stage): while records load, done counts
 *  the records read; while the report is written, done counts the items written of total. */
enum ReportStage : int { ReportLoading = 0, ReportWriting = 1 };

/** The name to write a report under, asked for between loading and writing. */
struct ReportPathProposal {
    std::string folder;    ///< reportDirectory, ending in "/" unless empty
    std::string name;      ///< see proposedReportName()
    std::string extension; ///< the template's file extension
};

/** The question for the report's path: its record holds the proposal (folder, name,
 *  extension); the choices are "write" (the record's folder and name as answered) and
 *  "discard" (no report, nothing to say: the job ends cancelled without a message). */
JobQuestion reportPathQuestion(const ReportPathProposal& proposal);
/** The proposal @p question makes; none for a question of another kind. */
std::optional<ReportPathProposal> proposedReportPath(const JobQuestion& question);
/** The answer that writes the report to @p path, or, for none, writes no report. */
JobAnswer reportPathAnswer(const std::optional<std::string>& path);

/** One report. Its result code is the JobStatus number (0 written, 1 failed, 2 cancelled),
 *  its message says why it failed or was cancelled, its file is the report. */
class ReportJob : public Job {
public:
    explicit ReportJob(ReportRequest request);
    ~ReportJob() override;

    const ReportRequest& request() const { return m_request; }

protected:
    JobResult run(JobContext& context) override;

private:
    std::optional<JobResult> prepare(JobContext& context);
    std::optional<std::string> askPath(JobContext& context, JobResult& ended);

    ReportRequest m_request;
    ReportEngine m_engine;
    std::unique_ptr<Filter> m_filter;
    ReportTemplate m_template;
};

/** The name offered for a report of @p digests with a template of @p extension: with one
 *  digest its name up to the first "." and the extension ("Rock.Classics.sdd" gives
 *  "Rock.html"); with several @p severalName and the extension. */
std::string proposedReportName(const std::vector<std::string>& digests,
                               const std::string& extension, const std::string& severalName);

/** What a report reports when its owner stopped it: "Report"/"Cancelled", as news (the user
 *  asked for it), saying that an earlier report of the name is kept. */
Message reportCancelledMessage();

/** The order the user writes dates in: month first with the usDate setting. */
DateOrder dateOrderOf(const Settings& settings);

} // namespace tl
