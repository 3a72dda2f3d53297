// The calls of the spool-side output module: the module named by the model
// record that receives the job stream of a document. It is loaded for one
// document; each export is used when present.
#pragma once

#include "plat/wintypes.h"

// Starts a document for a printer and job; the result is the document handle
// given to every later call (null when the module keeps no document state).
using SplStartDocFn = HANDLE (*)(HANDLE printer, DWORD job_id);
// Writes count bytes; success is a non-zero result with *written == count.
using SplWritePrinterFn = BOOL (*)(HANDLE document, LPVOID bytes, DWORD count, DWORD* written);
using SplStartPageFn = BOOL (*)(HANDLE document);
using SplEndPageFn = BOOL (*)(HANDLE document);
using SplEndDocFn = void (*)(HANDLE document);
using SplCloseFn = void (*)(HANDLE document);

// Export names, looked up in this order for the document start.
inline constexpr const char* kSplStartDocEx = "DrvSplStartDocEx";
inline constexpr const char* kSplStartDoc = "DrvSplStartDoc";
inline constexpr const char* kSplWritePrinter = "DrvSplWritePrinter";
inline constexpr const char* kSplStartPage = "DrvSplStartPage";
inline constexpr const char* kSplEndPage = "DrvSplEndPage";
inline constexpr const char* kSplEndDoc = "DrvSplEndDoc";
inline constexpr const char* kSplClose = "DrvSplClose";
