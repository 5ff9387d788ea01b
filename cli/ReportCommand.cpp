// tunelister-cli report: makes a report from album digests with a template; with
// conditions it is a search.
#include "cli/Cli.h"

#include "locale/Langutils.h"
#include "locale/Settings.h"
#include "platform/Volumes.h"
#include "report/Filter.h"
#include "report/ReportEngine.h"

#include <filesystem>
#include <ostream>

namespace tl::cli {
namespace {

struct ReportOptions {
    std::string templatePath;
    std::string out;
    std::vector<std::string> where;
    std::vector<std::string> orWhere;
    std::vector<std::string> digests;
    std::vector<const CLI::Option*> order; // --where and --or-where as given
};

std::string fileNameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The name the report wizard proposes: with one database its file name up to the first
// "." and the template's extension; with several the locale's default report name.
std::string proposedReportName(const Context& ctx, const std::vector<std::string>& digests,
                               const std::string& extension) {
    std::string base;
    if (digests.size() == 1) {
        base = fileNameOf(digests.front());
        base = base.substr(0, base.find('.'));
    } else {
        base = ctx.text("Report", "DefaultReportName");
    }
    return base + "." + extension;
}

// A template named without a folder that is not in the current one is looked for among
// the shipped templates; no template at all means the one the settings or the language
// choose, as the report wizard does.
std::string resolveTemplate(const Context& ctx, const Settings& settings, std::string path) {
    if (path.empty()) {
        if (!settings.digestTemplate.empty())
            return settings.digestTemplate;
        return ctx.appDir + "templates/" + ctx.text("General", "DefaultTemplate");
    }
    std::error_code ec;
    if (path.find('/') == std::string::npos && !std::filesystem::exists(path, ec)) {
        const std::string shipped = ctx.appDir + "templates/" + path;
        if (std::filesystem::exists(shipped, ec))
            return shipped;
    }
    return path;
}

// Reads the conditions in command-line order; false (usage error reported) when one is
// wrong.
bool readConditions(Context& ctx, const ReportOptions& o, const CLI::Option* whereOption,
                    std::vector<FilterCondition>& conditions) {
    std::size_t nextWhere = 0, nextOr = 0;
    for (const CLI::Option* option : o.order) {
        const bool isWhere = option == whereOption;
        const std::string& text = isWhere ? o.where.at(nextWhere++) : o.orWhere.at(nextOr++);
        const ConditionParse parsed =
            parseCondition(text, isWhere ? FilterConnective::And : FilterConnective::Or);
        std::string reason;
        switch (parsed.error) {
        case ConditionParse::None:
            break;
        case ConditionParse::NoField:
            reason = ctx.text("Cli", "ConditionNoField");
            break;
        case ConditionParse::UnknownField:
            reason = ctx.text("Cli", "ConditionUnknownField", {parsed.word});
            break;
        case ConditionParse::NoOperator:
            reason = ctx.text("Cli", "ConditionNoOperator", {parsed.word});
            break;
        case ConditionParse::BadOperator:
            reason = ctx.text("Cli", "ConditionBadOperator", {parsed.word});
            break;
        case ConditionParse::ValueTooLong:
            reason = ctx.text("Cli", "ConditionValueTooLong", {int(MaxFilterValueBytes)});
            break;
        }
        if (reason.empty()) {
            switch (checkFilterValue(parsed.condition->field, parsed.condition->value)) {
            case FilterValueCheck::Ok:
                break;
            case FilterValueCheck::NumberExpected:
                reason = ctx.text("Cli", "ConditionNumberExpected",
                                  {fieldName(parsed.condition->field)});
                break;
            case FilterValueCheck::TimeExpected:
                reason = ctx.text("DialogFilter", "ErrTimeExpected");
                break;
            case FilterValueCheck::DateExpected:
                reason = ctx.text("DialogFilter", "ErrDateExpected");
                break;
            }
        }
        if (!reason.empty()) {
            ctx.fail("Cli", "BadCondition", {text, reason}, ExitUsage);
            return false;
        }
        conditions.push_back(*parsed.condition);
    }
    return true;
}

void makeReport(Context& ctx, const ReportOptions& o, const CLI::Option* whereOption) {
    std::vector<FilterCondition> conditions;
    if (!readConditions(ctx, o, whereOption, conditions))
        return;
    Settings settings;
    settings.path = settingsFilePath(ctx.appDir);
    settings.locale = &ctx.locale;
    loadSettings(settings);

    // The order of making a report: filter, records, template, sort, name, generate.
    std::unique_ptr<Filter> filter;
    if (!conditions.empty())
        filter = std::make_unique<Filter>(conditions, settings.caseTable, settings.diacriticsTable);
    ReportEngine engine;
    engine.setVariousText(settings.reportVarious);
    engine.setDefaultDrive(settings.defaultDrive);
    engine.setVolumeSource([] { return mountedVolumes(); });

    const ReportLoad load = engine.loadRecords(o.digests, filter.get());
    if (load.status == ReportLoad::Failed)
        return ctx.fail("General", "UnsupportedFile", {load.failedPath});
    if (load.status == ReportLoad::NoRecords)
        return ctx.fail("Report", "LoadEmpty");

    const TemplateLoadResult loaded =
        loadReportTemplate(resolveTemplate(ctx, settings, o.templatePath));
    switch (loaded.status) {
    case TemplateLoadStatus::Ok:
        break;
    case TemplateLoadStatus::TemplateMissing:
        return ctx.fail("Report", "TemplateMissingErr");
    case TemplateLoadStatus::TemplateVersion:
        return ctx.fail("Report", "TemplateVersionErr");
    case TemplateLoadStatus::LoadError:
        return ctx.fail("Report", "LoadTemplateErr", {loaded.detail});
    }

    Collator collator;
    initCollator(collator, settings.caseTable, settings.sortTable, settings.useCh);
    engine.sortRecords(loaded.tpl.sortBy, collator);

    const std::string reportPath =
        o.out.empty() ? proposedReportName(ctx, o.digests, loaded.tpl.fileExtension) : o.out;
    const ReportOutcome outcome = engine.generate(loaded.tpl, reportPath);
    if (!outcome.ok())
        return ctx.fail("Report", reportMessageKey(outcome.status),
                        {outcome.detail, static_cast<std::int64_t>(outcome.position)});
    *ctx.out << ctx.text("Cli", "ReportWritten", {reportPath}) << "\n";
}

} // namespace

void addReportCommand(CLI::App& app, Context& ctx) {
    auto* cmd = app.add_subcommand(
        "report", "Make a report from album digests with a template; with conditions, a search.");
    static ReportOptions o;
    cmd->add_option("--template", o.templatePath,
                    "Report template (.tpl); a bare name is also looked for among the shipped "
                    "templates; default: the language's album list");
    cmd->add_option("--out", o.out,
                    "Report file; default: the digest's name (or the default report name for "
                    "several) with the template's extension, in the current folder");
    auto* where = cmd->add_option("--where", o.where,
                                  "Condition \"FIELD OP VALUE\" joined with and; OP is begins, "
                                  "contains, =, !=, >= or <=")
                      ->allow_extra_args(false)
                      ->take_all();
    cmd->add_option("--or-where", o.orWhere, "Condition joined with or")
        ->allow_extra_args(false)
        ->take_all();
    cmd->add_option("DIGEST", o.digests, "Album digests (.sdd)")->required();
    cmd->callback([&ctx, cmd, where] {
        o.order.clear();
        for (const CLI::Option* option : cmd->parse_order())
            if (option->get_name() == "--where" || option->get_name() == "--or-where")
                o.order.push_back(option);
        makeReport(ctx, o, where);
    });
}

} // namespace tl::cli
