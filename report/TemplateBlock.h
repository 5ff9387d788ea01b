#pragma once
/**
 * @file TemplateBlock.h
 * One block of a report template (document start and end, group start and end, item),
 * parsed once into a small program and expanded against the record being written.
 *
 * A block is text with "%" sequences: "%%" is one "%", "%" and a lower-case letter is a
 * special variable (counters, line break, include file, dates, the drive of the current
 * volume, the size of the current group), "%" and an upper-case letter opens a field
 * placeholder closed by the next "%": "%Title 30 PAD RIGHT%" writes the record's title
 * right-aligned in 30 columns, and "%Album CSV%" writes the album as one field of a
 * comma-separated file. Widths count display columns: a Chinese, Japanese or Korean
 * character takes two, a combining mark none. The generator supplies what the variables
 * stand for through a BlockContext.
 */
#include "platform/Version.h"
#include "report/DriveTable.h"
#include "report/Formatting.h"
#include "storage/Fieldnames.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tl {

/** A cell holds at most this many bytes; a longer one is cut at a character boundary. */
inline constexpr std::size_t MaxCellBytes = 1023;
/** An expanded block holds at most this many bytes (counted from the last "%i"). */
inline constexpr std::size_t MaxBlockBytes = 16383;
/** Longest error detail text, in bytes. */
inline constexpr std::size_t MaxDetailBytes = 1023;
/** A placeholder is read as at most this many words. */
inline constexpr std::size_t MaxPlaceholderWords = 100;

/** Result of expanding a block. */
enum class ExpandStatus {
    Ok = 0,
    FieldError = 1,   ///< a placeholder names no field or has a bad modifier
    EolError = 2,     ///< a placeholder is not closed before the end of the block
    IncludeFailed = 3 ///< the context could not write the text before "%i" and the include
};

/** Outcome of an expansion: the status, and for an error its detail text (the block's
 *  name, then ":" and the word at fault) and its byte position in the block text. */
struct ExpandResult {
    ExpandStatus status = ExpandStatus::Ok;
    std::string detail;
    std::size_t position = 0;

    bool ok() const { return status == ExpandStatus::Ok; }
};

/** The counters of the block sequence at the point where a block is written. */
struct BlockCounters {
    std::int32_t itemCount = 0;   ///< items finished before this point
    std::int32_t reportItem = 0;  ///< "%r"
    std::int32_t groupItem = 0;   ///< "%l"
    std::int32_t groupNumber = 0; ///< "%g"
    /** "%c": records of the group begun most recently, known from its start on (0 before
     *  the first group). */
    std::int64_t groupRecords = 0;
    /** "%p": groupRecords as a whole percentage of the largest group's records (see
     *  groupSharePercent()), for bars drawn to scale. */
    std::int32_t groupShare = 0;
};

/** @p records as a whole percentage (0-100) of @p largest, rounded to the nearest, a half
 *  up; a group with any record gets at least 1, so no group's bar is empty. 0 for no
 *  records or a largest group of none. 1,000, 500, 5 and 1 record of 1,000 give 100, 50,
 *  1 and 1; 999 of 1,000 gives 100. */
std::int32_t groupSharePercent(std::int64_t records, std::int64_t largest);

/** What the variables of a block stand for while it is written; the generator answers. */
class BlockContext {
public:
    virtual ~BlockContext() = default;

