#include "report/Filter.h"

#include "locale/Langutils.h"
#include "report/Formatting.h"
#include "storage/Text.h"
#include "storage/Utf8.h"

#include <algorithm>
#include <array>

namespace tl {

/** The two maps of a search: the case map, then the diacritics map. */
class TextNormaliser {
public:
    TextNormaliser(std::string_view caseTable, std::string_view diacriticsTable)
        : m_case(buildCaseMap(caseTable)), m_diacritics(buildDiacriticsMap(diacriticsTable)) {}

    void apply(std::string& text) const {
        translateText(text, m_case);
        translateText(text, m_diacritics);
    }

private:
    CodeMap m_case;
    CodeMap m_diacritics;
};

namespace {

bool isDigits(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

char upperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// Compares byte codes after folding a-z to upper case; a text that is a prefix of the
// other sorts first.
int compareFolded(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(upperAscii(a[i]));
        const auto y = static_cast<unsigned char>(upperAscii(b[i]));
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool startsWithFolded(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           compareFolded(text.substr(0, prefix.size()), prefix) == 0;
}

std::int64_t readLikeAtoi(std::string_view text) {
    return readDecimal(text).value_or(0);
}

} // namespace

FilterValueCheck checkFilterValue(int field, std::string_view value, DateOrder dates) {
    switch (fieldKind(field)) {
    case FieldKind::Number:
        return isDigits(value) ? FilterValueCheck::Ok : FilterValueCheck::NumberExpected;
    case FieldKind::Time:
        return parseTime(value) != 0 ? FilterValueCheck::Ok : FilterValueCheck::TimeExpected;
    case FieldKind::Date:
        return parseDate(value, dates) != 0 ? FilterValueCheck::Ok : FilterValueCheck::DateExpected;
    case FieldKind::Text:
        break;
    }
    return FilterValueCheck::Ok;
}

Filter::Filter(const std::vector<FilterCondition>& conditions, std::string_view caseTable,
               std::string_view diacriticsTable, DateOrder dates)
    : m_normaliser(std::make_unique<TextNormaliser>(caseTable, diacriticsTable)) {
    for (const FilterCondition& c : conditions) {
        FilterTerm term;
        term.field = std::clamp(c.field, 0, FieldCount - 1);
        term.op = c.op;
        term.connector = m_terms.empty() || c.connective == FilterConnective::And ? FilterTerm::And
                                                                                  : FilterTerm::Or;
        term.value = normalise(utf8Cut(c.value, MaxFilterValueBytes));
        term.value.resize(utf8CutLength(term.value, MaxTermValueBytes));

        const bool textOperator =
            c.op == FilterOperator::Begins || c.op == FilterOperator::Contains;
        switch (fieldKind(term.field)) {
        case FieldKind::Number:
            if (!textOperator && isDigits(term.value)) {
                term.numeric = true;
                term.number = readLikeAtoi(term.value);
            }
            break;
        case FieldKind::Time:
        case FieldKind::Date: {
            // Times are compared in seconds and dates as day numbers, the forms the
            // records hold; begins-with and contains look for that text.
            const std::int32_t converted = fieldKind(term.field) == FieldKind::Time
                                               ? parseTime(term.value)
                                               : parseDate(term.value, dates);
            if (converted != 0) {
                term.value = std::to_string(converted);
                if (!textOperator) {
                    term.numeric = true;
                    term.number = converted;
                }
            }
            break;
        }
        case FieldKind::Text:
            break;
        }
        m_terms.push_back(std::move(term));
    }
}

Filter::~Filter() = default;

std::string Filter::normalise(std::string_view text) const {
    std::string out(text);
    m_normaliser->apply(out);
    return out;
}

bool Filter::test(const FilterTerm& term, std::string_view field) const {
    if (term.numeric) {
        const std::int64_t n = readLikeAtoi(field);
        switch (term.op) {
        case FilterOperator::Equal:
            return n == term.number;
        case FilterOperator::NotEqual:
            return n != term.number;
        case FilterOperator::GreaterEqual:
            return n >= term.number;
        case FilterOperator::LessEqual:
            return n <= term.number;
        case FilterOperator::Begins:
        case FilterOperator::Contains:
            break; // begins-with and contains always compare text
        }
    }
    // One buffer per thread, kept from record to record: the field is copied and
    // normalised without an allocation, and two threads never share it.
    thread_local std::string normalised;
    normalised.assign(utf8Cut(field, MaxComparedFieldBytes));
    m_normaliser->apply(normalised);
    switch (term.op) {
    case FilterOperator::Begins:
        return startsWithFolded(normalised, term.value);
    case FilterOperator::Contains:
        return normalised.find(term.value) != std::string::npos;
    case FilterOperator::Equal:
        return compareFolded(normalised, term.value) == 0;
    case FilterOperator::NotEqual:
        return compareFolded(normalised, term.value) != 0;
    case FilterOperator::GreaterEqual:
        return compareFolded(normalised, term.value) >= 0;
    case FilterOperator::LessEqual:
        return compareFolded(normalised, term.value) <= 0;
    }
    return true; // an operator outside the six lets the record pass
}

template <typename FieldOf> bool Filter::decide(const FieldOf& fieldOf) const {
    bool result = true;
    for (const FilterTerm& term : m_terms) {
        if (!result && term.connector == FilterTerm::And)
            continue; // this run has already failed
        if (result && term.connector == FilterTerm::Or)
            return true; // the run before is wholly true
        result = test(term, fieldOf(term.field));
    }
    return result;
}

bool Filter::passes(const RecordView& record) const {
    return decide([&](int field) { return record.field(static_cast<std::uint32_t>(field)); });
}

bool Filter::passes(const Fields& record) const {
    return decide([&](int field) {
        return static_cast<std::size_t>(field) < record.size()
                   ? std::string_view(record[static_cast<std::size_t>(field)])
                   : std::string_view();
    });
}

// The condition language of the command line:
//
//   condition = blanks, field, blanks, operator, blanks, value ;
//   field     = letter, { letter } ;           (* a field name, any case *)
//   operator  = symbol, { symbol }             (* "=", "!=", ">=" or "<=" *)
//             | other, { any character - blank } ;  (* "begins" or "contains", any case *)
//   symbol    = "=" | "!" | "<" | ">" ;
//   other     = any character - symbol - blank ;
//   value     = { any character } ;            (* the rest, as typed; may be empty *)
//   blanks    = { " " | tab } ;
//
// "Artist contains ab", "Year>=1990", "Length <= 3:00", "Comment = " (an empty value).
// An operator is read whole before it is looked up, so a mistyped one ("==", "=>", "=<",
// "<>", "is") is refused instead of being read as a shorter operator followed by a value
// that begins with the rest; a value that begins with one of the symbols is set off by a
// blank: "Title = =x" looks for the title "=x".
ConditionParse parseCondition(std::string_view text, FilterConnective connective) {
    ConditionParse out;
    auto isLetter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    auto isSymbol = [](char c) { return c == '=' || c == '!' || c == '<' || c == '>'; };
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    const std::size_t fieldStart = i;
    while (i < text.size() && isLetter(text[i]))
        ++i;
    const std::string_view fieldWord = text.substr(fieldStart, i - fieldStart);
    if (fieldWord.empty()) {
        out.error = ConditionParse::NoField;
        return out;
    }
    const int field = fieldIndexByName(fieldWord);
    if (field < 0) {
        out.error = ConditionParse::UnknownField;
        out.word = std::string(fieldWord);
        return out;
    }
    while (i < text.size() && isBlank(text[i]))
        ++i;
    if (i == text.size()) {
        out.error = ConditionParse::NoOperator;
        out.word = std::string(fieldWord);
        return out;
    }

    // The operator is read whole, then looked up: a run of symbols, or else everything up
    // to the next blank.
    const std::size_t opStart = i;
    const bool symbols = isSymbol(text[i]);
    while (i < text.size() && !isBlank(text[i]) && (!symbols || isSymbol(text[i])))
        ++i;
    const std::string_view opWord = text.substr(opStart, i - opStart);
    struct OperatorWord {
        std::string_view text;
        FilterOperator op;
    };
    static constexpr std::array<OperatorWord, 6> operators = {{
        {"begins", FilterOperator::Begins},
        {"contains", FilterOperator::Contains},
        {"=", FilterOperator::Equal},
        {"!=", FilterOperator::NotEqual},
        {">=", FilterOperator::GreaterEqual},
        {"<=", FilterOperator::LessEqual},
    }};
    const auto found = std::find_if(operators.begin(), operators.end(), [&](const auto& o) {
        return compareFolded(opWord, o.text) == 0;
    });
    if (found == operators.end()) {
        out.error = ConditionParse::BadOperator;
        out.word = std::string(opWord);
        return out;
    }
    while (i < text.size() && isBlank(text[i]))
        ++i;
    FilterCondition c;
    c.field = field;
    c.op = found->op;
    c.connective = connective;
    c.value = std::string(text.substr(i));
    if (c.value.size() > MaxFilterValueBytes) {
        out.error = ConditionParse::ValueTooLong;
        return out;
    }
    out.condition = std::move(c);
    return out;
}

std::optional<Message> conditionMessage(const ConditionParse& parse) {
    const auto error = [](const char* key, std::vector<MessageArg> args = {}) {
        return makeMessage("Cli", key, Severity::Error, std::move(args));
    };
    switch (parse.error) {
    case ConditionParse::None:
        return std::nullopt;
    case ConditionParse::NoField:
        return error("ConditionNoField");
    case ConditionParse::UnknownField:
        return error("ConditionUnknownField", {parse.word});
    case ConditionParse::NoOperator:
        return error("ConditionNoOperator", {parse.word});
    case ConditionParse::BadOperator:
        return error("ConditionBadOperator", {parse.word});
    case ConditionParse::ValueTooLong:
        break;
    }
    return error("ConditionValueTooLong", {std::int64_t{MaxFilterValueBytes}});
}

std::optional<Message> filterValueMessage(int field, FilterValueCheck check, bool canAsk,
                                          DateOrder dates) {
    switch (check) {
    case FilterValueCheck::Ok:
        return std::nullopt;
    case FilterValueCheck::NumberExpected:
        if (canAsk)
            return makeMessage("DialogFilter", "ErrNumberExpected", Severity::Warning);
        return makeMessage("Cli", "ConditionNumberExpected", Severity::Error,
                           {std::string(fieldName(field))});
    case FilterValueCheck::TimeExpected:
        return makeMessage("DialogFilter", "ErrTimeExpected", Severity::Error);
    case FilterValueCheck::DateExpected:
        break;
    }
    const std::int32_t example = dayNumber(2001, 12, 31); // 31 is no month: shows the order
    return makeMessage(
        "DialogFilter", "ErrDateExpected", Severity::Error,
        {std::string(datePattern(dates)), formatDate(example, dates == DateOrder::MonthFirst)});
}

} // namespace tl
