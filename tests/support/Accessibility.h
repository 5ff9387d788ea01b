#pragma once
// What a screen reader finds in a window: every control that takes the focus or shows a
// text must have an accessible name.
#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleInterface>
#include <QLabel>
#include <QWidget>

#include <gtest/gtest.h>

namespace tl::test {

/** The names of the controls below @p window (visible or not) that a screen reader could
 *  not name: controls that take the keyboard focus, buttons and labels with text. */
inline QStringList unnamedControls(QWidget* window) {
    QStringList unnamed;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        const bool focusable = w->focusPolicy() != Qt::NoFocus;
        const auto* label = qobject_cast<QLabel*>(w);
        const bool showsText = (label && !label->text().isEmpty() && label->pixmap().isNull());
        if (!focusable && !showsText)
            continue;
        // Parts of Qt's own compound widgets (a combo box's line edit, a spin box's
        // buttons) are named through their owner.
        if (w->objectName().startsWith(QStringLiteral("qt_")))
            continue;
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(w);
        if (!face || face->text(QAccessible::Name).trimmed().isEmpty())
            unnamed += w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className())
                                                 : w->objectName();
    }
    return unnamed;
}

/** Fails the test for every control below @p window that a screen reader cannot name. */
inline void expectEveryControlNamed(QWidget* window) {
    const QStringList unnamed = unnamedControls(window);
    EXPECT_TRUE(unnamed.isEmpty()) << window->objectName().toStdString() << ": "
                                   << unnamed.join(QStringLiteral(", ")).toStdString();
}

} // namespace tl::test
