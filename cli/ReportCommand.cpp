// tunelister-cli report: makes a report from album digests with a template; with
// conditions it is a search.
#include "cli/Cli.h"
#include "cli/JobDriver.h"

#include "frontend/FrontEnd.h"

#include <ostream>

namespace tl::cli {
namespace {

struct ReportOptions {
    std::string templatePath;
    std::string out;
    std::vector<TypedCondition> conditions; // --where and --or-where as given
    std::vector<std::string> digests;
};

void makeReport(Context& ctx, const ReportOptions& o) {
    const Settings settings = ctx.settings();
    const ReadConditions read = readConditions(o.conditions, dateOrderOf(settings));
    if (read.wrong)
        return ctx.fail("Cli", "BadCondition", {read.wrong->first, ctx.text(read.wrong->second)},
                        ExitUsage);
    const std::string templates = ctx.appDir + "templates/";
    ReportRequest request =
        reportRequest(settings, ctx.locale, o.digests,
                      templateNamed(o.templatePath, settings, ctx.locale, templates), o.out, "");
    request.conditions = read.conditions;
    ReportJob job(std::move(request));
    const JobResult result = driveJob(ctx, job);
    if (!result.ok())
        return ctx.fail(result.message.value_or(reportCancelledMessage()));
    *ctx.out << ctx.text("Cli", "ReportWritten", {result.files.front()}) << "\n";
}

} // namespace

void addReportCommand(CLI::App& app, Context& ctx) {
    auto* cmd = app.add_subcommand(
        "report", "Make a report from album digests with a template; with conditions, a search.");
    static ReportOptions o;
    static std::vector<std::string> where, orWhere;
    cmd->add_option("--template", o.templatePath,
                    "Report template (.tpl); a bare name is also looked for among the shipped "
                    "templates; default: the one the report wizard starts with");
    cmd->add_option("--out", o.out,
                    "Report file; default: the digest's name (or the default report name for "
                    "several) with the template's extension, in the current folder");
    cmd->add_option("--where", where,
                    "Condition \"FIELD OP VALUE\" joined with and; OP is begins, contains, =, "
                    "!=, >= or <=")
        ->allow_extra_args(false)
        ->take_all();
    cmd->add_option("--or-where", orWhere, "Condition joined with or")
        ->allow_extra_args(false)
        ->take_all();
    cmd->add_option("DIGEST", o.digests, "Album digests (.sdd)")->required();
    cmd->callback([&ctx, cmd] {
        // The conditions in the order they were given, each with its connective.
        o.conditions.clear();
        std::size_t nextWhere = 0, nextOr = 0;
        for (const CLI::Option* option : cmd->parse_order()) {
            if (option->get_name() == "--where")
                o.conditions.push_back({where.at(nextWhere++), FilterConnective::And});
            else if (option->get_name() == "--or-where")
                o.conditions.push_back({orWhere.at(nextOr++), FilterConnective::Or});
        }
        makeReport(ctx, o);
    });
}

} // namespace tl::cli
