#include "shell/MainWindow.h"

#include "digest/DigestMessages.h"
#include "digest/ui/DigestProgressWindow.h"
#include "digest/ui/DigestPrompt.h"
#include "frontend/FrontEnd.h"
#include "frontend/ui/LocaleText.h"
#include "locale/ui/OptionsDialog.h"
#include "platform/Volumes.h"
#include "platform/ui/Desktop.h"
#include "report/ui/ReportWizard.h"
#include "scan/ui/ScanWindow.h"
#include "shell/AboutBox.h"
#include "shell/Application.h"
#include "shell/Icons.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QKeySequence>
#include <QLayout>
#include <QToolBar>
#include <QToolButton>
#include <QWindowStateChangeEvent>

#include <algorithm>
#include <array>

namespace tl {
namespace {

struct Command {
    const char* name;      ///< the action's and its button's objectName
    const char* key;       ///< its caption in the locale section DialogMain
    ThemedImage image;     ///< its picture
    QKeySequence shortcut; ///< its key
    void (MainWindow::*run)();
};

QKeySequence ctrl(Qt::Key key) {
    return QKeySequence(Qt::CTRL | key);
}

// The toolbar from top to bottom.
const std::array<Command, 9>& commands() {
    using M = MainWindow;
    static const std::array<Command, 9> table{{
        {"tbScan", "Scan", {"drive-optical", "scan.svg"}, ctrl(Qt::Key_N), &M::scanVolume},
        {"tbDigest", "Digest", {"view-refresh", "digest.svg"}, ctrl(Qt::Key_D), &M::recreateDigest},
        {"tbReport", "Report", {"document-new", "report.svg"}, ctrl(Qt::Key_R), &M::createReport},
        {"tbSearch", "Search", {"edit-find", "search.svg"}, ctrl(Qt::Key_F), &M::search},
        {"tbOptions",
         "Options",
         {"preferences-system", "options.svg"},
         ctrl(Qt::Key_Comma),
         &M::showOptions},
        {"tbGenerator",
         "Formwright",
         {"accessories-text-editor", "formwright.svg"},
         ctrl(Qt::Key_T),
         &M::startTemplateEditor},
        {"tbHelp", "Help", {"help-contents", "help.svg"}, QKeySequence(Qt::Key_F1), &M::showHelp},
        {"tbAbout", "About", {"help-about", "about.svg"}, QKeySequence(), &M::showAbout},
        {"tbExit", "Exit", {"application-exit", "exit.svg"}, ctrl(Qt::Key_Q), &M::exitProgram},
    }};
    return table;
}

} // namespace

MainWindow::MainWindow(AppContext& context, Application& application)
    : m_context(context), m_application(application) {
    setObjectName(QStringLiteral("TfrmMain"));
    // The desktop's window list and screen readers name the program by this title.
    setWindowTitle(QStringLiteral("Tunelister"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

    m_toolbar = new QToolBar(this);
    m_toolbar->setObjectName(QStringLiteral("ToolBar1"));
    m_toolbar->setOrientation(Qt::Vertical);
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_toolbar->setIconSize(QSize(ToolbarImageSize, ToolbarImageSize));
    m_toolbar->setMovable(false);
    m_toolbar->setFloatable(false);
    setCentralWidget(m_toolbar);
    addCommands();
}

MainWindow::~MainWindow() = default;

void MainWindow::addCommands() {
    std::vector<ThemedImage> images;
    for (const Command& command : commands())
        images.push_back(command.image);
    const std::vector<QIcon> icons = toolbarIcons(images, pathText(m_context.folders.icons()));
    QWidget* previous = nullptr;
    for (std::size_t i = 0; i < commands().size(); ++i) {
        const Command& command = commands()[i];
        const QString name = QString::fromLatin1(command.name);
        auto* action = new QAction(icons[i], QString(), this);
        action->setObjectName(name);
        action->setShortcut(command.shortcut);
        // The keys work wherever the focus is in this window.
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, command.run);
        m_toolbar->addAction(action);
        addAction(action);
        auto* button = qobject_cast<QToolButton*>(m_toolbar->widgetForAction(action));
        button->setObjectName(name);
        button->setFocusPolicy(Qt::StrongFocus);
        button->setMinimumHeight(38);
        m_buttons.push_back(button);
        if (previous)
            setTabOrder(previous, button);
        previous = button;
    }
}

void MainWindow::retranslate() {
    for (const Command& command : commands()) {
        auto* action = findChild<QAction*>(QString::fromLatin1(command.name));
        const QString text = localeQText(*m_context.locale, "DialogMain", command.key);
        action->setText(text);
        const QString key = action->shortcut().toString(QKeySequence::NativeText);
        action->setToolTip(key.isEmpty() ? text : QStringLiteral("%1 (%2)").arg(text, key));
    }
    nameControlsFromTheirTexts(this);
    fitToCaptions();
}

void MainWindow::fitToCaptions() {
    // A fixed window exactly as wide as the widest caption needs: a longer translation
    // widens it, a shorter one narrows it. Every button is as wide as the widest, so the
    // images line up along the left edge.
    int widest = 0;
    for (QToolButton* button : m_buttons) {
        button->setMinimumWidth(0);
        widest = std::max(widest, button->sizeHint().width());
    }
    for (QToolButton* button : m_buttons)
        button->setMinimumWidth(widest);
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    m_toolbar->updateGeometry();
    if (layout())
        layout()->activate();
    setFixedSize(sizeHint());
}

void MainWindow::restoreTogetherWith(QWidget* other) {
    if (m_restoredTogether)
        m_restoredTogether->removeEventFilter(this);
    m_restoredTogether = other;
    if (other)
        other->installEventFilter(this);
}

namespace {

bool restoredFromMinimised(QEvent* event, const QWidget* window) {
    if (event->type() != QEvent::WindowStateChange)
        return false;
    const auto* change = static_cast<QWindowStateChangeEvent*>(event);
    return (change->oldState() & Qt::WindowMinimized) &&
           !(window->windowState() & Qt::WindowMinimized);
}

void restore(QWidget* window) {
    if (window && window->isVisible() && (window->windowState() & Qt::WindowMinimized))
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
}

} // namespace

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (restoredFromMinimised(event, this))
        restore(m_restoredTogether);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_restoredTogether && restoredFromMinimised(event, m_restoredTogether))
        restore(this);
    return QMainWindow::eventFilter(watched, event);
}

