// Unit conversions. Every product is formed in 64 bits; a result that does
// not fit 32 bits is answered as 0xFFFFFFFF rather than wrapped, so a length
// that is too large stays too large.
#include "velm/setting_ids.h"
#include "velm/units.h"

#include <cstdint>
#include <limits>

#include "velm/context.h"
#include "velm/settings.h"

namespace {
constexpr uint32_t kDevice = 1200;  // device units per inch

uint32_t Saturate(uint64_t v) { return v > UINT32_MAX ? UINT32_MAX : uint32_t(v); }
}  // namespace

uint32_t UnitDotsToMm10(uint32_t dots, uint32_t r) {
  if (r == 0) return 0;
  return Saturate(uint64_t(dots) * 254 / r);
}

uint32_t UnitDotsToInch100(uint32_t dots, uint32_t r) {
  // A resolution below 100 dpi has no whole number of dots per 0.01 inch.
  uint32_t per = r / 100;
  return per == 0 ? 0 : dots / per;
}

uint32_t UnitMm10ToDots(uint32_t value, uint32_t r) { return Saturate(uint64_t(r) * value / 254); }

uint32_t UnitInch100ToDots(uint32_t value, uint32_t r) { return Saturate(uint64_t(value) * (r / 100)); }

uint32_t UnitRescale(uint32_t x, uint32_t a, uint32_t b) {
  if (a == 0 || b == 0) return 0;
  return Saturate(uint64_t(x) * b / a);
}

int32_t UnitMulDiv(int32_t a, int32_t b, int32_t c) {
  if (c == 0) return -1;
  int64_t q = int64_t(a) * b / c;
  if (q > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (q < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return int32_t(q);
}

namespace {

// The user value of a 1/1200-inch count and back, in 64 bits.
uint64_t UserOf(uint32_t flag, uint64_t n) { return flag == kUnitMm10 ? n * 254 / kDevice : n / (kDevice / 100); }
uint64_t DeviceOf(uint32_t flag, uint64_t u) { return flag == kUnitMm10 ? u * kDevice / 254 : u * (kDevice / 100); }

// Both searches below start within a step or two of their answer (the two
// conversions are inverse up to rounding); the bound keeps them finite for
// any input.
constexpr int kSearchSteps = 16;

}  // namespace

uint32_t UnitUserToDevice(uint32_t flag, uint32_t u, uint32_t r) {
  if (flag != kUnitMm10 && flag != kUnitInch100) return 0;
  uint64_t n = DeviceOf(flag, u);
  // The largest even count whose user value does not exceed u.
  for (int step = 0; n != 0 && (u < UserOf(flag, n) || (n & 1)) && step < kSearchSteps; ++step) --n;
  return r == 0 ? 0 : Saturate(n * r / kDevice);
}

uint32_t UnitDeviceToUser(uint32_t flag, uint32_t d, uint32_t r) {
  if (flag != kUnitMm10 && flag != kUnitInch100) return 0;
  if (r == 0) return 0;
  uint64_t b = uint64_t(d) * kDevice / r;  // up to 2^42: no 32-bit rescale here
  uint64_t i = UserOf(flag, b);
  // The first user value whose device count reaches b.
  for (int step = 0; DeviceOf(flag, i) < b && step < kSearchSteps; ++step) ++i;
  return Saturate(i);
}

int32_t UnitGetUserValue(DriverContext* ctx, uint32_t setting_id, int32_t value) {
  int32_t v = setting_id ? OptGetOptionById(ctx, setting_id) : value;
  if (v < 0) return 0;
  uint32_t user = UnitDeviceToUser(UnitIsMetric(ctx) ? kUnitMm10 : kUnitInch100, uint32_t(v), kDevice);
  return int32_t(user > uint32_t(INT32_MAX) ? uint32_t(INT32_MAX) : user);
}

int32_t UnitSetUserValue(DriverContext* ctx, uint32_t setting_id, int32_t display_value) {
  if (display_value < 0) return 0;
  uint32_t dots = UnitUserToDevice(UnitIsMetric(ctx) ? kUnitMm10 : kUnitInch100, uint32_t(display_value), kDevice);
  int32_t device = int32_t(dots > uint32_t(INT32_MAX) ? uint32_t(INT32_MAX) : dots);
  if (setting_id) OptSetOptionById(ctx, setting_id, device);
  return device;
}

int32_t UnitGetFreeSizeLimits(DriverContext* ctx, uint32_t setting_id, int32_t* out_min, int32_t* out_max) {
  const ModelInfo& m = ctx && ctx->model ? *ctx->model : CtxGetBuiltinModelInfo();
  uint32_t lo, hi;
  if (setting_id == setting::wdmFreeSizeWidth) {
    lo = m.customWidthMin;
    hi = m.customWidthMax;
  } else if (setting_id == setting::wdmFreeSizeLength) {
    lo = m.customLengthMin;
    hi = m.customLengthMax;
  } else {
    return 0;
  }
  // Rounded inward, so that both display limits convert back into the range.
  int32_t min = UnitGetUserValue(ctx, 0, int32_t(lo));
  int32_t max = UnitGetUserValue(ctx, 0, int32_t(hi));
  if (uint32_t(UnitSetUserValue(ctx, 0, max)) > hi) --max;
  if (uint32_t(UnitSetUserValue(ctx, 0, min)) < lo) ++min;
  if (out_min) *out_min = min;
  if (out_max) *out_max = max;
  return 1;
}
