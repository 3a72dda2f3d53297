// What the open of a context of kind 0 asks of areas still to come: the
// batch-settings hand-over with the job-information provider, and the preset
// snapshot cache (defined with the preset lists).
//
// Stand-ins until those areas land (each marked where it is defined):
// DrvInstSet is never set.
#pragma once

#include <cstdint>

#include "plat/wintypes.h"
#include "velm/inst.h"
#include "velm/jobinfo.h"

struct DriverContext;
struct SettingRecord;

// The preset snapshot cache of a context (entry numbers 0-15): operation 0
// clear, 1 restore, 2 store, 3 free all; 1 only when a restore restored.
constexpr int32_t kPresetCacheClear = 0;
constexpr int32_t kPresetCacheRestore = 1;
constexpr int32_t kPresetCacheStore = 2;
constexpr int32_t kPresetCacheFreeAll = 3;
int32_t PresetCacheControl(DriverContext* ctx, uint32_t key, int32_t operation);
