#pragma once
/**
 * @file Langutils.h
 * Collation for sorting and the text maps for searching, built from three table texts of
 * the language (case table, sort table, diacritics table) and the "ch" rule.
 *
 * A table "character" is one UTF-8 code point; a byte that is not part of a valid UTF-8
 * sequence counts as the code point of its own value. For ASCII text this is exactly the
 * one-byte rule. Pair tables are read two characters at a time; an odd last character is
 * ignored and a character listed twice takes the value of its last pair.
 */
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace tl {

/** A map from code point to code point: an array for the common (Latin, Greek, Cyrillic)
 *  code points and a small hash map for the few table entries beyond. */
class CodeMap {
public:
    /** Code points below this are held in the array. */
    static constexpr char32_t ArrayLimit = 0x800;

    /** The identity map. */
    CodeMap();
    char32_t operator[](char32_t cp) const {
        if (cp < ArrayLimit)
            return m_low[cp];
        if (m_high.empty())
            return cp;
        const auto it = m_high.find(cp);
        return it == m_high.end() ? cp : it->second;
    }
    void set(char32_t from, char32_t to);

private:
    std::array<char32_t, ArrayLimit> m_low;
    std::unordered_map<char32_t, char32_t> m_high;
};

/** The case map: A-Z to a-z, then every pair (x, y) of @p table maps x to y. */
CodeMap buildCaseMap(std::string_view table);

/** The diacritics map: the identity, then every pair (x, y) of @p table maps x to y. */
CodeMap buildDiacriticsMap(std::string_view table);

/** Replaces every character of @p text by its map entry; a character whose entry is 0 ends
 *  the text there. Characters the map leaves alone keep their bytes. */
void translateText(std::string& text, const CodeMap& map);

/** The comparison rules for sorting. */
class Collator {
public:
    /** Empty tables and the "ch" rule off: code order after folding A-Z to a-z. */
    Collator();

    /** The weight of a folded character. */
    std::uint32_t weight(char32_t folded) const {
        if (folded < CodeMap::ArrayLimit)
            return m_lowWeights[folded];
        const auto it = m_highWeights.find(folded);
        return it != m_highWeights.end() ? it->second : (m_plainOrder ? folded : 0);
    }
    const CodeMap& caseMap() const { return m_caseMap; }
    bool useCh() const { return m_useCh; }

    /** The weight of unfolded @p cp, with FoldsToC set when the "ch" rule may apply. */
    std::uint32_t directWeight(char32_t cp) const {
        if (cp < CodeMap::ArrayLimit)
            return m_direct[cp];
        const char32_t folded = m_caseMap[cp];
        return weight(folded) | (m_useCh && folded == 'c' ? FoldsToC : 0);
    }
    /** The weight of the letter "ch". */
    std::uint32_t chWeight() const { return m_chWeight; }

    /** Marks a direct weight whose character folds to "c" under the "ch" rule (weights
     *  stay far below it). */
    static constexpr std::uint32_t FoldsToC = 0x80000000u;

private:
    friend void initCollator(Collator&, std::string_view, std::string_view, bool);
    bool m_useCh = false;
    bool m_plainOrder = true; ///< no sort table: a character weighs its own code
    CodeMap m_caseMap;
    std::array<std::uint32_t, CodeMap::ArrayLimit> m_lowWeights;
    std::unordered_map<char32_t, std::uint32_t> m_highWeights;
    // Folding and weighing in one look-up for the common code points.
    std::array<std::uint32_t, CodeMap::ArrayLimit> m_direct;
    std::uint32_t m_chWeight = 0;
};

/**
 * Rebuilds @p collator. Characters of @p sortTable (written folded) weigh 1, 2, 3... in
 * order, with one weight left out after "h" when @p useCh is on: that one is the letter
 * "ch". Characters the sort table does not list weigh 0 and sort before all listed ones.
 * With an empty sort table every character weighs its own code. Weights never wrap.
 */
void initCollator(Collator& collator, std::string_view caseTable, std::string_view sortTable,
                  bool useCh);

/** The weight of the character that starts at byte @p pos of @p text; with the "ch" rule a
 *  "c" followed by "h" (after folding) weighs as the letter after "h". */
std::uint32_t collateWeight(const Collator& collator, std::string_view text, std::size_t pos);

/**
 * Negative, zero or positive as @p a sorts before, with or after @p b. Two texts of digits
 * only compare by their numeric value, whatever their length. Otherwise the texts are
 * compared character by character by weight; a text that ends first sorts first. The "ch"
 * pair is weighed at its "c", and the comparison then moves on by one character.
 */
int collateCompare(const Collator& collator, std::string_view a, std::string_view b);

/** True for a non-empty text of the digits 0 to 9 only. */
bool isDigitsOnly(std::string_view text);

} // namespace tl
