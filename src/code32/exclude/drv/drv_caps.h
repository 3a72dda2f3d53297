// The capability queries of the VELMDrv interface: 56 numbered answers
// about the values each status item accepts on the handle's printer, the
// supported-items mask and the capability record built from all of them.
#pragma once

#include <cstddef>
#include <cstdint>

struct DriverContext;

constexpr int32_t kDrvCapsCount = 56;
constexpr int32_t kDrvCapsMaskBytes = 32;
constexpr uint32_t kDrvCapsBuildRecord = 0x80000001u;
constexpr uint32_t kDrvCapsFreeRecord = 0x80000002u;

// What a capability writes to the caller's buffer.
enum class DrvCapsKind : uint8_t {
  Number,     // nothing: the answer is the value
  Pair16,     // two 16-bit values (the answer holds them too)
  Values,     // a counted list of 32-bit values
  SizePairs,  // a counted list of {width, length} 32-bit pairs
  Names24,    // a counted list of ANSI names in 24-byte slots
  Names64,    // a counted list of ANSI names in 64-byte slots
};

struct DrvCapsRow {
  int32_t id;
  int32_t enabled;
  int32_t version;
  int32_t reserved;
  uint8_t statusItem;
  DrvCapsKind kind;
  // Writes at most capacity entries to out (null: none) and answers the
  // number of entries the list has, or the value.
  int32_t (*handler)(DriverContext* ctx, void* out, int32_t capacity);
};

// The rows of ids 1-56 in order.
const DrvCapsRow* DrvCapsTable();
const DrvCapsRow* DrvCapsFindRow(int32_t id);
// Bytes of one entry of a list kind (0 for numbers; 4 for a 16-bit pair).
size_t DrvCapsEntryBytes(DrvCapsKind kind);

// A name in the system code page into a slot of slot_bytes: at most
// slot_bytes - 1 bytes, never half of a double-byte character, NUL-padded.
// false when the name cannot be converted (the slot is then empty).
bool DrvCapsCopyName(char* slot, size_t slot_bytes, const char16_t* name);

// For each of values, the name at its position in the full list of values
// and names, each into a slot of slot_bytes (at most capacity slots
// written); a value the full list lacks gets the UI's "unknown" string.
// The number of names, or -1 when the full lists differ in length or a
// name cannot be converted.
int32_t DrvCapsMatchNames(DriverContext* ctx, const int32_t* values, int32_t count, const int32_t* full_values,
                          int32_t full_count, const char16_t* const* full_names, int32_t names_count,
                          size_t slot_bytes, void* out, int32_t capacity);

// The 32-byte supported-items mask (bit of item i: byte (i-1)/8, 0x80 >>
// (i-1)%8) into out when given; 32.
int32_t DrvCapsSupportedItems(uint8_t* out);

// One capability with the printer already open: at most capacity entries
// are written. 0 for an id outside 1-56.
int32_t DrvCapsRun(DriverContext* ctx, int32_t id, void* out, int32_t capacity);
// One capability the way an outside program asks it: the printer is opened
// and closed around it (-1 when it cannot be opened); the buffer is trusted
// to hold the count a first call with null answered.
int32_t DrvCapsQuery(DriverContext* ctx, int32_t id, void* out);

// The capability record (velmpd4.h) built query by query; each query opens
// and closes the printer when per_query_open is true, else the caller has
// it open. Null when out of memory.
void* DrvCapsBuildRecord(DriverContext* ctx, bool per_query_open = true);
void DrvCapsFreeRecord(void* record);
