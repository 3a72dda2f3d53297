// Stand-in for the maker's remote-configuration module XMBIDISS.dll: a
// loadable module of the machine with the entries of velm/remote_api.h. It
// plays the client computer of a terminal-server session from a folder of
// the machine:
//
//   <client>\_velm\velmclt.ini, <client>\Windows\..., <client>\Driver\...
//                        the client's files; a client path "%SystemDrive%\x"
//                        is <client>\x, "%SystemRoot%\x" <client>\Windows\x,
//                        "%Driver%\x" <client>\Driver\x, "D:\x" <client>\D\x
//   <client>\PrinterData\NAME   the client printer's data value NAME (raw bytes)
//   <client>\devmode.bin        the client printer's DEVMODE (raw bytes)
//
// Machine settings (machine.conf) that steer it:
//   xmbidi.type        the server type answered (default 18)
//   xmbidi.client.dir  Windows path of the client folder (default C:\Client)
//   xmbidi.client.printer  the client printer's name (default: the name asked)
//   xmbidi.client.os   the client's Windows major version (default 6)
//   xmbidi.fail        entries that fail, comma-separated (XMGetDataFile,...);
//                      they answer xmbidi.failcode (default 5)
//   xmbidi.malformed   answers made wrong on purpose, comma-separated:
//                        name         the client printer name fills the whole
//                                     buffer, unterminated
//                        devmodesize  XMDevmodeSize answers 2 bytes more
//                        datasize     XMGetPrinterDataSize answers 1 byte more
// Machine counters (plat::GetMachineCounter):
//   xmbidi.loads / .unloads          process attach / detach
//   xmbidi.<entry>                   calls of each entry
//   xmbidi.connections               connections opened and not yet closed
// and in machine.conf:
//   xmbidi.setdevmode                the library path XMSetDevmode was given
//
// A client path that climbs out of the client folder ("..") and a local
// path outside the machine's drive are refused (error 87).
//
// The build variant XMBIDI_NO_SAVEDEVMODECLEAR leaves XMSaveDevmodeClear
// out, for a module that lacks an export.
#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "plat/files.h"
#include "plat/kernel.h"
#include "plat/machine.h"
#include "plat/machineconf.h"
#include "plat/wintypes.h"
#include "plat/winspool.h"
#include "plat/wstr.h"
#include "velm/remote_api.h"

namespace {

constexpr int32_t kBadArgument = 87;
constexpr int32_t kNotFound = 2;

void Count(const std::string& name, long delta = 1) {
  plat::AddMachineCounter("xmbidi." + name, delta);
}

bool InList(const char* key, const std::string& value) {
  std::stringstream list(plat::GetMachineSetting(key));
  std::string item;
  while (std::getline(list, item, ','))
    if (item == value) return true;
  return false;
}

// Counts the call; the failure code when the entry is told to fail, else 0.
int32_t Enter(const char* entry) {
  Count(entry);
  if (!InList("xmbidi.fail", entry)) return 0;
  long code = plat::GetMachineSettingInt("xmbidi.failcode", 5);
  return code ? int32_t(code) : 5;
}

bool Malformed(const char* what) { return InList("xmbidi.malformed", what); }

std::u16string ClientDir() {
  std::string dir = plat::GetMachineSetting("xmbidi.client.dir");
  return plat::FromUtf8(dir.empty() ? std::string("C:\\Client") : dir);
}

bool StartsNoCase(const std::u16string& text, const std::u16string& prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    char16_t a = text[i], b = prefix[i];
    if (a >= u'A' && a <= u'Z') a = char16_t(a + 32);
    if (b >= u'A' && b <= u'Z') b = char16_t(b + 32);
    if (a != b) return false;
  }
  return true;
}

bool Climbs(const std::u16string& path) {
  std::u16string part;
  for (char16_t c : path + u"\\") {
    if (c == u'\\' || c == u'/') {
      if (part == u"..") return true;
      part.clear();
    } else {
      part += c;
    }
  }
  return false;
}

// The Windows path of a client path inside the client folder; empty when it
// is refused.
std::u16string ClientFile(const char* client_path) {
  if (!client_path) return std::u16string();
  std::u16string path = plat::FromUtf8(client_path);
  if (path.empty() || Climbs(path)) return std::u16string();
  const std::u16string dir = ClientDir();
  struct Root {
    const char16_t* prefix;
    const char16_t* folder;
  };
  for (const Root& r : {Root{u"%SystemDrive%", u""}, Root{u"%SystemRoot%", u"\\Windows"}, Root{u"%Driver%", u"\\Driver"}})
    if (StartsNoCase(path, r.prefix)) return dir + r.folder + path.substr(std::u16string(r.prefix).size());
  if (path.size() >= 2 && path[1] == u':') return dir + u"\\" + path.substr(0, 1) + path.substr(2);
  return dir + u"\\" + path;
}

