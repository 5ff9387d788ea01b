// tunelister-cli report: makes a report from album digests with a template; with
// conditions it is a search.
#include "cli/Cli.h"
#include "cli/Interrupt.h"

#include "platform/Volumes.h"
#include "report/ReportJob.h"

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

// A template named without a folder that is not in the current one is looked for among
// the shipped templates; no template at all means the one the report wizard starts with.
std::string resolveTemplate(const Context& ctx, const Settings& settings, std::string path) {
    if (path.empty())
        return startingTemplate(settings, ctx.locale, ctx.appDir + "templates/");
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
                    DateOrder dates, std::vector<FilterCondition>& conditions) {
    std::size_t nextWhere = 0, nextOr = 0;
    for (const CLI::Option* option : o.order) {
        const bool isWhere = option == whereOption;
        const std::string& text = isWhere ? o.where.at(nextWhere++) : o.orWhere.at(nextOr++);
        const ConditionParse parsed =
            parseCondition(text, isWhere ? FilterConnective::And : FilterConnective::Or);
        std::optional<Message> reason = conditionMessage(parsed);
        if (!reason) {
            const int field = parsed.condition->field;
            reason = filterValueMessage(
                field, checkFilterValue(field, parsed.condition->value, dates), false, dates);
        }
        if (reason) {
            ctx.fail("Cli", "BadCondition", {text, ctx.text(*reason)}, ExitUsage);
            return false;
        }
        conditions.push_back(*parsed.condition);
    }
    return true;
}

void makeReport(Context& ctx, const ReportOptions& o, const CLI::Option* whereOption) {
    ReportRequest request;
    const Settings settings = ctx.settings();
    request.setSettings(settings);
    if (!readConditions(ctx, o, whereOption, request.dates, request.conditions))
        return;
    request.digests = o.digests;
    request.templatePath = resolveTemplate(ctx, settings, o.templatePath);
    request.reportPath = o.out;
    request.defaultReportName = ctx.text("Report", "DefaultReportName");

    ReportJob job;
    job.setVolumeSource([] { return mountedVolumes(); });
    InterruptGuard interrupt;
    job.setStopFlag(&InterruptGuard::flag());
    const ReportResult result = job.run(request);
    if (!result.ok())
        return ctx.fail(*result.message);
    *ctx.out << ctx.text("Cli", "ReportWritten", {result.reportPath}) << "\n";
}

} // namespace

void addReportCommand(CLI::App& app, Context& ctx) {
    auto* cmd = app.add_subcommand(
        "report", "Make a report from album digests with a template; with conditions, a search.");
    static ReportOptions o;
    cmd->add_option("--template", o.templatePath,
                    "Report template (.tpl); a bare name is also looked for among the shipped "
                    "templates; default: the one the report wizard starts with");
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
