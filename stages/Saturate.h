// Sizes and positions computed from user settings: the settings are any
// 32-bit value, so sums and differences of them are formed in 64 bits and
// brought back to int by saturation rather than wrapping.
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>

// value limited to the range of int: 2147483647 + 10 gives 2147483647.
constexpr int SaturateToInt(std::int64_t value) {
  return static_cast<int>(std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(),
                                                   std::numeric_limits<int>::max()));
}