// A local path: "%SystemDrive%" becomes the machine's system drive.
std::u16string LocalFile(const char* local_path) {
  if (!local_path) return std::u16string();
  std::u16string path = plat::FromUtf8(local_path);
  if (StartsNoCase(path, u"%SystemDrive%")) path = u"C:" + path.substr(13);
  if (Climbs(path) || !plat::IsFullWindowsPath(path.c_str())) return std::u16string();
  return path;
}

bool ReadBytes(const std::u16string& windows_path, std::vector<char>* out) {
  std::ifstream in(plat::MapPath(windows_path), std::ios::binary);
  if (!in) return false;
  out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

std::u16string PrinterDataFile(const char* value) {
  std::u16string name = plat::FromUtf8(value ? value : "");
  if (name.empty() || name.find_first_of(u"\\/:") != std::u16string::npos || name == u"..") return std::u16string();
  return ClientDir() + u"\\PrinterData\\" + name;
}

std::u16string DevmodeFile() { return ClientDir() + u"\\devmode.bin"; }

__attribute__((constructor)) void OnLoad() { Count("loads"); }
__attribute__((destructor)) void OnUnload() { Count("unloads"); }

}  // namespace

VELM_EXPORT int32_t XMGetServerType(const char16_t* printer, uint32_t name_bytes, uint32_t extra_bytes,
                                    char16_t* client_printer, void* extra) {
  if (int32_t r = Enter("XMGetServerType")) return r;
  if (!printer || !client_printer || name_bytes < 2) return 0;
  std::string configured = plat::GetMachineSetting("xmbidi.client.printer");
  std::u16string name = configured.empty() ? std::u16string(printer) : plat::FromUtf8(configured);
  const size_t chars = name_bytes / 2;
  if (Malformed("name")) {
    for (size_t i = 0; i < chars; ++i) client_printer[i] = u'Z';
  } else {
    plat::WCopy(client_printer, chars, name.substr(0, chars - 1).c_str());
  }
  if (extra && extra_bytes) std::memset(extra, 0, extra_bytes);
  return int32_t(plat::GetMachineSettingInt("xmbidi.type", kRemoteServerType18) & 0xFF);
}

VELM_EXPORT int32_t XMSaveInformationClear(const char16_t*, int32_t) { return Enter("XMSaveInformationClear"); }

VELM_EXPORT int32_t XMPrintConfigConnectEx(int32_t, uint32_t* connection, void*, void*, uint32_t* out) {
  if (int32_t r = Enter("XMPrintConfigConnectEx")) return r;
  if (!connection) return kBadArgument;
  *connection = 0x5A17;
  if (out) *out = 0;
  Count("connections");
  return 0;
}

VELM_EXPORT int32_t XMPrintConfigDisConnect(uint32_t connection, void*, int32_t) {
  if (connection == 0x5A17) Count("connections", -1);
  return Enter("XMPrintConfigDisConnect");
}

VELM_EXPORT int32_t XMClientOSType(uint32_t, int32_t, OSVERSIONINFOW* version) {
  if (int32_t r = Enter("XMClientOSType")) return r;
  if (!version) return kBadArgument;
  std::memset(version, 0, sizeof *version);
  version->dwOSVersionInfoSize = sizeof *version;
  version->dwMajorVersion = DWORD(plat::GetMachineSettingInt("xmbidi.client.os", 6));
  version->dwPlatformId = 2;
  return 0;
}

VELM_EXPORT int32_t XMRegFileGetSize(uint32_t, int32_t, const char* client_path, int32_t, const char*, uint32_t* size) {
  if (int32_t r = Enter("XMRegFileGetSize")) return r;
  std::u16string file = ClientFile(client_path);
  if (!size || file.empty()) return kBadArgument;
  std::vector<char> bytes;
  if (!ReadBytes(file, &bytes)) return kNotFound;
  *size = uint32_t(bytes.size());
  return 0;
}

VELM_EXPORT int32_t XMGetDataFile(uint32_t, int32_t, const char* client_path, const char* local_path, int32_t,
                                  int32_t, uint32_t) {
  if (int32_t r = Enter("XMGetDataFile")) return r;
  std::u16string from = ClientFile(client_path), to = LocalFile(local_path);
  if (from.empty() || to.empty()) return kBadArgument;
  return CopyFileW(from.c_str(), to.c_str(), FALSE) ? 0 : kNotFound;
}

VELM_EXPORT int32_t XMGetPrinterDataSize(uint32_t, int32_t, const char*, const char*, const char* value,
                                         uint32_t* size) {
  if (int32_t r = Enter("XMGetPrinterDataSize")) return r;
  std::u16string file = PrinterDataFile(value);
  std::vector<char> bytes;
  if (!size || file.empty()) return kBadArgument;
  if (!ReadBytes(file, &bytes)) return kNotFound;
  *size = uint32_t(bytes.size()) + (Malformed("datasize") ? 1 : 0);
  return 0;
}

