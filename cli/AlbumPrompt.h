#pragma once
/**
 * @file DigestStep.h
 * The digest on the command line: the core's digest job, with the album questions asked
 * on the console and answered from standard input.
 */
#include "cli/Cli.h"
#include "digest/DigestJob.h"
#include "digest/DigestMessages.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace tl::cli {

/**
 * Answers album questions on the console, as the digest prompt window does: each value
 * may be kept or retyped, and "auto" completes the rest of the run silently (the album at
 * hand keeps its derived values, like the window's Auto button). At the end of the
 * answers the remaining albums are completed without asking.
 */
class ConsoleAlbumPrompt : public DigestListener {
public:
    ConsoleAlbumPrompt(const Context& ctx, std::istream& in);
    /** The job whose questions this answers; set before it runs. */
    void setJob(DigestJob* job) { m_job = job; }

    void albumQuestion(const Fields& album) override;

private:
    AlbumAnswer ask(const Fields& album);

    const Context& m_ctx;
    std::istream& m_in;
    std::ostream& m_out;
    DigestJob* m_job = nullptr;
    bool m_hintShown = false;
    std::string m_autoWord;
    std::vector<std::string> m_labels;
    std::size_t m_labelWidth = 0;
};

/** The digest options of the user's settings (digestVarious, tooMany); @p ask decides
 *  whether albums completed from folder names are confirmed. */
DigestOptions digestOptions(const Context& ctx, bool ask);

} // namespace tl::cli
