// User codes: whether a user code is used and the code itself (items 10002,
// 10003 and 10273, environment item 724), from the printer's own printer data
// (ServerUse) or from velmcfg.ini in the common data directory.
#pragma once

#include <cstdint>

struct DriverContext;

// 0 for a printer reached through a server; 1 when loaded (printer data or
// velmcfg.ini); 0 when memory is short.
int32_t UcodeLoadForPrinter(DriverContext* ctx);
int32_t UcodeLoadFromIni(DriverContext* ctx);
// The user-code provider and the synchronisation of velmcfg.ini are switched
// off in this build (UcodeIsEnabled 0): these give their fixed answers.
int32_t UcodeSyncIniIfEnabled(DriverContext* ctx);  // 1
int32_t UcodeLoadIfEnabled(DriverContext* ctx);     // 1
void UcodeUpdateProviderFlags(DriverContext* ctx);  // nothing
void UcodeSaveIfEnabled(DriverContext* ctx);        // nothing
