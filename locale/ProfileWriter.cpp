#include "locale/ProfileWriter.h"

#include "locale/Profile.h"
#include "locale/ProfileLine.h"
#include "storage/FileReplacement.h"

#include <cstdio>
#include <optional>

namespace tl {
namespace {

bool isWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// The value as it must stand in the file to read back unchanged.
std::string encodedValue(std::string_view value) {
    std::string out(value);
    for (char& c : out)
        if (c == '\n' || c == '\r')
            c = ' ';
    const bool quoted =
        out.size() >= 2 && (out.front() == '"' || out.front() == '\'') && out.back() == out.front();
    if (!out.empty() && (quoted || isWhiteSpace(out.front()) || isWhiteSpace(out.back())))
        out = '"' + out + '"';
    return out;
}

struct Line {
    std::size_t begin; ///< offset of the line in the text
    std::size_t end;   ///< offset of its line feed (or the text's end)
    ProfileLine parsed;
};

} // namespace

std::string withProfileValue(std::string_view text, std::string_view section, std::string_view key,
                             std::string_view value) {
    const std::string_view eol = text.find("\r\n") != std::string_view::npos ? "\r\n" : "\n";
    const std::string entry = std::string(key) + "=" + encodedValue(value);

    // Find the first matching section, its first matching key and its last entry line.
    bool inTarget = false, sectionSeen = false;
    std::optional<Line> sectionHeader, lastInSection, match;
    for (std::size_t pos = profileTextStart(text); pos < text.size() && !match;) {
        const std::size_t nl = text.find('\n', pos);
        const std::size_t end = nl == std::string_view::npos ? text.size() : nl;
        const Line line{pos, end, parseProfileLine(text.substr(pos, end - pos))};
        pos = nl == std::string_view::npos ? text.size() : nl + 1;
        if (line.parsed.kind == ProfileLine::Section) {
            if (sectionSeen)
                inTarget = false;
            else if (equalsIgnoringAsciiCase(line.parsed.name, section))
                inTarget = sectionSeen = true, sectionHeader = line;
            continue;
        }
        if (!inTarget || line.parsed.kind != ProfileLine::Entry)
            continue;
        if (equalsIgnoringAsciiCase(line.parsed.name, key))
            match = line;
        lastInSection = line;
    }

    std::string out;
    if (match) {
        // Replace the line, keeping its CR when it had one.
        const bool hadCr = match->end > match->begin && text[match->end - 1] == '\r';
        out.append(text.substr(0, match->begin)).append(entry);
        if (hadCr)
            out.push_back('\r');
        out.append(text.substr(match->end));
        return out;
    }
    if (sectionHeader) {
        // After the section's last entry (or its header), before any blank lines that
        // separate it from the next section.
        const Line& after = lastInSection ? *lastInSection : *sectionHeader;
        const std::size_t insertAt = after.end < text.size() ? after.end + 1 : text.size();
        out.append(text.substr(0, insertAt));
        if (insertAt == text.size() && !out.empty() && out.back() != '\n')
            out.append(eol);
        out.append(entry).append(eol).append(text.substr(insertAt));
        return out;
    }
    out.append(text);
    if (!out.empty() && out.back() != '\n')
        out.append(eol);
    if (!out.empty())
        out.append(eol);
    out.append("[").append(section).append("]").append(eol).append(entry).append(eol);
    return out;
}

bool writeProfileValues(const std::string& path, std::string_view section,
                        std::span<const ProfileValue> values) {
    std::optional<std::string> text = readProfileText(path, true);
    if (!text)
        return false;
    for (const ProfileValue& v : values)
        *text = withProfileValue(*text, section, v.key, v.value);

    FileReplacement replacement(path);
    std::FILE* f = std::fopen(replacement.tempPath().c_str(), "wb");
    if (!f)
        return false;
    const bool written = std::fwrite(text->data(), 1, text->size(), f) == text->size();
    if (std::fclose(f) != 0 || !written)
        return false;
    return replacement.commit();
}

} // namespace tl
