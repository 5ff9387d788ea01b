#include "shell/MainWindow.h"

#include "digest/DigestMessages.h"
#include "digest/ui/DigestProgressWindow.h"
#include "digest/ui/DigestPrompt.h"
#include "locale/ui/OptionsDialog.h"
#include "platform/ui/Desktop.h"
#include "platform/ui/WindowText.h"
#include "report/ui/ReportWizard.h"
#include "shell/AboutBox.h"
#include "shell/Application.h"

#include <QAction>
#include <QCloseEvent>
#include <QToolBar>

namespace tl {

MainWindow::MainWindow(AppContext& context, Application& application)
    : m_context(context), m_application(application) {
    setObjectName(QStringLiteral("TfrmMain"));
    setWindowTitle(QStringLiteral("Tunelister"));
    auto* toolbar = new QToolBar(this);
    toolbar->setObjectName(QStringLiteral("ToolBar1"));
    toolbar->setOrientation(Qt::Vertical);
    toolbar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    toolbar->setMovable(false);
    addToolBar(Qt::LeftToolBarArea, toolbar);
    const struct {
        const char* name;
        void (MainWindow::*command)();
    } buttons[] = {
        {"tbScan", &MainWindow::scanVolume},     {"tbDigest", &MainWindow::recreateDigest},
        {"tbReport", &MainWindow::createReport}, {"tbSearch", &MainWindow::search},
        {"tbOptions", &MainWindow::showOptions}, {"tbGenerator", &MainWindow::startTemplateEditor},
        {"tbHelp", &MainWindow::showHelp},       {"tbAbout", &MainWindow::showAbout},
        {"tbExit", &MainWindow::exitProgram},
    };
    for (const auto& button : buttons) {
        auto* action = new QAction(this);
        action->setObjectName(QString::fromLatin1(button.name));
        connect(action, &QAction::triggered, this, button.command);
        toolbar->addAction(action);
    }
}

MainWindow::~MainWindow() = default;

void MainWindow::retranslate() {
    const struct {
        const char* action;
        const char* key;
    } captions[] = {
        {"tbScan", "Scan"},     {"tbDigest", "Digest"},   {"tbReport", "Report"},
        {"tbSearch", "Search"}, {"tbOptions", "Options"}, {"tbGenerator", "Formwright"},
        {"tbHelp", "Help"},     {"tbAbout", "About"},     {"tbExit", "Exit"},
    };
    for (const auto& caption : captions)
        if (auto* action = findChild<QAction*>(QString::fromLatin1(caption.action)))
            action->setText(localeQText(*m_context.locale, "DialogMain", caption.key));
}

void MainWindow::scanVolume() {}

// Rebuilds the digest of a song database the user chooses: "X.sds" gives "X.sdd" (the
// last character becomes "d"). The chooser takes only names ending in ".sds", any case.
void MainWindow::recreateDigest() {
    const Locale& locale = *m_context.locale;
    Desktop& desktop = *m_context.desktop;
    FileChooser dlgReDigest;
    dlgReDigest.title = localeQText(locale, "DialogDigest", "Choose");
    dlgReDigest.filters = {localeQText(locale, "DialogDigest", "SongDatabases") +
                           QStringLiteral(" (*.sds)")};
    dlgReDigest.defaultSuffix = QStringLiteral("sds");
    dlgReDigest.canClose = [&](const QStringList& chosen) {
        for (const QString& name : chosen) {
            if (!isSongDatabaseName(pathBytes(name))) {
                desktop.showMessage(this, MessageIcon::Warning,
                                    localeQText(locale, "DialogScan", "SDSRequired"));
                return false;
            }
        }
        return true;
    };
    const std::optional<QStringList> chosen = desktop.chooseFilesToOpen(this, dlgReDigest);
    if (!chosen || chosen->isEmpty())
        return;

    const Settings& settings = *m_context.settings;
    DigestPrompt& prompt = *m_context.windows->digestPrompt;
    prompt.setAutoComplete(settings.autoComplete);
    const DigestOptions options{settings.digestVarious, settings.tooMany, prompt.autoComplete()};
    const std::string songs = pathBytes(chosen->constFirst());
    DigestProgressWindow progress(m_context, prompt, this);
    const DigestResult result = progress.run(songs, digestPathFor(songs), options);
    tl::showMessage(desktop, this, locale, digestResultMessage(result, DigestCaller::ReCreate));
}

void MainWindow::createReport() {
    m_context.windows->reportWizard->run(false);
}

void MainWindow::search() {
    m_context.windows->reportWizard->run(true);
}

void MainWindow::showOptions() {
    m_context.windows->options->run();
}

void MainWindow::startTemplateEditor() {
    m_context.desktop->startProgram(pathText(m_context.appDir + "Formwright"),
                                    pathText(m_context.appDir));
}

void MainWindow::showHelp() {
    m_context.desktop->showHelp(QStringLiteral("introduction.html"), QString());
}

void MainWindow::showAbout() {
    m_context.windows->about->exec();
}

void MainWindow::exitProgram() {
    m_application.exitSaving();
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    m_application.startUp();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!m_application.isEnding())
        m_application.saveSettings();
    event->accept();
}

} // namespace tl
