#include "report/ui/FilterTexts.h"

#include "frontend/ui/LocaleText.h"
#include "storage/Fieldnames.h"

namespace tl {
namespace {

QString entry(const QStringList& list, int index) {
    return index >= 0 && index < list.size() ? list.at(index) : QString();
}

} // namespace

FilterTexts FilterTexts::fromLocale(const Locale& locale) {
    FilterTexts texts;
    // The connective "and" is indented by two blanks, so that "or" stands out in the list.
    texts.connectives << QStringLiteral("  ") + localeQText(locale, "DialogFilter", "AND")
                      << localeQText(locale, "DialogFilter", "OR");
    for (int position = 0; position < FieldChoiceCount; ++position) {
        const int field = fieldFromChoice(position);
        const std::string key = "Field" + std::to_string(field);
        texts.fields << QStringLiteral("%1 (%2)").arg(localeQText(locale, "Fields", key),
                                                      qText(fieldName(field)));
    }
    for (const char* key : {"opBegins", "opContains", "opEqual", "opNotEqual", "opGE", "opLE"})
        texts.operators << localeQText(locale, "DialogFilter", key);
    return texts;
}

QString FilterTexts::connective(FilterConnective connective) const {
    return entry(connectives, static_cast<int>(connective));
}

QString FilterTexts::field(int field) const {
    return entry(fields, choiceFromField(field));
}

QString FilterTexts::op(FilterOperator op) const {
    return entry(operators, static_cast<int>(op));
}

} // namespace tl
