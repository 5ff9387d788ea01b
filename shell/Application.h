#pragma once
/**
 * @file Application.h
 * The program's start-up and end. The process-wide objects (the Locale, the Settings, the
 * Collator, the plug-ins) are made here and handed to the seven windows, which are created
 * once, in a fixed order: the main window, the options, the about box, the scan window,
 * the digest prompt, the report wizard and the filter dialog. When the main window is
 * first shown, the start-up routine checks the language files, puts every window text in
 * the user's language, loads and applies the settings, rebuilds the collator and picks the
 * default template. Settings changed in the options are applied again, and the collator
 * rebuilt, at once.
 *
 * The program ends by one of three roads: the main window is closed (settings saved), the
 * Exit command (settings saved), or an end asked for elsewhere without saving (unusable
 * language files, all settings deleted, a language change).
 */
#include "locale/Langutils.h"
#include "locale/Locale.h"
#include "locale/Settings.h"
#include "platform/ui/AppContext.h"
#include "platform/ui/Desktop.h"
#include "plugins/Pluginmanager.h"

#include <QObject>

#include <memory>

namespace tl {

class Application : public QObject {
    Q_OBJECT
public:
    /** Sets up a program whose folder is @p appDir (ending in "/") and whose desktop is
     *  @p desktop (not owned; it outlives the application). Creates the windows. */
    Application(std::string appDir, Desktop& desktop);
    ~Application() override;

    /** Shows the main window; the start-up routine runs when it is first shown. */
    void show();

    /** The start-up routine of the first activation. Runs once; later calls do nothing. */
    void startUp();
    /** True once startUp() has run. */
    bool isStarted() const { return m_started; }

    /** Hands the settings to the windows that keep copies of them and rebuilds the
     *  collator from them: at start-up, and whenever the options have changed them. */
    void useSettings();
    /** Saves the settings, as the main window's closing does (the wizard's current
     *  template is written as the report template). */
    bool saveSettings();
    /** Ends the program after saving the settings (the Exit command). */
    void exitSaving();
    /** Ends the program without saving anything (a fatal language problem, all settings
     *  deleted, a language change). */
    void endWithoutSaving();
    /** True once an end has been asked for; the event loop then returns. */
    bool isEnding() const { return m_ending; }

    AppContext& context() { return m_context; }
    const Windows& windows() const { return m_windows; }
    /** The parts that keep copies of settings; applySettings() runs them. */
    SettingsAppliers& appliers() { return m_appliers; }

Q_SIGNALS:
    /** Asks the event loop to end (QApplication::quit in the program). */
    void endRequested();

private:
    void setLocalePaths();
    bool checkLanguageFiles();
    void retranslateWindows();

    std::string m_appDir;
    Locale m_locale;
    Settings m_settings;
    Collator m_collator;
    std::unique_ptr<PluginManager> m_plugins;
    AppContext m_context;
    SettingsAppliers m_appliers;
    Windows m_windows;
    bool m_started = false;
    bool m_ending = false;
};

} // namespace tl
