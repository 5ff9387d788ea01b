#include "locale/Settings.h"

#include "locale/Locale.h"
#include "locale/Profile.h"
#include "locale/ProfileWriter.h"
#include "plugins/PluginInterface.h"
#include "storage/Utf8.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <span>
#include <unistd.h>

namespace tl {
namespace {

constexpr std::string_view Section = "Settings";

bool flag(const Profile& p, std::string_view key, bool fallback) {
    return p.getInt(Section, key, fallback ? 1 : 0) != 0;
}

bool localeFlag(const Locale& locale, std::string_view key) {
    return locale.text("General", key).starts_with("1");
}

std::string localeTable(const Locale& locale, std::string_view key) {
    return std::string(utf8Cut(locale.text("General", key), MaxSettingText));
}

// The settings may live in a folder of their own (~/.config/tunelister/) that the first
// write makes.
bool writeSettingsValues(const std::string& path, std::span<const ProfileValue> values) {
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (!folder.empty())
        std::filesystem::create_directories(folder, ec);
    return writeProfileValues(path, Section, values);
}

} // namespace

LocalePaths localePathsFor(const std::string& appDir) {
    std::string primary;
    if (const auto profile = Profile::load(settingsFilePath(appDir)))
        primary = profile->getString(Section, "LCL", "", MaxSettingPath);
    return {primary.empty() ? appDir + "locale.lcl" : primary, appDir + "default.lcl"};
}

int pluginOptionsFor(const Settings& settings) {
    return settings.modernTags ? TL_AFI_OPTION_MODERN_TAGS : 0;
}

std::string settingsFilePath(const std::string& appDir) {
    if (!appDir.empty() && ::access(appDir.c_str(), W_OK) == 0)
        return appDir + "Tunelister.ini";
    std::string base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/')
        base = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::string(home) + "/.config";
    else
        return appDir + "Tunelister.ini";
    return base + "/tunelister/Tunelister.ini";
}

std::string defaultDriveMountPoint(const PlatformPaths& paths) {
    for (const MountEntry& entry : readMountTable(paths))
        if (entry.volume.device.starts_with("/dev/sr"))
            return entry.volume.mountPoint;
    return "/";
}

void applyLanguageDefaults(Settings& settings, const Locale& locale) {
    settings.useCh = localeFlag(locale, "UseCH");
    settings.caseTable = localeTable(locale, "CaseTable");
    settings.sortTable = localeTable(locale, "sortTable");
    settings.diacriticsTable = localeTable(locale, "diacriticsTable");
    settings.ignoreDiacritics = localeFlag(locale, "IgnoreDiacritics");
}

bool loadSettings(Settings& s, const PlatformPaths& paths) {
    const Profile p = Profile::load(s.path).value_or(Profile());
    const auto text = [&p](std::string_view key, std::string_view fallback, std::size_t max) {
        return p.getString(Section, key, fallback, max);
    };
    s.lcl = text("LCL", "", MaxSettingPath);
    s.autoOpen = flag(p, "autoOpen", false);
    s.rememberTemplate = flag(p, "rememberTemplate", false);
    s.digestTemplate = text("digestTemplate", "", MaxSettingPath);
    s.songTemplate = text("songTemplate", "", MaxSettingPath);
    s.defaultDrive = text("defaultDrive", "", MaxSettingPath);
    s.reportVarious = text("reportVarious", "Various", MaxSettingText);
    s.useCh = flag(p, "useCh", false);
    s.caseTable = text("caseTable", "", MaxSettingText);
    s.sortTable = text("sortTable", "", MaxSettingText);
    s.autoComplete = flag(p, "autoComplete", false);
    s.digestVarious = text("digestVarious", "Various", MaxSettingText);
    constexpr std::int64_t low = std::numeric_limits<std::int32_t>::min();
    constexpr std::int64_t high = std::numeric_limits<std::int32_t>::max();
    s.tooMany = static_cast<std::int32_t>(std::clamp(p.getInt(Section, "tooMany", 3), low, high));
    s.usDate = flag(p, "usDate", false);
    s.ignoreDiacritics = flag(p, "IgnoreDiacritics", false);
    s.diacriticsTable = text("diacriticsTable", "", MaxSettingText);
    s.modernTags = flag(p, "modernTags", true);

    // Every save writes useCh, so its absence means the language has not been overridden:
    // the whole collation group then follows the language.
    if (!p.find(Section, "useCh") && s.locale)
        applyLanguageDefaults(s, *s.locale);

    // Saved files from before mount points held a drive letter code; like an empty value,
    // anything that is not an absolute path gets the default.
    if (!s.defaultDrive.starts_with('/'))
        s.defaultDrive = defaultDriveMountPoint(paths);
    return s.locale != nullptr;
}

bool saveSettings(const Settings& s, std::optional<std::string_view> currentTemplate) {
    const auto number = [](bool b) { return std::string(b ? "1" : "0"); };
    const std::string_view lastTemplate =
        s.rememberTemplate ? currentTemplate.value_or(s.digestTemplate) : s.digestTemplate;
    const ProfileValue values[] = {
        {"LCL", s.lcl},
        {"autoOpen", number(s.autoOpen)},
        {"rememberTemplate", number(s.rememberTemplate)},
        {"digestTemplate", std::string(lastTemplate)},
        {"songTemplate", s.songTemplate},
        {"defaultDrive", s.defaultDrive},
        {"reportVarious", s.reportVarious},
        {"useCh", number(s.useCh)},
        {"caseTable", s.caseTable},
        {"sortTable", s.sortTable},
        {"autoComplete", number(s.autoComplete)},
        {"digestVarious", s.digestVarious},
        {"tooMany", std::to_string(s.tooMany)},
        {"usDate", number(s.usDate)},
        {"diacriticsTable", s.diacriticsTable},
        {"IgnoreDiacritics", number(s.ignoreDiacritics)},
        {"modernTags", number(s.modernTags)},
    };
    return writeSettingsValues(s.path, values);
}

bool saveLanguageSetting(const Settings& s) {
    const ProfileValue values[] = {{"LCL", s.lcl}};
    return writeSettingsValues(s.path, values);
}

bool deleteSettings(const Settings& s) {
    std::error_code ec;
    return std::filesystem::remove(s.path, ec) || !ec;
}

} // namespace tl
