// Installation services: section names and paths of the install inis, the
// default presets and quality sets of a default settings file (.qsb), the
// install files and their path language, the preset condition filter, the
// batch-settings ini VELM.ini, the work and data folder keys, the
// install-info defaults, the hand-over ini, model registration, the install
// programs, and the scenario bundle export.
//
// Results are 1 for success and 0 for failure unless a routine says
// otherwise. Buffers are in characters; paths are at most 260 characters.
#pragma once

#include <cstdint>

#include "plat/wintypes.h"

struct DriverContext;
struct SYSTEMTIME;

// ---- section names and paths ------------------------------------------------------
// The two-letter UI language code / the printer name, as section names.
const char16_t* InstGetInfoSectionName(DriverContext* ctx);
const char16_t* InstGetLanguageSectionName(DriverContext* ctx);
const char16_t* InstGetPrinterSectionName(DriverContext* ctx);
const char16_t* InstGetCtxPrinterName(DriverContext* ctx);
int32_t InstGetPrinterNameByHandle(HANDLE printer, char16_t* buffer, uint32_t size);
// "BatchInstallDone".
const char16_t* InstGetBatchInstallDoneKey();

// Directory + "\" + name into buffer; 1, or 0 with the buffer empty when it
// does not fit or the directory is not available.
int32_t PathMakeInDataDir(char16_t* buffer, uint32_t size, const char16_t* name, DriverContext* ctx);
int32_t PathMakeInWindowsDir(char16_t* buffer, uint32_t size, const char16_t* name);
int32_t PathMakeInSystemDir(char16_t* buffer, uint32_t size, const char16_t* name);
int32_t PathMakeInUserDataDir(char16_t* buffer, uint32_t size, const char16_t* name);
// The driver directory (with its trailing backslash) + name.
int32_t PathMakeInDriverDir(char16_t* buffer, uint32_t size, const char16_t* name, HANDLE printer);
// "..\..\x": the system directory one level up per leading "..\", + "\x";
// 0 with the buffer empty when there are more levels than directories or it
// does not fit.
int32_t PathResolveParentOfSystemDir(char16_t* buffer, uint32_t size, const char16_t* path);
// A path without a drive letter put behind the driver directory.
int32_t PathMakeDriverAbsolute(char16_t* buffer, uint32_t size, const char16_t* path, DriverContext* ctx);
// The path with its extension replaced (in place); 0 when it does not fit.
int32_t PathChangeExtToQsd(char16_t* path, uint32_t size);
int32_t PathChangeExtToQsq(char16_t* path, uint32_t size);
// GetSystemWindowsDirectoryW into the buffer; always 1.
int32_t PathGetSystemWindowsDir(char16_t* buffer, uint32_t size);

// ---- default settings files (.qsb) --------------------------------------------------
// Flags of InstInstallDefaultPresets / InstInstallDefaultQualities.
constexpr uint32_t kInstAddToList = 0x1;
constexpr uint32_t kInstCopyFiles = 0x2;
constexpr uint32_t kInstRebuildCopy = 0x10;
constexpr uint32_t kInstDeleteCopy = 0x20;
constexpr uint32_t kInstFilter = 0x40;
constexpr uint32_t kInstKeepListed = 0x80;
constexpr uint32_t kInstBatch = 0x100;
constexpr uint32_t kInstRefresh = 0x1000;

// The preset list's limit.
constexpr int32_t kInstMaxPresets = 16;

// One preset list entry as InstCheckPresets reads it.
struct InstPresetEntry {
  char16_t file[261];
  char16_t name[514];
  char16_t comment[514];
};

// DefaultQst of the install-info file's language section / of the driver
// ini's printer section (260 characters); 1 when found.
int32_t InstGetInfoDefaultQst(char16_t* buffer, DriverContext* ctx);
int32_t InstGetDriverIniDefaultQst(char16_t* buffer, DriverContext* ctx);
// 1 when the extension is "qsb" (any case) and the file exists.
int32_t InstIsDefaultQstFile(const char16_t* path);
int32_t InstInstallDefaultFiles(const char16_t* file, const char16_t* language_section, uint32_t flags,
                                DriverContext* ctx);
// Set-up type 2 writes no printer data. Always 1.
int32_t InstInstallDefaultQst(uint32_t flags, int32_t setup_type, DriverContext* ctx);
int32_t InstInstallDefaultPresets(const char16_t* file, const char16_t* language_section, uint32_t flags,
                                  DriverContext* ctx, uint32_t kept_count = 0,
                                  const InstPresetEntry* kept = nullptr);
int32_t InstInstallDefaultQualities(const char16_t* file, const char16_t* language_section, uint32_t flags,
                                    DriverContext* ctx);
