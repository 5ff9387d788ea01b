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
#include "scan/ScanJob.h"

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tl {

/** The most characters a user types into each value of an album question (the prompt's
 *  edit boxes, the console's answers); a longer answer is cut there. */
inline constexpr std::size_t MaxTypedAnswerChars = 64;

/** @p typed as an answer keeps it: its first MaxTypedAnswerChars characters. */
std::string_view typedAnswer(std::string_view typed);

/** The name a saved scan log is proposed under (in AppFolders::logs()). */
inline constexpr const char* ProposedLogName = "Tunelister Log.txt";

/** The scan of @p folder into @p outputDirectory / @p name ".sds" and its digest, with the
 *  plug-in options and the digest options of the settings (see digestOptions()). */
ScanRequest scanRequest(const Settings& settings, const PluginManager* plugins, std::string folder,
                        std::string name, std::string outputDirectory, bool autoComplete);

/** Where the scan of a volume writes its song database, from the name chosen for it. */
struct ScanTarget {
    std::string file;            ///< the song database, ending in ".sds"
    std::string baseName;        ///< its name without folder and ".sds": the catalogue's name
    std::string outputDirectory; ///< its folder, ending in "/"
};

/** The song database named @p chosen (a path): ".sds" is added unless the name already
 *  ends in it in any case ("my.list" becomes "my.list.sds", "Music.SDS" stays). */
ScanTarget scanTargetOf(const std::string& chosen);

/** False for a song database name the program's save chooser refuses: a file name
 *  containing ".sdd" or ".SDD", the ending of the digest written beside it ("music.Sdd"
 *  passes). */
bool acceptableSongDatabaseName(std::string_view chosen);

/** The name of a catalogue the command line is given no name for: the volume's label,
 *  else its folder's name, with every "/" (which a file name cannot hold) made "_". */
std::string defaultCatalogueName(const VolumeInfo& volume);

/** True for a name a file can have in a folder: not empty, not "." or "..", no "/". */
bool isPlainFileName(std::string_view name);

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
