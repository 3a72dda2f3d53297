// Which Windows the driver runs on, whether under terminal services, and
// whether the user is an administrator.
#pragma once

#include <cstdint>

#include "plat/osinfo.h"
#include "plat/wintypes.h"

// Zero-fills the record, sets its size to 276 and asks GetVersionExW.
BOOL OsGetVersion(OSVERSIONINFOW* info);
// Each answers 0 when the version cannot be had.
int32_t OsIsNt4();           // major version below 5
int32_t OsIsNt5OrLater();    // Windows 2000 or later
int32_t OsIsLaterThanXp();   // 5.2 and every later version
int32_t OsIsVistaOrLater();  // major version above 5
int32_t OsIsWin9x();         // platform VER_PLATFORM_WIN32_WINDOWS

// 1 under terminal services: after Windows XP and with a printer handle the
// maker's helper orvtse.dll beside the driver decides; otherwise the
// terminal suite of the system.
int32_t OsIsTerminalServer(HANDLE printer);
// The same, asked once per process.
int32_t OsIsTerminalServerCached(HANDLE printer);
// Forgets the cached answer, as a library freshly attached to the process
// starts.
void OsResetTerminalServerCache();
// 1 when the calling user is a member of BUILTIN\Administrators.
int32_t OsIsAdministrator();
