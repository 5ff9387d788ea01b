#pragma once
/**
 * @file SaturatingSum.h
 * Sums of sizes and playing times. They only overflow with hand-made numbers near the
 * 64-bit limit; they stop there rather than wrap into a negative size.
 */
#include <cstdint>
#include <limits>

namespace tl {

/** Adds @p value to @p sum, which stays at the 64-bit limit it would pass. */
inline void addSaturating(std::int64_t& sum, std::int64_t value) {
    if (__builtin_add_overflow(sum, value, &sum))
        sum = value < 0 ? std::numeric_limits<std::int64_t>::min()
                        : std::numeric_limits<std::int64_t>::max();
}

} // namespace tl