bool MainWindow::saveSdsCanClose(const QStringList& chosen) {
    for (const QString& name : chosen) {
        if (!acceptableSongDatabaseName(pathBytes(name))) {
            m_context.desktop->showMessage(
                this, MessageIcon::Warning,
                localeQText(*m_context.locale, "DialogScan", "SDSRequired"));
            return false;
        }
    }
    return true;
}

void MainWindow::scanVolume() {
    Desktop& desktop = *m_context.desktop;
    const Locale& locale = *m_context.locale;
    const std::optional<QString> folder = desktop.chooseFolder(
        this, localeQText(locale, "DialogScan", "SelectDevice"),
        m_lastScannedFolder.isEmpty() ? QDir::homePath() : m_lastScannedFolder);
    if (!folder)
        return;
    m_lastScannedFolder = *folder;

    VolumeInfo volume;
    if (!identifyVolume(pathBytes(*folder), {}, volume)) {
        desktop.showMessage(this, MessageIcon::Error, localeQText(locale, "Scan", "NotReady"));
        return;
    }

    FileChooser saveSds;
    saveSds.directory = pathText(m_context.folders.songDatabases());
    saveSds.filters = {QStringLiteral("SDS (*.sds)")};
    saveSds.defaultSuffix = QStringLiteral("sds");
    saveSds.proposedName = qText(volume.label);
    saveSds.confirmOverwrite = true;
    saveSds.canClose = [this](const QStringList& chosen) { return saveSdsCanClose(chosen); };
    const std::optional<QString> chosen = desktop.chooseFileToSave(this, saveSds);
    if (!chosen)
        return;

    const ScanTarget target = scanTargetOf(pathBytes(*chosen));
    const QString baseName = pathText(target.baseName);
    const QString outputDirectory = pathText(target.outputDirectory);
    Q_EMIT scanStarting(*folder, baseName, outputDirectory);
    m_context.windows->scan->startScan(*folder, baseName, outputDirectory);
}

// Rebuilds the digest of a song database the user chooses: "X.sds" gives "X.sdd" (the
// last character becomes "d"). The chooser takes only names ending in ".sds", any case.
void MainWindow::recreateDigest() {
    const Locale& locale = *m_context.locale;
    Desktop& desktop = *m_context.desktop;
    FileChooser dlgReDigest;
    dlgReDigest.title = localeQText(locale, "DialogDigest", "Choose");
    dlgReDigest.directory = pathText(m_context.folders.songDatabases());
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
    DigestProgressWindow progress(m_context, *m_context.windows->digestPrompt, this);
    const JobResult result = progress.run(
        digestRequest(settings, pathBytes(chosen->constFirst()), {}, settings.autoComplete));
    if (result.message)
        tl::showMessage(desktop, this, locale, *result.message);
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
    // A separate program; when it is not installed beside Tunelister nothing happens.
    m_context.desktop->startProgram(pathText(m_context.folders.appDir + "Formwright"),
                                    pathText(m_context.folders.appDir));
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
