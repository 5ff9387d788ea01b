#include "report/TemplateBlock.h"

#include "storage/DisplayWidth.h"
#include "storage/Text.h"
#include "storage/Utf8.h"

#include <cstdio>

namespace tl {
namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isUpper(char c) {
    return c >= 'A' && c <= 'Z';
}
bool isLower(char c) {
    return c >= 'a' && c <= 'z';
}

// Splits at runs of blanks into at most maxWords words; the rest is ignored.
std::vector<std::string_view> splitWords(std::string_view text, std::size_t maxWords) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (words.size() < maxWords) {
        while (i < text.size() && isBlank(text[i]))
            ++i;
        if (i == text.size())
            break;
        const std::size_t start = i;
        while (i < text.size() && !isBlank(text[i]))
            ++i;
        words.push_back(text.substr(start, i - start));
    }
    return words;
}

std::string padded(std::string_view text, std::size_t length, std::size_t width, bool right) {
    const std::string blanks(width > length ? width - length : 0, ' ');
    return right ? blanks + std::string(text) : std::string(text) + blanks;
}

// Appends to a block's text, never beyond MaxBlockBytes: a piece that does not fit is cut
// at a character boundary, and nothing after a cut is taken, so no later short piece
// slips in behind a cut-off character.
class BlockText {
public:
    explicit BlockText(std::string& out) : m_out(out) { m_out.clear(); }

    void append(std::string_view piece) {
        if (m_full)
            return;
        const std::size_t room = MaxBlockBytes - m_out.size();
        if (piece.size() > room) {
            piece = utf8Cut(piece, room);
            m_full = true;
        }
        m_out.append(piece);
    }
    /** After "%i" has written and cleared the text, the limit counts afresh. */
    void restartIfCleared() {
        if (m_out.empty())
            m_full = false;
    }
    std::string& text() { return m_out; }

private:
    std::string& m_out;
    bool m_full = false;
};

// @p text as one field of a comma-separated file.
std::string csvField(std::string_view text) {
    std::string field;
    field.reserve(text.size() + 2);
    field += '"';
    for (const char c : text) {
        if (c == '"')
            field += '"';
        field += c;
    }
    field += '"';
    return field;
}

std::string decimal(std::int64_t value) {
    return std::to_string(value);
}

// The four-character key by which fields and modifiers are matched: a-z upper-cased, a
// three-character word extended by a blank; empty for a shorter word, which matches
// nothing.
std::string wordKey(std::string_view word) {
    if (word.size() < 3)
        return {};
    std::string key(word.substr(0, 4));
    if (key.size() == 3)
        key += ' ';
    for (char& c : key)
        if (isLower(c))
            c = static_cast<char>(c - 'a' + 'A');
    return key;
}

} // namespace

int fieldIndexByWord(std::string_view word) {
    const std::string key = wordKey(word);
    if (key.empty())
        return -1;
    for (int i = 0; i < FieldCount; ++i) {
        // The key of a field is the first four letters of its name, upper-cased, a
        // three-letter name ("Tag") extended by a blank.
        if (wordKey(fieldName(i)) == key)
            return i;
    }
    return -1;
}

TemplateBlock::TemplateBlock(std::string name, std::string text)
    : m_name(std::move(name)), m_text(std::move(text)) {
    parse();
}

