#include "scan/ui/ScanWindow.h"

#include "platform/ui/WindowText.h"

namespace tl {

ScanWindow::ScanWindow(AppContext& context, QWidget* parent) : QDialog(parent), m_context(context) {
    setObjectName(QStringLiteral("TfrmScan"));
    setWindowTitle(QStringLiteral("Tunelister"));
}

ScanWindow::~ScanWindow() = default;

void ScanWindow::retranslate() {}

void ScanWindow::applySettings(const Settings&) {}

int ScanWindow::startScan(const QString&, const QString&, const QString&) {
    return QDialog::Rejected;
}

} // namespace tl
