#include "shell/AboutBox.h"

#include "platform/ui/WindowText.h"

namespace tl {

AboutBox::AboutBox(AppContext& context, QWidget* parent) : QDialog(parent), m_context(context) {
    setObjectName(QStringLiteral("TfrmAboutBox"));
}

AboutBox::~AboutBox() = default;

void AboutBox::retranslate() {
    setWindowTitle(localeQText(*m_context.locale, "DialogAbout", "Caption"));
}

} // namespace tl