/*
 * The block grammar. The parse keeps everything before the first fault, so expanding
 * behaves as a left-to-right walk that stops at the fault.
 *
 *   block       = { literal | percent } ;
 *   percent     = "%%"                           (* one "%" *)
 *               | "%" lower                      (* special variable (below); others as written *)
 *               | "%" upper { char - "%" } "%"   (* placeholder; unclosed: end-of-line fault *)
 *               | "%" other                      (* both characters as written *)
 *               | "%" end ;                      (* "%" *)
 *   placeholder = fieldword { blanks modifier } ;   (* at most 100 words *)
 *   modifier    = "LEFT"... | "RIGH"... | "PAD" | "VAR" | "NOMA"... | "CSV"
 *               | "TIME"... | "LTIM"... | "DATE"... | "USDA"... | "BYTE"... | width ;
 *   width       = digit { digit } ;               (* value of the first four digits *)
 *
 * "..." marks a word matched by its first four characters (a-z upper-cased); "PAD", "VAR"
 * and "CSV" are matched as exactly three letters.
 *
 * A cell is made in this order: the field's value; its format (TIME...); its layout
 * (width, alignment, padding, the truncation mark or the various-text), which counts the
 * characters of the value alone; with CSV, the laid-out value as one field of a
 * comma-separated file: every '"' doubled and the whole in '"', so that commas,
 * semicolons, quotes and line breaks stay inside the field ('""' for an empty value); and
 * last, with HTMLEncode, the HTML encoding of the cell, or EmptyCell for a cell that is
 * empty (a CSV cell never is). A CSV cell may so hold up to twice MaxCellBytes and two
 * bytes more: a cut there would break the field.
 */
void TemplateBlock::parse() {
    const std::string_view text = m_text;
    std::size_t literalStart = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] != '%') {
            ++i;
            continue;
        }
        addLiteral(text.substr(literalStart, i - literalStart));
        if (i + 1 == text.size()) { // a "%" that ends the block
            literalStart = i;
            break;
        }
        const char next = text[i + 1];
        if (next == '%') {
            addLiteral("%");
            i += 2;
            literalStart = i;
        } else if (isLower(next)) {
            m_ops.push_back({OpKind::Special, {}, next, {}});
            i += 2;
            literalStart = i;
        } else if (isUpper(next)) {
            const std::size_t start = i + 1;
            const std::size_t close = text.find('%', start);
            if (close == std::string_view::npos) {
                m_fault = ExpandStatus::EolError;
                m_faultPosition = text.size();
                return;
            }
            if (!parsePlaceholder(text.substr(start, close - start), start))
                return;
            i = close + 1;
            literalStart = i;
        } else {
            // "%" and anything else: both stay as written, as part of the literal run.
            literalStart = i;
            i += 2;
        }
    }
    addLiteral(text.substr(literalStart));
}

bool TemplateBlock::parsePlaceholder(std::string_view text, std::size_t position) {
    const auto words = splitWords(text, MaxPlaceholderWords);
    // The text starts with an upper-case letter, so there is a first word.
    const std::string_view fieldWord = words.front();
    Placeholder cell;
    cell.field = fieldIndexByWord(fieldWord);
    const auto fail = [&](std::string detail) {
        m_fault = ExpandStatus::FieldError;
        m_faultDetail = std::move(detail);
        m_faultPosition = position;
        return false;
    };
    if (cell.field < 0)
        return fail(":" + std::string(fieldWord));
    for (std::size_t w = 1; w < words.size(); ++w) {
        const std::string_view word = words[w];
        const auto bad = [&] {
            return fail(":" + std::string(fieldWord) + "=>" + std::string(word));
        };
        if (isDigit(word.front())) {
            for (const char c : word)
                if (!isDigit(c))
                    return bad();
            cell.width = 0;
            for (const char c : word.substr(0, 4))
                cell.width = cell.width * 10 + static_cast<std::size_t>(c - '0');
            continue;
        }
        const std::string key = wordKey(word);
        if (key == "LEFT")
            cell.right = false;
        else if (key == "RIGH")
            cell.right = true;
        else if (key == "PAD ")
            cell.pad = true;
        else if (key == "VAR ")
            cell.various = true;
        else if (key == "NOMA")
            cell.noMark = true;
        else if (key == "CSV ")
            cell.csv = true;
        else if (key == "TIME")
            cell.format = Format::Time;
        else if (key == "LTIM")
            cell.format = Format::LongTime;
        else if (key == "DATE")
            cell.format = Format::Date;
        else if (key == "USDA")
            cell.format = Format::UsDate;
        else if (key == "BYTE")
            cell.format = Format::Bytes;
        else
            return bad();
    }
    m_ops.push_back({OpKind::Cell, {}, 0, cell});
    return true;
}

