// Stand-ins for services of later areas of the driver that the environment
// code calls. Each is marked where it is defined; the real ones replace
// them when their areas land.
#pragma once

#include <cstdint>

#include "plat/wintypes.h"

struct DriverContext;

// 1 when the remote-configuration helper answers server type 17 for the
// printer (printer set-up). Stand-in until the printer set-up lands: the
// answer given to EnvStandinSetServerType17, else 0.
int32_t InstIsServerType17(HANDLE printer, const char16_t* printer_name);
void EnvStandinSetServerType17(int32_t answer);

// Prepares the client ini of the bidirectional device query. Stand-in until
// the device query lands: does nothing and answers 0.
int32_t BidiIniPrepareFile(DriverContext* ctx);
