// Settings of a context in readable form, for the commands that print
// DEVMODEs and rule outcomes: the item name, and the value with the keyword
// of its option.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "plat/wstr.h"
#include "velm/context.h"
#include "velm/names.h"
#include "velm/settings.h"

namespace velm_cli {

inline std::string SettingName(const SettingRecord* row) {
  if (!row) return "-";
  return row->itemName ? plat::ToUtf8(row->itemName) : "#" + std::to_string(row->id);
}

// The keyword of an option id of a setting, empty when the table has none.
inline std::string OptionKeyword(uint32_t setting_id, int32_t option_id) {
  if (option_id <= 0 || option_id > 0xFFFF) return "";
  const OptionNameRow* row = MdfFindOptionById(setting_id, uint32_t(option_id));
  return row && row->keyword ? row->keyword : "";
}

// The bytes of a setting's storage in the work buffer, empty for none.
inline std::vector<uint8_t> SettingBytes(DriverContext* ctx, const SettingRecord* row) {
  const uint8_t* p = OptGetValueAddr(ctx, row);
  return p ? std::vector<uint8_t>(p, p + DescSize(row->descriptor)) : std::vector<uint8_t>();
}

// True when the setting holds anything but zero.
inline bool SettingIsSet(DriverContext* ctx, const SettingRecord* row) {
  uint32_t type = DescType(row->descriptor);
  if (IsIntegerType(type)) return OptGetValue(ctx, row) != 0;
  std::vector<uint8_t> bytes = SettingBytes(ctx, row);
  return std::any_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b != 0; });
}

// "VALUE", "VALUE KEYWORD" for a value with an option, "\"TEXT\"" for text
// settings, hex bytes (trailing zeros left out) for blocks.
inline std::string SettingValueText(DriverContext* ctx, const SettingRecord* row) {
  uint32_t type = DescType(row->descriptor);
  if (IsIntegerType(type)) {
    int32_t value = OptGetValue(ctx, row);
    std::string text = type == kTypeU32 ? std::to_string(uint32_t(value)) : std::to_string(value);
    if (OptListHasValue(ctx, row, value)) {
      std::string keyword = OptionKeyword(row->id, OptGetOption(ctx, row));
      if (!keyword.empty()) text += " " + keyword;
    }
    return text;
  }
  if (IsAnsiType(type) || IsWideType(type)) {
    std::vector<char16_t> buffer(std::max<size_t>(DescSize(row->descriptor), 6) + 1, 0);
    OptGetText(ctx, row, buffer.data());
    return "\"" + plat::ToUtf8(buffer.data()) + "\"";
  }
  std::vector<uint8_t> bytes = SettingBytes(ctx, row);
  while (!bytes.empty() && bytes.back() == 0) bytes.pop_back();
  std::string text = "hex:";
  for (uint8_t b : bytes) {
    char hex[4];
    std::snprintf(hex, sizeof hex, "%02X", b);
    text += hex;
  }
  return bytes.empty() ? "0" : text;
}

}  // namespace velm_cli
