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

// The terminal-server client's printer data: the client value of the name,
// taken only when its size equals size; stored locally with reg_type and
// copied to buffer. Stand-in until the terminal-server client configuration
// lands: there is no client, so nothing is fetched (0).
int32_t RemoteCopyClientPrinterData(HANDLE printer, const char16_t* name, DWORD* type, void* buffer, uint32_t size,
                                    DWORD* needed, uint32_t reg_type, void* client);
// Copies the terminal-server client's files for the printer. Stand-in until
// the terminal-server client configuration lands: nothing to copy (0).
int32_t RemoteSyncClientFiles(DriverContext* ctx);
