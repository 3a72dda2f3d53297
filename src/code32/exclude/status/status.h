// Status items of the query library: 35 numbered groups of settings that an
// outside program reads and writes as one versioned record. A write reloads
// the stored settings, runs the item's setter, the rules and its verifier,
// reports the status items that changed, and either stands as a whole
// (stored files and job information written only then) or is undone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

struct DriverContext;

constexpr int32_t kStatusFirst = 1;
constexpr int32_t kStatusLast = 35;
constexpr int32_t kStatusMaskBytes = 32;
constexpr int32_t kStatusCheckVersionMode = 2;
// Hidden/disabled state of the related items before a write: for each
// status item, 8 pairs of 32-bit {hidden, disabled}; -1 marks a related item
// without a feature.
constexpr size_t kStatusBeforeBytes = 35 * 64;

// Work a setter asks for that must not happen unless the whole write stands:
// saves to the driver ini and printer data, job-information pushes, stored
// watermark entries. They run in order after the verifier passed.
// Items in saved are stored settings whose save is among the actions: until
// the write stands, the stored copy is the old one, and the after-write
// rules must not reload it over the value the setter put in.
struct StatusCommit {
  // What a write stores once it is checked; each answers whether it stored.
  std::vector<std::function<bool()>> actions;
  std::vector<uint32_t> saved;
  void Add(std::function<bool()> action) { actions.push_back(std::move(action)); }
};

struct StatusCall {
  DriverContext* ctx;
  int32_t id;
  const uint8_t* record;
  size_t recordBytes;  // readable bytes of the record (by item and version)
  int32_t version;     // the record's version
  StatusCommit* commit;
};

using StatusSetter = int32_t (*)(StatusCall& call);
using StatusVerifier = int32_t (*)(StatusCall& call);
// Fills record (when given) for version; the record size, or -1.
using StatusGetter = int32_t (*)(DriverContext* ctx, uint8_t* record, int32_t version);

struct StatusRow {
  int32_t id;
  int32_t enabled;
  int32_t version;
  uint32_t key;
  StatusSetter setter;
  StatusVerifier verifier;
  StatusGetter getter;
  uint16_t related[8];
  uint16_t functionItem;  // 0 for none
  uint8_t ruleFlags;      // 1: quiet while the function is unusable; 2: 137/141 quiet while it is off
};

const StatusRow* StatusFindRow(int32_t id);
// The record bytes a caller of that version hands over.
size_t StatusRecordBytes(int32_t id, int32_t version);

// The writes and reads behind VELMDrvSetStatus / VELMDrvGetStatus. before is
// the handle's before-change holder (kStatusBeforeBytes), or null.
int32_t ApiSetStatusItem(DriverContext* ctx, uint8_t* before, int32_t id, const void* record, uint8_t* mask,
                         int32_t mode);
int32_t ApiGetStatusItem(DriverContext* ctx, int32_t id, void* record, int32_t version);

// ---- shared by the handlers --------------------------------------------------------------
// The text of a record field when it ends inside the field; false otherwise.
bool StatusReadText(const StatusCall& call, size_t offset, size_t size, char* out);
int32_t StatusReadInt(const StatusCall& call, size_t offset);
// The model check accepts the value (answers neither 0, 2 nor 3).
bool StatusModelAccepts(DriverContext* ctx, uint32_t id, int32_t value);
// Copies the work buffer back, keeping the font tables the context owns now.
void StatusRestoreWorkBuffer(DriverContext* ctx, const uint8_t* snapshot);
// The function trial: would the function item stay on with item = value?
bool StatusFunctionTrial(DriverContext* ctx, uint32_t function_item, uint32_t item, int32_t value);
// The N-up kind of an N-up value; 0 when the map has none.
int32_t StatusNupKind(int32_t nup);

// Handlers, one set per status item (status_items.cpp).
extern const StatusRow kStatusRows[35];
