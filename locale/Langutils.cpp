#include "locale/Langutils.h"

#include "storage/Utf8.h"

#include <algorithm>
#include <cstring>

namespace tl {
namespace {

// The character at pos and its length; ASCII without a call.
inline char32_t decodeAt(std::string_view text, std::size_t pos, std::size_t* length) {
    const auto b = static_cast<unsigned char>(text[pos]);
    if (b < 0x80) {
        *length = 1;
        return b;
    }
    return utf8Decode(text, pos, length);
}

// Calls f(x, y) for every complete pair of characters of a pair table.
template <typename F> void forEachPair(std::string_view table, F f) {
    std::size_t pos = 0, length = 0;
    while (pos < table.size()) {
        const char32_t x = decodeAt(table, pos, &length);
        pos += length;
        if (pos >= table.size())
            break;
        const char32_t y = decodeAt(table, pos, &length);
        pos += length;
        f(x, y);
    }
}

// Numeric order of two digit-only texts of any length.
int compareDigits(std::string_view a, std::string_view b) {
    a.remove_prefix(std::min(a.find_first_not_of('0'), a.size()));
    b.remove_prefix(std::min(b.find_first_not_of('0'), b.size()));
    if (a.size() <= 9 && b.size() <= 9) {
        // Small enough for the plain difference of the two values.
        int x = 0, y = 0;
        for (char c : a)
            x = x * 10 + (c - '0');
        for (char c : b)
            y = y * 10 + (c - '0');
        return x - y;
    }
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    const int order = a.compare(b);
    return (order > 0) - (order < 0);
}

} // namespace

namespace {

// Filled once; every map and plain weight table starts as a copy of it.
const std::array<char32_t, CodeMap::ArrayLimit>& identity() {
    static const auto table = [] {
        std::array<char32_t, CodeMap::ArrayLimit> t{};
        for (char32_t i = 0; i < CodeMap::ArrayLimit; ++i)
            t[i] = i;
        return t;
    }();
    return table;
}

} // namespace

CodeMap::CodeMap() : m_low(identity()) {}

void CodeMap::set(char32_t from, char32_t to) {
    if (from < ArrayLimit)
        m_low[from] = to;
    else
        m_high[from] = to;
}

CodeMap buildCaseMap(std::string_view table) {
    CodeMap map;
    for (char32_t c = 'A'; c <= 'Z'; ++c)
        map.set(c, c - 'A' + 'a');
    forEachPair(table, [&map](char32_t x, char32_t y) { map.set(x, y); });
    return map;
}

CodeMap buildDiacriticsMap(std::string_view table) {
    CodeMap map;
    forEachPair(table, [&map](char32_t x, char32_t y) { map.set(x, y); });
    return map;
}

void translateText(std::string& text, const CodeMap& map) {
    // In place while characters keep their length (always so for ASCII mapped to ASCII);
    // from the first one that does not, into a new text.
    std::size_t pos = 0, length = 0;
    while (pos < text.size()) {
        const char32_t cp = decodeAt(text, pos, &length);
        const char32_t to = map[cp];
        if (to == 0) {
            text.resize(pos);
            return;
        }
        if (to != cp) {
            if (cp >= 0x80 || to >= 0x80)
                break;
            text[pos] = static_cast<char>(to);
        }
        pos += length;
    }
    if (pos >= text.size())
        return;
    std::string out(text, 0, pos);
    while (pos < text.size()) {
        const char32_t cp = decodeAt(text, pos, &length);
        const char32_t to = map[cp];
        if (to == 0)
            break;
        if (to == cp)
            out.append(text, pos, length);
        else
            utf8Append(out, to);
        pos += length;
    }
    text = std::move(out);
}

Collator::Collator() {
    initCollator(*this, {}, {}, false);
}

void initCollator(Collator& c, std::string_view caseTable, std::string_view sortTable, bool useCh) {
    c.m_useCh = useCh;
    c.m_caseMap = buildCaseMap(caseTable);
    c.m_highWeights.clear();
    c.m_plainOrder = sortTable.empty();
    static_assert(sizeof(char32_t) == sizeof(std::uint32_t));
    if (c.m_plainOrder)
        std::memcpy(c.m_lowWeights.data(), identity().data(), sizeof c.m_lowWeights);
    else
        c.m_lowWeights.fill(0);
    std::uint32_t k = 1;
    std::size_t pos = 0, length = 0;
    while (pos < sortTable.size()) {
        const char32_t ch = decodeAt(sortTable, pos, &length);
        pos += length;
        if (ch < CodeMap::ArrayLimit)
            c.m_lowWeights[ch] = k;
        else
            c.m_highWeights[ch] = k;
        k += useCh && ch == 'h' ? 2 : 1;
    }
    for (char32_t cp = 0; cp < CodeMap::ArrayLimit; ++cp) {
        const char32_t folded = c.m_caseMap[cp];
        c.m_direct[cp] = c.weight(folded) | (useCh && folded == 'c' ? Collator::FoldsToC : 0);
    }
    c.m_chWeight = c.weight('h') + 1;
}

namespace {

// The weight at pos and the length of the character there.
inline std::uint32_t weighAt(const Collator& collator, std::string_view text, std::size_t pos,
                             std::size_t* length) {
    const std::uint32_t direct = collator.directWeight(decodeAt(text, pos, length));
    if (!(direct & Collator::FoldsToC))
        return direct;
    if (pos + *length < text.size()) {
        std::size_t next = 0;
        if (collator.caseMap()[decodeAt(text, pos + *length, &next)] == 'h')
            return collator.chWeight();
    }
    return direct & ~Collator::FoldsToC;
}

} // namespace

std::uint32_t collateWeight(const Collator& collator, std::string_view text, std::size_t pos) {
    std::size_t length = 0;
    return pos < text.size() ? weighAt(collator, text, pos, &length) : 0;
}

int collateCompare(const Collator& collator, std::string_view a, std::string_view b) {
    if (isDigitsOnly(a) && isDigitsOnly(b))
        return compareDigits(a, b);
    // Equal ASCII characters weigh the same unless the "ch" rule may look beyond them.
    std::size_t i = 0;
    const std::size_t common = std::min(a.size(), b.size());
    while (i < common && a[i] == b[i] && static_cast<unsigned char>(a[i]) < 0x80 &&
           !(collator.directWeight(static_cast<unsigned char>(a[i])) & Collator::FoldsToC))
        ++i;
    std::size_t j = i, la = 0, lb = 0;
    while (i < a.size() && j < b.size()) {
        // Weights stay far below 2^31, so their difference is exact.
        const std::uint32_t wa = weighAt(collator, a, i, &la);
        const std::uint32_t wb = weighAt(collator, b, j, &lb);
        if (wa != wb)
            return static_cast<int>(wa) - static_cast<int>(wb);
        i += la;
        j += lb;
    }
    return i >= a.size() ? (j >= b.size() ? 0 : -1) : 1;
}

bool isDigitsOnly(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace tl
