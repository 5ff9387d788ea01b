#pragma once
/**
 * @file ReportJob.h
 * Making a report, the whole way, for a front end: prepare the filter from the conditions,
 * load the album digests through it, load the template, sort, propose the report's name,
 * and write the report. Progress is reported while records load and while they are
 * written, and a stop flag is looked at between records. The report is written under a
 * temporary name and takes its name only when complete, so a failed or cancelled report
 * leaves an earlier one of that name as it was.
 *
 * A window runs prepare() and write() off its own thread, with its save chooser between
 * them; the command line runs run(), which does both with the report path it was given
 * or the proposed one.
 */
#include "locale/Langutils.h"
#include "locale/Message.h"
#include "report/Filter.h"
#include "report/ReportEngine.h"

#include <atomic>
#include <functional>
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
    std::string reportPath;      ///< empty: the proposed name in reportDirectory (run())
    std::string reportDirectory; ///< where a proposed name goes ("" for the current folder)
    std::string defaultReportName = "Report"; ///< a report of several digests is named so
    // From the settings (see setSettings()):
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

    /** Takes the report's settings (tables, collation, date order, various text, default
     *  drive). */
    void setSettings(const Settings& settings);
};

/** How a report job ended. */
struct ReportResult {
    enum Status {
        Done = 0,
        Failed = 1,    ///< message says why
        Cancelled = 2, ///< the stop flag was set; nothing was written
    };
    Status status = Done;
    std::optional<Message> message; ///< what to tell the user (Failed, Cancelled)
    std::string reportPath;         ///< the report written (Done)
    std::uint64_t records = 0;      ///< items in the report

    bool ok() const { return status == Done; }
};

/** One report job; the engine and its record table live as long as the job. */
class ReportJob {
public:
    ReportJob();
    ~ReportJob();
    ReportJob(const ReportJob&) = delete;
    ReportJob& operator=(const ReportJob&) = delete;

    /** Mounted volumes for "%d" and "%m" (none counted as mounted without a source). */
    void setVolumeSource(ReportEngine::VolumeSource source);
    /** Called every few thousand records while loading and writing; any thread's own. */
    void setProgress(std::function<void(const ReportProgress&)> progress);
    /** Looked at between records; not owned. May be set from a signal handler. */
    void setStopFlag(const std::atomic<bool>* stop);

    /** Filter, load, template, sort. On success proposedName() holds the name to offer. */
    ReportResult prepare(const ReportRequest& request);
    /** The file name (without a folder) offered for the report: with one digest its name
     *  up to the first "." and the template's extension ("Rock.Classics.sdd" gives
     *  "Rock.html"); with several the default report name and the extension. */
    const std::string& proposedName() const { return m_proposedName; }
    /** The loaded template (after a successful prepare()). */
    const ReportTemplate& loadedTemplate() const { return m_template; }
    /** Writes the prepared report to @p reportPath. */
    ReportResult write(const std::string& reportPath);
    /** prepare(), then write() to the request's report path or, when it is empty, to the
     *  proposed name in the request's report directory. */
    ReportResult run(const ReportRequest& request);

private:
    ReportEngine m_engine;
    std::unique_ptr<Filter> m_filter;
    ReportTemplate m_template;
    std::string m_proposedName;
    const std::atomic<bool>* m_stop = nullptr;
};

/** The name offered for a report of @p digests with a template of @p extension (see
 *  ReportJob::proposedName()). */
std::string proposedReportName(const std::vector<std::string>& digests,
                               const std::string& extension, const std::string& severalName);

/** The template a report starts from when the user has chosen none in this run: the one
 *  used last (digestTemplate) when rememberTemplate is on and there is one, else the
 *  language's default template (General/DefaultTemplate of @p locale) in @p templatesDir
 *  (ending in "/"). */
std::string startingTemplate(const Settings& settings, const Locale& locale,
                             const std::string& templatesDir);

/** What a report reports when its owner stopped it: "Report"/"Cancelled", as news (the user
 *  asked for it), saying that an earlier report of the name is kept. */
Message reportCancelledMessage();

/** The order the user writes dates in: month first with the usDate setting. */
DateOrder dateOrderOf(const Settings& settings);

} // namespace tl
