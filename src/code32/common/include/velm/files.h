// File operations of the driver and the copy-by-mode rules of installation.
// Paths are full Windows paths of at most 260 characters.
#pragma once

#include <cstdint>

#include "plat/wintypes.h"

struct DriverContext;

int32_t FileExists(const char16_t* path);
// 1 only when the file was deleted (read-only is cleared first).
int32_t FileDelete(const char16_t* path);
// Deletes what a directory + wildcard pattern matches; 1 when at least one
// entry was deleted.
int32_t FileDeleteMatching(const char16_t* pattern);
// CopyFileW, then the target's attributes NORMAL, then ARCHIVE; 1 when all
// three succeed.
int32_t FileCopy(const char16_t* source, const char16_t* target, BOOL fail_if_exists);
int32_t FileClearReadOnly(const char16_t* path);
// Last-write times: mode 0, 1 when equal; mode 1, 1 when the first is not
// later than the second. 0 when either cannot be opened.
int32_t FileCompareTimes(const char16_t* first, const char16_t* second, int32_t mode);
// An existing directory counts as success.
int32_t FileCreateDirectory(const char16_t* path);
// The bytes actually moved, -1 on failure.
int32_t FileRead(HANDLE file, void* buffer, uint32_t bytes);
int32_t FileWrite(HANDLE file, const void* buffer, uint32_t bytes);

// Copy modes: 1 copies only when the target is missing; any other mode
// copies when the time rule of the operation asks for it. The same path
// (ignoring case) answers 1 without copying. A failed copy keeps the old
// target; a copied file ends with the archive attribute alone.
int32_t FileCopyByMode(const char16_t* target, const char16_t* source, uint16_t mode);
int32_t FileCopyBetweenDirs(const char16_t* name, const char16_t* source_dir, const char16_t* target_dir,
                            uint16_t mode);
int32_t FileCopyDriverToSystemDir(const char16_t* name, const char16_t* source_name, uint16_t mode,
                                  DriverContext* ctx);
// Time mode 0: copy when the times differ; 1: when the source is later.
int32_t FileInstallFromDriverDir(const char16_t* target, const char16_t* source_name, uint16_t mode,
                                 DriverContext* ctx, int32_t time_mode);
int32_t FileCopyFromDriverDirEx(const char16_t* target, const char16_t* source_name, uint16_t mode,
                                DriverContext* ctx, int32_t time_mode);
int32_t FileCopyFromDriverDir(const char16_t* target, const char16_t* source_name, uint16_t mode,
                              DriverContext* ctx);
