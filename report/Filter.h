#pragma once
/**
 * @file Filter.h
 * Search conditions: a field, an operator and a value, joined by "and" and "or". The
 * conditions are prepared into terms once per report and then decide, record by record
 * while the catalogue files load, whether a record enters the report.
 *
 * "and" binds more tightly than "or": the conditions form runs joined by "and", the runs
 * are joined by "or", and a record passes when any run is wholly true.
 */
#include "locale/Message.h"
#include "report/Formatting.h"
#include "storage/Fieldnames.h"
#include "storage/RecordTable.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tl {

/** Operators as the user picks them; the numbers are the positions in the dialog's list. */
enum class FilterOperator : int {
    Begins = 0,
    Contains = 1,
    Equal = 2,
    NotEqual = 3,
    GreaterEqual = 4,
    LessEqual = 5
};

/** How a condition joins the ones before it. */
enum class FilterConnective : int { And = 0, Or = 1 };

/** A value holds at most this many bytes as typed. */
inline constexpr std::size_t MaxFilterValueBytes = 100;
/** A prepared comparison value holds at most this many bytes. */
inline constexpr std::size_t MaxTermValueBytes = 127;
/** A record's field is compared on at most this many bytes. */
inline constexpr std::size_t MaxComparedFieldBytes = 4095;

/** One condition as the user edits it. */
struct FilterCondition {
    int field = 0; ///< field index 0..23 (the dialog maps its list position with fieldFromChoice)
    FilterOperator op = FilterOperator::Begins;
    FilterConnective connective = FilterConnective::And; ///< ignored for the first condition
    std::string value;                                   ///< as typed
};

/** A prepared condition. The connector's numbers are those of the condition's connective
 *  plus 1. */
struct FilterTerm {
    enum Connector : int { And = 1, Or = 2 };
    int field = 0;
    std::string value;       ///< normalised comparison text, at most MaxTermValueBytes
    bool numeric = false;    ///< compared as numbers (else as text); never begins or contains
    std::int64_t number = 0; ///< the value as a number, for numeric terms
    FilterOperator op = FilterOperator::Begins;
    int connector = And;
};

/** What the filter dialog says about a value typed for a field. */
enum class FilterValueCheck {
    Ok,
    NumberExpected, ///< a number field with a character other than 0-9 (the user may insist)
    TimeExpected,   ///< Length with a value that is not a time
    DateExpected    ///< Date or ScanDate with a value that is not a date
};

/** Checks @p value for field @p field as the filter dialog does before it accepts it; a
 *  date is read in @p dates order. */
FilterValueCheck checkFilterValue(int field, std::string_view value, DateOrder dates);

class TextNormaliser;

/** Prepared terms with the two maps that normalise texts; the filter of a record table. */
class Filter : public RecordPredicate {
public:
    /** Prepares @p conditions, normalising values with the case map of @p caseTable and the
     *  diacritics map of @p diacriticsTable (the settings' tables) and reading dates in
     *  @p dates order (the usDate setting). */
    Filter(const std::vector<FilterCondition>& conditions, std::string_view caseTable,
           std::string_view diacriticsTable, DateOrder dates);
    ~Filter() override;
    Filter(const Filter&) = delete;
    Filter& operator=(const Filter&) = delete;

    const std::vector<FilterTerm>& terms() const { return m_terms; }

    /** Whether @p record passes. Safe to call from several threads at once. */
    bool passes(const RecordView& record) const override;
    /** The same test on a record held as text fields. */
    bool passes(const Fields& record) const;

    /** @p text normalised as values and compared fields are: the case map, then the
     *  diacritics map. */
    std::string normalise(std::string_view text) const;

private:
    template <typename FieldOf> bool decide(const FieldOf& fieldOf) const;
    bool test(const FilterTerm& term, std::string_view field) const;

    std::unique_ptr<TextNormaliser> m_normaliser;
    std::vector<FilterTerm> m_terms;
};

/** Result of reading a condition written as text. */
struct ConditionParse {
    enum Error {
        None = 0,
        NoField,      ///< the text does not begin with a field name
        UnknownField, ///< @c word names no field
        NoOperator,   ///< no operator follows the field name @c word
        BadOperator,  ///< @c word stands where an operator belongs but is none of the six
        ValueTooLong  ///< the value holds more than MaxFilterValueBytes bytes
    };
    std::optional<FilterCondition> condition;
    Error error = None;
    std::string word; ///< the word at fault
};

/** Reads a condition written as "FIELD OP VALUE" (see the grammar in Filter.cpp). */
ConditionParse parseCondition(std::string_view text, FilterConnective connective);

/** Why a condition written as text was refused (none when it was read). */
std::optional<Message> conditionMessage(const ConditionParse& parse);

/** What the filter's checks say about a value (none for FilterValueCheck::Ok). Where the
 *  user can be asked (@p canAsk, the filter dialog), a number field's complaint is a
 *  question the user may overrule; without asking (the command line) it is an error like
 *  the others. A date's complaint names the @p dates order's pattern and shows the last
 *  day of 2001 in it. */
std::optional<Message> filterValueMessage(int field, FilterValueCheck check, bool canAsk,
                                          DateOrder dates);

} // namespace tl
