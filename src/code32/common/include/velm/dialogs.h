// The built-in dialog table: one record per dialog of the property sheets and
// one item row per control. A context of the printer-interface library holds
// its own writable copy; the run-time fields start at zero.
#pragma once

#include <cstdint>

#include "plat/wintypes.h"

struct SettingRecord;

// Flags of a dialog record.
constexpr uint32_t kDlgDocumentSheet = 0x1;
constexpr uint32_t kDlgDeviceSheet = 0x2;
constexpr uint32_t kDlgModal = 0x4;
constexpr uint32_t kDlgPresetSheet = 0x10;
constexpr uint32_t kDlgUserSheet = 0x20;

// Item flag: a length in 1/1200 inch shown in the display unit.
constexpr uint32_t kItemLengthUnit = 0x80000000u;

struct DialogItemRecord {
  uint16_t symbol;
  uint16_t controlId;
  uint16_t kind;
  uint16_t controlIdCopy;
  uint16_t helpId;
  uint16_t tipId;
  uint16_t messageId;
  uint16_t linkedControl;
  uint32_t hidden;
  uint32_t disabled;
  HWND window;
  const void* feature;  // the model's feature node, bound at page start
  SettingRecord* setting;
  void* previousWndProc;
  const void* extraData;  // extra-data block, first 16-bit word its tag
  int16_t paperFlag;
  uint32_t flags;
};

struct DialogRecord {
  uint16_t dialogId;
  uint16_t symbol;
  uint32_t flags;
  const char* name;
  uint32_t helpId;
  uint32_t itemCount;
  DialogItemRecord* items;
  HWND window;
  uint32_t runtime[5];
};

struct DialogTable {
  int16_t count;
  DialogRecord* rows;
};

constexpr int kDialogCount = 47;

// The built-in read-only table (items point into built-in rows).
const DialogTable& DlgGetBuiltinTable();
