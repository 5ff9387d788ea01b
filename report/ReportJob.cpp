#include "report/ReportJob.h"

#include "locale/Settings.h"
#include "storage/Text.h"

namespace tl {
namespace {

ReportResult failed(std::optional<Message> message) {
    ReportResult result;
    result.status = ReportResult::Failed;
    result.message = std::move(message);
    return result;
}

ReportResult cancelled() {
    ReportResult result;
    result.status = ReportResult::Cancelled;
    result.message = reportCancelledMessage();
    return result;
}

} // namespace

void ReportRequest::setSettings(const Settings& settings) {
    caseTable = settings.caseTable;
    diacriticsTable = settings.diacriticsTable;
    sortTable = settings.sortTable;
    useCh = settings.useCh;
    dates = dateOrderOf(settings);
    reportVarious = settings.reportVarious;
    defaultDrive = settings.defaultDrive.empty() ? std::string("/") : settings.defaultDrive;
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

std::string startingTemplate(const Settings& settings, const Locale& locale,
                             const std::string& templatesDir) {
    if (settings.rememberTemplate && !settings.digestTemplate.empty())
        return settings.digestTemplate;
    return templatesDir + locale.text("General", "DefaultTemplate");
}

Message reportCancelledMessage() {
    return makeMessage("Report", "Cancelled", Severity::Information);
}

DateOrder dateOrderOf(const Settings& settings) {
    return settings.usDate ? DateOrder::MonthFirst : DateOrder::DayFirst;
}

ReportJob::ReportJob() = default;
ReportJob::~ReportJob() = default;

void ReportJob::setVolumeSource(ReportEngine::VolumeSource source) {
    m_engine.setVolumeSource(std::move(source));
}

void ReportJob::setProgress(std::function<void(const ReportProgress&)> progress) {
    m_engine.setProgress(std::move(progress));
}

void ReportJob::setStopFlag(const std::atomic<bool>* stop) {
    m_stop = stop;
    m_engine.setStopFlag(stop);
}

ReportResult ReportJob::prepare(const ReportRequest& request) {
    m_proposedName.clear();
    // The order the user meets failures in: the digests first, then the template.
    m_filter.reset();
    if (!request.conditions.empty())
        m_filter = std::make_unique<Filter>(request.conditions, request.caseTable,
                                            request.diacriticsTable, request.dates);
    const ReportLoad load = m_engine.loadRecords(request.digests, m_filter.get());
    if (load.status == ReportLoad::Cancelled)
        return cancelled();
    if (std::optional<Message> message = reportLoadMessage(load))
        return failed(std::move(message));

    TemplateLoadResult loaded = loadReportTemplate(request.templatePath);
    if (std::optional<Message> message = templateLoadMessage(loaded))
        return failed(std::move(message));
    m_template = std::move(loaded.tpl);

    if (m_stop && m_stop->load())
        return cancelled();
    if (request.collator) {
        m_engine.sortRecords(m_template.sortBy, *request.collator);
    } else {
        Collator collator;
        initCollator(collator, request.caseTable, request.sortTable, request.useCh);
        m_engine.sortRecords(m_template.sortBy, collator);
    }
    m_engine.setVariousText(request.reportVarious);
    m_engine.setDefaultDrive(request.defaultDrive);
    m_proposedName =
        proposedReportName(request.digests, m_template.fileExtension, request.defaultReportName);
    ReportResult result;
    result.records = m_engine.records().size();
    return result;
}

ReportResult ReportJob::write(const std::string& reportPath) {
    const ReportOutcome outcome = m_engine.generate(m_template, reportPath);
    if (outcome.status == ReportStatus::Cancelled)
        return cancelled();
    if (!outcome.ok())
        return failed(reportOutcomeMessage(outcome));
    ReportResult result;
    result.reportPath = reportPath;
    result.records = m_engine.records().size();
    return result;
}

ReportResult ReportJob::run(const ReportRequest& request) {
    ReportResult prepared = prepare(request);
    if (!prepared.ok())
        return prepared;
    if (!request.reportPath.empty())
        return write(request.reportPath);
    std::string directory = request.reportDirectory;
    if (!directory.empty() && !directory.ends_with('/'))
        directory += '/';
    return write(directory + m_proposedName);
}

} // namespace tl