void TemplateBlock::addLiteral(std::string_view text) {
    if (text.empty())
        return;
    if (!m_ops.empty() && m_ops.back().kind == OpKind::Literal)
        m_ops.back().literal.append(text);
    else
        m_ops.push_back({OpKind::Literal, std::string(text), 0, {}});
}

ExpandResult TemplateBlock::expand(BlockContext& context, const CellOptions& cells,
                                   std::string& out) const {
    BlockText block(out);
    std::string piece;
    for (const Op& op : m_ops) {
        switch (op.kind) {
        case OpKind::Literal:
            block.append(op.literal);
            break;
        case OpKind::Special:
            if (op.letter == 'i') {
                if (!context.include(block.text()))
                    return {ExpandStatus::IncludeFailed, m_name, 0};
                block.restartIfCleared();
                break;
            }
            piece.clear();
            writeSpecial(op.letter, context, piece);
            block.append(piece);
            break;
        case OpKind::Cell: {
            const std::string cell = renderCell(op.cell, context);
            if (!cells.htmlEncode) {
                block.append(cell);
            } else if (cell.empty()) {
                block.append(cells.emptyCell);
            } else {
                piece.clear();
                htmlEncode(cell, piece);
                block.append(piece);
            }
            break;
        }
        }
    }
    if (m_fault == ExpandStatus::Ok)
        return {};
    const std::string detail = m_name + m_faultDetail;
    return {m_fault, std::string(utf8Cut(detail, MaxDetailBytes)), m_faultPosition};
}

std::string TemplateBlock::renderCell(const Placeholder& cell, BlockContext& context) const {
    std::string value = context.field(cell.field);
    if (cell.format != Format::None) {
        const auto number = readDecimal(value);
        if (number && *number != -1) {
            const auto low = static_cast<std::int32_t>(*number);
            switch (cell.format) {
            case Format::Time:
                value = formatTime(low, false);
                break;
            case Format::LongTime:
                value = formatTime(low, true);
                break;
            case Format::Date:
                value = formatDate(low, false);
                break;
            case Format::UsDate:
                value = formatDate(low, true);
                break;
            case Format::Bytes:
                value = formatSize(*number);
                break;
            case Format::None:
                break;
            }
        }
    }

    // Widths count display columns, so fixed-width reports line up with accented and East
    // Asian names alike. A cut that leaves a column free, where a wide character did not
    // fit, fills it with a blank: a cut cell is always as wide as its width.
    const std::size_t length = displayWidth(value);
    const std::size_t width = cell.width == 0 ? length : cell.width;
    const auto blanks = [](std::size_t n) { return std::string(n, ' '); };
    std::string laid;
    if (length > width && cell.various) {
        const std::string various = context.variousText();
        const std::size_t variousLength = displayWidth(various);
        if (cell.pad && width > variousLength) {
            laid = padded(various, variousLength, width, cell.right);
        } else if (variousLength > width) {
            const ColumnSpan kept = columnPrefix(various, width);
            laid = various.substr(0, kept.bytes) + blanks(width - kept.columns);
        } else {
            laid = various;
        }
    } else if (length > width && cell.right) {
        const std::size_t room = cell.noMark ? width : width - 1;
        const ColumnSpan kept = columnSuffix(value, room);
        laid = (cell.noMark ? "" : "<") + blanks(room - kept.columns) +
               value.substr(value.size() - kept.bytes);
    } else if (length > width) {
        const std::size_t room = cell.noMark ? width : width - 1;
        const ColumnSpan kept = columnPrefix(value, room);
        laid = value.substr(0, kept.bytes) + blanks(room - kept.columns) + (cell.noMark ? "" : ">");
    } else if (length < width && cell.pad) {
        laid = padded(value, length, width, cell.right);
    } else {
        laid = std::move(value);
    }
    if (laid.size() > MaxCellBytes)
        laid.resize(utf8CutLength(laid, MaxCellBytes));
    return cell.csv ? csvField(laid) : laid;
}

