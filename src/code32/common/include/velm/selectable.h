// The PJL variable table and the option lists still selectable under the
// installed options: which values of a setting that outside programs name by
// a PJL variable the printer can take now, and the normalisation that
// follows settings set from outside.
#pragma once

#include <cstdint>

struct DriverContext;

// A setting set together with a value; flags 1 on every entry but the last.
struct PjlAction {
  const PjlAction* next;
  uint32_t flags;
  uint32_t settingId;
  int32_t value;
};

// One term of a condition list: the setting must hold the value. Flags 0 join
// the term to the next with "or", 1 with "and"; bit 0x2 marks a term that is
// passed over once the chain it belongs to is decided.
struct PjlCondition {
  const PjlCondition* next;
  uint32_t flags;
  uint16_t settingId;
  uint16_t reserved;
  int32_t value;
};
constexpr uint32_t kPjlTermAnd = 0x1;
constexpr uint32_t kPjlTermSkip = 0x2;

struct PjlOptionRow {
  uint32_t flags;  // kPjlOptionDefault, kPjlOptionAlias
  int32_t value;
  const char* text;
  uint32_t reserved1;
  const PjlAction* actions;        // null: none
  const PjlCondition* conditions;  // null: always available
  uint32_t reserved2;
};
constexpr uint32_t kPjlOptionDefault = 0x1;
constexpr uint32_t kPjlOptionAlias = 0x10;

struct PjlOptionList {
  uint32_t count;
  const PjlOptionRow* rows;
};

struct PjlRequirement {
  uint32_t settingId;
  int32_t value;
};

// A row's setting may be a computed condition item ("BOOKLET" names item
// 732): such a value is worked out from other settings, and no setter may
// write it.
struct PjlVariableRow {
  uint32_t settingId;  // 0: a variable without a setting
  uint32_t subKey;
  uint32_t flags;   // kPjlRowOwnOptions, kPjlRowModelOptions, marks the query engine reads
  uint32_t access;  // kPjlAccess...
  uint32_t valueType;  // 1 pick list, 8 numeric, 16 string
  const char* name;
  const PjlRequirement* requirements;
  const PjlOptionList* options;       // null: none
  const PjlCondition* conditions;     // row condition, null: none
};
constexpr uint32_t kPjlRowOwnOptions = 0x1;
constexpr uint32_t kPjlRowModelOptions = 0x2;
constexpr uint32_t kPjlAccessCommand = 1;
constexpr uint32_t kPjlAccessPrinterOption = 2;
constexpr uint32_t kPjlAccessPrinterValue = 4;

struct PjlVariableTable {
  uint32_t count;
  const PjlVariableRow* rows;
};
constexpr uint32_t kPjlVariableCount = 48;

// The built-in table, the same in every library.
const PjlVariableTable* OptGetSelectableTable();

// The first row of the setting (id 0 never matches) whose access mask shares
// a bit with `access` and, for a printer-option row with a row condition,
// whose condition holds; null when none.
const PjlVariableRow* OptFindSelectableRow(DriverContext* ctx, uint32_t id, uint32_t access);
// 1 when the condition list holds with the current settings (an empty list
// holds).
int32_t OptCheckConditions(DriverContext* ctx, const PjlCondition* list);
// The same over the model's support settings: a term on an installed-option
// copy (443-538) reads the model's support bit (id - 193); any other term is
// passed over.
int32_t OptCheckOptionConditions(DriverContext* ctx, const PjlCondition* list);

// Results of OptListSelectableValues.
constexpr int32_t kSelectableDone = 0;
constexpr int32_t kSelectableNeedRoom = 1;  // *count values found; the array is absent or too small
constexpr int32_t kSelectableNoMemory = 255;
// The values of the setting's command-variable row that are selectable now,
// in table order (default rows left out when skip_default is non-zero).
int32_t OptListSelectableValues(DriverContext* ctx, uint32_t id, int32_t capacity, int32_t* values, int32_t* count,
                                int32_t skip_default);
int32_t OptListSelectable(DriverContext* ctx, uint32_t id, int32_t capacity, int32_t* values, int32_t* count);
// 1 when a value other than the default is selectable.
int32_t OptHasSelectableOption(DriverContext* ctx, uint32_t id);

// After settings were set from outside: falls back to 600 dpi when the page
// passes the dot limit, marks the print quality as set, derives resolution
// and paper geometry again and runs every Transact list. Always 0.
int32_t OptNormalizeAfterSet(DriverContext* ctx);
