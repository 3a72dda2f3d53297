// The command text of the job-start, page-start and page-end blocks.
//
// The model description defines each of these texts as a command tree:
// fixed command strings, conditional parts, the chosen option's command text
// of named features and the device-font line. The text is built by walking
// the tree against the settings of a driver context. One walk serves two
// passes: a measuring pass (no buffer, only the length is counted) and a
// filling pass that writes exactly what was measured.
//
// Every value the driver puts between double quotes in a PJL line (printer
// and driver names, String settings, font names, the cleaned-up kind-8
// string) goes through JobAppendQuotedValue, so no outside text can end the
// quoted value or start a PJL line of its own.
#pragma once

#include <cstdint>

#include "gr2k/dlstream.h"
#include "velm/model_image.h"

struct DriverContext;
struct SettingRecord;

// The command trees of the model image, in its slot order.
enum JobCommandTree : int32_t {
  kJobTreeJobStart = 0,
  kJobTreeJobEnd = 1,
  kJobTreeDocReset = 2,
  kJobTreePageStart = 3,
  kJobTreePageEnd = 4,
};

// Value kinds of a setting row (SettingRecord::commandValueKind).
enum CommandValueKind : uint32_t {
  kCmdValueNone = 0,
  kCmdValueDate = 1,
  kCmdValueLength = 2,
  kCmdValueDriverName = 3,
  kCmdValueDriverIni = 5,
  kCmdValueLogFile = 6,
  kCmdValueLogDll = 7,
  kCmdValueCleanString = 8,
  kCmdValueLengthSimplex = 9,
  kCmdValueLengthShift = 10,
  kCmdValueDriverDir = 12,
  kCmdValueModelDataFile = 101,
};

// Longest value written between double quotes, in bytes (PJL string values
// hold at most 255 characters). A longer value is cut, never inside a
// double-byte character.
inline constexpr uint32_t kJobQuotedValueMax = 255;

// The text accumulator: the length always grows by what is appended; bytes
// go into the buffer only when there is one, and never past its capacity
// (bytes, the terminating zero included). Each append leaves a terminating
// zero after the text when it fits.
struct JobTextAccumulator {
  uint32_t length;
  char* buffer;       // null: measuring pass
  uint32_t capacity;  // of buffer, in bytes
  bool overflow;      // the length passed the 32-bit range
};

// Appends length bytes.
void JobAppendBytes(JobTextAccumulator* acc, const void* bytes, uint32_t length);
void JobAppendText(JobTextAccumulator* acc, const char* text);
// Appends the value with every '"', control byte (below 0x20, 0x7F) replaced
// by a blank, cut to kJobQuotedValueMax bytes (a trailing lead byte is
// dropped with its character).
void JobAppendQuotedValue(JobTextAccumulator* acc, const char* value);

// The command pair of a feature: prefix, then the text, then suffix, each
// only when present (offsets into the image, 0 for none). Returns 0.
int32_t JobAppend(DriverContext* ctx, const ImgCommandPair* pair, const char* text, JobTextAccumulator* acc);

// The first feature of the model's feature list with that key and with that
// sub-number or the Identity flag; its offset in the image, 0 when none.
uint32_t JobFindFeatureNode(uint16_t key, uint16_t number, DriverContext* ctx);

// Walks one tree. Without a buffer only *length is computed, and a walk
// result of 0 with a length above 0 is answered as 1. With a buffer, *length
// gives its capacity in bytes on entry (room for the terminating zero
// included) and the text's length on return. A negative result is a failure
// (unknown node kind, a missing feature or setting, a String setting without
// storage, a text beyond 32 bits). A model without the tree gives 0 and an
// empty text.
int32_t JobBuildCommandText(DriverContext* ctx, int32_t tree, char* buffer, uint32_t* length);

// The value-kind step: 1 when the row's kind produces its own text (the
// feature's ordinary handler is then not run), 0 when the ordinary handler
// runs. `feature` is the feature's offset in the image; `value` the
// setting's current value.
int32_t JobCommandValueText(DriverContext* ctx, const SettingRecord* row, uint32_t feature, int32_t value,
                            JobTextAccumulator* acc);

// The device-font line ("@PJL SET DEVFONTID = ...") of a FontType node, from
// items 10006/10007; nothing when the list is empty or every id is 0xFFFF.
int32_t JobDeviceFontLine(DriverContext* ctx, JobTextAccumulator* acc);

// Builders for the job-stream block writer: measure, fill, and append the
// text to the sink. Negative on failure.
int32_t JobJobStartText(DriverContext* ctx, CommandTextSink* sink);
int32_t JobPageStartText(DriverContext* ctx, CommandTextSink* sink);
int32_t JobPageEndText(DriverContext* ctx, CommandTextSink* sink);