/*
 * The special variables:
 *
 *   %n  line break              %r  report item number     %l  group item number
 *   %g  group number            %o  Odd/Even by the report %e  Odd/Even by the group
 *   %i  the include file        %f  report name, no folder or extension
 *   %d  root of the current volume's mount (or the default drive)
 *   %m  "true" when the current volume is mounted, else "false"
 *   %t  today, d.m.yyyy         %u  today, m/d/yyyy        %v  program name and version
 *   %c  records of the current group (known at its start)
 *   %p  the current group's records as a whole percentage of the largest group's, 1 to 100
 *       within a group: `style="width:%p%%"` draws a bar to scale
 *
 * The current group is the one begun most recently; before the first, %c and %p give 0.
 */
void TemplateBlock::writeSpecial(char letter, BlockContext& context, std::string& piece) const {
    const BlockCounters count = context.counters();
    switch (letter) {
    case 'n':
        piece = "\n";
        break;
    case 'r':
        piece = decimal(count.reportItem);
        break;
    case 'l':
        piece = decimal(count.groupItem);
        break;
    case 'g':
        piece = decimal(count.groupNumber);
        break;
    case 'o': // the first item of the report is odd
        piece = (std::int64_t{count.itemCount} + 1) % 2 != 0 ? "Odd" : "Even";
        break;
    case 'e': // counted from the group item number, so a group's first item is even
        piece = (std::int64_t{count.groupItem} + 1) % 2 != 0 ? "Odd" : "Even";
        break;
    case 'f': {
        const std::string path = context.reportPath();
        const std::string_view name = fileNameOf(path);
        const std::size_t dot = name.rfind('.');
        if (dot != std::string::npos)
            piece = name.substr(0, dot);
        break;
    }
    case 'd': {
        // A network volume's record keeps its whole path: it has no drive of its own.
        if (context.currentField(Path).starts_with('/'))
            break;
        const DriveEntry* drive = findVolumeDrive(context.drives(), context.currentField(VolSerial),
                                                  context.currentField(VolName));
        piece = drive ? drive->root : context.defaultDrive();
        if (piece.empty() || piece.back() != '/')
            piece += '/';
        break;
    }
    case 'm':
        piece = findVolumeDrive(context.drives(), context.currentField(VolSerial),
                                context.currentField(VolName))
                    ? "true"
                    : "false";
        break;
    case 't':
    case 'u': {
        const CivilDate today = context.today();
        char buffer[48];
        if (letter == 't')
            std::snprintf(buffer, sizeof buffer, "%d.%d.%d", today.day, today.month, today.year);
        else
            std::snprintf(buffer, sizeof buffer, "%d/%d/%d", today.month, today.day, today.year);
        piece = buffer;
        break;
    }
    case 'v':
        piece = ProgramNameAndVersion;
        break;
    case 'c':
        piece = decimal(count.groupRecords);
        break;
    case 'p':
        piece = decimal(count.groupShare);
        break;
    default: // not a variable: written as it stands
        piece = {'%', letter};
    }
}

std::int32_t groupSharePercent(std::int64_t records, std::int64_t largest) {
    if (records <= 0 || largest <= 0)
        return 0;
    if (records >= largest)
        return 100;
    // records < largest, so 200 * records stays far from overflow for any table in memory.
    const std::int64_t nearest = (200 * records + largest) / (2 * largest);
    return static_cast<std::int32_t>(nearest < 1 ? 1 : nearest);
}

bool PlainBlockContext::include(std::string& textSoFar) {
    if (!hasInclude)
        return true;
    written += textSoFar;
    written += includeData;
    textSoFar.clear();
    return true;
}

std::string PlainBlockContext::slot(const Fields& fields, int index) {
    return index >= 0 && static_cast<std::size_t>(index) < fields.size() ? fields[index]
                                                                         : std::string();
}

} // namespace tl
