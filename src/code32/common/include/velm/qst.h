// Settings files (only the declarations the setting store calls).
#pragma once

#include <cstdint>

struct SettingRecord;

// Item filters: 1 when the row takes part.
int32_t QstIsBidiDeviceItem(const SettingRecord* row);
