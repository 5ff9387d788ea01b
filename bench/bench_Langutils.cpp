// Collation runs for every comparison of a report sort and every field of a search, so a
// 1,000,000-record report (about 20 million comparisons) must sort in a few seconds.
// Targets on one core of the build machine:
//   BM_CompareAscii, BM_CompareCzech   under 100 ns per comparison
//   BM_SortMillion                     under 5 s
//   BM_NormaliseField                  under 200 ns per field
#include "locale/Langutils.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr std::string_view CzechCase = "ÁáČčĎďÉéĚěÍíŇňÓóŘřŠšŤťÚúŮůÝýŽž";
constexpr std::string_view CzechSort = " 0123456789aábcčdďeéěfghiíjklmnňoópqrřsštťuúůvwxyýzž";
constexpr std::string_view CzechDiacritics = "áačcďdéeěeíiňnóořršsťtúuůuýyžz";

tl::Collator czech() {
    tl::Collator c;
    tl::initCollator(c, CzechCase, CzechSort, true);
    return c;
}

std::vector<std::string> names(std::size_t count) {
    const char* parts[] = {"Chinaski",  "Čechomor",     "Lucie",         "Olympic",
                           "Žlutý pes", "Beatles",      "Řezník",        "Hradišťan",
                           "Kryštof",   "Divokej Bill", "Michal David",  "Škwor",
                           "Tata Bojs", "Chaozz",       "Mňága a Žďorp", "Buty"};
    std::mt19937 random(42);
    std::vector<std::string> out;
    out.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        out.push_back(std::string(parts[random() % std::size(parts)]) + " " +
                      std::to_string(random() % 1000));
    return out;
}

void BM_CompareAscii(benchmark::State& state) {
    const tl::Collator c;
    for (auto _ : state)
        benchmark::DoNotOptimize(tl::collateCompare(c, "The Rolling Stones", "The Roling Stones"));
}
BENCHMARK(BM_CompareAscii);

void BM_CompareCzech(benchmark::State& state) {
    const tl::Collator c = czech();
    for (auto _ : state)
        benchmark::DoNotOptimize(tl::collateCompare(c, "Mňága a Žďorp", "Mňága a Ždorp"));
}
BENCHMARK(BM_CompareCzech);

void BM_SortMillion(benchmark::State& state) {
    const tl::Collator c = czech();
    const std::vector<std::string> original = names(1'000'000);
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<std::string> v = original;
        state.ResumeTiming();
        std::sort(v.begin(), v.end(), [&c](const std::string& a, const std::string& b) {
            return tl::collateCompare(c, a, b) < 0;
        });
        benchmark::DoNotOptimize(v.data());
    }
}
BENCHMARK(BM_SortMillion)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_NormaliseField(benchmark::State& state) {
    const tl::CodeMap caseMap = tl::buildCaseMap(CzechCase);
    const tl::CodeMap diacritics = tl::buildDiacriticsMap(CzechDiacritics);
    std::string field;
    field.reserve(64);
    for (auto _ : state) {
        field = "Příliš žluťoučký kůň";
        tl::translateText(field, caseMap);
        tl::translateText(field, diacritics);
        benchmark::DoNotOptimize(field.data());
    }
}
BENCHMARK(BM_NormaliseField);

} // namespace
