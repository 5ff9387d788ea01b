#include "report/ReportJob.h"

#include "locale/Settings.h"
#include "storage/Text.h"

namespace tl {
namespace {

constexpr const char* PathKind = "reportPath";
constexpr const char* Write = "write";
constexpr const char* Discard = "discard";

constexpr int code(JobStatus status) {
    return static_cast<int>(status);
}

JobResult failed(Message message) {
    return failedResult(code(JobStatus::Failed), std::move(message));
}

JobResult cancelledReport() {
    return cancelledResult(code(JobStatus::Cancelled), reportCancelledMessage());
}

std::string asFolder(std::string folder) {
    if (!folder.empty() && !folder.ends_with('/'))
        folder += '/';
    return folder;
}

} // namespace

JobQuestion reportPathQuestion(const ReportPathProposal& proposal) {
    return {PathKind,
            std::nullopt,
            {Write, Discard},
            {proposal.folder, proposal.name, proposal.extension}};
}

std::optional<ReportPathProposal> proposedReportPath(const JobQuestion& question) {
    if (question.kind != PathKind || question.record.size() != 3)
        return std::nullopt;
    return ReportPathProposal{question.record[0], question.record[1], question.record[2]};
}

JobAnswer reportPathAnswer(const std::optional<std::string>& path) {
    if (!path)
        return {Discard, std::nullopt};
    const std::size_t slash = path->rfind('/');
    const std::size_t nameAt = slash == std::string::npos ? 0 : slash + 1;
    return {Write, Fields{path->substr(0, nameAt), path->substr(nameAt)}};
}

std::string proposedReportName(const std::vector<std::string>& digests,
                               const std::string& extension, const std::string& severalName) {
    std::string base = severalName;
    if (digests.size() == 1) {
        const std::string_view name = fileNameOf(digests.front());
        base = std::string(name.substr(0, name.find('.')));
    }
    return base + "." + extension;
}

Message reportCancelledMessage() {
    return makeMessage("Report", "Cancelled", Severity::Information);
}

DateOrder dateOrderOf(const Settings& settings) {
    return settings.usDate ? DateOrder::MonthFirst : DateOrder::DayFirst;
}

ReportJob::ReportJob(ReportRequest request) : m_request(std::move(request)) {}

ReportJob::~ReportJob() {
    stop();
}

JobResult ReportJob::run(JobContext& context) {
    JobProgress progress;
    progress.stage = ReportLoading;
    m_engine.setStopFlag(&context.cancelFlag());
    m_engine.setVolumeSource(m_request.volumes);
    m_engine.setProgress([&context, &progress](const ReportProgress& p) {
        progress.done = progress.stage == ReportLoading ? p.recordsLoaded : p.recordsWritten;
        progress.total = progress.stage == ReportLoading ? 0 : p.recordsTotal;
        context.progress(progress);
    });
    context.progress(progress);
    if (std::optional<JobResult> failure = prepare(context))
        return *failure;

    std::string path = m_request.reportPath;
    if (path.empty()) {
        JobResult ended;
        std::optional<std::string> chosen = askPath(context, ended);
        if (!chosen)
            return ended;
        path = std::move(*chosen);
    }
    progress.stage = ReportWriting;
    progress.done = 0;
    progress.total = m_engine.records().size();
    context.progress(progress);
    const ReportOutcome outcome = m_engine.generate(m_template, path);
    if (outcome.status == ReportStatus::Cancelled)
        return cancelledReport();
    if (!outcome.ok())
        return failed(*reportOutcomeMessage(outcome));
    return {JobStatus::Done, code(JobStatus::Done), std::nullopt, {path}};
}

// Filter, load, template, sort: none when the report can be written.
std::optional<JobResult> ReportJob::prepare(JobContext& context) {
    const ReportRequest& request = m_request;
    // The order the user meets failures in: the digests first, then the template.
    if (!request.conditions.empty())
        m_filter = std::make_unique<Filter>(request.conditions, request.caseTable,
                                            request.diacriticsTable, request.dates);
    const ReportLoad load = m_engine.loadRecords(request.digests, m_filter.get());
    if (load.status == ReportLoad::Cancelled)
        return cancelledReport();
    if (std::optional<Message> message = reportLoadMessage(load))
        return failed(std::move(*message));

    TemplateLoadResult loaded = loadReportTemplate(request.templatePath);
    if (std::optional<Message> message = templateLoadMessage(loaded))
        return failed(std::move(*message));
    m_template = std::move(loaded.tpl);

    if (context.cancelled())
        return cancelledReport();
    if (request.collator) {
        m_engine.sortRecords(m_template.sortBy, *request.collator);
    } else {
        Collator collator;
        initCollator(collator, request.caseTable, request.sortTable, request.useCh);
        m_engine.sortRecords(m_template.sortBy, collator);
    }
    m_engine.setVariousText(request.reportVarious);
    m_engine.setDefaultDrive(request.defaultDrive);
    return std::nullopt;
}

// The path the front end gives for the proposed name; none with @p ended set when it gives
// none.
std::optional<std::string> ReportJob::askPath(JobContext& context, JobResult& ended) {
    const ReportPathProposal proposal{asFolder(m_request.reportDirectory),
                                      proposedReportName(m_request.digests,
                                                         m_template.fileExtension,
                                                         m_request.defaultReportName),
                                      m_template.fileExtension};
    const std::optional<JobAnswer> answer = context.ask(reportPathQuestion(proposal));
    if (!answer) {
        ended = cancelledReport();
        return std::nullopt;
    }
    if (answer->choice != Write) {
        ended = {JobStatus::Cancelled, code(JobStatus::Cancelled), std::nullopt, {}};
        return std::nullopt;
    }
    const Fields& chosen = answer->record.value_or(Fields{proposal.folder, proposal.name});
    if (chosen.size() < 2)
        return proposal.folder + proposal.name;
    return asFolder(chosen[0]) + chosen[1];
}

} // namespace tl
