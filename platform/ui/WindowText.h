#pragma once
/**
 * @file WindowText.h
 * Between the core's UTF-8 texts and the windows' QStrings: locale texts and messages as
 * window texts, message boxes for the core's messages, file names as the file system gives
 * them, and the accessible names that let screen readers and desktop automation find every
 * control.
 */
#include "locale/Locale.h"
#include "locale/Message.h"
#include "platform/ui/Desktop.h"

#include <QString>

#include <string>
#include <string_view>

class QLabel;
class QWidget;

namespace tl {

/** A UTF-8 text of the core as a window text. */
inline QString qText(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}
/** A window text as the core's UTF-8. */
inline std::string stdText(const QString& text) {
    return text.toStdString();
}
/** A path as the file system gives it (bytes) as a window text, and back. */
QString pathText(const std::string& path);
std::string pathBytes(const QString& path);

/** The locale text of @p key in @p section as a window text. */
QString localeQText(const Locale& locale, std::string_view section, std::string_view key,
                    std::initializer_list<LocaleArg> args = {});
/** The text of a core message. */
QString messageText(const Locale& locale, const Message& message);

/** The message box icon of a severity. */
MessageIcon iconOf(Severity severity);
/** Shows @p message in a message box with the icon of its severity. */
void showMessage(Desktop& desktop, QWidget* parent, const Locale& locale, const Message& message);

/** Makes @p label the visible name of @p control: its buddy (so its mnemonic focuses the
 *  control) and, without the mnemonic's "&", the control's accessible name. */
void nameControl(QLabel* label, QWidget* control);

/** Gives every button, check box, label and group box below @p window its visible text
 *  (without "&") as accessible name; call after a window's texts change. Controls without
 *  a text of their own need nameControl() or an explicit accessible name. */
void nameControlsFromTheirTexts(QWidget* window);

} // namespace tl