VELM_EXPORT int32_t XMGetPrinterData(uint32_t, int32_t, const char*, const char*, const char* value, uint32_t size,
                                     void* buffer) {
  if (int32_t r = Enter("XMGetPrinterData")) return r;
  std::u16string file = PrinterDataFile(value);
  std::vector<char> bytes;
  if (!buffer || file.empty()) return kBadArgument;
  if (!ReadBytes(file, &bytes)) return kNotFound;
  std::memcpy(buffer, bytes.data(), bytes.size() < size ? bytes.size() : size);
  return 0;
}

VELM_EXPORT int32_t XMDevmodeSize(uint32_t, int32_t, const char*, uint32_t* size) {
  if (int32_t r = Enter("XMDevmodeSize")) return r;
  std::vector<char> bytes;
  if (!size) return kBadArgument;
  if (!ReadBytes(DevmodeFile(), &bytes)) return kNotFound;
  *size = uint32_t(bytes.size()) + (Malformed("devmodesize") ? 2 : 0);
  return 0;
}

VELM_EXPORT int32_t XMDevmode(uint32_t, int32_t, const char*, uint32_t size, void* buffer) {
  if (int32_t r = Enter("XMDevmode")) return r;
  std::vector<char> bytes;
  if (!buffer) return kBadArgument;
  if (!ReadBytes(DevmodeFile(), &bytes)) return kNotFound;
  std::memcpy(buffer, bytes.data(), bytes.size() < size ? bytes.size() : size);
  return 0;
}

// Has the printer-interface library convert the client's DEVMODE to the
// server printer's through its DrvConvertDevMode export (CDM_CONVERT) and
// stores the result as the user's default DEVMODE of that printer, as the
// maker's module does for a client's session; notes the library's path.
// Without a client DEVMODE there is nothing to convert: 0.
VELM_EXPORT int32_t XMSetDevmode(int32_t, const char16_t* printer, const char16_t* dll_path, const char* export_name,
                                 int32_t, int32_t) {
  if (int32_t r = Enter("XMSetDevmode")) return r;
  if (!printer || !dll_path || !export_name) return kBadArgument;
  plat::SetMachineSetting("xmbidi.setdevmode", plat::ToUtf8(dll_path));
  HMODULE module = LoadLibraryW(dll_path);
  if (!module) return kNotFound;
  using ConvertFn = BOOL (*)(LPWSTR, DEVMODEW*, DEVMODEW*, LONG*, DWORD);
  auto convert = reinterpret_cast<ConvertFn>(GetProcAddress(module, export_name));
  int32_t result = convert ? 0 : kNotFound;
  std::vector<char> client;
  if (convert && ReadBytes(DevmodeFile(), &client)) {
    constexpr DWORD kConvert = 1;  // CDM_CONVERT
    std::u16string name = printer;
    // The client's bytes are copied into a buffer of at least a DEVMODE's
    // public size (220 bytes), so that a short file is never read past.
    constexpr size_t kPublicDevmodeBytes = 220;
    constexpr size_t kDevmodeHeaderBytes = 72;  // up to dmFields: name, versions, sizes
    std::vector<uint8_t> in(std::max(client.size(), kPublicDevmodeBytes), 0);
    std::memcpy(in.data(), client.data(), client.size());
    // The output carries the sizes wanted, as the spooler's does: those of
    // the client's DEVMODE header; a driver that needs more room says so.
    LONG needed = LONG(in.size());
    std::vector<uint8_t> out(in.size(), 0);
    std::memcpy(out.data(), in.data(), kDevmodeHeaderBytes);
    bool converted = convert(name.data(), reinterpret_cast<DEVMODEW*>(in.data()),
                             reinterpret_cast<DEVMODEW*>(out.data()), &needed, kConvert);
    if (!converted && needed > LONG(out.size())) {
      out.resize(size_t(needed), 0);
      converted = convert(name.data(), reinterpret_cast<DEVMODEW*>(in.data()),
                          reinterpret_cast<DEVMODEW*>(out.data()), &needed, kConvert);
    }
    HANDLE h = nullptr;
    PRINTER_INFO_9W info{reinterpret_cast<DEVMODEW*>(out.data())};
    if (!converted) {
      result = kBadArgument;
    } else if (!OpenPrinterW(name.data(), &h, nullptr)) {
      result = kNotFound;
    } else {
      if (!SetPrinterW(h, 9, reinterpret_cast<BYTE*>(&info), 0)) result = int32_t(GetLastError());
      ClosePrinter(h);
    }
  }
  FreeLibrary(module);
  return result;
}

VELM_EXPORT int32_t XMRegFileGetData() { return Enter("XMRegFileGetData"); }
VELM_EXPORT int32_t XMPrintConfigConnect() { return Enter("XMPrintConfigConnect"); }
#ifndef XMBIDI_NO_SAVEDEVMODECLEAR
VELM_EXPORT int32_t XMSaveDevmodeClear() { return Enter("XMSaveDevmodeClear"); }
#endif
