#include "locale/Langutils.h"

#include "locale/Locale.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using namespace tl;

namespace {

constexpr std::string_view Alphabet = "abcdefghijklmnopqrstuvwxyz";

int sign(int x) {
    return (x > 0) - (x < 0);
}

Collator makeCollator(std::string_view caseTable, std::string_view sortTable, bool useCh) {
    Collator c;
    initCollator(c, caseTable, sortTable, useCh);
    return c;
}

// The collation defaults of a delivered language file, read as the settings read them.
struct Language {
    Collator collator;
    CodeMap caseMap, diacritics;

    explicit Language(const std::string& file) {
        Locale locale;
        const char* app = std::getenv("TL_APP_DIR");
        locale.setFallbackPath(std::string(app ? app : ".") + "/" + file);
        const std::string caseTable = locale.text("General", "CaseTable");
        initCollator(collator, caseTable, locale.text("General", "sortTable"),
                     locale.text("General", "UseCH").starts_with("1"));
        caseMap = buildCaseMap(caseTable);
        diacritics = buildDiacriticsMap(locale.text("General", "diacriticsTable"));
    }
    std::string normalised(std::string text) const {
        translateText(text, caseMap);
        translateText(text, diacritics);
        return text;
    }
};

struct Order {
    const char* a;
    const char* b;
    int expected; ///< sign of collateCompare(a, b)
};

void expectOrders(const Collator& c, std::initializer_list<Order> cases) {
    for (const Order& o : cases) {
        EXPECT_EQ(sign(collateCompare(c, o.a, o.b)), o.expected) << o.a << " vs " << o.b;
        EXPECT_EQ(sign(collateCompare(c, o.b, o.a)), -o.expected) << o.b << " vs " << o.a;
    }
}

} // namespace

TEST(Langutils, EmptyTablesFoldAsciiAndCompareByCode) {
    const Collator c;
    expectOrders(c, {
                        {"apple", "Zebra", -1},
                        {"ABC", "abc", 0},
                        {"10a", "9a", -1},
                        {"", "a", -1},
                        {"", "", 0},
                        {"ab", "abc", -1},
                        {"\xC3\x89", "\xC3\xA9", -1}, // É and é differ without a case table
                    });
    EXPECT_EQ(collateCompare(c, "b", "a"), 1) << "the difference of ASCII codes";
    EXPECT_EQ(collateWeight(c, "Q", 0), static_cast<std::uint32_t>('q'));
}

TEST(Langutils, DigitOnlyTextsCompareByValueAtAnyLength) {
    const Collator c;
    expectOrders(c, {
                        {"9", "10", -1},
                        {"007", "7", 0},
                        {"0", "000", 0},
                        {"2147483648", "2147483647", 1},
                        {"99999999999999999999", "100000000000000000000", -1},
                        {"123456789012345678901234", "123456789012345678901235", -1},
                        {"000000000000000000000000000001", "2", -1},
                        {"12", "12a", -1},
                    });
    EXPECT_EQ(collateCompare(c, "10", "7"), 3);
    const struct {
        const char* text;
        bool digits;
    } cases[] = {{"", false},   {"0", true},   {"0123456789", true}, {"12a", false},
                 {" 1", false}, {"-1", false}, {"\xD9\xA1", false}};
    for (const auto& t : cases)
        EXPECT_EQ(isDigitsOnly(t.text), t.digits) << t.text;
}

TEST(Langutils, SortTableAndTheChRule) {
    const Collator withCh = makeCollator("", Alphabet, true);
    expectOrders(withCh, {{"hrad", "chata", -1},
                          {"chata", "ivan", -1},
                          {"CHATA", "chata", 0},
                          {"cz", "ch", -1},
                          {"abcz", "abch", -1},
                          {"abc", "abch", -1}});
    // A letter that folds to "c" starts the pair too.
    const Collator cedilla = makeCollator("Çc", Alphabet, true);
    expectOrders(cedilla, {{"Çhata", "chata", 0}, {"Çhata", "hrad", 1}});
    const Collator withoutCh = makeCollator("", Alphabet, false);
    expectOrders(withoutCh, {{"cesta", "chata", -1}, {"chata", "cizi", -1}});
    // Unlisted characters weigh 0 and come before every listed one.
    const Collator partial = makeCollator("", "abc", false);
    expectOrders(partial, {{"x", "a", -1}, {"x", "y", 0}, {"b", "a", 1}});
    // With an empty sort table "ch" weighs as the character after "h".
    const Collator plainCh = makeCollator("", "", true);
    EXPECT_EQ(collateWeight(plainCh, "ch", 0), static_cast<std::uint32_t>('i'));
    EXPECT_EQ(collateWeight(plainCh, "ch", 1), static_cast<std::uint32_t>('h'));
    EXPECT_EQ(collateWeight(plainCh, "c", 0), static_cast<std::uint32_t>('c'));
}

