// A search decides for every record read whether it enters the report, so the filter runs
// once per album of every digest loaded: 1,000,000 times for a large catalogue.
// Targets on one core of the build machine:
//   BM_SearchTwoConditions   under 100 ns per record (Genre = Rock and Year >= 1990)
//   BM_SearchLongText        under 400 ns per record (Path contains a word: a long text
//                            normalised for every record)
#include "report/Filter.h"
#include "storage/RecordTable.h"

#include <benchmark/benchmark.h>

#include <random>
#include <string>

namespace {

constexpr std::size_t Records = 100'000;
constexpr std::string_view CzechCase = "ÁáČčĎďÉéĚěÍíŇňÓóŘřŠšŤťÚúŮůÝýŽž";
constexpr std::string_view CzechDiacritics = "áačcďdéeěeíiňnóořršsťtúuůuýyžz";

const tl::RecordTable& catalogue() {
    static const tl::RecordTable* table = [] {
        auto* t = new tl::RecordTable;
        const char* syllables[] = {"ka", "lo", "mi", "ra", "té", "vo", "su", "ně", "bri", "dan"};
        const char* genres[] = {"Rock", "Pop", "Jazz", "Blues", "Metal", "Folk"};
        std::mt19937 rng(7);
        auto word = [&](int n) {
            std::string w;
            for (int i = 0; i < n; ++i)
                w += syllables[rng() % std::size(syllables)];
            return w;
        };
        for (std::uint32_t i = 0; i < Records; ++i) {
            tl::Fields f = tl::emptyRecord();
            f[tl::Artist] = word(2) + " " + word(3);
            f[tl::Album] = word(3) + " " + word(2);
            f[tl::Year] = std::to_string(1955 + rng() % 70);
            f[tl::Genre] = genres[rng() % std::size(genres)];
            f[tl::Path] = "Music/" + f[tl::Artist] + "/" + f[tl::Album];
            t->add(i, f);
        }
        return t;
    }();
    return *table;
}

void runSearch(benchmark::State& state, const std::vector<tl::FilterCondition>& conditions) {
    const tl::RecordTable& table = catalogue();
    const tl::Filter filter(conditions, CzechCase, CzechDiacritics, tl::DateOrder::DayFirst);
    std::size_t passed = 0;
    for (auto _ : state) {
        for (std::size_t i = 0; i < table.size(); ++i)
            passed += filter.passes(table.at(i)) ? 1 : 0;
    }
    benchmark::DoNotOptimize(passed);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * table.size()));
}

void BM_SearchTwoConditions(benchmark::State& state) {
    runSearch(state,
              {{tl::Genre, tl::FilterOperator::Equal, tl::FilterConnective::And, "Rock"},
               {tl::Year, tl::FilterOperator::GreaterEqual, tl::FilterConnective::And, "1990"}});
}
BENCHMARK(BM_SearchTwoConditions)->Unit(benchmark::kMillisecond);

void BM_SearchLongText(benchmark::State& state) {
    runSearch(state,
              {{tl::Path, tl::FilterOperator::Contains, tl::FilterConnective::And, "brivo"}});
}
BENCHMARK(BM_SearchLongText)->Unit(benchmark::kMillisecond);

} // namespace
