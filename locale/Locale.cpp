#include "locale/Locale.h"

#include "storage/Utf8.h"

namespace tl {
namespace {

std::shared_ptr<const Profile> readProfile(const std::string& path) {
    auto profile = Profile::load(path);
    if (!profile)
        return nullptr;
    return std::make_shared<const Profile>(std::move(*profile));
}

bool present(const Profile* profile) {
    return profile && profile->hasSections();
}

// LCLVersion and LCLCompatibility read as unsigned 32-bit numbers (0 when missing).
std::uint32_t versionField(const Profile* profile, std::string_view key) {
    return static_cast<std::uint32_t>(profile->getInt("General", key, 0));
}

} // namespace

std::string LocaleArg::asText() const {
    return m_isText ? std::string(m_text) : std::to_string(m_number);
}

std::int64_t LocaleArg::asNumber() const {
    return m_isText ? leadingInteger(m_text) : m_number;
}

void Locale::setPrimaryPath(const std::string& path) {
    m_primaryPath = path;
    m_primary = readProfile(path);
}

void Locale::setFallbackPath(const std::string& path) {
    m_fallbackPath = path;
    m_fallback = readProfile(path);
}

std::string Locale::rawText(std::string_view section, std::string_view key) const {
    for (const Profile* profile : {m_primary.get(), m_fallback.get()}) {
        if (!profile)
            continue;
        std::string value = profile->getString(section, key, MissingLocaleText, MaxLocaleText);
        if (value != MissingLocaleText)
            return value;
    }
    return std::string(MissingLocaleText);
}

std::string Locale::text(std::string_view section, std::string_view key,
                         std::initializer_list<LocaleArg> args) const {
    return text(section, key, std::span<const LocaleArg>(args.begin(), args.size()));
}

std::string Locale::text(std::string_view section, std::string_view key,
                         std::span<const LocaleArg> args) const {
    return expandLocaleText(rawText(section, key), args);
}

std::string expandLocaleText(std::string_view raw, std::span<const LocaleArg> args) {
    std::string out;
    out.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c != '%') {
            out.push_back(c);
            continue;
        }
        const char next = i + 1 < raw.size() ? raw[i + 1] : '\0';
        if (next == '%') {
            out.push_back('%');
            ++i;
        } else if (next == 'n') {
            out.push_back('\n');
            ++i;
        } else if (next >= '0' && next <= '9' &&
                   static_cast<std::size_t>(next - '0') < args.size() && i + 2 < raw.size() &&
                   (raw[i + 2] == 's' || raw[i + 2] == 'd')) {
            const LocaleArg& arg = args[static_cast<std::size_t>(next - '0')];
            out += raw[i + 2] == 's' ? arg.asText() : std::to_string(arg.asNumber());
            i += 2;
        } else {
            // A placeholder that cannot be filled shows as "?"; what followed the percent
            // sign is then read as ordinary text.
            out.push_back('?');
        }
        if (out.size() > 4 * MaxLocaleText)
            break;
    }
    out.resize(utf8CutLength(out, MaxLocaleText));
    return out;
}

LocaleStatus checkLocales(const Locale& locale) {
    const Profile* primary = locale.primary();
    const Profile* fallback = locale.fallback();
    if (!present(primary))
        return present(fallback) ? LocaleStatus::PrimaryMissing : LocaleStatus::NoneFound;
    const auto fallbackVersion = present(fallback) ? versionField(fallback, "LCLVersion") : 0;
    const auto fallbackCompat = present(fallback) ? versionField(fallback, "LCLCompatibility") : 0;
    const auto version = versionField(primary, "LCLVersion");
    const auto compat = versionField(primary, "LCLCompatibility");
    if (version >= 2 && compat >= 2) {
        // A newer file that declares itself unreadable by this program.
        const bool fallbackUsable =
            present(fallback) && (fallbackVersion <= 1 || fallbackCompat <= 1);
        return fallbackUsable ? LocaleStatus::PrimaryRefused : LocaleStatus::NoneAccepted;
    }
    if (version >= 1)
        return LocaleStatus::Ok;
    return fallbackVersion >= 1 ? LocaleStatus::PrimaryRefused : LocaleStatus::NoneAccepted;
}

} // namespace tl
