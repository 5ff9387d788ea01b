#pragma once
/**
 * @file LocaleText.h
 * The locale's texts and the core's messages in the windows: as window texts, and as
 * message boxes with the icon of their severity.
 */
#include "locale/Locale.h"
#include "locale/Message.h"
#include "platform/ui/Desktop.h"
#include "platform/ui/WindowText.h"

#include <QString>

#include <string_view>

class QWidget;

namespace tl {

/** The locale text of @p key in @p section as a window text. */
QString localeQText(const Locale& locale, std::string_view section, std::string_view key,
                    std::initializer_list<LocaleArg> args = {});
/** The text of a core message. */
QString messageText(const Locale& locale, const Message& message);

/** The message box icon of a severity. */
MessageIcon iconOf(Severity severity);
/** Shows @p message in a message box with the icon of its severity. */
void showMessage(Desktop& desktop, QWidget* parent, const Locale& locale, const Message& message);

} // namespace tl
