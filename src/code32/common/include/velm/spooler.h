// The printer as the spooler knows it: the two-call fetches of the spooler's
// records, the printer facts cached in the work record, and the printer and
// driver names of a context.
#pragma once

#include <cstdint>

#include "plat/winspool.h"
#include "plat/wintypes.h"

struct DriverContext;

// ---- spooler records -------------------------------------------------------------
// A GetPrinterW / GetPrinterDriverW (default environment) record of the level
// in one zero-filled MemAllocZeroed block, which the caller frees with
// MemFree; null when the spooler cannot answer.
void* SplGetPrinterInfo(HANDLE printer, DWORD level);
void* SplGetDriverInfo(HANDLE printer, DWORD level);

// ---- cached printer facts -------------------------------------------------------
// Fills each fact still empty in the context's work record from the record:
// remote flag, printer name, driver name (cut to the field), attributes.
void SplCachePrinterInfo(const PRINTER_INFO_2W* info, DriverContext* ctx);
// 1 when the printer's attributes hold a bit of the mask.
int32_t SplTestPrinterAttributes(uint32_t mask, DriverContext* ctx);
int32_t SplIsBidiEnabled(DriverContext* ctx);
// 1 when the printer is reached through a server; cached, and a spooler
// failure is remembered as local.
int32_t SplIsRemotePrinter(DriverContext* ctx);
int32_t SplQueryRemotePrinter(DriverContext* ctx);
int32_t SplIsRemoteByHandle(HANDLE printer);
// 1 when the printer of that name is a remote one; 0 for none or a failed open.
int32_t SplIsRemoteByName(const char16_t* name);
// 1 when the printer's PRINTER_INFO_2 carries a DEVMODE.
int32_t SplHasPrinterDevmode(HANDLE printer);
int32_t SplIsRemoteInfo(const PRINTER_INFO_2W* info);
// 1 when a local printer's name differs from the PrinterName stored at its
// set-up.
int32_t SplIsPrinterRenamed(HANDLE printer, const PRINTER_INFO_2W* info);

// ---- printer and driver names ------------------------------------------------------
// The cached printer name (fetched on first use); empty when the spooler
// cannot answer.
const char16_t* SplGetPrinterName(DriverContext* ctx);
// Copies pPrinterName when it fits; otherwise (or when the spooler cannot
// answer) the buffer is made empty. Returns the buffer.
char16_t* SplCopyPrinterNameByHandle(HANDLE printer, char16_t* buffer, uint32_t capacity);
char16_t* SplCopyPrinterName(char16_t* buffer, uint32_t capacity, const PRINTER_INFO_2W* info);
// The cached driver name, else the model record's default driver name "JP".
const char16_t* SplGetDriverName(DriverContext* ctx);
// pDriverName when it fits the capacity, else the default driver name (cut
// to fit). Returns the buffer.
char16_t* SplCopyDriverNameByHandle(HANDLE printer, char16_t* buffer, uint32_t capacity);
// Reads printer data AdminChange (a 4-byte value) into out; 1 when it was
// read and is not 0.
int32_t SplGetAdminChange(HANDLE printer, uint32_t* out);

// ---- the spooler thread's identity ----------------------------------------------------
// RevertToPrinterSelf: the thread's client token, null when there is none.
HANDLE SplRevertToPrinterSelf();
// ImpersonatePrinterClient for a token; nothing for a null one.
void SplImpersonatePrinterClient(HANDLE token);
