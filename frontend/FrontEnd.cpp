#include "frontend/FrontEnd.h"

#include "digest/DigestMessages.h"
#include "platform/Volumes.h"
#include "storage/Text.h"
#include "storage/Utf8.h"

#include <filesystem>

namespace tl {

std::string_view typedAnswer(std::string_view typed) {
    std::size_t pos = 0;
    for (std::size_t n = 0; n < MaxTypedAnswerChars && pos < typed.size(); ++n) {
        std::size_t length = 1;
        utf8Decode(typed, pos, &length);
        pos += length;
    }
    return typed.substr(0, pos);
}

ScanRequest scanRequest(const Settings& settings, const PluginManager* plugins, std::string folder,
                        std::string name, std::string outputDirectory, bool autoComplete) {
    ScanRequest request;
    request.folder = std::move(folder);
    request.databaseName = std::move(name);
    request.outputDirectory = std::move(outputDirectory);
    request.plugins = plugins;
    request.pluginOptions = pluginOptionsFor(settings);
    request.digest = digestOptions(settings, autoComplete);
    return request;
}

ScanTarget scanTargetOf(const std::string& chosen) {
    constexpr std::string_view Suffix = ".sds";
    ScanTarget target;
    target.file = chosen;
    if (!endsWithIgnoringAsciiCase(chosen, Suffix))
        target.file += Suffix;
    const std::size_t slash = target.file.rfind('/');
    const std::size_t nameAt = slash == std::string::npos ? 0 : slash + 1;
    target.outputDirectory = target.file.substr(0, nameAt);
    target.baseName = target.file.substr(nameAt, target.file.size() - nameAt - Suffix.size());
    return target;
}

bool acceptableSongDatabaseName(std::string_view chosen) {
    // Only the file's own name counts: a folder called "old.sdd" holds song databases too.
    const std::string_view name = fileNameOf(chosen);
    return name.find(".sdd") == std::string_view::npos &&
           name.find(".SDD") == std::string_view::npos;
}

std::string defaultCatalogueName(const VolumeInfo& volume) {
    std::string name = volume.label.empty() ? std::string(fileNameOf(volume.folder)) : volume.label;
    for (char& c : name)
        if (c == '/')
            c = '_';
    return name;
}

bool isPlainFileName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos;
}

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
