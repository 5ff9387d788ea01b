// Tunelister: the desktop program.
#include "frontend/ui/LocaleText.h"
#include "platform/AppDir.h"
#include "platform/ui/QtDesktop.h"
#include "shell/Application.h"
#include "shell/BuildInfo.h"
#include "shell/Icons.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication qt(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tunelister"));
    QApplication::setApplicationDisplayName(QStringLiteral("Tunelister"));
    QApplication::setDesktopFileName(QString::fromUtf8(tl::ApplicationId));
    const std::string appDir = tl::applicationDir();
    QApplication::setWindowIcon(tl::programIcon(QString::fromStdString(appDir + "icons/")));
    tl::QtDesktop desktop(QString::fromStdString(appDir + "help/"));
    tl::Application application(appDir, desktop);
    const tl::Locale& locale = *application.context().locale;
    desktop.setFolderMissingText([&locale](const QString& folder) {
        return tl::localeQText(locale, "General", "FolderMissing", {tl::pathBytes(folder)});
    });
    QObject::connect(&application, &tl::Application::endRequested, &qt, &QApplication::quit,
                     Qt::QueuedConnection);
    application.show();
    QApplication::exec();
    return 0;
}