int32_t InstAddDefaultPreset(DriverContext* ctx, const char16_t* file, const char16_t* name,
                             const char16_t* comment, uint32_t flags);
// The result of InstInstallDefaultPresets; 0 when cancelled or there is
// nothing to check.
int32_t InstCheckPresets(DriverContext* ctx, int32_t ask);
// 0 when the file's settings raise an alert on the presets page.
int32_t InstPresetFitsModel(const char16_t* file, DriverContext* ctx);
// Rebuilds a preset or quality file from another; 1 when rebuilt.
int32_t InstCopyPresetFile(const char16_t* target, const char16_t* source, uint32_t flags, DriverContext* ctx);
int32_t InstHasQstVersion(const char16_t* file, DriverContext* ctx);
int32_t InstUnpackDefaultFiles(DriverContext* ctx);

// ---- install files, path language and the condition filter --------------------------
// 1 when the common driver ini holds a non-empty BatchInstQst for the printer.
int32_t InstHasBatchInstQst(DriverContext* ctx);
// Mode 1: default preset and quality files; mode 0: the install list.
int32_t InstResolveInstallPath(char16_t* path, uint32_t size, int32_t mode, DriverContext* ctx);
int32_t InstResolveDefaultFilePath(char16_t* path, uint32_t size, DriverContext* ctx);
int32_t InstResolveListFilePath(char16_t* path, uint32_t size, DriverContext* ctx);
int32_t InstPresetIsEnabled(const char16_t* file, DriverContext* ctx);
int32_t InstPresetMatchesCondition(const char16_t* file, DriverContext* ctx);
// Reads one term of a condition expression: the option name (at most
// name_size - 1 bytes) and whether it is negated and joined to the next by
// '&'. The number of bytes consumed.
int32_t InstParseConditionTerm(const char* text, char* name, uint32_t name_size, int32_t* negate,
                               int32_t* and_next);
int32_t InstAppendQualityNamed(const char16_t* file, const char16_t* name, DriverContext* ctx);
int32_t InstReadQualityName(const char16_t* file, const char16_t* language_section, char16_t* buffer);
int32_t InstAppendQuality(DriverContext* ctx, const char16_t* file, const char16_t* name);
void PresetFormatQualityKeyEx(char16_t* buffer, int32_t n, int32_t name_flag);
int32_t InstResetQualityList(DriverContext* ctx);
// Installed copies: data directory + file name with "qsr" / common data
// directory + file name with "qsq" (flag 0x10) or "qsd" (flag 0x4); 522
// characters.
int32_t PresetMakeListCopyPath(DriverContext* ctx, const char16_t* file, char16_t* buffer);
int32_t PresetMakeCopyPath(DriverContext* ctx, const char16_t* file, char16_t* buffer, uint32_t flag);
int32_t PresetMakeQualityCopyPath(DriverContext* ctx, const char16_t* file, char16_t* buffer);
// Mode 0 or 0x1000; 0 only when memory is short.
int32_t InstInstallFiles(DriverContext* ctx, uint32_t mode);
int32_t InstInstallListFiles(const char16_t* info_path, const char16_t* language_section, DriverContext* ctx);
int32_t InstRefreshSystemFiles(DriverContext* ctx);
// 1 when an installation may write the path: it lies inside the Windows
// directory (with the system and driver directories) or a data directory
// of the driver. An install list never writes anywhere else.
int32_t InstIsInstallTarget(const char16_t* path);

// ---- batch-settings ini (VELM.ini in the system directory) ---------------------------
const char16_t* InstGetBatchIniName();
const char16_t* InstGetBatchIniPath(DriverContext* ctx);
int32_t InstGetBatchIniPathInto(char16_t* buffer, uint32_t size);
int32_t InstBatchHasNoEntries(const char16_t* ini, const char16_t* section);
int32_t InstBatchHasEntriesByName(const char16_t* printer_name);
int32_t InstBatchHasEntriesByHandle(HANDLE printer);
int32_t InstBatchIniHasEntries(DriverContext* ctx);
int32_t InstBatchGetDefaultQst(char16_t* buffer, DriverContext* ctx);
int32_t InstIsSettingsFile(const char16_t* path);
int32_t InstBatchSetInstallDone(const char16_t* ini, const char16_t* section, int32_t value);
int32_t InstBatchSetDrvInstSet(const char16_t* ini, const char16_t* section, int32_t value);
int32_t InstBatchIsDrvInstSet(const char16_t* ini, const char16_t* section);
// The same on the context's printer section of VELM.ini.
int32_t InstBatchSetDrvInstSet(DriverContext* ctx, int32_t value);
int32_t InstBatchIsDrvInstSet(DriverContext* ctx);
int32_t InstRecordBatchInstallDone(const char16_t* ini, const char16_t* section, int32_t value,
                                   int32_t printer_data, DriverContext* ctx);
