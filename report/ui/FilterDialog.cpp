#include "report/ui/FilterDialog.h"

#include "platform/ui/WindowText.h"

namespace tl {

FilterDialog::FilterDialog(AppContext& context, QWidget* parent)
    : QDialog(parent), m_context(context) {
    setObjectName(QStringLiteral("TfrmFilter"));
}

FilterDialog::~FilterDialog() = default;

void FilterDialog::retranslate() {
    setWindowTitle(localeQText(*m_context.locale, "DialogFilter", "Caption"));
}

bool FilterDialog::edit(FilterCondition&, bool) {
    return false;
}

} // namespace tl
