// Unit conversions. Products are split into quotient and remainder so that no
// intermediate value leaves 32 bits.
#include "velm/units.h"

#include "velm/context.h"
#include "velm/settings.h"

namespace {
constexpr uint32_t kDevice = 1200;  // device units per inch
constexpr uint32_t kFreeSizeWidth = 860, kFreeSizeLength = 861;
}  // namespace

uint32_t UnitDotsToMm10(uint32_t dots, uint32_t r) {
  if (r == 0) return 0;
  return (dots / r) * 254 + (dots % r) * 254 / r;
}

uint32_t UnitDotsToInch100(uint32_t dots, uint32_t r) {
  // A resolution below 100 dpi has no whole number of dots per 0.01 inch.
  uint32_t per = r / 100;
  return per == 0 ? 0 : dots / per;
}

uint32_t UnitMm10ToDots(uint32_t value, uint32_t r) { return r * (value / 254) + r * (value % 254) / 254; }

uint32_t UnitInch100ToDots(uint32_t value, uint32_t r) { return value * (r / 100); }

uint32_t UnitRescale(uint32_t x, uint32_t a, uint32_t b) {
  if (a == 0 || b == 0) return 0;
  return b * (x / a) + b * (x % a) / a;
}

int32_t UnitMulDiv(int32_t a, int32_t b, int32_t c) {
  if (c == 0) return -1;
  return int32_t(int64_t(a) * b / c);
}

namespace {

uint32_t UserOf(uint32_t flag, uint32_t n) {
  return flag == kUnitMm10 ? UnitDotsToMm10(n, kDevice) : UnitDotsToInch100(n, kDevice);
}
uint32_t DeviceOf(uint32_t flag, uint32_t u) {
  return flag == kUnitMm10 ? UnitMm10ToDots(u, kDevice) : UnitInch100ToDots(u, kDevice);
}

}  // namespace

uint32_t UnitUserToDevice(uint32_t flag, uint32_t u, uint32_t r) {
  if (flag != kUnitMm10 && flag != kUnitInch100) return 0;
  uint32_t n = DeviceOf(flag, u);
  // The largest even count whose user value does not exceed u.
  while (n != 0 && (u < UserOf(flag, n) || (n & 1))) --n;
  return UnitRescale(n, kDevice, r);
}

uint32_t UnitDeviceToUser(uint32_t flag, uint32_t d, uint32_t r) {
  if (flag != kUnitMm10 && flag != kUnitInch100) return 0;
  uint32_t b = UnitRescale(d, r, kDevice);
  uint32_t i = UserOf(flag, b);
  while (DeviceOf(flag, i) < b) ++i;
  return i;
}

int32_t UnitGetUserValue(DriverContext* ctx, uint32_t setting_id, int32_t value) {
  int32_t v = setting_id ? OptGetOptionById(ctx, setting_id) : value;
  if (v < 0) return 0;
  return int32_t(UnitDeviceToUser(UnitIsMetric(ctx) ? kUnitMm10 : kUnitInch100, uint32_t(v), kDevice));
}

int32_t UnitSetUserValue(DriverContext* ctx, uint32_t setting_id, int32_t display_value) {
  if (display_value < 0) return 0;
  int32_t device =
      int32_t(UnitUserToDevice(UnitIsMetric(ctx) ? kUnitMm10 : kUnitInch100, uint32_t(display_value), kDevice));
  if (setting_id) OptSetOptionById(ctx, setting_id, device);
  return device;
}

int32_t UnitGetFreeSizeLimits(DriverContext* ctx, uint32_t setting_id, int32_t* out_min, int32_t* out_max) {
  const ModelInfo& m = ctx && ctx->model ? *ctx->model : CtxGetBuiltinModelInfo();
  uint32_t lo, hi;
  if (setting_id == kFreeSizeWidth) {
    lo = m.customWidthMin;
    hi = m.customWidthMax;
  } else if (setting_id == kFreeSizeLength) {
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
