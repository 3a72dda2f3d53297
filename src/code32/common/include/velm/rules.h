// The rule language of a model description: conditions compiled into postfix
// cells, and the seven rule records (Judge, Item, Action, Transact,
// AlertAction, Alert, Exclusive) that refer to one another by number or by
// name. The handlers here build the records in the ModelParseContext while
// the file is read; the model image stores them and resolves the references.
#pragma once

#include <cstdint>
#include <string>

#include "velm/mdf_records.h"

// ---- compiled conditions ---------------------------------------------------------
// One cell of a postfix condition: 16-bit kind, 16-bit value.
struct JudgeCell {
  uint16_t kind;
  uint16_t value;
};
static_assert(sizeof(JudgeCell) == 4);

constexpr uint16_t kCellSetting = 1;   // push the current value of a setting item
constexpr uint16_t kCellConstant = 2;  // push an option id or a number
constexpr uint16_t kCellOperator = 3;  // apply an operator (1-9), or end (10)
constexpr uint16_t kCellGroupEnd = 4;  // end of a parenthesised group; never stored

constexpr uint16_t kOpEqual = 1;         // ==
constexpr uint16_t kOpNotEqual = 2;      // !=
constexpr uint16_t kOpAnd = 3;           // &&
constexpr uint16_t kOpOr = 4;            // ||
constexpr uint16_t kOpNot = 5;           // !
constexpr uint16_t kOpGreater = 6;       // >
constexpr uint16_t kOpLess = 7;          // <
constexpr uint16_t kOpGreaterEqual = 8;  // >=
constexpr uint16_t kOpLessEqual = 9;     // <=
constexpr uint16_t kOpEnd = 10;          // the result is the top value

// Bounds of one condition. The cells include the end cell; a named Judge is
// copied into the condition that names it, so chains of Judges are bounded
// by the cell count too.
constexpr uint32_t kRuleMaxCells = 16384;
constexpr int32_t kRuleMaxDepth = 128;    // nested '(' groups
constexpr int32_t kRuleMaxValues = 128;   // values waiting at once: invalid
constexpr uint32_t kRuleMaxNumber = 65535;

// Token types of RuleScanToken.
constexpr int32_t kTokenOther = 0;  // anything else, and the end of the text
constexpr int32_t kTokenWord = 1;
constexpr int32_t kTokenNumber = 2;
constexpr int32_t kTokenOperator = 3;
constexpr int32_t kTokenBracket = 4;

// Reads the next token of the text at the buffer's cursor (its length
// field), passing over blanks and line breaks. Every character taken into
// the token is blanked in the text. At the end of the text: kTokenOther,
// an empty token and the cursor left at the end.
int32_t RuleScanToken(MdfTextBuffer* text, std::string* token);

// Compiles the condition at the buffer's cursor into a new array of cells
// (MemFree) ended by {3, 10}; *count receives the number of cells. Null when
// the text names something that is no feature, option or earlier Judge, an
// operand is a number above 65535, a '(' is left open or nested deeper than
// 128, a ')' closes no group, the cells pass 16384, or memory runs out. The
// result is not yet checked (RuleCheckCondition).
JudgeCell* RuleCompileCondition(ModelParseContext* ctx, MdfTextBuffer* text, uint32_t* count);

// 1 when the cells form a well-formed condition: no more than 127 values
// waiting at once, every operator with its operands, and exactly one value
// at the end cell, which must come within count cells.
int32_t RuleCheckCondition(const JudgeCell* cells, uint32_t count);

// ---- references --------------------------------------------------------------------
// A reference value: the record kind in the high 16 bits, the number in the
// low 16 bits.
constexpr uint32_t kRefJudge = 0x10000;
constexpr uint32_t kRefItem = 0x20000;
constexpr uint32_t kRefAction = 0x30000;
constexpr uint32_t kRefTransact = 0x40000;
constexpr uint32_t kRefAlert = 0x50000;
constexpr uint32_t kRefAlertAction = 0x60000;
constexpr uint32_t kRefName = 0x70000;

// Record kinds: a reference base >> 16, and the index of the kind's name list.
enum RuleKind : int32_t {
  kRuleJudge = 1,
  kRuleItem = 2,
  kRuleAction = 3,
  kRuleTransact = 4,
  kRuleAlert = 5,
  kRuleAlertAction = 6,
};

