#include "cli/DigestStep.h"

#include "storage/Utf8.h"

#include <array>
#include <istream>
#include <ostream>
#include <utility>

namespace tl::cli {
namespace {

// The English wording of the digest's messages, used where the locale files lack a key.
constexpr std::array<std::pair<MessageKey, std::string_view>, 7> EnglishTexts{{
    {{"Digest", "Building"}, "Building the album digest..."},
    {{"Digest", "SDBOpenErr"},
     "The song database cannot be opened, or the digest cannot be created."},
    {{"Digest", "DigestErr"},
     "The album digest could not be built; the song database may be damaged."},
    {{"Digest", "ReDigest"}, "The album digest has been created."},
    {{"Scan", "SDBInFormatErr"}, "The file is not a song database."},
    {{"Scan", "Done"}, "Done."},
    {{"DialogScan", "SDSRequired"}, "Please choose a song database file (.sds)."},
}};

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
    ConsoleDigestBuilder(std::istream& in, std::ostream& out, bool ask)
        : m_in(in), m_out(out), m_auto(!ask) {}

    void confirmAlbum(Fields& album) override {
        if (m_auto)
            return;
        static constexpr std::array<std::pair<int, std::string_view>, 4> Editable{
            {{Artist, "Artist"}, {Album, "Album"}, {Genre, "Genre"}, {Year, "Year"}}};
        m_out << "\nAlbum completed from its folder names:\n"
              << "  Path:   " << utf8Sanitized(album[Path]) << "\n";
        for (const auto& [field, label] : Editable)
            m_out << "  " << label << ":" << std::string(7 - label.size(), ' ')
                  << utf8Sanitized(album[field]) << "\n";
        if (!m_hintShown) {
            m_out << "Press Enter to keep a value, type a new one to change it, \"-\" to empty "
                     "it, or \"auto\" to complete the remaining albums without asking.\n";
            m_hintShown = true;
        }
        std::array<std::string, Editable.size()> answers;
        for (std::size_t k = 0; k < Editable.size(); ++k) {
            const auto& [field, label] = Editable[k];
            m_out << label << " [" << utf8Sanitized(album[field]) << "]: " << std::flush;
            std::string line;
            // No more answers: the rest of the run completes without asking.
            if (!std::getline(m_in, line)) {
                m_out << "\n";
                m_auto = true;
                return;
            }
            const std::string_view answer = trimmed(line);
            if (equalsIgnoringAsciiCase(answer, "auto")) {
                m_auto = true;
                return;
            }
            if (answer.empty())
                answers[k] = album[field];
            else if (answer != "-")
                answers[k] = firstChars(answer, MaxAnswerChars);
        }
        for (std::size_t k = 0; k < Editable.size(); ++k)
            album[Editable[k].first] = std::move(answers[k]);
    }

private:
    std::istream& m_in;
    std::ostream& m_out;
    bool m_auto;
    bool m_hintShown = false;
};

} // namespace

DigestResult runDigest(Context& ctx, const DigestJob& job, std::istream& answers) {
    ConsoleDigestBuilder builder(answers, *ctx.out, job.policy == ConfirmPolicy::Ask);
    builder.setVariousWord(job.various);
    builder.setTooMany(job.tooMany);
    return builder.run(job.songPath, job.digestPath);
}

std::string digestText(const Context& ctx, MessageKey message) {
    std::string text = ctx.locale.text(message.section, message.key);
    if (text != MissingLocaleText)
        return text;
    for (const auto& [key, english] : EnglishTexts)
        if (key == message)
            return std::string(english);
    return text;
}

} // namespace tl::cli
