#pragma once
/**
 * @file AlbumPrompt.h
 * The digest's album questions on the console, answered from standard input.
 */
#include "cli/Cli.h"
#include "job/Job.h"

#include <optional>
#include <string>
#include <vector>

namespace tl::cli {

/**
 * Asks album questions on the console, as the digest prompt window does: each value may be
 * kept or retyped, and "auto" completes the rest of the run silently (the album at hand
 * keeps its derived values, like the window's Auto button). At the end of the answers the
 * remaining albums are completed without asking. Reads standard input itself, a line at a
 * time, so that Ctrl-C ends a question that waits for its answer.
 */
class ConsoleAlbumPrompt {
public:
    explicit ConsoleAlbumPrompt(const Context& ctx, int inputFd = 0);

    /** The answer to @p question (what the job proposes for any but an album question);
     *  none when Ctrl-C came while it waited. */
    std::optional<JobAnswer> operator()(const JobQuestion& question);

private:
    enum class Read { Line, End, Interrupted };
    Read readLine(std::string& line);

    const Context& m_ctx;
    int m_fd;
    std::string m_pending; // read from the input, not yet taken as a line
    bool m_atEnd = false;
    bool m_hintShown = false;
    std::string m_autoWord;
    std::vector<std::string> m_labels;
    std::size_t m_labelWidth = 0;
};

} // namespace tl::cli
