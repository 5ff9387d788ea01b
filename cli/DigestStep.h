#pragma once
/**
 * @file DigestStep.h
 * Building a digest from the command line: used by `digest` and at the end of `scan`.
 */
#include "cli/Cli.h"
#include "digest/DigestMessages.h"
#include "digest/Smartdigest.h"

#include <iosfwd>
#include <string>

namespace tl::cli {

/** How albums completed from folder names are confirmed. */
enum class ConfirmPolicy {
    Auto, ///< keep the derived values without asking
    Ask,  ///< show each album and read the answers from standard input
};

/** One digest run. */
struct DigestJob {
    std::string songPath;   ///< the song database to read
    std::string digestPath; ///< the digest to write (replaced only on success)
    ConfirmPolicy policy = ConfirmPolicy::Auto;
    std::string various = "Various"; ///< the word for a field with too many values
    int tooMany = 3;                 ///< how many different values are too many
};

/**
 * Runs the digest of @p job. With ConfirmPolicy::Ask, each album completed from its
 * folder names is shown on ctx.out and the answers are read from @p answers; at the end
 * of @p answers the remaining albums are completed without asking. Prints nothing else:
 * the caller reports the result. At the end of a completed scan, for example:
 *
 *     log(info, digestText(ctx, DigestBuildingMessage));
 *     const DigestResult r = runDigest(ctx, {base + ".sds", base + ".sdd"}, std::cin);
 *     log(r == DigestResult::Done ? info : error,
 *         digestText(ctx, digestResultMessage(r, DigestCaller::Scan)));
 */
DigestResult runDigest(Context& ctx, const DigestJob& job, std::istream& answers);

/** The user's text for a digest message, from the locale (English when the locale files
 *  lack it). */
std::string digestText(const Context& ctx, MessageKey message);

} // namespace tl::cli
