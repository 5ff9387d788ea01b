#pragma once
/**
 * @file FilterDialog.h
 * The dialog that edits one search condition: connective, field, operator and value, with
 * the value checked by the kind of the field on OK.
 */
#include "platform/ui/AppContext.h"
#include "report/Filter.h"
#include "report/ui/FilterTexts.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tl {

class FilterDialog : public QDialog {
    Q_OBJECT
public:
    explicit FilterDialog(AppContext& context, QWidget* parent = nullptr);
    ~FilterDialog() override;

    /** Sets every text from the locale and fills the three lists. */
    void retranslate();
    /** The list entries of the current language. */
    const FilterTexts& texts() const { return m_texts; }

    /** Edits @p condition modally; the connective can be chosen only when
     *  @p connectiveEnabled (not for the first condition of a list). True on OK, with
     *  @p condition changed; Cancel leaves it as it was. */
    bool edit(FilterCondition& condition, bool connectiveEnabled);

    /** Shows @p condition in the controls (the steps of edit() before the dialog is
     *  shown). */
    void load(const FilterCondition& condition, bool connectiveEnabled);
    /** The condition the controls hold. */
    FilterCondition condition() const;

public Q_SLOTS:
    /** OK: checks the value by the kind of the field; a complaint keeps the dialog open,
     *  except where the user insists on a number field's value. */
    void accept() override;

private:
    AppContext& m_context;
    FilterTexts m_texts;
    QLabel* m_lblCondition;
    QComboBox* m_lstCondition;
    QLabel* m_lblField;
    QComboBox* m_lstField;
    QComboBox* m_lstOperator;
    QLabel* m_lblValue;
    QLineEdit* m_edtValue;
    QPushButton* m_cmdOk;
    QPushButton* m_cmdCancel;
};

} // namespace tl
