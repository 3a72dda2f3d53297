// Terminal-server client configuration: a printer of a terminal server that
// redirects a client's printer takes that client's configuration (its
// files, printer data and DEVMODE) through the remote-configuration module
// XMBIDISS.dll of the system directory (velm/remote_api.h). The feature is
// on when HKLM "Software\ORVEK\Overarch Printer Driver" XMBIDI_FLG is 1 and
// the module exists; it is active on a terminal server only.
//
// Every operation answers 0 when the feature is off, the module or one of
// its entries is missing, the server type is not one it serves, or a call
// fails; the stores then keep what they had.
#pragma once

#include <cstdint>

#include "plat/wintypes.h"

struct DriverContext;
struct DEVMODEW;
struct RemoteMgmtApi;

// Printer data (REG_BINARY, 4 bytes) and the client configuration ini.
inline constexpr char16_t kRemoteConnectionValue[] = u"SyncfgConnection";
inline constexpr char16_t kRemoteIniValue[] = u"SyncfgIni";
inline constexpr char16_t kRemoteRegistryKey[] = u"Software\\ORVEK\\Overarch Printer Driver";
inline constexpr char16_t kRemoteRegistryFlag[] = u"XMBIDI_FLG";
inline constexpr char16_t kRemoteModuleName[] = u"XMBIDISS.dll";

// 1 when XMBIDI_FLG is 1 and the module file exists in the system directory.
int32_t RemoteIsEnabled(DriverContext* ctx);
int32_t RemoteIsEnabledNoCtx();
// 1 on a terminal server with the feature enabled.
int32_t RemoteIsActive(DriverContext* ctx);
int32_t RemoteIsActiveNoCtx(HANDLE printer);
// 0 not active; 1 the configuration was taken from the client
// (SyncfgConnection is 1); 2 it is still to be taken.
int32_t RemoteGetSyncState(DriverContext* ctx);

// SyncfgConnection / SyncfgIni of the printer: 1 read or written.
int32_t RemoteGetConnectionData(HANDLE printer, uint32_t* value);
int32_t RemoteSetConnectionData(HANDLE printer, uint32_t value);
int32_t RemoteGetIniData(HANDLE printer, uint32_t* value);
int32_t RemoteSetIniData(HANDLE printer, uint32_t value);

// The server type the module answers for the printer name; 1 with *type
// set, 0 when not active for the printer or the module is not usable.
int32_t RemoteGetServerType(HANDLE printer, const char16_t* printer_name, uint8_t* type);
// 1 when the module answers server type 17 for the printer.
int32_t InstIsServerType17(HANDLE printer, const char16_t* printer_name);

// Printer set-up: fetches the client's files and printer data (sync state
// 2) and marks SyncfgConnection and SyncfgIni 1; 1 when done or nothing was
// to do.
int32_t RemoteSyncClientFiles(DriverContext* ctx);
// Clears what the module keeps for the printer; 1 when cleared and the type
// was not 19.
int32_t RemoteClearServerInfo(DriverContext* ctx);
// The client's printer-data value of the name (under "PrinterDriverData"),
// taken only when its size equals size: stored locally with reg_type and
// copied to buffer; 1 when copied, 0 when nothing was. client is the
// operation's RemoteMgmtApi record.
int32_t RemoteCopyClientPrinterData(HANDLE printer, const char16_t* name, DWORD* type, void* buffer, uint32_t size,
                                    DWORD* needed, uint32_t reg_type, void* client);
// The client's DEVMODE into buffer (this driver's DEVMODE size) for server
// type 18; *server_type gets the type asked. 1 when delivered.
int32_t RemoteGetClientDevmode(DriverContext* ctx, DEVMODEW* buffer, uint8_t* server_type);
// Property-sheet open: imports the fetched client lists and files once; 1
// when imported.
int32_t RemoteRefreshPresets(DriverContext* ctx);

// The printer name without '"', '*', '/', ':', '<', '>', '?', '\' and '|'
// into out (size characters); 0 when the name is 260 characters or longer
// or does not fit.
int32_t RemoteSanitizeFileName(const char16_t* name, char16_t* out, uint32_t size);
