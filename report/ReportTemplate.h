#pragma once
/**
 * @file ReportTemplate.h
 * Report templates: loading and checking a ".tpl" file, its field lists and its list of
 * files to copy next to a report.
 *
 * A template is an INI profile with the sections General, Document, Group and Item. It
 * says what to write at the start and end of the report, of every group and for every
 * record, which fields form the group key and the sort keys, and which files come along.
 */
#include "locale/Message.h"
#include "locale/Profile.h"
#include "report/TemplateBlock.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tl {

/** Result of loading a template. */
enum class TemplateLoadStatus {
    Ok = 0,
    TemplateMissing = 1, ///< the file cannot be read or has no section
    TemplateVersion = 2, ///< version, type or plug-in not accepted
    LoadError = 3        ///< a key is wrong; the detail names it ("GroupBy", "SortBy", "Item")
};

/** The five blocks, in the order the generator writes them. */
enum class BlockKind { DocumentStart = 0, GroupStart, Item, GroupEnd, DocumentEnd };

/** Name of a block as error details begin ("Document:Start", "Item", ...). */
std::string_view blockName(BlockKind kind);

/** Field lists hold at most this many words; a longer word is split after this many bytes. */
inline constexpr std::size_t MaxFieldListWords = 100;
inline constexpr std::size_t MaxFieldWordBytes = 99;

/** A loaded template as the generator uses it. */
struct ReportTemplate {
    std::string description; ///< "%n" already turned into CR LF
    std::string author;
    std::string fileExtension = "txt"; ///< without the dot
    std::string include;               ///< name of the file "%i" inserts, as written
    std::vector<std::string> copy;     ///< names of the files to copy (see splitCopyList)
    std::string emptyCell;
    bool htmlEncode = false;
    std::vector<int> groupBy; ///< field indices
    std::vector<int> sortBy;  ///< field indices, most significant first
    std::string directory;    ///< the template's folder, ending in "/" (or empty)
    std::array<TemplateBlock, 5> blocks;

    const TemplateBlock& block(BlockKind kind) const {
        return blocks[static_cast<std::size_t>(kind)];
    }
    /** How cells are written: HTML-encoded or not, and the empty-cell text. */
    CellOptions cellOptions() const { return {htmlEncode, emptyCell}; }
    /** Expands block @p kind with the template's cell options. */
    ExpandResult expand(BlockKind kind, BlockContext& context, std::string& out) const {
        return block(kind).expand(context, cellOptions(), out);
    }
    /** Path of a file named in the template: relative to its folder, or absolute. */
    std::string pathOf(std::string_view name) const;
};

/** Outcome of loading: the status, the detail of a load error and the template. */
struct TemplateLoadResult {
    TemplateLoadStatus status = TemplateLoadStatus::Ok;
    std::string detail;
    ReportTemplate tpl;

    bool ok() const { return status == TemplateLoadStatus::Ok; }
};

/** Loads and checks the template file @p path. */
TemplateLoadResult loadReportTemplate(const std::string& path);

/** The message that tells the user why a template was not loaded (none for Ok). */
std::optional<Message> templateLoadMessage(const TemplateLoadResult& result);

/** What a template says of itself before it is used. */
struct TemplateInfo {
    std::string description; ///< "%n" already turned into CR LF
    std::string author;
};

/** The description and author of the template file @p path, whatever its version; nullopt
 *  when the file cannot be read or holds no section (the template is missing). */
std::optional<TemplateInfo> readTemplateInfo(const std::string& path);

/** Checks an already read template; @p path gives its folder. */
TemplateLoadResult loadReportTemplate(const Profile& profile, const std::string& path);

/** The field indices of a field list: commas and semicolons count as blanks, at most 100
 *  words are taken and a word longer than 99 bytes is split after them; nullopt when a
 *  word names no field. An empty list is valid. */
std::optional<std::vector<int>> parseFieldList(std::string_view text);

/** The names of a Copy list: split at "|", blanks around each name removed, empty names
 *  skipped. */
std::vector<std::string> splitCopyList(std::string_view text);

/** Whether a copy named @p name stays inside the report's folder: a relative name without
 *  a ".." component. A template is a file users share; it must not be able to make the
 *  generator overwrite files elsewhere, so any other name is a copy error. */
bool isSafeCopyName(std::string_view name);

} // namespace tl
