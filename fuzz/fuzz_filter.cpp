// Fuzzes the condition language and the filter: the input's first line is a condition as
// the command line takes it, the next line the case table, the next the diacritics table,
// and the rest the record's fields, one per line. Any input must parse or be refused,
// prepare and decide without reading outside its data.
#include "report/Filter.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    auto nextLine = [&input] {
        const std::size_t eol = input.find('\n');
        const std::string_view line = input.substr(0, eol);
        input = eol == std::string_view::npos ? std::string_view() : input.substr(eol + 1);
        return line;
    };
    const std::string_view conditionText = nextLine();
    const std::string_view caseTable = nextLine();
    const std::string_view diacritics = nextLine();
    tl::Fields record = tl::emptyRecord();
    for (std::size_t i = 0; i < record.size() && !input.empty(); ++i)
        record[i] = std::string(nextLine());

    const tl::ConditionParse parsed = tl::parseCondition(conditionText, tl::FilterConnective::Or);
    if (!parsed.condition)
        return 0;
    const tl::DateOrder dates = size % 2 ? tl::DateOrder::MonthFirst : tl::DateOrder::DayFirst;
    tl::checkFilterValue(parsed.condition->field, parsed.condition->value, dates);
    tl::FilterCondition second = *parsed.condition;
    second.op = static_cast<tl::FilterOperator>((static_cast<int>(second.op) + 1) % 6);
    const tl::Filter filter({*parsed.condition, second}, caseTable, diacritics, dates);
    filter.passes(record);
    return 0;
}
