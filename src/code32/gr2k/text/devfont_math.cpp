// Integer helpers of the device-font metrics.
#include <cmath>

#include "gr2k/devfont.h"

int64_t TxtHypot(int64_t x, int64_t y) {
  using u128 = unsigned __int128;
  const u128 ax = x < 0 ? u128(0) - u128(x) : u128(x);
  const u128 ay = y < 0 ? u128(0) - u128(y) : u128(y);
  const u128 sum = ax * ax + ay * ay;
  // A floating estimate, then the exact ceiling of the square root.
  u128 r = u128(std::sqrt(static_cast<long double>(sum)));
  while (r > 0 && (r - 1) * (r - 1) >= sum) --r;
  while (r * r < sum) ++r;
  return int64_t(r);
}
