#include "report/Filter.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using namespace tl;

namespace {

FilterCondition cond(int field, FilterOperator op, std::string value,
                     FilterConnective connective = FilterConnective::And) {
    FilterCondition c;
    c.field = field;
    c.op = op;
    c.value = std::move(value);
    c.connective = connective;
    return c;
}

Fields with(int field, std::string value) {
    Fields f = emptyRecord();
    f[static_cast<std::size_t>(field)] = std::move(value);
    return f;
}

bool passes(const FilterCondition& c, int field, const std::string& value,
            std::string_view caseTable = "", std::string_view diacritics = "",
            DateOrder order = DateOrder::DayFirst) {
    const Filter filter({c}, caseTable, diacritics, order);
    return filter.passes(with(field, value));
}

using Op = FilterOperator;

} // namespace

TEST(Filter, SingleConditionsCompareAsTheFieldKindSays) {
    struct Case {
        const char* what;
        FilterCondition condition;
        const char* recordValue;
        bool expected;
        DateOrder dates = DateOrder::DayFirst;
    };
    constexpr DateOrder monthFirst = DateOrder::MonthFirst;
    const Case cases[] = {
        {"number >= as numbers", cond(Year, Op::GreaterEqual, "1990"), "2000", true},
        {"number >= as numbers", cond(Year, Op::GreaterEqual, "1990"), "199", false},
        {"number read like atoi", cond(Year, Op::GreaterEqual, "1990"), " 1995, 1996", true},
        {"begins compares text", cond(Year, Op::Begins, "19"), "1999", true},
        {"begins compares text", cond(Year, Op::Begins, "19"), "2019", false},
        {"time <= in seconds", cond(Length, Op::LessEqual, "3:00"), "180", true},
        {"time <= in seconds", cond(Length, Op::LessEqual, "3:00"), "181", false},
        {"time contains looks for seconds", cond(Length, Op::Contains, "3:00"), "1800", true},
        {"time contains looks for seconds", cond(Length, Op::Contains, "3:00"), "3:00", false},
        {"date contains looks for the day number", cond(Date, Op::Contains, "1.5.2001"),
         "11443, 11450", true},
        {"date = as day number", cond(ScanDate, Op::Equal, "4.7.2001"), "11507", true},
        // 7/4/2001 is the 4th of July (day 11507) month first, the 7th of April day first.
        {"date read month first", cond(Date, Op::Equal, "7/4/2001"), "11507", true, monthFirst},
        {"date read day first", cond(Date, Op::Equal, "7/4/2001"), "11419", true},
        {"date read day first", cond(Date, Op::Equal, "7/4/2001"), "11507", false},
        {"date >= month first", cond(ScanDate, Op::GreaterEqual, "12/31/2001"), "11687", true,
         monthFirst},
        {"date >= month first", cond(ScanDate, Op::GreaterEqual, "12/31/2001"), "11686", false,
         monthFirst},
        {"date contains month first", cond(Date, Op::Contains, "7.4.2001"), "11507, 11600", true,
         monthFirst},
        {"case map folds A-Z", cond(Artist, Op::Contains, "ab"), "ABBA", true},
        {"contains is exact after folding", cond(Artist, Op::Contains, "AB"), "Abba", true},
        {"equal ignores a-z case", cond(Artist, Op::Equal, "abba"), "ABBA", true},
        {"not equal", cond(Artist, Op::NotEqual, "abba"), "Queen", true},
        {"text >= by codes", cond(Artist, Op::GreaterEqual, "m"), "Queen", true},
        {"text <= by codes", cond(Artist, Op::LessEqual, "m"), "Queen", false},
        {"text <= prefix sorts first", cond(Artist, Op::LessEqual, "queens"), "Queen", true},
        {"sizes beyond 32 bits", cond(Size, Op::GreaterEqual, "3000000000"), "3000000001", true},
        {"sizes beyond 32 bits", cond(Size, Op::LessEqual, "3000000000"), "4000000000", false},
        {"number field with letters compares text", cond(Track, Op::Equal, "3/12"), "3/12", true},
        {"track 3/12 reads as 3", cond(Track, Op::Equal, "3"), "3/12", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(passes(c.condition, c.condition.field, c.recordValue, "", "", c.dates),
                  c.expected)
            << c.what << ": " << c.recordValue;
}

TEST(Filter, EmptyValuesWithEachOperator) {
    struct Case {
        int field;
        Op op;
        const char* recordValue;
        bool expected;
    };
    const Case cases[] = {
        {Artist, Op::Begins, "Queen", true},   {Artist, Op::Begins, "", true},
        {Artist, Op::Contains, "Queen", true}, {Artist, Op::Contains, "", true},
        {Artist, Op::Equal, "", true},         {Artist, Op::Equal, "Queen", false},
        {Artist, Op::NotEqual, "", false},     {Artist, Op::NotEqual, "Queen", true},
        {Artist, Op::GreaterEqual, "Q", true}, {Artist, Op::LessEqual, "Q", false},
        {Artist, Op::LessEqual, "", true},     {Year, Op::Equal, "", true},
        {Year, Op::Equal, "0", true},          {Year, Op::Equal, "1999", false},
        {Year, Op::NotEqual, "1999", true},    {Year, Op::Begins, "1999", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(passes(cond(c.field, c.op, ""), c.field, c.recordValue), c.expected)
            << fieldName(c.field) << " op " << static_cast<int>(c.op) << " on '" << c.recordValue
            << "'";
}

TEST(Filter, DiacriticsTableLetsPlainLettersFindAccentedOnes) {
    // Case table: É folds to é; diacritics table: é is an e, ö an o.
    const std::string caseTable = "Éé";
    const std::string diacritics = "éeöo";
    EXPECT_TRUE(
        passes(cond(Artist, Op::Equal, "Beyonce"), Artist, "BEYONCÉ", caseTable, diacritics));
    EXPECT_TRUE(passes(cond(Artist, Op::Contains, "motorhead"), Artist, "Motörhead", caseTable,
                       diacritics));
    EXPECT_TRUE(
        passes(cond(Artist, Op::Equal, "Beyoncé"), Artist, "Beyonce", caseTable, diacritics));
    // Without the tables the accent matters.
    EXPECT_FALSE(passes(cond(Artist, Op::Equal, "Beyonce"), Artist, "Beyoncé"));
}

TEST(Filter, AndBindsTighterThanOr) {
    // P or (Q and R), with P: Artist = p, Q: Album = q, R: Genre = r.
    const Filter filter({cond(Artist, Op::Equal, "p"),
                         cond(Album, Op::Equal, "q", FilterConnective::Or),
                         cond(Genre, Op::Equal, "r", FilterConnective::And)},
                        "", "", DateOrder::DayFirst);
    for (int bits = 0; bits < 8; ++bits) {
        const bool p = bits & 1, q = bits & 2, r = bits & 4;
        Fields f = emptyRecord();
        f[Artist] = p ? "p" : "-";
        f[Album] = q ? "q" : "-";
        f[Genre] = r ? "r" : "-";
        EXPECT_EQ(filter.passes(f), p || (q && r)) << "P=" << p << " Q=" << q << " R=" << r;
    }
}

TEST(Filter, FirstConditionAlwaysJoinsWithAnd) {
    const Filter filter({cond(Artist, Op::Equal, "p", FilterConnective::Or),
                         cond(Album, Op::Equal, "q", FilterConnective::And)},
                        "", "", DateOrder::DayFirst);
    ASSERT_EQ(filter.terms().size(), 2u);
    EXPECT_EQ(filter.terms()[0].connector, FilterTerm::And);
    EXPECT_EQ(filter.terms()[0].op, Op::Equal);
    Fields onlyP = with(Artist, "p");
    EXPECT_FALSE(filter.passes(onlyP)); // p and q, not p or q
    onlyP[Album] = "q";
    EXPECT_TRUE(filter.passes(onlyP));
}

TEST(Filter, NoConditionsLetEveryRecordPass) {
    const Filter filter({}, "", "", DateOrder::DayFirst);
    EXPECT_TRUE(filter.passes(emptyRecord()));
}

TEST(Filter, PreparedTermsCarryConvertedValues) {
    const Filter filter({cond(Length, Op::GreaterEqual, "1:02:03"), cond(Year, Op::Equal, "x1"),
                         cond(Date, Op::Begins, "4.7.2001"), cond(Artist, Op::Equal, "ABC")},
                        "", "", DateOrder::DayFirst);
    const auto& t = filter.terms();
    ASSERT_EQ(t.size(), 4u);
    EXPECT_TRUE(t[0].numeric);
    EXPECT_EQ(t[0].number, 3723);
    EXPECT_EQ(t[0].value, "3723");
    EXPECT_FALSE(t[1].numeric); // not digits: compared as text
    EXPECT_EQ(t[1].value, "x1");
    EXPECT_FALSE(t[2].numeric);
    EXPECT_EQ(t[2].value, "11507");
    EXPECT_EQ(t[3].value, "abc");
}

TEST(Filter, ValuesAreCheckedByFieldKind) {
    struct Case {
        int field;
        const char* value;
        FilterValueCheck expected;
        DateOrder order = DateOrder::DayFirst;
    };
    const Case cases[] = {
        {Year, "1990", FilterValueCheck::Ok},
        {Year, "", FilterValueCheck::Ok},
        {Year, "19a", FilterValueCheck::NumberExpected},
        {Size, "-1", FilterValueCheck::NumberExpected},
        {Length, "3:00", FilterValueCheck::Ok},
        {Length, "90", FilterValueCheck::TimeExpected},
        {Length, "", FilterValueCheck::TimeExpected},
        {Date, "1.5.2001", FilterValueCheck::Ok},
        {Date, "31.4.2001", FilterValueCheck::DateExpected},
        {ScanDate, "yesterday", FilterValueCheck::DateExpected},
        {Date, "31.12.2001", FilterValueCheck::Ok},
        {Date, "31.12.2001", FilterValueCheck::DateExpected, DateOrder::MonthFirst},
        {Date, "12/31/2001", FilterValueCheck::DateExpected},
        {ScanDate, "12/31/2001", FilterValueCheck::Ok, DateOrder::MonthFirst},
        {Artist, "anything at all", FilterValueCheck::Ok},
        {Artist, "31.4.2001", FilterValueCheck::Ok, DateOrder::MonthFirst},
    };
    for (const Case& c : cases)
        EXPECT_EQ(checkFilterValue(c.field, c.value, c.order), c.expected)
            << fieldName(c.field) << " '" << c.value << "'";
}

// The complaint about a date names the chosen format and shows a date in it.
TEST(Filter, TheDateComplaintNamesTheChosenFormat) {
    for (const bool canAsk : {false, true}) {
        const auto dayFirst =
            filterValueMessage(Date, FilterValueCheck::DateExpected, canAsk, DateOrder::DayFirst);
        const auto monthFirst = filterValueMessage(ScanDate, FilterValueCheck::DateExpected, canAsk,
                                                   DateOrder::MonthFirst);
        ASSERT_TRUE(dayFirst && monthFirst);
        EXPECT_EQ(dayFirst->key, "ErrDateExpected");
        EXPECT_EQ(dayFirst->severity, Severity::Error);
        EXPECT_EQ(dayFirst->args,
                  (std::vector<MessageArg>{std::string("dd.mm.yyyy"), std::string("31.12.2001")}));
        EXPECT_EQ(monthFirst->args,
                  (std::vector<MessageArg>{std::string("mm/dd/yyyy"), std::string("12/31/2001")}));
    }
}

TEST(Filter, ConditionTextsAreRead) {
    struct Case {
        const char* text;
        ConditionParse::Error error;
        int field;
        Op op;
        const char* value;
    };
    const Case cases[] = {
        {"Artist contains ab", ConditionParse::None, Artist, Op::Contains, "ab"},
        {"year>=1990", ConditionParse::None, Year, Op::GreaterEqual, "1990"},
        {"  Length <= 3:00", ConditionParse::None, Length, Op::LessEqual, "3:00"},
        {"Comment =", ConditionParse::None, Comment, Op::Equal, ""},
        {"ARTIST BEGINS The Who", ConditionParse::None, Artist, Op::Begins, "The Who"},
        {"Genre != Rock", ConditionParse::None, Genre, Op::NotEqual, "Rock"},
        {"Title = x", ConditionParse::None, Title, Op::Equal, "x"},
        {"Title = =x", ConditionParse::None, Title, Op::Equal, "=x"},
        {"Title != <none>", ConditionParse::None, Title, Op::NotEqual, "<none>"},
        {"Year >= 1990", ConditionParse::None, Year, Op::GreaterEqual, "1990"},
        {"Year<=1990", ConditionParse::None, Year, Op::LessEqual, "1990"},
        {"Artist=(hed) p.e.", ConditionParse::None, Artist, Op::Equal, "(hed) p.e."},
        {"Artist\tContains\t x y ", ConditionParse::None, Artist, Op::Contains, "x y "},
        {"Artist contains", ConditionParse::None, Artist, Op::Contains, ""},
        {"Album begins =", ConditionParse::None, Album, Op::Begins, "="},
        {"Artist", ConditionParse::NoOperator, 0, Op::Begins, ""},
        {"Artist   ", ConditionParse::NoOperator, 0, Op::Begins, ""},
        {"Singer = x", ConditionParse::UnknownField, 0, Op::Begins, ""},
        {"= x", ConditionParse::NoField, 0, Op::Begins, ""},
    };
    for (const Case& c : cases) {
        const ConditionParse parsed = parseCondition(c.text, FilterConnective::Or);
        EXPECT_EQ(parsed.error, c.error) << c.text;
        if (c.error != ConditionParse::None) {
            EXPECT_FALSE(parsed.condition) << c.text;
            continue;
        }
        ASSERT_TRUE(parsed.condition) << c.text;
        EXPECT_EQ(parsed.condition->field, c.field) << c.text;
        EXPECT_EQ(parsed.condition->op, c.op) << c.text;
        EXPECT_EQ(parsed.condition->value, c.value) << c.text;
        EXPECT_EQ(parsed.condition->connective, FilterConnective::Or) << c.text;
    }
    EXPECT_EQ(parseCondition("Artist = " + std::string(101, 'x'), FilterConnective::And).error,
              ConditionParse::ValueTooLong);
}

TEST(Filter, OperatorsOtherThanTheSixAreRefusedWithTheWordAtFault) {
    struct Case {
        const char* text;
        const char* word;
    };
    const Case cases[] = {
        {"Artist == x", "=="},
        {"Artist ==x", "=="},
        {"Year => 1990", "=>"},
        {"Year =< 1990", "=<"},
        {"Genre <> Rock", "<>"},
        {"Year > 1990", ">"},
        {"Year < 1990", "<"},
        {"Year>1990", ">"},
        {"Artist ! x", "!"},
        {"Artist !== x", "!=="},
        {"Artist =! x", "=!"},
        {"Artist ~ x", "~"},
        {"Artist ~x", "~x"},
        {"Artist beginsX", "beginsX"},
        {"Artist begins=x", "begins=x"},
        {"Artist is x", "is"},
        {"Artist equals x", "equals"},
        {"Year 1990", "1990"},
        {"Artist \xE2\x89\xA0 x", "\xE2\x89\xA0"},
    };
    for (const Case& c : cases) {
        const ConditionParse parsed = parseCondition(c.text, FilterConnective::And);
        EXPECT_EQ(parsed.error, ConditionParse::BadOperator) << c.text;
        EXPECT_EQ(parsed.word, c.word) << c.text;
        EXPECT_FALSE(parsed.condition) << c.text;
    }
}

TEST(Filter, TwoThreadsDecideAsOneDoes) {
    // Text terms of several lengths on every record, so that each decision copies and
    // normalises fields: with one buffer shared by the threads the copies would mix.
    const Filter filter({cond(Artist, Op::Contains, "7"), cond(Album, Op::Begins, "album 1"),
                         cond(Path, Op::Equal, "music/band 12/album 1", FilterConnective::Or),
                         cond(Genre, Op::GreaterEqual, "m", FilterConnective::Or)},
                        "", "", DateOrder::DayFirst);
    std::vector<Fields> records;
    for (int i = 0; i < 20000; ++i) {
        Fields f = emptyRecord();
        f[Artist] =
            "Band " + std::to_string(i) + std::string(static_cast<std::size_t>(i % 40), '-');
        f[Album] = "Album " + std::to_string(i % 300);
        f[Path] = "Music/Band " + std::to_string(i % 50) + "/Album " + std::to_string(i % 7);
        f[Genre] = i % 3 == 0 ? "Rock" : (i % 3 == 1 ? "Jazz" : std::string(300, 'z'));
        records.push_back(std::move(f));
    }
    std::vector<char> single(records.size());
    for (std::size_t i = 0; i < records.size(); ++i)
        single[i] = filter.passes(records[i]);
    std::size_t passing = 0;
    for (const char p : single)
        passing += p;
    ASSERT_GT(passing, records.size() / 10); // both outcomes occur often
    ASSERT_LT(passing, records.size() - records.size() / 10);

    // One thread walks forwards, the other backwards, several times over.
    std::vector<char> forwards(records.size()), backwards(records.size());
    std::thread a([&] {
        for (int round = 0; round < 5; ++round)
            for (std::size_t i = 0; i < records.size(); ++i)
                forwards[i] = filter.passes(records[i]);
    });
    std::thread b([&] {
        for (int round = 0; round < 5; ++round)
            for (std::size_t i = records.size(); i-- > 0;)
                backwards[i] = filter.passes(records[i]);
    });
    a.join();
    b.join();
    EXPECT_EQ(forwards, single);
    EXPECT_EQ(backwards, single);
}
