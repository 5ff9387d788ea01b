// Shows the mp3 plug-in's message box with Qt Widgets.
#include "plugins/mp3/ConfigureBridge.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>
#include <QWidget>

extern "C" __attribute__((visibility("default"))) int
tlMp3ShowMessage(std::uint32_t ownerWindow, const char* text, const char* caption) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return 1;
    // Called through a C interface: a failure is a result, never an exception.
    try {
        QWidget* owner = ownerWindow ? QWidget::find(static_cast<WId>(ownerWindow)) : nullptr;
        QMessageBox box(QMessageBox::Information, QString::fromUtf8(caption),
                        QString::fromUtf8(text), QMessageBox::Ok, owner);
        box.exec();
        return 0;
    } catch (...) {
        return 1;
    }
}
