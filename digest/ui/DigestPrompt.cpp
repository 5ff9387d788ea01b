#include "digest/ui/DigestPrompt.h"

#include "platform/ui/WindowText.h"

namespace tl {

DigestPrompt::DigestPrompt(AppContext& context, QWidget* parent)
    : QDialog(parent), m_context(context) {
    setObjectName(QStringLiteral("TfrmDigestPrompt"));
}

DigestPrompt::~DigestPrompt() = default;

void DigestPrompt::retranslate() {
    setWindowTitle(localeQText(*m_context.locale, "DialogDigestPrompt", "Caption"));
}

void DigestPrompt::setAutoComplete(bool on) {
    m_autoComplete = on;
}

bool DigestPrompt::autoComplete() const {
    return m_autoComplete;
}

AlbumAnswer DigestPrompt::confirm(const Fields&) {
    return {std::nullopt, false};
}

} // namespace tl
