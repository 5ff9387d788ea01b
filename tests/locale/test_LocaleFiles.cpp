// The locale files delivered with the program: complete, well-formed and consistent.
#include "locale/Locale.h"
#include "locale/LocaleKeys.h"
#include "storage/Utf8.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

using namespace tl;

namespace {

// The copies the build lays into the application folder.
std::string dataFile(const std::string& name) {
    const char* app = std::getenv("TL_APP_DIR");
    return std::string(app ? app : ".") + "/" + name;
}

// The placeholders of a text ("%0s", "%2d"), which every translation must keep.
std::multiset<std::string> placeholders(std::string_view text) {
    std::multiset<std::string> found;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%')
            continue;
        if (i + 1 < text.size() && text[i + 1] == '%') {
            ++i;
            continue;
        }
        if (i + 2 < text.size() && text[i + 1] >= '0' && text[i + 1] <= '9')
            found.insert(std::string(text.substr(i, 3)));
    }
    return found;
}

constexpr const char* Delivered[] = {"default.lcl", "cs.lcl"};

} // namespace

TEST(LocaleFiles, HoldEveryKeyWithTheDefaultFilesPlaceholders) {
    for (const char* name : Delivered) {
        const auto file = Profile::load(dataFile(name));
        const auto english = Profile::load(dataFile("default.lcl"));
        ASSERT_TRUE(file && english);
        std::vector<LocaleKey> keys(localeKeys().begin(), localeKeys().end());
        keys.insert(keys.end(), cliLocaleKeys().begin(), cliLocaleKeys().end());
        for (const LocaleKey& k : keys) {
            const auto value = file->find(k.section, k.key);
            if (!value) {
                ADD_FAILURE() << name << " lacks " << k.section << "/" << k.key;
                continue;
            }
            EXPECT_FALSE(value->empty()) << k.section << "/" << k.key;
            const auto reference = english->find(k.section, k.key);
            if (reference) {
                EXPECT_EQ(placeholders(*value), placeholders(*reference))
                    << name << " " << k.section << "/" << k.key << ": " << *value;
            }
        }
    }
}

TEST(LocaleFiles, AreAcceptedValidUtf8WithTablesWithinTheSettingLimit) {
    for (const char* name : Delivered) {
        const std::string path = dataFile(name);
        const std::string text = test::readFile(path);
        EXPECT_EQ(utf8Sanitized(text), text);
        Locale locale;
        locale.setPrimaryPath(path);
        locale.setFallbackPath(dataFile("default.lcl"));
        EXPECT_EQ(checkLocales(locale), LocaleStatus::Ok);
        for (const char* key : {"CaseTable", "sortTable", "diacriticsTable", "DiacriticsTable"}) {
            const std::string table = locale.rawText("General", key);
            EXPECT_LE(table.size(), 511u) << key;
            EXPECT_GT(table.size(), 20u) << key;
        }
        // The sort table keeps its leading blank only through its quotes.
        EXPECT_EQ(locale.rawText("General", "sortTable").substr(0, 2), " !");
        EXPECT_EQ(locale.rawText("General", "diacriticsTable"),
                  locale.rawText("General", "DiacriticsTable"));
    }
}

TEST(LocaleFiles, KeyListHasNoDuplicates) {
    std::set<std::pair<std::string, std::string>> seen;
    for (const auto& list : {localeKeys(), cliLocaleKeys()})
        for (const LocaleKey& k : list)
            EXPECT_TRUE(seen.emplace(std::string(k.section), std::string(k.key)).second)
                << k.section << "/" << k.key;
    EXPECT_EQ(seen.size(), localeKeys().size() + cliLocaleKeys().size());
}
