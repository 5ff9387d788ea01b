#include "frontend/FrontEnd.h"

#include "digest/DigestMessages.h"
#include "platform/Volumes.h"

#include <filesystem>

namespace tl {

DigestOptions digestOptions(const Settings& settings, bool autoComplete) {
    return {settings.digestVarious, settings.tooMany, autoComplete};
}

DigestRequest digestRequest(const Settings& settings, std::string songPath, std::string digestPath,
                            bool autoComplete) {
    if (digestPath.empty())
        digestPath = digestPathFor(songPath);
    return {std::move(songPath), std::move(digestPath), digestOptions(settings, autoComplete)};
}

ReportRequest reportRequest(const Settings& settings, const Locale& locale,
                            std::vector<std::string> digests, std::string templatePath,
                            std::string reportPath, std::string reportFolder) {
    ReportRequest request;
    request.digests = std::move(digests);
    request.templatePath = std::move(templatePath);
    request.reportPath = std::move(reportPath);
    request.reportDirectory = std::move(reportFolder);
    request.defaultReportName = locale.text("Report", "DefaultReportName");
    request.caseTable = settings.caseTable;
    request.diacriticsTable = settings.diacriticsTable;
    request.sortTable = settings.sortTable;
    request.useCh = settings.useCh;
    request.dates = dateOrderOf(settings);
    request.reportVarious = settings.reportVarious;
    request.defaultDrive = settings.defaultDrive.empty() ? std::string("/") : settings.defaultDrive;
    request.volumes = [] { return mountedVolumes(); };
    return request;
}

std::string startingTemplate(const Settings& settings, const Locale& locale,
                             const std::string& templatesDir) {
    if (settings.rememberTemplate && !settings.digestTemplate.empty())
        return settings.digestTemplate;
    return templatesDir + locale.text("General", "DefaultTemplate");
}

std::string templateNamed(const std::string& name, const Settings& settings, const Locale& locale,
                          const std::string& templatesDir) {
    if (name.empty())
        return startingTemplate(settings, locale, templatesDir);
    std::error_code ec;
    if (name.find('/') == std::string::npos && !std::filesystem::exists(name, ec)) {
        const std::string shipped = templatesDir + name;
        if (std::filesystem::exists(shipped, ec))
            return shipped;
    }
    return name;
}

ReadConditions readConditions(const std::vector<TypedCondition>& typed, DateOrder dates) {
    ReadConditions read;
    for (const TypedCondition& one : typed) {
        const ConditionParse parsed = parseCondition(one.text, one.connective);
        std::optional<Message> reason = conditionMessage(parsed);
        if (!reason) {
            const int field = parsed.condition->field;
            reason = filterValueMessage(
                field, checkFilterValue(field, parsed.condition->value, dates), false, dates);
        }
        if (reason) {
            read.wrong.emplace(one.text, std::move(*reason));
            return read;
        }
        read.conditions.push_back(*parsed.condition);
    }
    return read;
}

} // namespace tl
