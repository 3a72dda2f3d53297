// Where the driver's files are: the driver directory and the files in it,
// the driver ini, the data directories and their security, and the small
// path-string helpers.
//
// The context's path fields are shared buffers: PathGetDriverDir,
// PathGetHelpFile, PathGetUiResourceDll and PathGetBitmapResourceDll all
// build in the driver-directory field, so each call replaces the previous
// result. A path that cannot be built (it would not fit) comes back empty,
// and ini operations on an empty path do nothing.
#pragma once

#include <cstdint>

#include "plat/security.h"
#include "plat/wintypes.h"

struct DriverContext;

// ---- driver files ----------------------------------------------------------------
const char16_t* PathGetDriverIni(DriverContext* ctx);
// The driver ini without a context: the per-user data directory (mode 1) or
// the common one, "\" and the driver-ini name; 1, or 0 when the directory is
// not available or the path does not fit.
int32_t PathGetDriverIniNoCtx(char16_t* buffer, uint32_t capacity, int32_t mode);
const char16_t* PathGetInstallInfoFile(DriverContext* ctx);
int32_t PathGetInstallInfoFileNoCtx(HANDLE printer, char16_t* buffer, uint32_t capacity);
const char16_t* PathGetInstallIni(DriverContext* ctx);
// The driver directory with its trailing backslash: the directory of
// DRIVER_INFO_3 pDriverPath, else system directory + "\spool\drivers\w32x86\2\".
const char16_t* PathGetDriverDir(DriverContext* ctx);
// The same into a caller's buffer; 1, or 0 (buffer empty) when it does not fit.
int32_t PathCopyDriverDir(HANDLE printer, char16_t* buffer, uint32_t capacity);
const char16_t* PathGetHelpFile(DriverContext* ctx);
const char16_t* PathGetUiResourceDll(DriverContext* ctx);
const char16_t* PathGetBitmapResourceDll(DriverContext* ctx);

// ---- path strings (null in gives null out) ------------------------------------------
const char16_t* PathGetFileNamePart(const char16_t* path);
const char16_t* PathGetExtensionPart(const char16_t* path, uint32_t* count);
const char16_t* PathGetFileNameBase(const char16_t* path, uint32_t* count);
int32_t PathHasShortExtension(const char16_t* path);

// ---- data directories (answers are lengths; 0 when not available) ---------------------
int32_t PathGetSystemDir(char16_t* buffer, uint32_t capacity, DriverContext* ctx);
int32_t PathGetCommonDataDir(char16_t* buffer, uint32_t capacity);
int32_t PathGetCommonDataDirNoCtx(char16_t* buffer, uint32_t capacity);
int32_t PathGetDataDir(char16_t* buffer, uint32_t capacity, DriverContext* ctx);
int32_t PathGetDataDirNoCtx(char16_t* buffer, uint32_t capacity);
int32_t PathGetUserDataDir(char16_t* buffer, uint32_t capacity, DriverContext* ctx);
int32_t PathGetUserDataDirNoCtx(char16_t* buffer, uint32_t capacity);
// 1 with the user's profile directory; on failure the common data directory
// (1) or nothing (0, the NoFallback form).
int32_t PathGetProfileDir(char16_t* buffer, uint32_t capacity);
int32_t PathGetProfileDirNoFallback(char16_t* buffer, uint32_t capacity);
int32_t PathQueryProfileDir(char16_t* buffer, uint32_t capacity, int32_t no_fallback);
int32_t PathGetLocalAppDataLow(char16_t* buffer, uint32_t capacity);

// ---- the common data directory and its security ---------------------------------------
int32_t PathPrepareDataDir(DriverContext* ctx);
// Creates the common data directory (an existing one counts), hides it and
// gives it the Administrators owner and the Everyone DACL; the result of the
// creation.
int32_t PathCreateDataDir();
int32_t PathSecureDataDir(DriverContext* ctx);
int32_t PathSecureClientIni(DriverContext* ctx);
// Owner and DACL on the common data directory and the files directly in
// it; 0 when the descriptors cannot be built or the directory itself could
// not be changed.
int32_t PathSecureDataDirTree();
// Flags: 0x1 the path only, else also its entries (see PathApplySecurityTree).
// 0 when the descriptor cannot be built or the path itself could not be
// changed.
int32_t PathSetDataDirOwner(const char16_t* path, uint32_t flags);
int32_t PathSetDataDirDacl(const char16_t* path, uint32_t flags);
// Files in the directory always; subdirectories with flag 0x2; descends
// with 0x4.
int32_t PathApplySecurityTree(const char16_t* dir, SECURITY_DESCRIPTOR* sd, uint32_t flags, uint32_t information);
SECURITY_DESCRIPTOR* PathMakeEveryoneDacl();
void PathFreeEveryoneDacl(SECURITY_DESCRIPTOR* sd);
SECURITY_DESCRIPTOR* PathMakeAdminOwnerSd();
void PathFreeAdminOwnerSd(SECURITY_DESCRIPTOR* sd);
