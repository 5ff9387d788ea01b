#include "shell/Application.h"

#include "digest/ui/DigestPrompt.h"
#include "frontend/FrontEnd.h"
#include "frontend/ui/LocaleText.h"
#include "locale/ui/OptionsDialog.h"
#include "platform/AppDir.h"
#include "report/ui/FilterDialog.h"
#include "report/ui/ReportWizard.h"
#include "scan/ui/ScanWindow.h"
#include "shell/AboutBox.h"
#include "shell/BuildInfo.h"
#include "shell/MainWindow.h"

namespace tl {

Application::Application(std::string appDir, Desktop& desktop) : m_appDir(std::move(appDir)) {
    m_context.folders = appFolders(m_appDir);
    m_context.locale = &m_locale;
    m_context.settings = &m_settings;
    m_context.collator = &m_collator;
    m_context.desktop = &desktop;
    m_context.windows = &m_windows;
    // The plug-ins are loaded while the main window is made; none is no error here (the
    // options show an empty list and a scan finds nothing to analyse).
    m_plugins = std::make_unique<PluginManager>(m_context.folders.plugins());
    m_plugins->load();
    m_context.plugins = m_plugins.get();

    // One instance of each window, in this order.
    m_windows.main = new MainWindow(m_context, *this);
    m_windows.options = new OptionsDialog(m_context, m_windows.main);
    m_windows.about = new AboutBox(m_context, m_windows.main, QString::fromUtf8(ProjectHomepage));
    m_windows.scan = new ScanWindow(m_context, m_windows.main);
    m_windows.digestPrompt = new DigestPrompt(m_context, m_windows.main);
    m_windows.reportWizard = new ReportWizard(m_context, m_windows.main);
    m_windows.filter = new FilterDialog(m_context, m_windows.main);
    m_windows.main->restoreTogetherWith(m_windows.scan);
    m_windows.options->setHooks({[this] { return saveSettings(); }, [this] { endWithoutSaving(); },
                                 [this] { useSettings(); }});

    // The windows read the settings when they start a job; the digest prompt keeps its
    // auto-complete box, which follows the setting.
    m_appliers.add(
        [this](const Settings& s) { m_windows.digestPrompt->setAutoComplete(s.autoComplete); });
}

Application::~Application() {
    delete m_windows.main; // the other windows are its children
}

void Application::show() {
    m_windows.main->show();
}

void Application::setLocalePaths() {
    const LocalePaths paths = localePathsFor(m_appDir);
    m_locale.setPrimaryPath(paths.primary);
    m_locale.setFallbackPath(paths.fallback);
}

bool Application::checkLanguageFiles() {
    QWidget* parent = m_windows.main;
    Desktop& desktop = *m_context.desktop;
    switch (checkLocales(m_locale)) {
    case LocaleStatus::Ok:
        return true;
    case LocaleStatus::PrimaryRefused:
        desktop.showMessage(parent, MessageIcon::Warning,
                            localeQText(m_locale, "General", "IncompatibleLocale"));
        return true;
    case LocaleStatus::PrimaryMissing:
        desktop.showMessage(parent, MessageIcon::Warning,
                            localeQText(m_locale, "General", "MissingLocale"));
        return true;
    case LocaleStatus::NoneAccepted:
    case LocaleStatus::NoneFound:
        break;
    }
    // Without a usable language file there is nothing to say the rest in.
    desktop.showMessage(parent, MessageIcon::Error,
                        QStringLiteral("Missing or incompatible locales"));
    return false;
}

void Application::retranslateWindows() {
    m_windows.main->retranslate();
    m_windows.scan->retranslate();
    m_windows.digestPrompt->retranslate();
    m_windows.reportWizard->retranslate();
    m_windows.filter->retranslate();
    m_windows.options->retranslate();
    m_windows.about->retranslate();
}

void Application::startUp() {
    if (m_started)
        return;
    m_started = true;
    setLocalePaths();
    if (!checkLanguageFiles()) {
        endWithoutSaving();
        return;
    }
    retranslateWindows();

    m_settings.path = settingsFilePath(m_appDir);
    m_settings.locale = &m_locale;
    loadSettings(m_settings);
    m_windows.reportWizard->setTemplatePath(
        startingTemplate(m_settings, m_locale, m_context.folders.templates()));
    useSettings();
}

void Application::useSettings() {
    m_appliers.applySettings(m_settings);
    initCollator(m_collator, m_settings.caseTable, m_settings.sortTable, m_settings.useCh);
}

bool Application::saveSettings() {
    if (!m_started || m_settings.path.empty())
        return false;
    return tl::saveSettings(m_settings, m_windows.reportWizard->templatePath());
}

void Application::exitSaving() {
    saveSettings();
    m_ending = true;
    Q_EMIT endRequested();
}

void Application::endWithoutSaving() {
    m_ending = true;
    Q_EMIT endRequested();
}

} // namespace tl