    /** Text of field @p index (0..23) of the record the block is written with; for the
     *  totals of a group or document record, their decimal form. */
    virtual std::string field(int index) const = 0;
    /** Text of field @p index of the record read most recently ("%d", "%m"). */
    virtual std::string currentField(int index) const = 0;
    virtual BlockCounters counters() const = 0;
    /** The drive table taken when the generation started. */
    virtual const DriveTable& drives() const = 0;
    /** Root written by "%d" for a volume that is not mounted (a mount point path). */
    virtual std::string defaultDrive() const = 0;
    /** Text written instead of a too-long value by a "VAR" placeholder. */
    virtual std::string variousText() const = 0;
    /** Path of the report file ("%f"). */
    virtual std::string reportPath() const = 0;
    /** Today's local date ("%t", "%u"). */
    virtual CivilDate today() const = 0;
    /** "%i": when the template names an include file, writes @p textSoFar and then the
     *  include bytes to the report and clears @p textSoFar; otherwise leaves it. Returns
     *  false when writing failed. */
    virtual bool include(std::string& textSoFar) = 0;
};

/** How cells are written into the block: HTML-encoded, with a text for empty cells. */
struct CellOptions {
    bool htmlEncode = false;
    std::string emptyCell;
};

/** A parsed block: literal runs, special variables and placeholders with their options. */
class TemplateBlock {
public:
    TemplateBlock() = default;
    /** Parses @p text; @p name ("Item", "Group:Start", ...) starts every error detail. */
    TemplateBlock(std::string name, std::string text);

    const std::string& name() const { return m_name; }
    const std::string& text() const { return m_text; }
    bool empty() const { return m_text.empty(); }

    /** Expands the block into @p out (replaced), walking it left to right: everything
     *  before the first fault is expanded (and "%i" writes through @p context), then the
     *  fault is reported. @p out then holds the text not yet written by "%i". */
    ExpandResult expand(BlockContext& context, const CellOptions& cells, std::string& out) const;

private:
    enum class Format { None, Time, LongTime, Date, UsDate, Bytes };
    struct Placeholder {
        int field = 0;
        bool right = false;
        bool pad = false;
        bool various = false;
        bool noMark = false;
        bool csv = false; ///< written as one quoted CSV field
        Format format = Format::None;
        std::size_t width = 0;
    };
    enum class OpKind { Literal, Special, Cell };
    struct Op {
        OpKind kind;
        std::string literal; ///< Literal
        char letter = 0;     ///< Special
        Placeholder cell;    ///< Cell
    };

    void parse();
    bool parsePlaceholder(std::string_view text, std::size_t position);
    void addLiteral(std::string_view text);
    std::string renderCell(const Placeholder& cell, BlockContext& context) const;
    void writeSpecial(char letter, BlockContext& context, std::string& piece) const;

    std::string m_name;
    std::string m_text;
    std::vector<Op> m_ops;
    ExpandStatus m_fault = ExpandStatus::Ok;
    std::string m_faultDetail; ///< appended to the block name
    std::size_t m_faultPosition = 0;
};

/** A context of plain values, for previews, tests and the fuzzer: "%i" passes the text
 *  before it and includeData on to written. */
class PlainBlockContext : public BlockContext {
public:
    Fields record = emptyRecord();  ///< the record the block is written with
    Fields current = emptyRecord(); ///< the record read most recently
    BlockCounters count;
    DriveTable driveTable;
    std::string defaultRoot = "/";
    std::string various = "Various";
    std::string path;
    CivilDate date;
    bool hasInclude = false;
    std::string includeData;
    std::string written; ///< what "%i" wrote

    std::string field(int index) const override { return slot(record, index); }
    std::string currentField(int index) const override { return slot(current, index); }
    BlockCounters counters() const override { return count; }
    const DriveTable& drives() const override { return driveTable; }
    std::string defaultDrive() const override { return defaultRoot; }
    std::string variousText() const override { return various; }
    std::string reportPath() const override { return path; }
    CivilDate today() const override { return date; }
    bool include(std::string& textSoFar) override;

private:
    static std::string slot(const Fields& fields, int index);
};

/** Index of the field that @p word names: its first four characters, upper-cased (a-z
 *  only), equal the field's key ("ARTI", "TAG "...); a three-character word is extended
 *  by one blank, and a word of one or two characters names no field. -1 when none. */
int fieldIndexByWord(std::string_view word);

} // namespace tl
