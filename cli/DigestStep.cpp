#include "cli/DigestStep.h"

#include "locale/Settings.h"
#include "storage/Utf8.h"

#include <algorithm>
#include <array>
#include <istream>
#include <ostream>
#include <utility>
#include <vector>

namespace tl::cli {
namespace {

/** The longest value the album prompt accepts, in characters, as the prompt window's
 *  edit boxes. */
constexpr std::size_t MaxAnswerChars = 64;

std::string_view trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string_view firstChars(std::string_view text, std::size_t count) {
    std::size_t pos = 0;
    for (std::size_t n = 0; n < count && pos < text.size(); ++n) {
        std::size_t length = 1;
        utf8Decode(text, pos, &length);
        pos += length;
    }
    return text.substr(0, pos);
}

/** Confirms completed albums on the console, as the digest prompt window does: each
 *  value may be kept or retyped, and "auto" completes the rest of the run silently
 *  (the album at hand keeps its derived values, like the window's Auto button). */
class ConsoleDigestBuilder : public DigestBuilder {
public:
    ConsoleDigestBuilder(const Context& ctx, std::istream& in, bool ask)
        : m_ctx(ctx), m_in(in), m_out(*ctx.out), m_auto(!ask),
          m_autoWord(ctx.text(PromptSection, "Auto")) {
        for (const auto& [field, key] : Rows) {
            m_labels.push_back(ctx.text(PromptSection, key));
            m_labelWidth = std::max(m_labelWidth, utf8Length(m_labels.back()));
        }
    }

    void confirmAlbum(Fields& album) override {
        if (m_auto)
            return;
        m_out << "\n" << m_ctx.text(PromptSection, "Caption") << "\n";
        for (std::size_t r = 0; r < Rows.size(); ++r)
            m_out << "  " << m_labels[r]
                  << std::string(m_labelWidth - utf8Length(m_labels[r]) + 1, ' ')
                  << utf8Sanitized(album[Rows[r].first]) << "\n";
        if (!m_hintShown) {
            m_out << m_ctx.text("Cli", "DigestPromptHint", {m_autoWord}) << "\n";
            m_hintShown = true;
        }
        // Path is shown, not edited; the answers fill the other rows in order.
        std::array<std::string, Rows.size()> answers;
        for (std::size_t r = 1; r < Rows.size(); ++r) {
            const int field = Rows[r].first;
            m_out << m_labels[r] << " [" << utf8Sanitized(album[field]) << "] " << std::flush;
            std::string line;
            // No more answers: the rest of the run completes without asking.
            if (!std::getline(m_in, line)) {
                m_out << "\n";
                m_auto = true;
                return;
            }
            const std::string_view answer = trimmed(line);
            if (equalsIgnoringAsciiCase(answer, "auto") ||
                (!answer.empty() && equalsIgnoringAsciiCase(answer, m_autoWord))) {
                m_auto = true;
                return;
            }
            if (answer.empty())
                answers[r] = album[field];
            else if (answer != "-")
                answers[r] = firstChars(answer, MaxAnswerChars);
        }
        for (std::size_t r = 1; r < Rows.size(); ++r)
            album[Rows[r].first] = std::move(answers[r]);
    }

private:
    static constexpr std::string_view PromptSection = "DialogDigestPrompt";
    static constexpr std::array<std::pair<int, std::string_view>, 5> Rows{
        {{Path, "Path"}, {Artist, "Artist"}, {Album, "Album"}, {Genre, "Genre"}, {Year, "Year"}}};

    const Context& m_ctx;
    std::istream& m_in;
    std::ostream& m_out;
    bool m_auto;
    bool m_hintShown = false;
    std::string m_autoWord;
    std::vector<std::string> m_labels;
    std::size_t m_labelWidth = 0;
};

} // namespace

DigestJob makeDigestJob(const Context& ctx, std::string songPath, std::string digestPath,
                        ConfirmPolicy policy) {
    Settings settings;
    settings.path = settingsFilePath(ctx.appDir);
    settings.locale = &ctx.locale;
    loadSettings(settings);
    return {std::move(songPath), std::move(digestPath), policy, settings.digestVarious,
            settings.tooMany};
}

DigestResult runDigest(Context& ctx, const DigestJob& job, std::istream& answers) {
    ConsoleDigestBuilder builder(ctx, answers, job.policy == ConfirmPolicy::Ask);
    builder.setVariousWord(job.various);
    builder.setTooMany(job.tooMany);
    return builder.run(job.songPath, job.digestPath);
}

} // namespace tl::cli
