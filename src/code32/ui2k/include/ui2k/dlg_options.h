// The tables and rules of the installed-options dialog: which setting an
// option of the options list stands for, which tray an option of the tray
// list is, the rule rows that toggle options, and what a click on an option
// changes.
#pragma once

#include <cstdint>

struct DriverContext;

// {setting id, value} pairs; a list ends with setting 0.
struct OptionSettingValue {
  int16_t setting;
  int32_t value;
};
// Linked options of a rule row; a list ends with a row whose first word is 0.
struct OptionLink {
  int16_t present;
  int16_t option;
};
// An option toggled by its rule: on when its setting has its value (and the
// second setting its value, when there is one). While the lock pair holds
// the option cannot change. The on-list is applied when it is switched on,
// the off-list when it is switched off. Option 0 ends a table.
struct OptionRule {
  int16_t option;
  int16_t setting;
  int32_t value;
  int16_t setting2;  // 0: none
  int32_t value2;
  const OptionSettingValue* lock;  // null: none
  const OptionLink* links;         // null: none
  const OptionSettingValue* onList;
  const OptionSettingValue* offList;
  uint32_t rebuildTrays;
  uint32_t repaint;
};

// The rule rows (the model family does not change them).
const OptionRule* DlgGetOptionRuleTable(int32_t family);
// The rule row of the option, or null.
const OptionRule* DlgFindOptionRule(int32_t family, uint16_t option);

// The printer-wide setting of an option of the options list: the first
// row's setting (10023) for an option the table does not hold.
int32_t DlgOptionSettingOf(uint16_t option);
// The tray index (0-31) of an option of the tray list: the first row's
// index (0) for an option the table does not hold.
int32_t DlgOptionTrayIndex(uint16_t option);
// False for an option the tray table does not hold.
bool DlgIsTrayOption(uint16_t option);
// The table rows, for their tests: count and row i as {setting or tray, option}.
int32_t DlgOptionSettingRowCount();
int32_t DlgOptionTrayRowCount();

// What a click may ask of the dialog.
constexpr uint32_t kOptionRebuildTrays = 1;
constexpr uint32_t kOptionRepaint = 2;

// Switches on the first linked option of every rule row that is on while
// none of its linked options is (the second when the first is the clicked
// row or missing); the rebuild and repaint flags of the rows switched.
uint32_t DlgKeepOptionGroups(DriverContext* ctx, const OptionRule* clicked);
// A click on an option of the options list with the list enabled: the
// settings changed as the option's rule or group says; answers
// kOptionRebuildTrays and kOptionRepaint as needed.
uint32_t DlgClickOption(DriverContext* ctx, uint16_t option);
// How the options list shows the option.
bool DlgIsOptionChecked(DriverContext* ctx, uint16_t option);
bool DlgIsOptionGrey(DriverContext* ctx, uint16_t option);
