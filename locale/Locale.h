#pragma once
/**
 * @file Locale.h
 * The user's language: texts looked up by section and key in a primary locale file,
 * falling back key by key to the default locale file, with placeholders expanded.
 */
#include "locale/Profile.h"

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace tl {

/** The longest text a lookup returns, in bytes (longer expansions are cut). */
inline constexpr std::size_t MaxLocaleText = 2047;
/** What a lookup gives for a key that neither file holds. */
inline constexpr std::string_view MissingLocaleText = "Missing localization message string";

/** One argument of a lookup: a text or an integer. */
class LocaleArg {
public:
    LocaleArg(std::string_view text) : m_text(text), m_isText(true) {}
    LocaleArg(const char* text) : m_text(text ? text : ""), m_isText(true) {}
    LocaleArg(const std::string& text) : m_text(text), m_isText(true) {}
    template <typename T>
    requires std::is_integral_v<T> LocaleArg(T value)
        : m_number(static_cast<std::int64_t>(value)) {}

    /** The argument for a "%Ns" placeholder. */
    std::string asText() const;
    /** The argument for a "%Nd" placeholder. */
    std::int64_t asNumber() const;
    /** True for a text argument, false for an integer. */
    bool isText() const { return m_isText; }

private:
    std::string_view m_text;
    std::int64_t m_number = 0;
    bool m_isText = false;
};

/** Result of checkLocales. */
enum class LocaleStatus : int {
    Ok = 0,             ///< primary file present and usable
    PrimaryRefused = 1, ///< primary present but not accepted; the fallback is taken
    PrimaryMissing = 2, ///< primary missing; fallback present
    NoneAccepted = 257, ///< primary not accepted, and the fallback not taken either
    NoneFound = 258,    ///< neither file present
};

/**
 * The locale files in use. Paths are set before lookups start; lookups are const and may
 * run on any thread (the scan's worker looks up its log texts).
 */
class Locale {
public:
    /** Sets the primary file (the user's language) and reads it. */
    void setPrimaryPath(const std::string& path);
    /** Sets the fallback file (default.lcl beside the program) and reads it. */
    void setFallbackPath(const std::string& path);
    const std::string& primaryPath() const { return m_primaryPath; }
    const std::string& fallbackPath() const { return m_fallbackPath; }

    /** The text of @p key in @p section with its placeholders expanded:
     *  "%%" a percent sign, "%n" a line feed, "%Ds"/"%Dd" argument D (0-9) as text or
     *  integer; anything else after "%" gives "?" and is then read as text. A key absent
     *  from the primary file is taken from the fallback file; absent from both, the text
     *  is MissingLocaleText. */
    std::string text(std::string_view section, std::string_view key,
                     std::initializer_list<LocaleArg> args = {}) const;
    std::string text(std::string_view section, std::string_view key,
                     std::span<const LocaleArg> args) const;

    /** The raw value of @p key (primary, then fallback), or MissingLocaleText. */
    std::string rawText(std::string_view section, std::string_view key) const;

    /** The parsed files (null when the file could not be read). */
    const Profile* primary() const { return m_primary.get(); }
    const Profile* fallback() const { return m_fallback.get(); }

private:
    std::string m_primaryPath;
    std::string m_fallbackPath;
    std::shared_ptr<const Profile> m_primary;
    std::shared_ptr<const Profile> m_fallback;
};

/** The lookup under its traditional name. */
inline std::string localeText(const Locale& locale, std::string_view section, std::string_view key,
                              std::initializer_list<LocaleArg> args = {}) {
    return locale.text(section, key, args);
}

/** Expands the placeholders of @p raw with @p args (see Locale::text). */
std::string expandLocaleText(std::string_view raw, std::span<const LocaleArg> args);

/** Decides whether the primary file can be used: a file is accepted when its LCLVersion is
 *  exactly 1, or when it is newer but declares LCLCompatibility 1 or lower. */
LocaleStatus checkLocales(const Locale& locale);

} // namespace tl
