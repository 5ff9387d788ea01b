#include "platform/ui/WindowText.h"

#include <QAbstractButton>
#include <QFile>
#include <QGroupBox>
#include <QLabel>

namespace tl {
namespace {

QString withoutMnemonic(QString text) {
    // "&&" is a literal ampersand; a single "&" marks the mnemonic letter.
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return text;
}

} // namespace

QString pathText(const std::string& path) {
    return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

std::string pathBytes(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

void nameControl(QLabel* label, QWidget* control) {
    label->setBuddy(control);
    control->setAccessibleName(withoutMnemonic(label->text()));
}

void nameControlsFromTheirTexts(QWidget* window) {
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>())
        if (!button->text().isEmpty())
            button->setAccessibleName(withoutMnemonic(button->text()));
    for (QGroupBox* group : window->findChildren<QGroupBox*>())
        if (!group->title().isEmpty())
            group->setAccessibleName(withoutMnemonic(group->title()));
    for (QLabel* label : window->findChildren<QLabel*>())
        if (!label->text().isEmpty())
            label->setAccessibleName(withoutMnemonic(label->text()));
}

} // namespace tl
