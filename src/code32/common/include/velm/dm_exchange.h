// The two 32-byte exchange blocks of the private DEVMODE that let an outside
// program, which does not know the private layout, ask for common finishing
// settings (the request block, item 712 at DEVMODE byte 285) and learn which
// of them the device offers (the capability block, item 713 at byte 317).
//
// A request block comes from outside and is untrusted: every byte is read
// through a fixed table, and a code the table does not list leaves its
// setting unchanged, as 0 does.
#pragma once

#include <cstdint>
#include <span>

struct DriverContext;

// ---- places and codes -------------------------------------------------------------------
constexpr uint32_t kExchangeRequestItem = 712, kExchangeCapsItem = 713;
constexpr uint32_t kExchangeRequestOffset = 285, kExchangeCapsOffset = 317;
constexpr uint32_t kExchangeBlockSize = 32;

// Request actions (byte 0); any other value applies bytes 2-13.
constexpr uint8_t kExchangeActionDefaults = 2;
constexpr uint8_t kExchangeActionQuery = 3;
constexpr uint8_t kExchangeActionQuery2 = 4;
constexpr uint8_t kExchangeBlockValid = 1;  // byte 1

// The settings a request may change, in the order of their change-mask bits
// (position k is bit 1 << k), ended by 0xFFFF.
constexpr uint16_t kExchangeListEnd = 0xFFFF;
constexpr int32_t kExchangeListCount = 19;
const uint16_t* DmGetExchangeList();

// The finishers: {installed-option setting, first tray code, second tray
// code}; kNoTray as a code means the finisher has no such tray. Ended by a
// row of id 0xFFFF with tray codes 0.
struct DmFinisherRow {
  uint16_t settingId;
  uint16_t firstTray;
  uint16_t secondTray;
};
constexpr uint16_t kFinisherEnd = 0xFFFF;
constexpr uint16_t kNoTray = 0xFFFF;
constexpr int32_t kFinisherFirstTray = 0, kFinisherSecondTray = 1;  // selectors
const DmFinisherRow* DmGetFinisherTable();

// ---- request --------------------------------------------------------------------------------
// Applies the request block of `devmode`, the merge's copy of an input
// DEVMODE (1260 bytes), leaving the result in that copy. 1 done or nothing
// to do (byte 1 not 1); 0 out of memory or a failed device query, and then
// the working DEVMODE is as it was.
int32_t DmApplyExchangeRequest(DriverContext* ctx, uint8_t* devmode);
// Sets the setting when it is in the exchange list; its list bit, or 0
// without setting anything.
int32_t DmExchangeSet(DriverContext* ctx, uint32_t id, int32_t value);
// Runs the model's Transact list of every list setting whose bit is set, in
// list order.
void DmExchangeApplyTransacts(DriverContext* ctx, uint32_t mask);
// The first finisher row whose installed-option setting is non-zero, else
// the end row.
const DmFinisherRow* DmFindInstalledFinisher(DriverContext* ctx);
// 1 when a finisher row has the code in the selected column (kNoTray never
// matches).
int32_t DmIsFinisherTrayCode(int32_t code, int32_t selector);

// ---- capabilities ------------------------------------------------------------------------
// What the device offers now, as the capability block encodes it.
struct DmExchangeOffer {
  int32_t duplexUnit = 0;
  std::span<const int32_t> sortTypes, punchTypes, stapleTypes, outputPapers;
  std::span<const uint16_t> outputTrays;
  std::span<const int32_t> resolutions;  // {x, y} pairs
};
// The 32 bytes of the capability block for an offer.
void DmEncodeExchangeCaps(const DmExchangeOffer& offer, uint8_t* block);
// Writes the capability block of the working DEVMODE from the selectable
// lists of the context and clears its request block. 1, or 0 out of memory
// with nothing written.
int32_t DmBuildExchangeCaps(DriverContext* ctx);
