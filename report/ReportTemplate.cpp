#include "report/ReportTemplate.h"

#include "storage/Text.h"
#include "storage/Utf8.h"

#include <algorithm>

namespace tl {
namespace {

// Value limits of the keys, in bytes (a terminating NUL not counted).
constexpr std::size_t MaxValueBytes = 1023;
constexpr std::size_t MaxTextBytes = 2046;
constexpr std::size_t MaxCopyBytes = 32766;

std::string withLineBreaks(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] == 'n') {
            out += "\r\n";
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

TemplateLoadResult failure(TemplateLoadStatus status, std::string detail = {}) {
    TemplateLoadResult result;
    result.status = status;
    result.detail = std::move(detail);
    return result;
}

} // namespace

std::string_view blockName(BlockKind kind) {
    static constexpr std::string_view names[] = {"Document:Start", "Group:Start", "Item",
                                                 "Group:End", "Document:End"};
    return names[static_cast<std::size_t>(kind)];
}

std::string ReportTemplate::pathOf(std::string_view name) const {
    if (name.starts_with('/'))
        return std::string(name);
    return directory + std::string(name);
}

TemplateLoadResult loadReportTemplate(const std::string& path) {
    const auto profile = Profile::load(path);
    if (!profile)
        return failure(TemplateLoadStatus::TemplateMissing);
    return loadReportTemplate(*profile, path);
}

std::optional<TemplateInfo> readTemplateInfo(const std::string& path) {
    const auto profile = Profile::load(path);
    if (!profile || !profile->hasSections())
        return std::nullopt;
    TemplateInfo info;
    info.description =
        withLineBreaks(profile->getString("General", "Description", "", MaxTextBytes));
    info.author = profile->getString("General", "Author", "", MaxTextBytes);
    return info;
}

std::optional<Message> templateLoadMessage(const TemplateLoadResult& result) {
    switch (result.status) {
    case TemplateLoadStatus::Ok:
        return std::nullopt;
    case TemplateLoadStatus::TemplateMissing:
        return makeMessage("Report", "TemplateMissingErr", Severity::Error);
    case TemplateLoadStatus::TemplateVersion:
        return makeMessage("Report", "TemplateVersionErr", Severity::Error);
    case TemplateLoadStatus::LoadError:
        break;
    }
    return makeMessage("Report", "LoadTemplateErr", Severity::Error, {result.detail});
}

TemplateLoadResult loadReportTemplate(const Profile& p, const std::string& path) {
    if (!p.hasSections())
        return failure(TemplateLoadStatus::TemplateMissing);
    if (p.getInt("General", "TPLVersion", 0) < 1 || p.getInt("General", "TPLCompatibility", 0) > 1)
        return failure(TemplateLoadStatus::TemplateVersion);
    if (!equalsIgnoringAsciiCase(p.getString("General", "Type", "", MaxValueBytes), "AlbumList"))
        return failure(TemplateLoadStatus::TemplateVersion);
    if (!p.getString("General", "Plugin", "", MaxValueBytes).empty())
        return failure(TemplateLoadStatus::TemplateVersion);

    TemplateLoadResult result;
    ReportTemplate& t = result.tpl;
    t.description = withLineBreaks(p.getString("General", "Description", "", MaxTextBytes));
    t.author = p.getString("General", "Author", "", MaxTextBytes);
    t.fileExtension = p.getString("General", "FileExtension", "txt", MaxValueBytes);
    t.include = p.getString("General", "Include", "", MaxValueBytes);
    t.copy = splitCopyList(p.getString("General", "Copy", "", MaxCopyBytes));
    t.emptyCell = p.getString("General", "EmptyCell", "", MaxValueBytes);
    t.htmlEncode = p.getInt("General", "HTMLEncode", 0) != 0;
    t.directory = directoryOf(path);

    static constexpr struct {
        BlockKind kind;
        const char* section;
        const char* key;
    } blockKeys[] = {
        {BlockKind::DocumentStart, "Document", "Start"},
        {BlockKind::GroupStart, "Group", "Start"},
        {BlockKind::Item, "Item", "Item"},
        {BlockKind::GroupEnd, "Group", "End"},
        {BlockKind::DocumentEnd, "Document", "End"},
    };
    for (const auto& b : blockKeys)
        t.blocks[static_cast<std::size_t>(b.kind)] = TemplateBlock(
            std::string(blockName(b.kind)), p.getString(b.section, b.key, "", MaxValueBytes));

    auto groupBy = parseFieldList(p.getString("General", "GroupBy", "", MaxValueBytes));
    if (!groupBy)
        return failure(TemplateLoadStatus::LoadError, "GroupBy");
    t.groupBy = std::move(*groupBy);
    auto sortBy = parseFieldList(p.getString("General", "SortBy", "", MaxValueBytes));
    if (!sortBy)
        return failure(TemplateLoadStatus::LoadError, "SortBy");
    t.sortBy = std::move(*sortBy);
    if (t.block(BlockKind::Item).empty())
        return failure(TemplateLoadStatus::LoadError, "Item");
    return result;
}

std::optional<std::vector<int>> parseFieldList(std::string_view text) {
    std::vector<int> fields;
    const auto separator = [](char c) { return isBlank(c) || c == ',' || c == ';'; };
    std::size_t words = 0;
    std::size_t i = 0;
    while (words < MaxFieldListWords) {
        while (i < text.size() && separator(text[i]))
            ++i;
        if (i == text.size())
            break;
        std::size_t end = i;
        while (end < text.size() && !separator(text[end]))
            ++end;
        // A word longer than the word limit goes on as the next word.
        const std::size_t length =
            std::max<std::size_t>(1, utf8CutLength(text.substr(i, end - i), MaxFieldWordBytes));
        const int field = fieldIndexByWord(text.substr(i, length));
        if (field < 0)
            return std::nullopt;
        fields.push_back(field);
        ++words;
        i += length;
    }
    return fields;
}

std::vector<std::string> splitCopyList(std::string_view text) {
    std::vector<std::string> names;
    while (true) {
        const std::size_t bar = text.find('|');
        const std::string_view name = trimBlanks(text.substr(0, bar));
        if (!name.empty())
            names.emplace_back(name);
        if (bar == std::string_view::npos)
            break;
        text.remove_prefix(bar + 1);
    }
    return names;
}

bool isSafeCopyName(std::string_view name) {
    if (name.empty() || name.starts_with('/'))
        return false;
    while (!name.empty()) {
        const std::size_t slash = name.find('/');
        if (name.substr(0, slash) == "..")
            return false;
        if (slash == std::string_view::npos)
            break;
        name.remove_prefix(slash + 1);
    }
    return true;
}

} // namespace tl
