#pragma once
/**
 * @file JobDriver.h
 * Any job of the core on the command line. Its log lines go to standard error with their
 * severity as they come; on a terminal one progress line is redrawn at most ten times a
 * second; its questions are answered by the console when the command gives an answerer,
 * else with what the job proposes; Ctrl-C asks it to stop (a second Ctrl-C ends the
 * program). The main thread waits for the end, answers the questions and watches Ctrl-C,
 * so that a question waiting on the console ends on Ctrl-C too.
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

/** The exit status of a job that ended with @p result. */
inline ExitStatus exitStatusOf(const JobResult& result) {
    return result.ok() ? ExitOk : ExitFailed;
}

} // namespace tl::cli
