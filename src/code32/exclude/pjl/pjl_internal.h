// The engine's pieces shared by its source files (and its tests).
#pragma once

#include <cstdint>

#include "pjl_engine.h"
#include "velm/model_query.h"
#include "velm/setting_ids.h"

struct DriverContext;

// How a value is recorded: a base load records without checks; an update
// records only a change, and lets the model's rules follow it.
enum class ExcMode { kLoad, kUpdate };

// Marks of the special variables in a row's flags.
constexpr uint32_t kExcRowSettableWithoutItem = 0x10000;
constexpr uint32_t kExcRowBinding = 0x10800;
constexpr uint32_t kExcRowBooklet = 0x11000;
constexpr uint32_t kExcRowForceFeed = 0x10100;

// Setting items the engine names.
constexpr uint32_t kExcItemBinding = setting::vdmDuplexType;        // duplex binding, coupled with the booklet value
constexpr uint32_t kExcItemSort = setting::vdmFuncSelectSort;       // written through the sort type's variable
constexpr uint32_t kExcItemSortType = setting::vdmSortType;
constexpr uint32_t kExcItemPunch = setting::vdmFuncSelectPunch;
constexpr uint32_t kExcItemStaple = setting::vdmFuncSelectStaple;
constexpr uint32_t kExcItemResolution = setting::vdmDstResolutionW;  // destination resolution, for lengths in commands
constexpr uint32_t kExcItemWmKind = setting::vdmWmKind;
constexpr uint32_t kExcItemWmPage = setting::vdmWmPage;

// ---- recorded values -------------------------------------------------------------------
void ExcRecord(ExcHandle* h, uint32_t item, int32_t value, ExcMode mode);
// Reads every recorded item up to 730 back from the context and derives
// the booklet value from the binding.
void ExcRefreshRecorded(ExcHandle* h);
// The binding value for an option's binding value under the recorded
// booklet value.
int32_t ExcCombineBinding(const ExcHandle* h, int32_t binding);
void ExcApplyLine(ExcHandle* h, const PjlVariableRow* row, const char* value_text, ExcMode mode);
// Runs the engine after a base load (no line) or an update line.
int32_t ExcRun(ExcHandle* h, const char* update_line);
// The current settings as lines, in item order. False when memory runs out.
bool ExcRender(ExcHandle* h, ExcTextBuffer* out);
// Appends to out the lines of `rendered` that the base does not hold (or an
// update refused); the number of lines written, or -1 without memory.
int32_t ExcCompare(const char* rendered, const char* base, const char* update_line, ExcTextBuffer* out);

// ---- the context's settings, saved whole --------------------------------------------------
// A copy of the context's work buffer (and change mask). Restoring puts back
// every byte except the font-table items, whose blocks the context owns.
struct ExcWorkSnapshot {
  uint8_t* bytes;
  uint32_t changeMask;
};
bool ExcSnapshotTake(DriverContext* ctx, ExcWorkSnapshot* s);
// Restores and frees the copy.
void ExcSnapshotRestore(DriverContext* ctx, ExcWorkSnapshot* s);

// ---- the model's feature of a variable ----------------------------------------------------
// The first feature of the list for the item, or an earlier-found one whose
// sub-id matches and that has command texts; 0 for none.
MdfItem ExcFindFeature(DriverContext* ctx, uint32_t item, uint32_t sub_key);

// ---- value texts ---------------------------------------------------------------------------
// Numbers between a PJL line and the stored value, through the feature's two
// factors (kind 2: lengths, with the destination resolution). False when a
// factor or the resolution is not positive (as if the feature had no
// numeric record), when the text is not a decimal number within 32 bits, or
// when the result does not fit.
bool ExcScaleToText(int32_t value, uint16_t first, uint16_t second, uint32_t kind, int32_t resolution,
                    int64_t* out);
bool ExcScaleFromText(const char* text, uint16_t first, uint16_t second, uint32_t kind, int32_t resolution,
                      int32_t* out);
// The option row whose text stands for the value: the first whose value
// equals it or that is the default row; with a handle, its actions (and the
// variable's requirements) must also agree with the recorded values.
const PjlOptionRow* ExcPickOptionRow(const ExcHandle* h, const PjlVariableRow* row, int32_t value);
// Appends the value text of a variable for a value: from its own option
// rows or from the model's feature. The bytes appended, or -1 without
// memory.
int32_t ExcAppendValueText(ExcTextBuffer* out, const ExcHandle* h, DriverContext* ctx, const PjlVariableRow* row,
                           int32_t value);
// Appends the text of a model feature's value by a type (1 pick list, 4
// Boolean, 8 numeric, 16 string). The bytes appended, or -1.
int32_t ExcAppendFeatureText(ExcTextBuffer* out, DriverContext* ctx, MdfItem feature, uint32_t item, uint32_t type,
                             int32_t value);
// A line's value text as the value to store for a model feature's item;
// false when the text gives none.
bool ExcFeatureValueOfText(DriverContext* ctx, MdfItem feature, uint32_t item, uint32_t type, const char* text,
                           int32_t* out);
// Appends a string between double quotes, leaving out CR, LF and double
// quotes (they would end the line or the value); nothing for an empty text.
int32_t ExcAppendQuoted(ExcTextBuffer* out, const char* text, size_t n);
