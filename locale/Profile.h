#pragma once
/**
 * @file Profile.h
 * Reader of the INI profile layout used by locale files, settings and templates.
 *
 *   file    = { line } ;
 *   line    = section | entry | other ;
 *   section = "[" name "]" ;            (blanks around the line are ignored)
 *   entry   = key "=" value ;           (the first "=" splits; other lines are ignored)
 *
 * Section and key names match without regard to the case of A-Z; the first matching
 * section and, inside it, the first matching key win. A value is trimmed of blanks and
 * loses one pair of enclosing quotation marks (" or '). Lines end with LF or CR LF.
 */
#include "storage/Text.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tl {

class Profile {
public:
    /** Files larger than this are not read (no profile of the system comes near it). */
    static constexpr std::size_t MaxFileSize = 16u << 20;

    struct Entry {
        std::string key;
        std::string value;
    };
    struct Section {
        std::string name;
        std::vector<Entry> entries;
    };

    /** Parses @p text. */
    static Profile parse(std::string_view text);
    /** Reads and parses @p path; nullopt when it cannot be read (a FIFO, device or
     *  directory is not read at all). */
    static std::optional<Profile> load(const std::string& path);

    /** True when the profile holds at least one section. */
    bool hasSections() const { return !m_sections.empty(); }
    const std::vector<Section>& sections() const { return m_sections; }

    /** The value of @p key in @p section, or nullopt when absent. */
    std::optional<std::string_view> find(std::string_view section, std::string_view key) const;

    /** The value, or @p fallback when absent, cut to @p maxBytes bytes at a character
     *  boundary (the fallback too). */
    std::string getString(std::string_view section, std::string_view key, std::string_view fallback,
                          std::size_t maxBytes) const;

    /** The value's leading decimal number (blanks and a sign allowed; 0 when it does not
     *  start with a number), or @p fallback when the key is absent. */
    std::int64_t getInt(std::string_view section, std::string_view key,
                        std::int64_t fallback) const;

private:
    std::vector<Section> m_sections;
};

/** Leading decimal integer of @p text as atoi reads it (blanks, an optional sign, digits),
 *  saturated to the 64-bit range; 0 when there is no number. */
std::int64_t leadingInteger(std::string_view text);

} // namespace tl
