// Display language codes and the UI and bitmap resource modules of a
// context, with the strings they hold.
#pragma once

#include <cstdint>

#include "plat/wintypes.h"

struct DriverContext;

// ---- language codes ----------------------------------------------------------------
const char16_t* ResGetUiLanguageCode(DriverContext* ctx);
// Copied into the context's language-code field, which is returned.
const char16_t* ResGetLanguageSection(DriverContext* ctx);
const char16_t* ResGetHelpLanguageCode(DriverContext* ctx);
uint16_t ResGetLangIdFromCode(const char16_t* code);     // 1 when unknown
const char16_t* ResGetCodeFromLangId(uint32_t id);         // "us" when unknown
const char16_t* ResNormalizeLangCode(const char16_t* code);  // "us" when unknown
// From the two characters before the file name's extension.
uint16_t ResGetLangIdFromFileName(const char16_t* name);
const char16_t* ResGetLangCodeFromFileName(const char16_t* name);
uint16_t ResGetLangIdFromDriverHelp(DriverContext* ctx);
const char16_t* ResGetDriverHelpLanguageCode(DriverContext* ctx);
uint16_t ResGetLangIdFromHelpData(DriverContext* ctx);
const char16_t* ResGetHelpDataLanguageCodeCtx(DriverContext* ctx);
const char16_t* ResGetHelpDataLanguageCode(HANDLE printer);
int32_t ResIsJapanese(DriverContext* ctx);

// ---- resource modules -------------------------------------------------------------
// Loaded on first use and kept in the context; null when it cannot be
// loaded (tried again at the next call).
HMODULE ResLoadUiDll(DriverContext* ctx);
HMODULE ResLoadBitmapDll(DriverContext* ctx);
void ResFreeDlls(DriverContext* ctx);

// A string of the UI resource module into buffer (capacity characters,
// always terminated), with the suffix of its id when suffix is not 0; the
// length of the result. Empty without the module.
int32_t ResLoadString(DriverContext* ctx, uint32_t id, char16_t* buffer, uint32_t capacity, int32_t suffix);
// Adds the suffix of the id (see ResStringSuffixTable) to the text in
// buffer, cut to fit capacity.
void ResAppendStringSuffix(DriverContext* ctx, uint32_t id, char16_t* buffer, uint32_t capacity);

struct StringSuffixRow {
  uint32_t stringId;  // 0 ends the table
  uint16_t argument;  // setting id (kind 1) or slot number + 1 (kind 2)
  uint32_t kind;      // 1 ":" + setting text, 2 user paper size, 3 unit name
};
constexpr int kStringSuffixRows = 30;
extern const StringSuffixRow ResStringSuffixTable[kStringSuffixRows + 1];
