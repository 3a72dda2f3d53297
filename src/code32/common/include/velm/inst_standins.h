// Installation and preset-path services that the settings files, presets,
// watermarks and user paper sizes call: section names, paths in the data
// directories, the install-info defaults and the rebuild of preset files.
//
// Stand-ins until the installation areas land (each marked where it is
// defined).
#pragma once

#include <cstdint>

struct DriverContext;

// The two-letter UI language code / the printer name, as section names.
const char16_t* InstGetLanguageSectionName(DriverContext* ctx);
const char16_t* InstGetPrinterSectionName(DriverContext* ctx);
// Common data directory + "\" + name into buffer (size characters); 1, or 0
// with the buffer empty when it does not fit.
int32_t PathMakeInDataDir(char16_t* buffer, uint32_t size, const char16_t* name, DriverContext* ctx);
// DefaultQst of the install-info file's language section (260 characters);
// 1 when found.
int32_t InstGetInfoDefaultQst(char16_t* buffer, DriverContext* ctx);
// A path without a drive letter put behind the driver directory.
int32_t PathMakeDriverAbsolute(char16_t* buffer, uint32_t size, const char16_t* path, DriverContext* ctx);
// The installed copy of a quality file: data directory + its file name with
// the extension "qsq" (522 characters); 1 when built.
int32_t PresetMakeQualityCopyPath(DriverContext* ctx, const char16_t* file, char16_t* buffer);
// Rebuilds a preset or quality file from another; 1 when rebuilt.
int32_t InstCopyPresetFile(const char16_t* target, const char16_t* source, uint32_t flags, DriverContext* ctx);
// The country defaults of the user's locale into the working settings.
void InstSetCountryDefaults(DriverContext* ctx);