int32_t InstWriteIniInt(const char16_t* section, const char16_t* ini, int32_t value, const char16_t* key);
int32_t InstApplyBatchIni(DriverContext* ctx);
int32_t InstApplyBatchUserCode(const char16_t* ini, const char16_t* section, int32_t* changed, DriverContext* ctx);
int32_t InstApplyBatchUserIds(const char16_t* ini, const char16_t* section, DriverContext* ctx);
int32_t InstApplyBatchDefaultQst(uint32_t flags, DriverContext* ctx, int32_t per_user_reload);

// ---- work and data folders ---------------------------------------------------------
int32_t InstApplySpoolDirectory(const char16_t* ini, const char16_t* section, DriverContext* ctx);
int32_t InstApplyVelmDirectory(HANDLE printer, const char16_t* ini, const char16_t* section);
int32_t InstApplyVelmDirectoryFromInfo(HANDLE printer, const char16_t* printer_name, DriverContext* ctx);
int32_t InstApplyVelmDirectoryFromBatchIni(HANDLE printer, const char16_t* printer_name);

// ---- install-info defaults, hand-over ini, model registration, programs --------------
// Mode 0 full, 1 refresh.
int32_t InstApplyBatchDefaults(HANDLE printer, HANDLE second, int32_t mode, DriverContext* ctx);
int32_t InstApplyBatchDefaultsEx(HANDLE printer, HANDLE second, int32_t mode, DriverContext* ctx,
                                 int32_t per_user);
int32_t InstCopyInfoDefaults(const char16_t* target, const char16_t* info_path, DriverContext* ctx);
int32_t InstCopyDefaultQstFreeSizes(const char16_t* target, const char16_t* info_path, DriverContext* ctx);
int32_t InstTargetNeedsDefaults(const char16_t* target, const char16_t* info_path, int32_t* missing,
                                DriverContext* ctx);
void InstApplyLocaleDefaults(const char16_t* printer_name, DriverContext* ctx);
int32_t InstReadHandOverIni(const char16_t* printer_name, DriverContext* ctx);
int32_t InstSetLocaleFromUser(const char16_t* printer_name, DriverContext* ctx);
int32_t InstWriteHandOverIni(const char16_t* printer_name, DriverContext* ctx);
// Mode 0 or 2.
int32_t InstWriteUserCodeIni(const char16_t* printer_name, int32_t mode, DriverContext* ctx);
uint16_t InstGetUserLanguageId();
int32_t InstGetUserCountryCode(DriverContext* ctx);
// The country defaults of the user's locale into the working settings.
void InstSetCountryDefaults(DriverContext* ctx);
int32_t InstRegisterModel(DriverContext* ctx);
// The model key (at most 32 characters), null when there is none.
const char16_t* InstGetModelKey(DriverContext* ctx);
int32_t InstReadInstallIniModel(char16_t* load_dll, char16_t* version, DriverContext* ctx);
const char16_t* InstSkipBlanks(const char16_t* text);
// Runs the install programs of [Expand File], each waited for a bounded
// time (machine setting install.programwait, in milliseconds); the number
// of programs that had not ended when the wait ran out.
int32_t InstRunExpandFilePrograms(DriverContext* ctx);

// ---- scenario bundle ---------------------------------------------------------------
int32_t PresetMakeBundlePath(const char16_t* main_file, char16_t* bundle_path, DriverContext* ctx);
int32_t PresetExportScenario(const char16_t* main_file, const char16_t* bundle_path, DriverContext* ctx);
int32_t PresetWriteBundleHeader(const char16_t* file, DriverContext* ctx);
uint32_t PresetBundleTime(const SYSTEMTIME& time);
void PresetBase36Stamp(uint32_t time, char16_t* buffer);
void PresetStampIncrement(char16_t* stamp);
void PresetStampDecrement(char16_t* stamp);
int32_t PresetRemoveBundleDir(const char16_t* file_in_dir);
int32_t PresetDeleteScenario(const char16_t* main_file);

// ---- from the printer set-up sequence ------------------------------------------------
// Merge keys of the driver ini's printer section: mode 1 writes DefaultQst,
// 3 DefaultQst and BatchInstQst, 4 BatchInstQst (a null value deletes).
int32_t InstCopyMergeKeys(DriverContext* ctx, int32_t mode, const char16_t* value);
// The 4-byte printer data BatchInstallDone.
int32_t InstWriteBatchInstallDone(HANDLE printer, uint32_t value, DriverContext* ctx);
// 1 when the section is given and the key's integer is neither 0 nor missing.
int32_t InstIniFlagIsSet(const char16_t* ini, const char16_t* section, const char16_t* key);
