// Printer data and HKEY_LOCAL_MACHINE values of the driver: the generic
// wrappers and the named values.
//
// Strings are written with their terminating zero; string readers always
// end the text inside the caller's buffer, and number readers accept only a
// value of the number's size.
#pragma once

#include <cstdint>

#include "plat/wintypes.h"

struct DriverContext;

// ---- generic wrappers (a null buffer, size 0 or a null name answer 0
// without asking the store) ------------------------------------------------------
int32_t SplGetPrinterData(HANDLE printer, void* buffer, uint32_t size, const char16_t* name);
int32_t SplSetPrinterDataBinary(HANDLE printer, const void* data, uint32_t size, const char16_t* name);
int32_t SplSetPrinterData(HANDLE printer, const void* data, uint32_t size, uint32_t type, const char16_t* name);
int32_t SplSetPrinterDataString(HANDLE printer, const char16_t* text, uint32_t bytes, const char16_t* name);
int32_t RegReadValue(const char16_t* subkey, const char16_t* name, void* buffer, uint32_t size);
int32_t RegReadValueNoCtx(const char16_t* subkey, const char16_t* name, void* buffer, uint32_t size);
int32_t RegWriteValue(const char16_t* subkey, const char16_t* name, const void* data, uint32_t size, uint32_t type);
// Under SOFTWARE\ORVEK\VelmDrv; writes are REG_SZ.
int32_t RegReadDrvValue(const char16_t* name, void* buffer, uint32_t size);
int32_t RegWriteDrvValue(const char16_t* name, const char16_t* text, uint32_t bytes);

// Reads a string value into capacity characters, always terminated inside
// the buffer; 1 when it was read.
int32_t SplReadPrinterString(HANDLE printer, const char16_t* name, char16_t* buffer, uint32_t capacity);
int32_t RegReadString(const char16_t* subkey, const char16_t* name, char16_t* buffer, uint32_t capacity);

// ---- named printer-data values ------------------------------------------------------
// SPLUserModePrinterDriver and DriverIniFileName from the model record, then
// DriverGRFileName and DriverEDFileName; 1 when the first two did not fail.
int32_t SplSetDriverFileNames(HANDLE printer, DriverContext* ctx);
int32_t SplSetPermissionData(HANDLE printer, const void* data, uint32_t size);
int32_t SplSetPrinterNameData(HANDLE printer);
// PrinterName into buffer (261 characters), or into the context's printer
// name when buffer is null.
int32_t SplGetPrinterNameData(HANDLE printer, char16_t* buffer, DriverContext* ctx);
int32_t SplReadPrinterNameData(HANDLE printer, char16_t* buffer);
int32_t SplSetDriverNameData(HANDLE printer);
int32_t SplSetGrFileNameData(DriverContext* ctx);
// The file-name part of DRIVER_INFO_3 pDriverPath / pHelpFile; 0 when there
// is no driver record, no backslash, or it does not fit.
int32_t SplGetDriverFileName(char16_t* buffer, uint32_t capacity, DriverContext* ctx);
int32_t SplGetDriverHelpFileName(char16_t* buffer, uint32_t capacity, DriverContext* ctx);
int32_t SplSetHelpFileNameData(DriverContext* ctx);
// HelpFileName into size bytes.
int32_t SplGetHelpFileNameData(char16_t* buffer, uint32_t size, DriverContext* ctx);
int32_t SplGetHelpFileNameDataByHandle(char16_t* buffer, uint32_t size, HANDLE printer);
int32_t SplSetEdFileNameData(DriverContext* ctx);

// ---- registry values ---------------------------------------------------------------------
// Print log: LogFileDirectory and MaxLogFileSize when missing; with flag,
// also printer data LogFileName.
int32_t RegInitPrintLog(int32_t flag, DriverContext* ctx);
int32_t RegInitPrintLogKeys(DriverContext* ctx);
int32_t RegIsSaveDeviceSetup(DriverContext* ctx);
int32_t RegIsJobLinkerInstalled(int32_t kind, DriverContext* ctx);
