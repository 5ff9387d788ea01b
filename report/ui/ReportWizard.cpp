#include "report/ui/ReportWizard.h"

#include "platform/ui/WindowText.h"

namespace tl {

ReportWizard::ReportWizard(AppContext& context, QWidget* parent)
    : QDialog(parent), m_context(context) {
    setObjectName(QStringLiteral("TfrmReportWizard"));
}

ReportWizard::~ReportWizard() = default;

void ReportWizard::retranslate() {
    setWindowTitle(localeQText(*m_context.locale, "DialogReportWizard", "Caption"));
}

void ReportWizard::applySettings(const Settings&) {}

int ReportWizard::run(bool) {
    return QDialog::Rejected;
}

} // namespace tl
