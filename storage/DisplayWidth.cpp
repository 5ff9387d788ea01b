#include "storage/DisplayWidth.h"

#include "storage/DisplayWidthTable.h"
#include "storage/Utf8.h"

#include <algorithm>
#include <iterator>
#include <vector>

namespace tl {
namespace {

template <std::size_t N> bool inTable(const displaywidth::CodePointRange (&table)[N], char32_t cp) {
    const auto* after = std::upper_bound(
        std::begin(table), std::end(table), cp,
        [](char32_t c, const displaywidth::CodePointRange& range) { return c < range.first; });
    return after != std::begin(table) && cp <= std::prev(after)->last;
}

/** One character with the marks that follow it, as the cuts treat it: the text's first
 *  piece may begin with a mark. */
struct Piece {
    std::size_t start;
    std::size_t columns;
};

/** The pieces of @p text, in order. */
std::vector<Piece> piecesOf(std::string_view text) {
    std::vector<Piece> pieces;
    for (std::size_t pos = 0, length = 0; pos < text.size(); pos += length) {
        const int width = columnWidth(utf8Decode(text, pos, &length));
        if (width == 0 && !pieces.empty())
            continue;
        pieces.push_back({pos, static_cast<std::size_t>(width)});
    }
    return pieces;
}

} // namespace

int columnWidth(char32_t cp) {
    if (cp < 0x300)
        return 1; // Latin, and the bytes that are not UTF-8
    if (inTable(displaywidth::NoColumn, cp))
        return 0;
    return inTable(displaywidth::TwoColumns, cp) ? 2 : 1;
}

std::size_t displayWidth(std::string_view text) {
    std::size_t columns = 0;
    for (std::size_t pos = 0, length = 0; pos < text.size(); pos += length)
        columns += static_cast<std::size_t>(columnWidth(utf8Decode(text, pos, &length)));
    return columns;
}

ColumnSpan columnPrefix(std::string_view text, std::size_t columns) {
    ColumnSpan span;
    for (const Piece& piece : piecesOf(text)) {
        if (span.columns + piece.columns > columns)
            return {piece.start, span.columns};
        span.columns += piece.columns;
    }
    span.bytes = text.size();
    return span;
}

ColumnSpan columnSuffix(std::string_view text, std::size_t columns) {
    const std::vector<Piece> pieces = piecesOf(text);
    ColumnSpan span;
    for (auto piece = pieces.rbegin(); piece != pieces.rend(); ++piece) {
        if (span.columns + piece->columns > columns)
            break;
        span.columns += piece->columns;
        span.bytes = text.size() - piece->start;
    }
    return span;
}

} // namespace tl