TEST(Langutils, CaseTablePairsMapTheirFirstLetterToTheSecondAndTheLastPairWins) {
    // A to a changes nothing; a small letter mapped to a capital weighs as the capital.
    const Collator toCapital = makeCollator("AabB", "", false);
    EXPECT_EQ(collateWeight(toCapital, "A", 0), static_cast<std::uint32_t>('a'));
    EXPECT_EQ(collateWeight(toCapital, "b", 0), static_cast<std::uint32_t>('B'));
    expectOrders(toCapital, {{"b", "a", -1}, {"B", "b", 1}});
    // The last pair of a character wins, and an odd last character is ignored.
    const CodeMap map = buildCaseMap("xyxzq");
    EXPECT_EQ(map['x'], U'z');
    EXPECT_EQ(map['q'], U'q');
    EXPECT_EQ(map['Q'], U'q');
}

TEST(Langutils, TablesWorkOnCodePointsAndRawBytes) {
    // Code points beyond the array (full-width letters, CJK) in every table.
    const Collator wide =
        makeCollator("\xEF\xBC\xA1\xEF\xBD\x81", "ab\xEF\xBD\x81\xE4\xB8\xAD", false);
    expectOrders(wide, {
                           {"\xEF\xBC\xA1", "\xEF\xBD\x81", 0}, // Ａ folds to ａ
                           {"b", "\xEF\xBD\x81", -1},
                           {"\xEF\xBD\x81", "\xE4\xB8\xAD", -1},
                           {"\xE6\x96\x87", "a", -1}, // unlisted 文 weighs 0
                       });
    // A byte that is not UTF-8 is the code point of its value: Latin-1 é is é.
    const Collator latin = makeCollator("", "e\xC3\xA9", false);
    expectOrders(latin, {{"\xE9", "\xC3\xA9", 0}, {"e", "\xE9", -1}});
    // Three hundred listed characters: the weights keep growing instead of wrapping.
    std::string longTable;
    for (char32_t cp = 0x100; cp < 0x100 + 300; ++cp)
        longTable +=
            std::string{static_cast<char>(0xC0 | (cp >> 6)), static_cast<char>(0x80 | (cp & 0x3F))};
    const Collator many = makeCollator("", longTable, false);
    EXPECT_EQ(collateWeight(many, longTable, longTable.size() - 2), 300u);
    EXPECT_GT(collateCompare(many, longTable.substr(longTable.size() - 2), longTable.substr(0, 2)),
              0);
}

TEST(Langutils, TranslatingMapsEveryCodePointAndAMapToNulCutsTheText) {
    const CodeMap caseMap = buildCaseMap("\xC3\x89\xC3\xA9");
    const CodeMap growing = buildDiacriticsMap("a\xC3\xA4\xC3\xB6o");
    const CodeMap cutting = buildDiacriticsMap(std::string_view("\xC3\xA9\0", 3));
    const struct {
        const CodeMap* map;
        const char* text;
        const char* expected;
    } cases[] = {
        {&caseMap,
         "\xC3\x89"
         "COLE",
         "\xC3\xA9"
         "cole"},
        {&caseMap, "plain ascii", "plain ascii"},
        {&caseMap, "Bad \xFF byte", "bad \xFF byte"},
        {&growing, "Mot\xC3\xB6rhead band",
         "Motorhe\xC3\xA4"
         "d b\xC3\xA4nd"},
        {&cutting, "Caf\xC3\xA9 au lait", "Caf"},
        {&cutting, "", ""},
    };
    for (const auto& c : cases) {
        std::string text = c.text;
        translateText(text, *c.map);
        EXPECT_EQ(text, c.expected) << c.text;
    }
}

TEST(Langutils, DeliveredTablesSortLettersInTheirAlphabetPlaces) {
    // Source text is UTF-8, like the locale files.
    const Language cs("cs.lcl");
    expectOrders(cs.collator, {
                                  {"hrad", "chata", -1},
                                  {"chata", "ivan", -1},
                                  {"Chata", "chata", 0},
                                  {"cukr", "čaj", -1},
                                  {"čaj", "dům", -1},
                                  {"rychle", "řeka", -1},
                                  {"řeka", "sýr", -1},
                                  {"zebra", "žena", -1},
                                  {"ŠUM", "šum", 0},
                                  {"1 album", "a", -1},
                              });
    EXPECT_EQ(cs.normalised("ŘÍŽ"), "riz");

    const Language en("default.lcl");
    expectOrders(en.collator, {
                                  {"Beatles", "Beyoncé", -1},
                                  {"Beyoncé", "Björk", -1},
                                  {"Beyoncé", "Cher", -1},
                                  {"Beyonce", "Beyoncé", -1},
                                  {"Édith", "édith", 0},
                                  {"edith", "Édith", -1},
                                  {"Zz Top", "Zztop", -1},
                                  {"100%", "100% pure", -1},
                              });
    EXPECT_EQ(en.normalised("MotÖrhead"), "motorhead");
    EXPECT_EQ(en.normalised("Sigur Rós"), "sigur ros");
}
