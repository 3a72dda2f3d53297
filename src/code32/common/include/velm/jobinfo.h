// The job-information provider: the settings of the job information (user
// code, owner name, passwords, user id, document name, fax number and line)
// kept in step with the maker's job-information module ORVJC32.DLL (its
// interface in velm/jobinfo_interface.h), and mirrored in printer data.
//
// The module is loaded from the system directory for one operation and freed
// at its end; its state lives in the work record (JobInfoState). Results are
// the provider's codes: 0 success, else an error code; the settings keep
// their values on an error.
#pragma once

#include <cstdint>

#include "velm/jobinfo_interface.h"

struct DriverContext;
struct JobInfoState;

// Operation codes of JobInfoRunOperation.
constexpr uint32_t kJobInfoOpPrinterEntry = 0x30001;
constexpr uint32_t kJobInfoOpOpen = 0x10004;
constexpr uint32_t kJobInfoOpClose = 0x20008;
constexpr uint32_t kJobInfoOpReadOne = 256;
constexpr uint32_t kJobInfoOpWriteOne = 512;
constexpr uint32_t kJobInfoOpWriteTypes = 1024;  // clear, then send the cleared values
constexpr uint32_t kJobInfoOpReadMask = 0x30040;
constexpr uint32_t kJobInfoOpWriteMask = 0x30080;

// A type the routine does not handle (also the provider's "buffer too
// small"), and a value read that the setting cannot take (refused, the
// setting unchanged).
constexpr int32_t kJobInfoErrType = 0x20000001;
constexpr int32_t kJobInfoErrValue = 0x20000101;
// No provider loaded, no session open or a slot missing (ERROR_INVALID_FUNCTION).
constexpr int32_t kJobInfoErrNotReady = 1;
// The printer data refused a value (ERROR_WRITE_FAULT).
constexpr int32_t kJobInfoErrWrite = 29;
// The largest value the driver reads from the provider, in bytes.
constexpr uint32_t kJobInfoMaxValueBytes = 0x10000;

// Mask bits of the types: 0x1-0x80 types 1-8, 0x100 PDL name, 0x200 driver
// version, 0x400 display language.
constexpr uint32_t kJobInfoMaskDriverInfo = 0x700;

// One row of the type table (11 rows, walked in this order by every mask
// operation).
struct JobInfoTypeRow {
  uint32_t type;
  uint32_t mask;
  uint32_t setting;  // 0: none
  uint32_t kind;
  uint32_t bufferBytes;
};
const JobInfoTypeRow* JobInfoTypeTable(uint32_t* count);
const JobInfoTypeRow* JobInfoFindType(uint32_t type);

int32_t JobInfoRunOperation(DriverContext* ctx, uint32_t operation, uint32_t argument);
int32_t JobInfoCallPrinterEntry(DriverContext* ctx);
int32_t JobInfoOpen(DriverContext* ctx);
int32_t JobInfoClose(DriverContext* ctx);
int32_t JobInfoReadOne(DriverContext* ctx, uint32_t mask);
int32_t JobInfoWriteOne(DriverContext* ctx, uint32_t mask);
int32_t JobInfoWriteTypes(DriverContext* ctx, uint32_t mask);
int32_t JobInfoReadMask(DriverContext* ctx, uint32_t mask);
int32_t JobInfoWriteMask(DriverContext* ctx, uint32_t mask);

int32_t JobInfoLoadProvider(JobInfoState* state, DriverContext* ctx);
void JobInfoUnloadProvider(JobInfoState* state, DriverContext* ctx);
int32_t JobInfoCallEntry0(DriverContext* ctx);
int32_t JobInfoOpenSession(DriverContext* ctx);
int32_t JobInfoCloseSession(DriverContext* ctx);
int32_t JobInfoReadType(DriverContext* ctx, uint32_t type);
// mode 1: clear the setting first and send the cleared (empty) value.
int32_t JobInfoWriteType(DriverContext* ctx, uint32_t type, int32_t mode);
int32_t JobInfoSendEvent(DriverContext* ctx, uint32_t code);
int32_t JobInfoSendLocale(DriverContext* ctx, uint32_t code);

// Printer-data mirror of the settings of types 1-8 (under their item names).
int32_t JobInfoLoadMaskFromPrinterData(DriverContext* ctx, uint32_t mask);
int32_t JobInfoLoadTypeFromPrinterData(DriverContext* ctx, uint32_t type);
int32_t JobInfoSaveMaskToPrinterData(DriverContext* ctx, uint32_t mask);
int32_t JobInfoSaveTypeToPrinterData(DriverContext* ctx, uint32_t type);
int32_t JobInfoClearMask(DriverContext* ctx, uint32_t mask);
int32_t JobInfoClearType(DriverContext* ctx, uint32_t type);

// 1 when the module loads and a session can be opened (or one is open).
int32_t JobInfoProbe(DriverContext* ctx);
// The user code of velm/ucode.h into setting 216 and on to the provider; 1.
int32_t UcodePushToJobInfo(DriverContext* ctx);
// Tells the provider about the printer: when no session can be opened, the
// printer entry and the user code; in every case the PDL name, driver
// version and display language (mask 0x700).
int32_t JobInfoSyncPrinter(DriverContext* ctx);

// Run only when JobInfoIsEnabled (velm/save_stack.h) answers non-zero; 0
// otherwise.
int32_t JobInfoCallPrinterEntryIfEnabled(DriverContext* ctx);
void JobInfoReadMaskIfEnabled(DriverContext* ctx, uint32_t mask);
int32_t JobInfoOpenIfEnabled(DriverContext* ctx);
int32_t JobInfoCloseIfEnabled(DriverContext* ctx);
int32_t JobInfoReadOneIfEnabled(DriverContext* ctx, uint32_t mask);
int32_t JobInfoWriteOneIfEnabled(DriverContext* ctx, uint32_t mask);
int32_t JobInfoWriteTypesIfEnabled(DriverContext* ctx, uint32_t mask);
int32_t JobInfoWriteMaskIfEnabled(DriverContext* ctx, uint32_t mask);
int32_t JobInfoSendLocaleIfEnabled(DriverContext* ctx);  // code 1
int32_t JobInfoClearMaskIfEnabled(DriverContext* ctx, uint32_t mask);
