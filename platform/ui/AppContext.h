#pragma once
/**
 * @file AppContext.h
 * The process-wide objects that the program's start-up creates and hands to every window:
 * the application's folders, the one Locale, the Settings record, the Collator, the
 * plug-ins and the Desktop. Nothing reaches for them any other way.
 */
#include "platform/AppDir.h"

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
    AppFolders folders; ///< the program's folder and the user's, and every kind's below them
    Locale* locale = nullptr;
    Settings* settings = nullptr;
    Collator* collator = nullptr;
    PluginManager* plugins = nullptr;
    Desktop* desktop = nullptr;
    const Windows* windows = nullptr; ///< the other windows, for those that open them
};

} // namespace tl
