#pragma once
/**
 * @file FilterTexts.h
 * The entries of the three condition lists as the user reads them: the connectives, the
 * 21 fields a condition can test and the six operators. The filter dialog offers them and
 * the wizard's list of conditions shows a condition with the same words.
 */
#include "locale/Locale.h"
#include "report/Filter.h"

#include <QString>
#include <QStringList>

namespace tl {

struct FilterTexts {
    QStringList connectives; ///< "  and", "or": by FilterConnective
    QStringList fields;      ///< "Artist (Artist)": by position in the field choice list
    QStringList operators;   ///< "begins with" ...: by FilterOperator

    /** The texts of @p locale. */
    static FilterTexts fromLocale(const Locale& locale);

    QString connective(FilterConnective connective) const;
    /** The entry of field index @p field (0..23). */
    QString field(int field) const;
    QString op(FilterOperator op) const;
};

} // namespace tl
