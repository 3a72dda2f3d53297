// Operations on a context's settings as a whole: the save stack of working
// DEVMODE states, a clone of the setting table, the font tables the working
// DEVMODE holds by handle, the settings-file mismatch flag, a few
// single-setting routines and the build switches.
#pragma once

#include <cstdint>

#include "plat/wintypes.h"

struct DriverContext;
struct SettingTable;

// ---- save stack ------------------------------------------------------------------
// Pushes the working DEVMODE (with copies of its font tables of its own) and
// the change mask. Pops are paired with pushes: restore 1 brings the pushed
// state back, 0 drops it; a pop with nothing pushed does nothing. The stack
// grows as needed.
void DmPushSettings(DriverContext* ctx);
void DmPopSettings(DriverContext* ctx, int32_t restore);
// States pushed and not yet popped.
int32_t DmGetSaveDepth(DriverContext* ctx);
// Frees the states beyond the three of the work record (context teardown).
void DmFreeSaveStack(DriverContext* ctx);

// ---- setting table clone -----------------------------------------------------------
// A new header and a copy of all rows, or null; the rows may be missing
// (null) when their allocation failed.
SettingTable* OptCloneSettingTable(DriverContext* ctx);
// Copies the clone's rows back over the context's and frees the clone.
void OptRestoreSettingTable(DriverContext* ctx, SettingTable* clone);

// ---- font tables -----------------------------------------------------------------
constexpr uint32_t kFontNameChars = 32;  // a name field; buffers hold 33
int32_t OptCountDeviceFonts(DriverContext* ctx);
// The name of font n, counted through the device fonts, then the option
// fonts, into buffer (kFontNameChars + 1 characters), always terminated;
// empty past the end. Returns buffer.
char16_t* OptGetDeviceFontName(DriverContext* ctx, int32_t n, char16_t* buffer);
// Installs a copy of count 128-byte substitution records (table null: the
// model's default table from printer data). The first replacement keeps the
// table it replaces until the pop of the save-stack level it was made at.
// 1 done, 0 out of memory (the current table stays).
int32_t OptReplaceFontTable(DriverContext* ctx, int32_t count, const uint8_t* table);
// The device font of the first substitution pair whose TrueType face equals
// face (exact), else the first device font; into buffer as above.
char16_t* OptFindSubstituteFont(DriverContext* ctx, const char16_t* face, char16_t* buffer);

// ---- resolution and quality ---------------------------------------------------------
int32_t DmGetPrintQuality(DriverContext* ctx);
void DmSetPrintQuality(DriverContext* ctx, int32_t value);
void DmSetYResolution(DriverContext* ctx, int32_t value);
int32_t DmGetDstResolutionW(DriverContext* ctx);
void DmSetDstResolutionW(DriverContext* ctx, int32_t value);
int32_t DmGetDstResolutionH(DriverContext* ctx);
void DmSetDstResolutionH(DriverContext* ctx, int32_t value);

// ---- settings-file mismatch flag ---------------------------------------------------
// 1 when the last settings-file load refused the file's header.
void CtxSetFileMismatch(DriverContext* ctx, int32_t value);
int32_t CtxGetFileMismatch(DriverContext* ctx);

// ---- single settings -----------------------------------------------------------------
// OptSetValueById; the gate has no effect in this build.
int32_t OptSetValueByIdGated(int32_t gate, uint32_t id, int32_t value, DriverContext* ctx);
// 1 when vdmSortType (129) has a choice: more than one selectable value, or
// one that is not 0; 0 when none or out of memory.
int32_t OptHasSortChoice(DriverContext* ctx);
// wdmCustomFunc0-31 (916-947); 0 for any other id.
int32_t OptGetCustomFunc(DriverContext* ctx, uint32_t id);

// ---- build switches --------------------------------------------------------------------
int32_t UcodeIsEnabled();    // 0
int32_t JobInfoIsEnabled();  // 1
// Bit n of the remote-management feature bitmap (only bit 7 is set).
int32_t RemoteIsFeatureBitOn(int32_t n);
// For bit 7 when set: the terminal-server client files; 0 otherwise.
int32_t RemoteSyncByFeatureBit(int32_t n, DriverContext* ctx);
// 1 for the device option codes the device query hooks (132, 133, 134, 137,
// 138, 12); the hook itself does nothing in this build.
int32_t BidiIsHookedOptionCode(int32_t code);
void BidiOnOptionCode(DriverContext* ctx, int32_t code, int32_t value, void* data);
