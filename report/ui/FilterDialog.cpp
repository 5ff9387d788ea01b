#include "report/ui/FilterDialog.h"

#include "frontend/ui/LocaleText.h"
#include "locale/Settings.h"
#include "report/ReportJob.h"
#include "storage/Fieldnames.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QValidator>

namespace tl {
namespace {

// A value is kept to MaxFilterValueBytes bytes of UTF-8: longer typing is refused here, so
// that what the user sees is what is searched for.
class ValueLengthValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        return static_cast<std::size_t>(input.toUtf8().size()) <= MaxFilterValueBytes ? Acceptable
                                                                                      : Invalid;
    }
};

void fill(QComboBox* list, const QStringList& entries) {
    const int current = list->currentIndex();
    list->clear();
    list->addItems(entries);
    list->setCurrentIndex(current >= 0 && current < entries.size() ? current : 0);
}

} // namespace

FilterDialog::FilterDialog(AppContext& context, QWidget* parent)
    : QDialog(parent), m_context(context) {
    setObjectName(QStringLiteral("TfrmFilter"));
    setModal(true);

    m_lblCondition = named(new QLabel(this), "lblCondition");
    m_lstCondition = named(new QComboBox(this), "lstCondition");
    m_lblField = named(new QLabel(this), "lblField");
    m_lstField = named(new QComboBox(this), "lstField");
    m_lstOperator = named(new QComboBox(this), "lstOperator");
    m_lblValue = named(new QLabel(this), "lblValue");
    m_edtValue = named(new QLineEdit(this), "edtValue");
    m_edtValue->setMaxLength(static_cast<int>(MaxFilterValueBytes));
    m_edtValue->setValidator(new ValueLengthValidator(m_edtValue));
    m_lstField->setMaxVisibleItems(FieldChoiceCount);

    auto* buttons = new QDialogButtonBox(this);
    m_cmdOk =
        named(buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole), "cmdOk");
    m_cmdCancel = named(buttons->addButton(QString(), QDialogButtonBox::RejectRole), "cmdCancel");
    m_cmdOk->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &FilterDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &FilterDialog::reject);

    auto* grid = new QGridLayout;
    grid->addWidget(m_lblCondition, 0, 0);
    grid->addWidget(m_lstCondition, 0, 1);
    grid->addWidget(m_lblField, 1, 0);
    grid->addWidget(m_lstField, 1, 1);
    grid->addWidget(m_lstOperator, 1, 2);
    grid->addWidget(m_lblValue, 2, 0);
    grid->addWidget(m_edtValue, 2, 1, 1, 2);
    grid->setColumnStretch(1, 2);
    grid->setColumnStretch(2, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addStretch();
    layout->addWidget(buttons);

    setTabOrder(m_lstCondition, m_lstField);
    setTabOrder(m_lstField, m_lstOperator);
    setTabOrder(m_lstOperator, m_edtValue);
    setTabOrder(m_edtValue, m_cmdOk);
    setTabOrder(m_cmdOk, m_cmdCancel);
}

FilterDialog::~FilterDialog() = default;

void FilterDialog::retranslate() {
    const Locale& locale = *m_context.locale;
    setWindowTitle(localeQText(locale, "DialogFilter", "Caption"));
    m_lblCondition->setText(localeQText(locale, "DialogFilter", "Condition"));
    m_lblField->setText(localeQText(locale, "DialogFilter", "Field"));
    m_lblValue->setText(localeQText(locale, "DialogFilter", "Value"));
    m_cmdCancel->setText(localeQText(locale, "DialogCommon", "Cancel"));
    m_texts = FilterTexts::fromLocale(locale);
    fill(m_lstCondition, m_texts.connectives);
    fill(m_lstField, m_texts.fields);
    fill(m_lstOperator, m_texts.operators);

    nameControlsFromTheirTexts(this);
    nameControl(m_lblCondition, m_lstCondition);
    nameControl(m_lblField, m_lstField);
    nameControl(m_lblValue, m_edtValue);
    // The operator has no label of its own: it reads as part of the field's line.
    m_lstOperator->setAccessibleName(localeQText(locale, "DialogFilter", "Operator"));
}

void FilterDialog::load(const FilterCondition& condition, bool connectiveEnabled) {
    m_lstCondition->setCurrentIndex(static_cast<int>(condition.connective));
    m_lstField->setCurrentIndex(choiceFromField(condition.field));
    m_lstOperator->setCurrentIndex(static_cast<int>(condition.op));
    m_edtValue->setText(qText(condition.value));
    m_lstCondition->setEnabled(connectiveEnabled);
    (connectiveEnabled ? static_cast<QWidget*>(m_lstCondition) : m_lstField)->setFocus();
}

FilterCondition FilterDialog::condition() const {
    FilterCondition condition;
    condition.connective =
        static_cast<FilterConnective>(std::max(m_lstCondition->currentIndex(), 0));
    condition.field = fieldFromChoice(std::max(m_lstField->currentIndex(), 0));
    condition.op = static_cast<FilterOperator>(std::max(m_lstOperator->currentIndex(), 0));
    condition.value = stdText(m_edtValue->text());
    return condition;
}

bool FilterDialog::edit(FilterCondition& condition, bool connectiveEnabled) {
    load(condition, connectiveEnabled);
    if (exec() != QDialog::Accepted)
        return false;
    condition = this->condition();
    return true;
}

void FilterDialog::accept() {
    const FilterCondition edited = condition();
    const DateOrder dates = dateOrderOf(*m_context.settings);
    const FilterValueCheck check = checkFilterValue(edited.field, edited.value, dates);
    if (const std::optional<Message> complaint =
            filterValueMessage(edited.field, check, true, dates)) {
        Desktop& desktop = *m_context.desktop;
        const QString text = messageText(*m_context.locale, *complaint);
        const MessageIcon icon = iconOf(complaint->severity);
        // The user may mean a text that only looks wrong ("199x"); No is the safe answer.
        bool insisted = false;
        if (check == FilterValueCheck::NumberExpected)
            insisted = desktop.askYesNo(this, icon, text, false);
        else
            desktop.showMessage(this, icon, text);
        if (!insisted) {
            m_edtValue->setFocus();
            m_edtValue->selectAll();
            return;
        }
    }
    QDialog::accept();
}

} // namespace tl
