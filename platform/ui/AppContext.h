#pragma once
/**
 * @file AppContext.h
 * The process-wide objects that the program's start-up creates and hands to every window:
 * the application's folders, the one Locale, the Settings record, the Collator, the
 * plug-ins and the Desktop. Nothing reaches for them any other way.
 */
#include <string>

namespace tl {

class AboutBox;
class Collator;
class Desktop;
class DigestPrompt;
class FilterDialog;
class Locale;
class MainWindow;
class OptionsDialog;
class PluginManager;
class ReportWizard;
class ScanWindow;
struct Settings;

/** The seven windows, each one process-wide instance, created in this order. */
struct Windows {
    MainWindow* main = nullptr;
    OptionsDialog* options = nullptr;
    AboutBox* about = nullptr;
    ScanWindow* scan = nullptr;
    DigestPrompt* digestPrompt = nullptr;
    ReportWizard* reportWizard = nullptr;
    FilterDialog* filter = nullptr;
};

struct AppContext {
    std::string
        appDir; ///< the program's folder, ending in "/": plug-ins, languages, templates, help
    std::string dataDir; ///< where "db/" and "reports/" are, ending in "/" (see userDataDir)
    Locale* locale = nullptr;
    Settings* settings = nullptr;
    Collator* collator = nullptr;
    PluginManager* plugins = nullptr;
    Desktop* desktop = nullptr;
    const Windows* windows = nullptr; ///< the other windows, for those that open them

    std::string dbDir() const { return dataDir + "db/"; }
    std::string reportsDir() const { return dataDir + "reports/"; }
    std::string templatesDir() const { return appDir + "templates/"; }
    std::string helpDir() const { return appDir + "help/"; }
};

} // namespace tl
