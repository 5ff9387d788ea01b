#include "cli/AlbumPrompt.h"

#include "cli/JobDriver.h"
#include "digest/DigestJob.h"
#include "frontend/FrontEnd.h"
#include "storage/Text.h"
#include "storage/Utf8.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <ostream>
#include <unistd.h>
#include <utility>

namespace tl::cli {
namespace {

constexpr std::string_view PromptSection = "DialogDigestPrompt";
constexpr std::array<std::pair<int, std::string_view>, 5> Rows{
    {{Path, "Path"}, {Artist, "Artist"}, {Album, "Album"}, {Genre, "Genre"}, {Year, "Year"}}};

} // namespace

ConsoleAlbumPrompt::ConsoleAlbumPrompt(const Context& ctx, int inputFd)
    : m_ctx(ctx), m_fd(inputFd), m_autoWord(ctx.text(PromptSection, "Auto")) {
    for (const auto& [field, key] : Rows) {
        m_labels.push_back(ctx.text(PromptSection, key));
        m_labelWidth = std::max(m_labelWidth, utf8Length(m_labels.back()));
    }
}

ConsoleAlbumPrompt::Read ConsoleAlbumPrompt::readLine(std::string& line) {
    for (;;) {
        if (const std::size_t end = m_pending.find('\n'); end != std::string::npos) {
            line = m_pending.substr(0, end);
            m_pending.erase(0, end + 1);
            return Read::Line;
        }
        if (m_atEnd) {
            if (m_pending.empty())
                return Read::End;
            line = std::exchange(m_pending, {}); // a last line without its line end
            return Read::Line;
        }
        // Ctrl-C ends the wait while the user thinks.
        if (interrupted())
            return Read::Interrupted;
        if (!waitForInput(m_fd, 1000))
            continue;
        char buffer[4096];
        const ssize_t got = ::read(m_fd, buffer, sizeof buffer);
        if (got > 0)
            m_pending.append(buffer, static_cast<std::size_t>(got));
        else if (got == 0 || errno != EINTR)
            m_atEnd = true;
    }
}

std::optional<JobAnswer> ConsoleAlbumPrompt::operator()(const JobQuestion& question) {
    const Fields* asked = askedAlbum(question);
    if (!asked)
        return proposedAnswer(question);
    const Fields& album = *asked;
    std::ostream& out = *m_ctx.out;
    out << "\n" << m_ctx.text(PromptSection, "Caption") << "\n";
    for (std::size_t r = 0; r < Rows.size(); ++r)
        out << "  " << m_labels[r] << std::string(m_labelWidth - utf8Length(m_labels[r]) + 1, ' ')
            << utf8Sanitized(album[Rows[r].first]) << "\n";
    if (!m_hintShown) {
        out << m_ctx.text("Cli", "DigestPromptHint", {m_autoWord}) << "\n";
        m_hintShown = true;
    }
    // Path is shown, not edited; the answers fill the other rows in order.
    Fields confirmed = album;
    for (std::size_t r = 1; r < Rows.size(); ++r) {
        const int field = Rows[r].first;
        out << m_labels[r] << " [" << utf8Sanitized(album[field]) << "] " << std::flush;
        std::string line;
        const Read read = readLine(line);
        if (read == Read::Interrupted) {
            out << "\n";
            return std::nullopt;
        }
        // No more answers: the rest of the run completes without asking.
        if (read == Read::End) {
            out << "\n";
            return jobAnswer({std::nullopt, true});
        }
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::string_view answer = trimBlanks(line);
        if (equalsIgnoringAsciiCase(answer, "auto") ||
            (!answer.empty() && equalsIgnoringAsciiCase(answer, m_autoWord)))
            return jobAnswer({std::nullopt, true});
        if (answer == "-")
            confirmed[field].clear();
        else if (!answer.empty())
            confirmed[field] = typedAnswer(answer);
    }
    return jobAnswer({std::move(confirmed), false});
}

} // namespace tl::cli
