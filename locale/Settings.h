#pragma once
/**
 * @file Settings.h
 * The user's preferences: the record that mirrors section Settings of the settings file,
 * its defaults (the collation group from the current language), loading, saving and the
 * hook through which the windows that keep copies receive them.
 */
#include "platform/Volumes.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tl {

class Locale;

/** The longest path setting (LCL, digestTemplate, songTemplate, defaultDrive), in bytes. */
inline constexpr std::size_t MaxSettingPath = 2047;
/** The longest text setting (tables and the "various" words), in bytes. */
inline constexpr std::size_t MaxSettingText = 511;
/** The values of tooMany the options offer and the digest takes: a field with two
 *  different values is the least that can count as various, five the most it keeps. */
inline constexpr int MinTooMany = 2;
inline constexpr int MaxTooMany = 5;

/** Section Settings of the settings file; members named after their keys. */
struct Settings {
    std::string path;               ///< the settings file (no key)
    std::string lcl;                ///< LCL: primary locale file; empty means locale.lcl
    const Locale* locale = nullptr; ///< where the language defaults come from (no key)
    bool autoOpen = false;
    bool rememberTemplate = false;
    std::string digestTemplate;
    std::string songTemplate;
    std::string defaultDrive; ///< mount point for volumes that are not mounted
    std::string reportVarious = "Various";
    bool useCh = false;    ///< language default
    std::string caseTable; ///< language default
    std::string sortTable; ///< language default
    bool autoComplete = false;
    std::string digestVarious = "Various";
    std::int32_t tooMany = 3; ///< MinTooMany to MaxTooMany in the options; others kept as read
    bool usDate = false;
    std::string diacriticsTable;   ///< language default
    bool ignoreDiacritics = false; ///< key IgnoreDiacritics; language default
    /** Input plug-ins read tags the modern way (ID3v2.4, UTF-16 and UTF-8 for mp3): the
     *  scan passes them bit 1 of the options argument. */
    bool modernTags = true;
};

/** The options argument that the settings ask plug-ins to analyse files with: bit 1 when
 *  modernTags is on; the quick estimate (bit 0) is never asked for by the settings. */
int pluginOptionsFor(const Settings& settings);

/** Where the settings file lives: "Tunelister.ini" in @p appDir, or, when that folder is not
 *  writable, in $XDG_CONFIG_HOME/tunelister/ (default ~/.config/tunelister/). */
std::string settingsFilePath(const std::string& appDir);

/** The two language files of a program. */
struct LocalePaths {
    std::string primary;  ///< the user's language
    std::string fallback; ///< where a text missing from it is taken from
};

/** The language files of the programs in @p appDir (ending in "/"): the primary is the file
 *  that the LCL setting of the settings file names, or locale.lcl in @p appDir when it names
 *  none; the fallback is default.lcl in @p appDir. Only LCL is read, since the rest of the
 *  settings needs the language for its defaults. */
LocalePaths localePathsFor(const std::string& appDir);

/** The mount point of the first mounted optical drive (/dev/sr*) in the mount table, or "/"
 *  when there is none. */
std::string defaultDriveMountPoint(const PlatformPaths& paths = {});

/** Sets the collation group (useCh, caseTable, sortTable, diacriticsTable, IgnoreDiacritics)
 *  to the language's defaults from section General of @p locale. */
void applyLanguageDefaults(Settings& settings, const Locale& locale);

/** Fills @p settings from settings.path; absent keys get their defaults. The collation group
 *  comes from the language (settings.locale) as a whole while the file has no useCh. False
 *  when settings.locale is not set (the language defaults could not be read; the rest is
 *  loaded). */
bool loadSettings(Settings& settings, const PlatformPaths& paths = {});

/** Writes every setting to settings.path, other lines of the file kept. @p currentTemplate,
 *  when given and rememberTemplate is on, is written as digestTemplate (the report wizard's
 *  current template, to be offered at the next start); otherwise settings.digestTemplate
 *  is. False when the file cannot be written. */
bool saveSettings(const Settings& settings,
                  std::optional<std::string_view> currentTemplate = std::nullopt);

/** Writes only the LCL key (a language change ends the program without saving the rest). */
bool saveLanguageSetting(const Settings& settings);

/** Removes the settings file; the next start begins from the defaults. */
bool deleteSettings(const Settings& settings);

/**
 * The parts that keep copies of settings (report generator, wizard, digest prompt, scan
 * window) register here in the order they are to be served; applySettings() runs them.
 */
class SettingsAppliers {
public:
    using Apply = std::function<void(const Settings&)>;
    void add(Apply apply) { m_appliers.push_back(std::move(apply)); }
    void applySettings(const Settings& settings) const {
        for (const Apply& apply : m_appliers)
            apply(settings);
    }

private:
    std::vector<Apply> m_appliers;
};

} // namespace tl
