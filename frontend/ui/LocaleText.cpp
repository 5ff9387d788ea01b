#include "frontend/ui/LocaleText.h"

namespace tl {

QString localeQText(const Locale& locale, std::string_view section, std::string_view key,
                    std::initializer_list<LocaleArg> args) {
    return qText(locale.text(section, key, args));
}

QString messageText(const Locale& locale, const Message& message) {
    return qText(localeText(locale, message));
}

MessageIcon iconOf(Severity severity) {
    switch (severity) {
    case Severity::Information:
        return MessageIcon::Information;
    case Severity::Warning:
        return MessageIcon::Warning;
    case Severity::Error:
        break;
    }
    return MessageIcon::Error;
}

void showMessage(Desktop& desktop, QWidget* parent, const Locale& locale, const Message& message) {
    desktop.showMessage(parent, iconOf(message.severity), messageText(locale, message));
}

} // namespace tl
