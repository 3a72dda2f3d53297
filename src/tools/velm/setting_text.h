// Settings of a context in readable form, for the commands that print
// DEVMODEs and rule outcomes: the item name, and the value with the keyword
// of its option.
#pragma once

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
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

inline bool SameText(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return std::tolower(x) == std::tolower(y); });
}

// The setting a NAME names: a setting id in decimal, a feature name, else
// an item name.
inline SettingRecord* FindSetting(DriverContext* ctx, const std::string& name) {
  if (!name.empty() && name.find_first_not_of("0123456789") == std::string::npos && name.size() < 6)
    return OptFindSetting(ctx, uint32_t(std::stoul(name)));
  if (const UiSymbolRow* sym = MdfFindFeatureByName(name.c_str()); sym && sym->settingId)
    return OptFindSetting(ctx, sym->settingId);
  for (int i = 0; i < ctx->settings->count; ++i) {
    SettingRecord* row = &ctx->settings->rows[i];
    if (row->itemName && SameText(plat::ToUtf8(row->itemName), name)) return row;
  }
  return nullptr;
}

// Sets the setting by a keyword (an option keyword, True or False, or a
// 32-bit number); false when the keyword means nothing.
inline bool SetByKeyword(DriverContext* ctx, SettingRecord* row, const std::string& keyword) {
  char* end = nullptr;
  errno = 0;
  long long number = std::strtoll(keyword.c_str(), &end, 10);
  if (!keyword.empty() && end && *end == 0) {
    if (errno == ERANGE || number < INT32_MIN || number > UINT32_MAX) return false;
    return OptSetValue(ctx, row, int32_t(uint32_t(number))) != 0;
  }
  if (SameText(keyword, "True") || SameText(keyword, "False"))
    return OptSetValue(ctx, row, SameText(keyword, "True") ? 1 : 0) != 0;
  const OptionNameTable& table = MdfGetOptionNameTable();
  const OptionNameRow* found = nullptr;
  for (int i = 0; i < table.count && !found; ++i)
    if (table.rows[i].settingId == row->id && table.rows[i].keyword && keyword == table.rows[i].keyword)
      found = &table.rows[i];
  if (!found) found = MdfFindOptionByName(keyword.c_str());
  return found && OptSetOption(ctx, row, found->optionId) != 0;
}

}  // namespace velm_cli