// The reference value of a word: a known prefix (Judge, Item, Action,
// Transact, AlertAction before Alert, NULL) and all decimal digits of the
// word as the number ('-' anywhere makes it negative); kRefName for a word
// with none of the prefixes. A number beyond 16 bits refers to nothing (0).
uint32_t RuleParseReference(const char* word);
// What a record stores for a reference word where a record of the kind is
// expected: the full value when written with the kind's prefix, the
// registered number when written as a name of the kind, else 0.
uint32_t RuleResolveReference(const char* word, RuleKind expected);

// ---- name lists ----------------------------------------------------------------------
// One list of {name, number} per record kind, kept for one parse: cleared
// when a parse starts and freed when it ends. Each thread that parses has
// its own lists; parses are serialised by the driver mutex besides.
void RuleClearNames();
void RuleFreeNames();
// Appends a name (the first entry of a name wins at look-up); 0 when memory
// runs out.
int32_t RuleAddName(RuleKind kind, const char* name, int32_t number);
// The number registered for the name, 0 when it is not listed.
int32_t RuleFindName(RuleKind kind, const char* name);
// Judges that were given but refused (a bad condition) are remembered, so
// that what names them is dropped instead of taken as having no condition.
// RuleAddRefusedJudgeName lists the name of a refused Judge (0 when memory
// runs out); RuleIsRefusedJudgeName is true for a word in a Judge's place
// that has no reference prefix, names no accepted Judge and names a refused
// one.
int32_t RuleAddRefusedJudgeName(const char* name, int32_t number);
bool RuleIsRefusedJudgeName(const char* word);

// ---- records -------------------------------------------------------------------------
struct JudgeRecord {
  JudgeRecord* next;
  uint16_t number;
  uint16_t reserved;
  uint32_t byteLength;  // 4 per cell, the end cell included
  JudgeCell* cells;
};

// An entry of a braced record; the fields by record kind are below. The
// references are stored as RuleResolveReference gave them.
struct RuleEntry {
  RuleEntry* next;
  uint32_t field[7];
  // A Judge place of the entry names a refused Judge by name; the image
  // leaves the entry out (a refused number is found when the image is built).
  uint32_t refusedJudge;
};

// An Item, Action, Transact, AlertAction or Alert record: its number and
// entries in file order.
struct RuleRecord {
  RuleRecord* next;
  uint16_t number;
  uint16_t reserved;
  RuleEntry* entries;
};

// Fields of the entries.
constexpr int32_t kItemOption = 0, kItemHide = 1, kItemDisable = 2;
constexpr int32_t kActionTarget = 0, kActionKind = 1, kActionValue = 2;
constexpr int32_t kTransactCondition = 0, kTransactAction = 1;
constexpr int32_t kAlertActionButton = 0, kAlertActionTransact = 1;
constexpr int32_t kAlertCondition = 0, kAlertMessage = 1, kAlertIcon = 2, kAlertButtons = 3, kAlertWhen = 4,
                  kAlertAlertAction = 5;
constexpr int32_t kExclusiveKey = 0, kExclusiveHide = 1, kExclusiveDisable = 2, kExclusiveItem = 3,
                  kExclusiveAlert = 4, kExclusiveTransact = 5, kExclusiveTransact2 = 6;

constexpr uint16_t kActionTargetSetting = 0;
constexpr uint16_t kActionTargetDialog = 1;
// An alert word that is not listed.
constexpr uint16_t kAlertWordUnknown = 0xFFFF;

// Handlers of the keyword table: 1 when the record was accepted, 0 when it
// was dropped.
int32_t RuleOnJudge(ModelParseContext* ctx, MdfRecord* record);
int32_t RuleOnItem(ModelParseContext* ctx, MdfRecord* record);
int32_t RuleOnAction(ModelParseContext* ctx, MdfRecord* record);
int32_t RuleOnTransact(ModelParseContext* ctx, MdfRecord* record);
int32_t RuleOnAlertAction(ModelParseContext* ctx, MdfRecord* record);
int32_t RuleOnAlert(ModelParseContext* ctx, MdfRecord* record);
int32_t RuleOnExclusive(ModelParseContext* ctx, MdfRecord* record);

// The first Judge with the number, or null.
JudgeRecord* RuleFindJudge(ModelParseContext* ctx, uint16_t number);
// Empties the rule lists of a parse context; the records themselves live in
// the parse's own memory and go with the context.
void RuleFreeRecords(ModelParseContext* ctx);

// The default of a setting as compiled so far: the node of the setting's
// header slot (or the first node of the feature list with that setting id),
// by the low byte of its type: 1 the option id at the default position (0
// when the list is shorter), 4 and 8 the record's 32-bit default, 16 the
// default option id; 0 for anything else or when the node or its record is
// missing.
int32_t MdfGetDefaultFromHeader(uint32_t setting_id, const ModelParseHeader* header);
