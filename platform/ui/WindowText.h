#pragma once
/**
 * @file WindowText.h
 * Between the core's UTF-8 texts and the windows' QStrings, file names as the file system
 * gives them, and the names of controls: the object names tests find them by and the
 * accessible names that let screen readers and desktop automation find them.
 */
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

/** @p widget with the object name @p name, the control's name in its form. */
template <typename W> W* named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

/** Makes @p label the visible name of @p control: its buddy (so its mnemonic focuses the
 *  control) and, without the mnemonic's "&", the control's accessible name. */
void nameControl(QLabel* label, QWidget* control);

/** Gives every button, check box, label and group box below @p window its visible text
 *  (without "&") as accessible name; call after a window's texts change. Controls without
 *  a text of their own need nameControl() or an explicit accessible name. */
void nameControlsFromTheirTexts(QWidget* window);

} // namespace tl
