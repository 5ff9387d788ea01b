#pragma once
/**
 * @file LocaleKeys.h
 * Every section and key the programs ask a locale file for. default.lcl holds all of them,
 * and every further language should, so that nothing falls back to English by accident.
 */
#include <span>
#include <string_view>

namespace tl {

/** One text of a locale file. */
struct LocaleKey {
    std::string_view section;
    std::string_view key;
};

/** The keys the windows and their messages use, section by section. */
std::span<const LocaleKey> localeKeys();

/** The keys of section Cli: the messages of tunelister-cli. */
std::span<const LocaleKey> cliLocaleKeys();

} // namespace tl
