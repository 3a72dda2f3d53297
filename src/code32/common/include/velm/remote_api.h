// The entry points of the remote-configuration module XMBIDISS.dll, through
// which a printer of a terminal server takes the configuration of the
// client printer it redirects. The driver loads the module for each
// operation and frees it afterwards; all fifteen entries must resolve.
//
// Every entry answers 0 on success, except XMGetServerType, which answers
// the server type (its low byte). Connection handles are 32-bit numbers;
// sizes are byte counts. Client paths and names are ANSI (code page 932).
// The module stand-in in src/xmbidi builds the same.
#pragma once

#include <cstdint>

#include "plat/osinfo.h"

// Server types XMGetServerType answers.
constexpr uint8_t kRemoteServerType17 = 17;  // client configuration, no DEVMODE
constexpr uint8_t kRemoteServerType18 = 18;  // client configuration with its DEVMODE
constexpr uint8_t kRemoteServerType19 = 19;  // like 17, but no connection allowed

// The buffer sizes the driver passes to XMGetServerType: the client printer
// name (bytes, 260 wide characters) and the extra buffer.
constexpr uint32_t kRemoteClientNameBytes = 520;
constexpr uint32_t kRemoteExtraBytes = 512;
constexpr uint32_t kRemoteInfoBytes = 512;

extern "C" {
typedef int32_t (*XMGetServerTypeFn)(const char16_t* printer, uint32_t name_bytes, uint32_t extra_bytes,
                                     char16_t* client_printer, void* extra);
typedef int32_t (*XMSaveInformationClearFn)(const char16_t* printer, int32_t type);
typedef int32_t (*XMPrintConfigConnectExFn)(int32_t type, uint32_t* connection, void* info, void* extra,
                                            uint32_t* out);
typedef int32_t (*XMPrintConfigDisConnectFn)(uint32_t connection, void* info, int32_t type);
typedef int32_t (*XMClientOSTypeFn)(uint32_t connection, int32_t type, OSVERSIONINFOW* version);
typedef int32_t (*XMRegFileGetSizeFn)(uint32_t connection, int32_t type, const char* client_path, int32_t one,
                                      const char* client_printer, uint32_t* size);
typedef int32_t (*XMGetDataFileFn)(uint32_t connection, int32_t type, const char* client_path,
                                   const char* local_path, int32_t zero1, int32_t zero2, uint32_t size);
typedef int32_t (*XMGetPrinterDataSizeFn)(uint32_t connection, int32_t type, const char* client_printer,
                                          const char* key, const char* value, uint32_t* size);
typedef int32_t (*XMGetPrinterDataFn)(uint32_t connection, int32_t type, const char* client_printer,
                                      const char* key, const char* value, uint32_t size, void* buffer);
typedef int32_t (*XMDevmodeSizeFn)(uint32_t connection, int32_t type, const char* client_printer, uint32_t* size);
typedef int32_t (*XMDevmodeFn)(uint32_t connection, int32_t type, const char* client_printer, uint32_t size,
                               void* buffer);
// Has the module convert and store the client's DEVMODE for the printer
// through the named export of the printer-interface library at dll_path.
typedef int32_t (*XMSetDevmodeFn)(int32_t type, const char16_t* printer, const char16_t* dll_path,
                                  const char* export_name, int32_t zero1, int32_t zero2);
// Resolved with the others but never called by the driver.
typedef int32_t (*XMUnusedFn)();
}

// The entry names in the order the driver resolves them.
inline constexpr const char* kRemoteEntryNames[15] = {
    "XMGetServerType",   "XMSaveInformationClear", "XMPrintConfigConnectEx", "XMPrintConfigDisConnect",
    "XMClientOSType",    "XMRegFileGetSize",       "XMGetDataFile",          "XMGetPrinterDataSize",
    "XMGetPrinterData",  "XMDevmodeSize",          "XMDevmode",              "XMSetDevmode",
    "XMRegFileGetData",  "XMPrintConfigConnect",   "XMSaveDevmodeClear",
};
