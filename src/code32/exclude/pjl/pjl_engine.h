// The PJL command engine behind the query library's command interface.
//
// It turns "@PJL SET name = value" lines into setting values of a handle's
// context, lets the model's rules act on them, writes the settings back as
// lines, and compares them with the caller's command base to find the lines
// the rules forced. It also gives the value texts of variables, the value
// lists a variable may take, the printer's option and value texts and the
// watermark blocks. All texts are ANSI (the system code page).
#pragma once

#include <cstddef>
#include <cstdint>

#include "exc_handle.h"
#include "velm/selectable.h"

struct DriverContext;

// ---- results -----------------------------------------------------------------------
constexpr int32_t kExcOk = 0;
constexpr int32_t kExcChanged = 1;  // forced changes wait in the handle (or: buffer too small)
constexpr int32_t kExcFailed = -1;
constexpr int32_t kExcNoBase = -2;  // no base given, or a base without all four base items

// ---- scratch text --------------------------------------------------------------------
// A growing ANSI text. `length` never counts the NUL behind the last text
// unless a list ending was appended on purpose.
struct ExcTextBuffer {
  size_t capacity;
  size_t length;
  char* text;  // MemAllocZeroed, always NUL-terminated within capacity
};
constexpr size_t kExcTextStep = 4096;
// Starts an empty buffer of one step; false when memory runs out.
bool ExcTextInit(ExcTextBuffer* b);
void ExcTextFree(ExcTextBuffer* b);
// Appends bytes; the buffer grows in whole steps until they and a NUL fit.
// False (buffer unchanged) when memory runs out or the size would overflow.
bool ExcTextAppend(ExcTextBuffer* b, const char* bytes, size_t n);
bool ExcTextAppendString(ExcTextBuffer* b, const char* text);
// Appends one NUL that counts in the length (ends one entry of a list).
bool ExcTextAppendNul(ExcTextBuffer* b);
// "@PJL SET " name " = " value " \r\n".
bool ExcTextAppendLine(ExcTextBuffer* b, const char* name, const char* value);

// ---- lines ---------------------------------------------------------------------------
// Each token of a line goes into a buffer of this many bytes (NUL included);
// a longer token makes the line malformed.
constexpr size_t kExcTokenSize = 264;
// Reads one line from text: the bytes consumed (up to and including its LF),
// 0 at the end of the text, -1 for a malformed line. name and value receive
// the two tokens (kExcTokenSize bytes each).
int32_t ExcParseLine(const char* text, char* name, char* value);
// The value of the first line named `name`; the search stops silently at the
// first malformed line. False when there is none (or text is null).
bool ExcFindLineValue(const char* text, const char* name, char* value);

// ---- variables -------------------------------------------------------------------------
const PjlVariableRow* ExcFindVariable(const char* name, uint32_t access_mask);
const PjlVariableRow* ExcFindVariableByItem(uint32_t item, uint32_t access_mask);
// A variable without an item is settable when it is marked so; otherwise its
// item and every item of its requirement list must be recorded.
bool ExcIsSettable(const ExcHandle* h, const PjlVariableRow* row);

// ---- the command interface's operations -------------------------------------------------
// Loads a command base into a freshly reset handle: every line in load mode,
// then the check for the four base items, the stored copy and the run.
// 0 or 1 (changes wait) as the run gives; -1 for a malformed line, a failed
// copy or a failed run; -2 for no text or an incomplete base. After -2, and
// after -1 while no base is stored (h->baseText null), the handle's records
// are cleared but its context holds what the lines before set: the caller
// reopens the context.
int32_t ExcSetBase(ExcHandle* h, const char* base, int32_t* change_length);
// Applies one update line and runs the engine. 0 also for no line, a name
// that is not a command variable, a variable that is not settable, or no
// stored base; -1 for a malformed line or a failed run.
int32_t ExcUpdateLine(ExcHandle* h, const char* line, int32_t* change_length);

// The value list of a command variable into out (texts each with its NUL,
// then one more NUL; empty when there is nothing to list). With
// only_allowed, the variable must be settable and each value must pass a
// trial. 0, or -1 when memory runs out.
int32_t ExcBuildValueList(ExcHandle* h, const char* name, int32_t only_allowed, ExcTextBuffer* out);
// The value texts of a printer option that are allowed now, each with its
// NUL, then one more NUL; empty when none. 0, or -1 when memory runs out.
int32_t ExcBuildPrinterOptionList(ExcHandle* h, const char* name, ExcTextBuffer* out);
// The text of a printer value (no NUL counted); empty when the name is not a
// printer value, its requirements fail or it has no text. 0 or -1.
int32_t ExcBuildPrinterValue(ExcHandle* h, const char* name, ExcTextBuffer* out);
// One block of lines per stored watermark entry of the asked kind (0 text,
// any other image), each ended by a NUL, then one more NUL when anything was
// written. The context's settings are byte-identical afterwards. 0, or -1
// without a context or memory.
int32_t ExcBuildWatermarkList(ExcHandle* h, int32_t kind, ExcTextBuffer* out);

// ---- pieces the operations are built of (also used by tests and tools) -------------------
// Does choosing this option of the variable force no other change? 1 allowed,
// 0 refused (or the option test fails), -1 out of memory. The handle's flags,
// values and the context's settings are byte-identical afterwards.
int32_t ExcTrialValue(ExcHandle* h, const PjlVariableRow* row, const PjlOptionRow* option);
// The option test alone, on the current context.
bool ExcOptionAllowed(DriverContext* ctx, const PjlOptionRow* option);
// The block of lines of the selected watermark entry (kind 0 text, non-zero
// image), ended by a NUL when it wrote anything. 0, or -1 without a context
// or memory.
int32_t ExcWriteWatermarkBlock(ExcTextBuffer* out, DriverContext* ctx, int32_t kind);
