// The document and page protocol of VELMPD0: binding the spool-side output
// module for a document, the settings refreshed at the document start (the
// stored settings, the job's DEVMODE and the user's job information), the job
// name, and the blocks each page call writes. Also the escapes applications
// send through DrvEscape.
#pragma once

#include <cstdint>

#include "plat/wintypes.h"

struct DriverContext;
struct DisplayListStream;
struct Pdev;

// Merge flags of the document start (DM_IN_BUFFER and 0x20000).
inline constexpr uint32_t kDocMergeFlags = 0x20008;
// Job-information types read at the document start: 1-5 and 8.
inline constexpr uint32_t kDocJobInfoMask = 159;
// The open flags a context carries after the document start's reload.
inline constexpr uint32_t kDocReloadOpenFlags = 0x20000;

// The full path of the spool-side module: the directory of the printer
// driver (GetPrinterDriverW level 2, a pDriverPath of at most 240
// characters), '\' and dll_name. The directory is added to the PATH of the
// environment unless it is there already. FALSE when the spooler cannot
// answer, the path is too long or has no directory, or there is no name.
BOOL SpoolDllPath(const char16_t* dll_name, HANDLE printer, char16_t* out, uint32_t capacity);

// Reloads the stored settings into the context (open flags 0x20000, every
// region, and the device's bidi items when the printer's bidi flag is set),
// merges the DEVMODE copy (may be null) with the flags, applies the collate
// rule to item 64, puts back the user information the reload would lose
// (items 215-217, 219-221, 243, 244) and reads the user's job information.
// TRUE.
BOOL JobReloadSettings(DriverContext* ctx, const uint8_t* devmode, uint32_t devmode_bytes, uint32_t flags,
                       HANDLE printer, DWORD job_id);

// Reads the job-information types of the mask (1-5 and 8 are read) from the
// job-information module of the system directory into their settings; with
// interface version 0x103 for the job's user. TRUE when a session was opened
// and read; FALSE (settings unchanged) without the module, an interface, a
// user name or a session.
BOOL JobInfoQueryUser(DriverContext* ctx, HANDLE printer, DWORD job_id, uint32_t mask);

// The block {0xF3, length} with "@PJL SET JOBNAME = \"name\"\r\n"; the name is
// made safe for a quoted value (quotes and control bytes replaced, length
// capped).
BOOL JobWriteJobName(DisplayListStream* stream, const char* name, int32_t length);

// Ends the spool-side document of the Pdev (DrvSplEndDoc, DrvSplClose, each
// when exported) and frees the module; the binding is forgotten.
void GrSpoolUnbind(Pdev* pdev);

// ---- escapes ---------------------------------------------------------------------
inline constexpr ULONG kEscQuerySupport = 8;
inline constexpr ULONG kEscSetCopyCount = 17;
inline constexpr ULONG kEscPassThrough = 19;
inline constexpr ULONG kEscGetTechnology = 20;
inline constexpr ULONG kEscGetDeviceUnits = 42;
inline constexpr ULONG kEscSetUserCode = 111;
inline constexpr ULONG kEscSetOwnerName = 112;
inline constexpr ULONG kEscSetJobPassword = 113;
inline constexpr ULONG kEscSetUserId = 114;
inline constexpr ULONG kEscSetDocumentName = 115;
inline constexpr ULONG kEscSetTelNo = 116;
inline constexpr ULONG kEscSetTelLine = 117;
inline constexpr ULONG kEscSetStoredPassword = 118;
inline constexpr ULONG kEscGetDefaultSource = 119;
inline constexpr ULONG kEscGetPrintMethod = 120;
inline constexpr ULONG kEscSetDriverIni = 121;
inline constexpr ULONG kEscGetApiUseFlag = 126;
inline constexpr ULONG kEscCoreVersion = 140;
inline constexpr ULONG kEscSpoolDllName = 141;

inline constexpr ULONG kEscMaxCopies = 999;
inline constexpr ULONG kEscFailed = 0xFFFFFFFFu;  // -1
inline constexpr const char* kEscTechnology = "VELM";
inline constexpr const char* kEscCoreVersionText = "IMGENG.LIB MASTER 1.26g";
