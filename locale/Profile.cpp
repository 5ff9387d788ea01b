#include "locale/Profile.h"
#include "locale/ProfileLine.h"

#include "storage/InputFile.h"
#include "storage/Utf8.h"

#include <limits>

namespace tl {
namespace {

bool isWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && isWhiteSpace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isWhiteSpace(s.back()))
        s.remove_suffix(1);
    return s;
}

const Profile::Section* findSection(const std::vector<Profile::Section>& sections,
                                    std::string_view name) {
    for (const auto& s : sections)
        if (equalsIgnoringAsciiCase(s.name, name))
            return &s;
    return nullptr;
}

} // namespace

std::size_t profileTextStart(std::string_view text) {
    // Editors that save UTF-8 may put a byte order mark first; it belongs to no line.
    return text.starts_with("\xEF\xBB\xBF") ? 3 : 0;
}

ProfileLine parseProfileLine(std::string_view raw) {
    const std::string_view line = trim(raw);
    if (line.size() >= 2 && line.front() == '[') {
        const std::size_t close = line.find(']');
        if (close != std::string_view::npos)
            return {ProfileLine::Section, trim(line.substr(1, close - 1)), {}};
    }
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos)
        return {};
    std::string_view value = trim(line.substr(eq + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return {ProfileLine::Entry, trim(line.substr(0, eq)), value};
}

std::int64_t leadingInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (isWhiteSpace(text[i]) || text[i] == '\n'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    constexpr std::int64_t limit = std::numeric_limits<std::int64_t>::max();
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const int digit = text[i] - '0';
        value = value > (limit - digit) / 10 ? limit : value * 10 + digit;
    }
    return negative ? -value : value;
}

Profile Profile::parse(std::string_view text) {
    Profile profile;
    Section* current = nullptr;
    text.remove_prefix(profileTextStart(text));
    while (!text.empty()) {
        const std::size_t eol = text.find('\n');
        const ProfileLine line = parseProfileLine(text.substr(0, eol));
        text = eol == std::string_view::npos ? std::string_view() : text.substr(eol + 1);
        if (line.kind == ProfileLine::Section) {
            profile.m_sections.push_back({std::string(line.name), {}});
            current = &profile.m_sections.back();
        } else if (line.kind == ProfileLine::Entry && current) {
            current->entries.push_back({std::string(line.name), std::string(line.value)});
        }
    }
    return profile;
}

std::optional<std::string> readProfileText(const std::string& path, bool missingIsEmpty) {
    std::string text;
    const ReadFailure failure = readWholeFile(path, Profile::MaxFileSize, text);
    if (failure == ReadFailure::None || (failure == ReadFailure::Missing && missingIsEmpty))
        return text;
    return std::nullopt;
}

std::optional<Profile> Profile::load(const std::string& path) {
    const auto text = readProfileText(path, false);
    if (!text)
        return std::nullopt;
    return parse(*text);
}

std::optional<std::string_view> Profile::find(std::string_view section,
                                              std::string_view key) const {
    const Section* s = findSection(m_sections, section);
    if (!s)
        return std::nullopt;
    for (const auto& e : s->entries)
        if (equalsIgnoringAsciiCase(e.key, key))
            return std::string_view(e.value);
    return std::nullopt;
}

std::string Profile::getString(std::string_view section, std::string_view key,
                               std::string_view fallback, std::size_t maxBytes) const {
    return std::string(utf8Cut(find(section, key).value_or(fallback), maxBytes));
}

std::int64_t Profile::getInt(std::string_view section, std::string_view key,
                             std::int64_t fallback) const {
    const auto value = find(section, key);
    return value ? leadingInteger(*value) : fallback;
}

} // namespace tl
