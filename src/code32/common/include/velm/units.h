// Lengths: 1/1200-inch device units, dots at a resolution, and the user units
// 0.1 mm (flag 1) and 0.01 inch (flag 2).
#pragma once

#include <cstdint>

struct DriverContext;

constexpr uint32_t kUnitMm10 = 1;
constexpr uint32_t kUnitInch100 = 2;

uint32_t UnitDotsToMm10(uint32_t dots, uint32_t resolution);
uint32_t UnitDotsToInch100(uint32_t dots, uint32_t resolution);
uint32_t UnitMm10ToDots(uint32_t value, uint32_t resolution);
uint32_t UnitInch100ToDots(uint32_t value, uint32_t resolution);
uint32_t UnitRescale(uint32_t x, uint32_t a, uint32_t b);
int32_t UnitMulDiv(int32_t a, int32_t b, int32_t c);
uint32_t UnitUserToDevice(uint32_t flag, uint32_t user, uint32_t resolution);
uint32_t UnitDeviceToUser(uint32_t flag, uint32_t dots, uint32_t resolution);
int32_t UnitGetUserValue(DriverContext* ctx, uint32_t setting_id, int32_t value);
int32_t UnitSetUserValue(DriverContext* ctx, uint32_t setting_id, int32_t display_value);
int32_t UnitGetFreeSizeLimits(DriverContext* ctx, uint32_t setting_id, int32_t* out_min, int32_t* out_max);
