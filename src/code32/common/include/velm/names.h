// The built-in name tables (feature names, option names, alert messages), the
// display-language table, the user paper-size slot codes, and the look-ups
// over them and over a context's dialog table.
#pragma once

#include <cstdint>

#include "plat/wintypes.h"

struct DriverContext;
struct DialogRecord;
struct DialogItemRecord;
struct SettingRecord;

struct UiSymbolRow {
  uint16_t settingId;  // 0 when the symbol names no setting
  uint16_t key;
  const char* name;
};
struct UiSymbolTable {
  int16_t count;
  const UiSymbolRow* rows;
};

struct OptionNameRow {
  uint16_t settingId;
  uint16_t featureKey;
  uint16_t optionId;
  uint16_t zero;
  const char* keyword;
  uint32_t hasValue;
  uint32_t value;
};
struct OptionNameTable {
  int16_t count;
  const OptionNameRow* rows;
};

struct MessageNameRow {
  uint16_t id;
  uint16_t textId;
  uint16_t captionId;  // 0: the printer name
  const char* name;
};
struct MessageNameTable {
  int16_t count;
  const MessageNameRow* rows;
};

struct LanguageRow {
  uint16_t id;
  uint16_t primary;
  uint16_t sublang;
  const char16_t* code;
};

const UiSymbolTable& MdfGetSymbolTable();
const OptionNameTable& MdfGetOptionNameTable();
const MessageNameTable& RuleGetMessageTable();
const LanguageRow* ResGetLanguageTable();  // ended by id 0xFFFF

constexpr int kUiSymbolCount = 1075;
constexpr int kOptionNameCount = 1665;  // 1653 and the 12 rows of the trays' orientation
constexpr int kMessageNameCount = 35;

// Feature-name table.
const UiSymbolRow* MdfFindFeatureByKey(int32_t key);
const UiSymbolRow* MdfFindFeatureByName(const char* name);
const char16_t* OptGetSettingName(DriverContext* ctx, uint32_t setting_id);

// Option-name table (first match wins).
const OptionNameRow* MdfFindOptionById(uint32_t setting_id, uint32_t option_id);
const OptionNameRow* MdfFindOptionByName(const char* keyword);

// Alert messages; a null context means the template's table.
int32_t RuleGetAlertMessageCount(DriverContext* ctx);
const MessageNameRow* RuleGetAlertMessage(DriverContext* ctx, int32_t index);
const MessageNameRow* RuleFindAlertMessage(DriverContext* ctx, uint32_t message_id);
const MessageNameRow* RuleFindAlertMessageByName(DriverContext* ctx, const char* name);

// Dialog records and items of a context's dialog table.
DialogRecord* CtxFindDialog(DriverContext* ctx, uint32_t dialog_id);
DialogRecord* CtxFindDialogByWindow(DriverContext* ctx, HWND window);
DialogRecord* CtxFindDialogByName(DriverContext* ctx, const char* name);
DialogItemRecord* CtxGetControl(DialogRecord* dialog, uint32_t index);
DialogItemRecord* CtxFindControl(DriverContext* ctx, DialogRecord* dialog, uint32_t control_id);
DialogItemRecord* CtxFindControlByWindow(DriverContext* ctx, DialogRecord* dialog, HWND window);

// Languages.
uint16_t ResFindLanguageByLangId(uint16_t primary, uint16_t sublang);
uint16_t ResGetLanguageLangId(uint32_t language_id, uint16_t* out_sublang);
uint16_t ResGetLanguagePrimary(uint32_t language_id);
int32_t ResIsLanguageId(uint32_t language_id);

// User paper-size slots.
int32_t FreeSizeIsSlotCode(uint32_t code);
int32_t FreeSizeGetSlotCount();
uint32_t FreeSizeSlotToCode(uint32_t slot, uint32_t count);
// Unknown codes give 0, which is also a real slot: test FreeSizeIsSlotCode first.
uint32_t FreeSizeCodeToSlot(uint32_t code, DriverContext* ctx);
