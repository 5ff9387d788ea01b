#include "cli/DigestStep.h"

#include "storage/Text.h"
#include "storage/Utf8.h"

#include <algorithm>
#include <array>
#include <istream>
#include <ostream>
#include <utility>

namespace tl::cli {
namespace {

/** The longest value the album prompt accepts, in characters, as the prompt window's
 *  edit boxes. */
constexpr std::size_t MaxAnswerChars = 64;

constexpr std::string_view PromptSection = "DialogDigestPrompt";
constexpr std::array<std::pair<int, std::string_view>, 5> Rows{
    {{Path, "Path"}, {Artist, "Artist"}, {Album, "Album"}, {Genre, "Genre"}, {Year, "Year"}}};

std::string_view firstChars(std::string_view text, std::size_t count) {
    std::size_t pos = 0;
    for (std::size_t n = 0; n < count && pos < text.size(); ++n) {
        std::size_t length = 1;
        utf8Decode(text, pos, &length);
        pos += length;
    }
    return text.substr(0, pos);
}

} // namespace

ConsoleAlbumPrompt::ConsoleAlbumPrompt(const Context& ctx, std::istream& in)
    : m_ctx(ctx), m_in(in), m_out(*ctx.out), m_autoWord(ctx.text(PromptSection, "Auto")) {
    for (const auto& [field, key] : Rows) {
        m_labels.push_back(ctx.text(PromptSection, key));
        m_labelWidth = std::max(m_labelWidth, utf8Length(m_labels.back()));
    }
}

void ConsoleAlbumPrompt::albumQuestion(const Fields& album) {
    // The console answers at once, on the digest's own thread.
    AlbumAnswer answer = ask(album);
    if (m_job)
        m_job->answerAlbum(std::move(answer));
}

AlbumAnswer ConsoleAlbumPrompt::ask(const Fields& album) {
    m_out << "\n" << m_ctx.text(PromptSection, "Caption") << "\n";
    for (std::size_t r = 0; r < Rows.size(); ++r)
        m_out << "  " << m_labels[r] << std::string(m_labelWidth - utf8Length(m_labels[r]) + 1, ' ')
              << utf8Sanitized(album[Rows[r].first]) << "\n";
    if (!m_hintShown) {
        m_out << m_ctx.text("Cli", "DigestPromptHint", {m_autoWord}) << "\n";
        m_hintShown = true;
    }
    // Path is shown, not edited; the answers fill the other rows in order.
    Fields confirmed = album;
    for (std::size_t r = 1; r < Rows.size(); ++r) {
        const int field = Rows[r].first;
        m_out << m_labels[r] << " [" << utf8Sanitized(album[field]) << "] " << std::flush;
        std::string line;
        // No more answers: the rest of the run completes without asking.
        if (!std::getline(m_in, line)) {
            m_out << "\n";
            return {std::nullopt, true};
        }
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::string_view answer = trimBlanks(line);
        if (equalsIgnoringAsciiCase(answer, "auto") ||
            (!answer.empty() && equalsIgnoringAsciiCase(answer, m_autoWord)))
            return {std::nullopt, true};
        if (answer == "-")
            confirmed[field].clear();
        else if (!answer.empty())
            confirmed[field] = firstChars(answer, MaxAnswerChars);
    }
    return {std::move(confirmed), false};
}

DigestOptions digestOptions(const Context& ctx, bool ask) {
    const Settings settings = ctx.settings();
    return {settings.digestVarious, settings.tooMany, !ask};
}

} // namespace tl::cli
