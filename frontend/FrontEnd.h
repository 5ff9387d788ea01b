#pragma once
/**
 * @file FrontEnd.h
 * What the two programs decide alike before they start a job: the requests of the jobs
 * from the user's settings and choices, the names proposed for the files they write and
 * the limits of what a user types. The program and tunelister-cli both call these, so
 * that a scan, a digest or a report started from either is the same job.
 */
#include "digest/DigestJob.h"
#include "locale/Settings.h"
#include "report/ReportJob.h"

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tl {

/** The most characters a user types into each value of an album question (the prompt's
 *  edit boxes, the console's answers); a longer answer is cut there. */
inline constexpr std::size_t MaxTypedAnswerChars = 64;

/** The digest settings (digestVarious, tooMany); albums completed from folder names are
 *  asked about unless @p autoComplete (the program: the autoComplete setting; the command
 *  line: unless --ask). */
DigestOptions digestOptions(const Settings& settings, bool autoComplete);

/** The digest of @p songPath into @p digestPath (empty: beside it, see digestPathFor()). */
DigestRequest digestRequest(const Settings& settings, std::string songPath, std::string digestPath,
                            bool autoComplete);

/** The report's settings (tables, collation, date order, various text, default drive: "/"
 *  when none is set) and the mounted volumes, for a report of @p digests with the
 *  template @p templatePath into @p reportPath (empty: the job proposes a name in
 *  @p reportFolder, and a report of several digests is called DefaultReportName of
 *  @p locale). */
ReportRequest reportRequest(const Settings& settings, const Locale& locale,
                            std::vector<std::string> digests, std::string templatePath,
                            std::string reportPath, std::string reportFolder);

/** The template a report starts from when the user has chosen none in this run: the one
 *  used last (digestTemplate) when rememberTemplate is on and there is one, else the
 *  language's default template (General/DefaultTemplate of @p locale) in @p templatesDir
 *  (ending in "/"). */
std::string startingTemplate(const Settings& settings, const Locale& locale,
                             const std::string& templatesDir);

/** The template a name given on the command line means: none, the starting template; a
 *  bare name that is no file of the current folder, the shipped template of that name
 *  when there is one; anything else, the file it names. */
std::string templateNamed(const std::string& name, const Settings& settings, const Locale& locale,
                          const std::string& templatesDir);

/** A search condition as typed ("FIELD OP VALUE"), with the connective it is joined by. */
struct TypedCondition {
    std::string text;
    FilterConnective connective = FilterConnective::And;
};

/** The conditions of @p typed, in order; or the first that is wrong with why (none when all
 *  are right). */
struct ReadConditions {
    std::vector<FilterCondition> conditions;
    std::optional<std::pair<std::string, Message>> wrong; ///< its text, and why
};
ReadConditions readConditions(const std::vector<TypedCondition>& typed, DateOrder dates);

} // namespace tl
