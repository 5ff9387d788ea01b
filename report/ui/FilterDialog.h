#pragma once
/**
 * @file FilterDialog.h
 * The dialog that edits one search condition: connective, field, operator and value, with
 * the value checked by the kind of the field on OK.
 */
#include "platform/ui/AppContext.h"
#include "report/Filter.h"

#include <QDialog>

namespace tl {

class FilterDialog : public QDialog {
    Q_OBJECT
public:
    explicit FilterDialog(AppContext& context, QWidget* parent = nullptr);
    ~FilterDialog() override;

    /** Sets every text from the locale and fills the three lists. */
    void retranslate();

    /** Edits @p condition modally; the connective can be chosen only when
     *  @p connectiveEnabled (not for the first condition of a list). True on OK, with
     *  @p condition changed; Cancel leaves it as it was. */
    bool edit(FilterCondition& condition, bool connectiveEnabled);

private:
    AppContext& m_context;
};

} // namespace tl
