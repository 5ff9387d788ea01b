#include "locale/ui/OptionsDialog.h"

#include "platform/ui/WindowText.h"

namespace tl {

OptionsDialog::OptionsDialog(AppContext& context, QWidget* parent)
    : QDialog(parent), m_context(context) {
    setObjectName(QStringLiteral("TfrmOptions"));
}

OptionsDialog::~OptionsDialog() = default;

void OptionsDialog::retranslate() {
    setWindowTitle(localeQText(*m_context.locale, "DialogOptions", "Caption"));
}

int OptionsDialog::run() {
    return QDialog::Rejected;
}

} // namespace tl
