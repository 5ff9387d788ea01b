#pragma once
/**
 * @file JobDriver.h
 * Any job of the core on the command line. Its log lines go to standard error with their
 * severity as they come; on a terminal one progress line is redrawn at most ten times a
 * second; its questions are answered by the console when the command gives an answerer,
 * else with what the job proposes. Ctrl-C asks the job to stop (it ends at the next file
 * or record, an earlier file of its name kept); a second Ctrl-C ends the program at once.
 *
 * The main thread waits for the end, answers the questions and watches Ctrl-C, on one pipe
 * that the signal handler and the job's worker both write to, so that it sees either at
 * once, also while a question waits for the console.
 */
#include "cli/Cli.h"
#include "job/Job.h"

#include <functional>
#include <optional>

namespace tl::cli {

/** Answers a question on the console (on the main thread); none when Ctrl-C came first. */
using ConsoleAnswerer = std::function<std::optional<JobAnswer>(const JobQuestion&)>;

/** True when standard error is a terminal, where the progress line is drawn. */
bool progressLineShown();

/** Runs @p job to its end and gives its result; @p answer answers its questions, none
 *  takes what each proposes. The end itself is for the command to tell. */
JobResult driveJob(Context& ctx, Job& job, const ConsoleAnswerer& answer = {});

/** For an answerer: waits at most @p timeoutMs for input on @p fd, or less when Ctrl-C
 *  comes; true when @p fd has input (or its end). */
bool waitForInput(int fd, int timeoutMs);
/** True once Ctrl-C was pressed during driveJob(). */
bool interrupted();

/** The exit status of a job that ended with @p result. */
inline ExitStatus exitStatusOf(const JobResult& result) {
    return result.ok() ? ExitOk : ExitFailed;
}

} // namespace tl::cli
