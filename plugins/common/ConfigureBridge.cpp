// The plug-ins' configure box, shown with Qt Widgets.
#include "plugins/common/ConfigureBridge.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>
#include <QWidget>

extern "C" __attribute__((visibility("default"))) int tlShowConfigureBox(std::uint32_t ownerWindow,
                                                                         const char* caption,
                                                                         const char* text,
                                                                         const char* details) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return 1;
    // Called through a C interface: a failure is a result, never an exception.
    try {
        QWidget* owner = ownerWindow ? QWidget::find(static_cast<WId>(ownerWindow)) : nullptr;
        QMessageBox box(owner);
        box.setIcon(QMessageBox::Information);
        box.setWindowTitle(QString::fromUtf8(caption));
        box.setText(QString::fromUtf8(text));
        if (*details)
            box.setInformativeText(QString::fromUtf8(details));
        box.setStandardButtons(QMessageBox::Ok);
        box.exec();
        return 0;
    } catch (...) {
        return 1;
    }
}
