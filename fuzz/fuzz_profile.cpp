// Reads any byte sequence as a profile (locale file, settings, template), expands every
// value as a locale text, writes a key back and checks that it reads back as written, and
// uses the values as collation tables and texts.
#include "locale/Langutils.h"
#include "locale/Locale.h"
#include "locale/Profile.h"
#include "locale/ProfileWriter.h"
#include "storage/Utf8.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

// The comparison spelled out character by character, without its shortcuts.
int referenceCompare(const tl::Collator& c, std::string_view a, std::string_view b) {
    if (tl::isDigitsOnly(a) && tl::isDigitsOnly(b))
        return tl::collateCompare(c, a, b);
    std::size_t i = 0, j = 0, la = 0, lb = 0;
    for (; i < a.size() && j < b.size(); i += la, j += lb) {
        tl::utf8Decode(a, i, &la);
        tl::utf8Decode(b, j, &lb);
        const auto wa = tl::collateWeight(c, a, i), wb = tl::collateWeight(c, b, j);
        if (wa != wb)
            return wa < wb ? -1 : 1;
    }
    return i >= a.size() ? (j >= b.size() ? 0 : -1) : 1;
}

int sign(int x) {
    return (x > 0) - (x < 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const tl::Profile profile = tl::Profile::parse(text);
    std::size_t total = 0;
    std::vector<std::string_view> values;
    for (const auto& section : profile.sections()) {
        for (const auto& entry : section.entries) {
            if (values.size() < 64) { // lookups are linear: keep big inputs fast
                total += profile.getString(section.name, entry.key, "x", 7).size();
                total += static_cast<std::size_t>(profile.getInt(section.name, entry.key, 0) & 1);
            }
            const tl::LocaleArg args[] = {tl::LocaleArg(entry.value), tl::LocaleArg(-12),
                                          tl::LocaleArg(section.name)};
            const std::string expanded = tl::expandLocaleText(entry.value, args);
            if (expanded.size() > tl::MaxLocaleText)
                std::abort();
            values.push_back(entry.value);
        }
    }

    // Writing a key changes what the reader then finds, to exactly the value written.
    const std::string section = profile.hasSections() ? profile.sections()[0].name : "Settings";
    const std::string value(text.substr(0, std::min<std::size_t>(text.size(), 64)));
    const std::string written = tl::withProfileValue(text, section, "fuzzKey", value);
    std::string expected = value;
    for (char& c : expected)
        if (c == '\n' || c == '\r')
            c = ' ';
    if (tl::Profile::parse(written).find(section, "fuzzKey") != expected)
        std::abort();

    // The values as collation tables and as texts to compare and translate.
    if (values.size() >= 2) {
        tl::Collator collator;
        tl::initCollator(collator, values[0], values[1], (size & 1) != 0);
        const tl::CodeMap diacritics = tl::buildDiacriticsMap(values[0]);
        for (std::size_t i = 1; i < values.size(); ++i) {
            const int order = tl::collateCompare(collator, values[i - 1], values[i]);
            const int reverse = tl::collateCompare(collator, values[i], values[i - 1]);
            if (sign(order) != -sign(reverse) ||
                sign(order) != sign(referenceCompare(collator, values[i - 1], values[i])))
                std::abort();
            std::string copy(values[i]);
            tl::translateText(copy, collator.caseMap());
            tl::translateText(copy, diacritics);
            total += copy.size();
        }
    }
    if (total == 0xFFFFFFFF)
        std::abort(); // keeps the reads from being optimised away
    return 0;
}
