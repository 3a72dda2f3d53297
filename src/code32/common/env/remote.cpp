// Terminal-server client configuration (velm/remote.h): binds the
// remote-configuration module for each operation, asks it for the client's
// files, printer data and DEVMODE, and copies them into the server-side
// stores.
//
// Everything the module answers comes from another machine and is checked
// here: names are cut to their buffers and terminated, client file names
// keep only their final component (no "..", separators or ':'), counts are
// clamped to the list slots, and a value or DEVMODE of an unexpected size is
// not taken.
#include "velm/remote.h"

#include <cstring>
#include <string>

#include "plat/files.h"
#include "plat/kernel.h"
#include "plat/machine.h"
#include "plat/osinfo.h"
#include "plat/winspool.h"
#include "plat/wstr.h"
#include "velm/bidi.h"
#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/ini.h"
#include "velm/inst.h"
#include "velm/inst_setup.h"
#include "velm/os.h"
#include "velm/paths.h"
#include "velm/presets.h"
#include "velm/printer_data.h"
#include "velm/qst.h"
#include "velm/remote_api.h"
#include "velm/save_stack.h"
#include "velm/settings.h"
#include "velm/spooler.h"
#include "velm/store.h"

// The per-operation record: the module's entries, what it answered about
// the client, and the connection. Allocated zero-filled for each operation.
struct RemoteMgmtApi {
  void* entries[15];
  HMODULE module;
  uint8_t serverType;
  char16_t clientPrinter[260];
  char clientPrinterAnsi[260];
  uint8_t extra[kRemoteExtraBytes];
  uint8_t info[kRemoteInfoBytes];
  uint32_t connection;
  bool connected;
  OSVERSIONINFOW clientOs;
};

namespace {

constexpr uint32_t kMaxPath = 260;
constexpr char16_t kClientIniFile[] = u"velmclt.ini";
constexpr char16_t kSyncSection[] = u"syncfg";
constexpr char16_t kSyncKey[] = u"SyncfgFlg";
constexpr char16_t kPresetRefresh[] = u"PresetRefresh";
constexpr char kPrinterDataKey[] = "PrinterDriverData";
// The settings query library's file name; its seventh character turned to
// '3' names the printer-interface library the module calls back.
constexpr char16_t kQueryDllName[] = u"VELMPD4.DLL";
// The slots of the preset and quality lists a client's counts are clamped to.
constexpr int32_t kMaxClientPresets = kInstMaxPresets;
constexpr int32_t kMaxClientQualities = kInstMaxPresets;
// Characters a printer name loses to become a folder name.
constexpr char16_t kNotInFolderNames[] = u"\"*/:<>?\\|";

enum Entry {
  kGetServerType,
  kSaveInformationClear,
  kConnectEx,
  kDisConnect,
  kClientOsType,
  kRegFileGetSize,
  kGetDataFile,
  kGetPrinterDataSize,
  kGetPrinterData,
  kDevmodeSize,
  kDevmode,
  kSetDevmode,
};

template <typename Fn>
Fn Call(const RemoteMgmtApi* api, Entry e) {
  return reinterpret_cast<Fn>(api->entries[e]);
}

std::string Ansi(const std::u16string& text) {
  std::string out(text.size() * 2 + 1, '\0');
  size_t n = plat::WideToAnsi(text.data(), text.size(), out.data(), out.size() - 1);
  out.resize(n);
  return out;
}

bool IsServed(uint8_t type) { return type == kRemoteServerType17 || type == kRemoteServerType18; }

std::u16string SystemDir() {
  char16_t dir[kMaxPath + 1] = {};
  UINT n = GetSystemDirectoryW(dir, kMaxPath);
  return n > 0 && n < kMaxPath ? std::u16string(dir, n) : std::u16string();
}

std::u16string ModulePath() {
  std::u16string dir = SystemDir();
  return dir.empty() ? dir : dir + u"\\" + kRemoteModuleName;
}

bool FlagIsOn() {
  uint32_t flag = 0;
  return RegReadValueNoCtx(kRemoteRegistryKey, kRemoteRegistryFlag, &flag, sizeof flag) && flag == 1;
}

int32_t ReadValue(HANDLE printer, const char16_t* name, uint32_t* value) {
  if (!value) return 0;
  *value = 0;
  return SplGetPrinterData(printer, value, sizeof *value, name);
}

int32_t WriteValue(HANDLE printer, const char16_t* name, uint32_t value) {
  return SplSetPrinterDataBinary(printer, &value, sizeof value, name);
}

// Loads the module and resolves its fifteen entries; 1 when all resolved.
int32_t Bind(RemoteMgmtApi* api) {
  std::memset(api, 0, sizeof *api);
  std::u16string path = ModulePath();
  if (path.empty()) return 0;
  api->module = LoadLibraryW(path.c_str());
  if (!api->module) return 0;
  for (int i = 0; i < 15; ++i) {
    api->entries[i] = reinterpret_cast<void*>(GetProcAddress(api->module, kRemoteEntryNames[i]));
    if (!api->entries[i]) {
      FreeLibrary(api->module);
      api->module = nullptr;
      return 0;
    }
  }
  return 1;
}

// One operation's record: allocated, bound, disconnected and freed.
class Session {
 public:
  Session() : api_(static_cast<RemoteMgmtApi*>(MemAllocZeroed(sizeof(RemoteMgmtApi)))) {
    bound_ = api_ && Bind(api_);
  }
  ~Session() {
    if (api_ && api_->connected) Disconnect();
    if (api_ && api_->module) FreeLibrary(api_->module);
    MemFree(api_);
  }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  bool bound() const { return bound_; }
  RemoteMgmtApi* api() const { return api_; }

  // The server type for the printer name; fills in the client's printer
  // name, cut to its buffer and terminated.
  uint8_t AskServerType(const char16_t* printer_name) {
    if (!bound_ || !printer_name) return 0;
    auto type = uint8_t(Call<XMGetServerTypeFn>(api_, kGetServerType)(
        printer_name, kRemoteClientNameBytes, kRemoteExtraBytes, api_->clientPrinter, api_->extra));
    api_->clientPrinter[259] = 0;
    size_t n = plat::WideToAnsi(api_->clientPrinter, plat::WLen(api_->clientPrinter), api_->clientPrinterAnsi, 259);
    api_->clientPrinterAnsi[n] = 0;
    api_->serverType = type;
    return type;
  }
  bool Connect() {
    uint32_t out = 0;
    if (Call<XMPrintConfigConnectExFn>(api_, kConnectEx)(api_->serverType, &api_->connection, api_->info,
                                                         api_->extra, &out) != 0)
      return false;
    api_->connected = true;
    return true;
  }
  bool Disconnect() {
    api_->connected = false;
    return Call<XMPrintConfigDisConnectFn>(api_, kDisConnect)(api_->connection, api_->info, api_->serverType) == 0;
  }

 private:
  RemoteMgmtApi* api_;
  bool bound_ = false;
};

// The final name component of a client's file name; empty when it is
// refused (empty, ".", "..", holding ':' or too long).
std::u16string ClientFileName(const char16_t* text) {
  std::u16string name = text ? text : u"";
  size_t cut = name.find_last_of(u"\\/");
  if (cut != std::u16string::npos) name.erase(0, cut + 1);
  while (!name.empty() && name.back() == u' ') name.pop_back();
  if (name.empty() || name == u"." || name == u".." || name.find(u':') != std::u16string::npos ||
      name.size() >= 128)
    return std::u16string();
  return name;
}

std::u16string SanitizedPrinterName(DriverContext* ctx) {
  char16_t name[kMaxPath];
  if (!RemoteSanitizeFileName(SplGetPrinterName(ctx), name, kMaxPath) || !name[0]) return std::u16string();
  return name;
}

// The printer's client folder: common data directory + "\" + its name.
std::u16string ClientFolder(DriverContext* ctx) {
  char16_t dir[kMaxPath + 1] = {};
  std::u16string name = SanitizedPrinterName(ctx);
  if (name.empty() || PathGetCommonDataDir(dir, kMaxPath) <= 0) return std::u16string();
  std::u16string folder = std::u16string(dir) + u"\\" + name;
  return folder.size() < kMaxPath ? folder : std::u16string();
}

// The client folder as the module is told it.
std::u16string ModuleFolder(DriverContext* ctx) {
  std::u16string name = SanitizedPrinterName(ctx);
  return name.empty() ? name : u"%SystemDrive%\\_velm\\" + name + u"\\";
}

std::u16string DriverIniName(DriverContext* ctx) {
  const char16_t* name = PathGetFileNamePart(PathGetDriverIni(ctx));
  return name ? name : u"";
}

// The client configuration ini: the client folder's copy of the driver ini.
std::u16string ClientConfigIni(DriverContext* ctx) {
  std::u16string folder = ClientFolder(ctx), ini = DriverIniName(ctx);
  return folder.empty() || ini.empty() ? std::u16string() : folder + u"\\" + ini;
}

// The client's path of a file of the file table.
std::u16string ClientPath(const RemoteMgmtApi* api, const std::u16string& file) {
  return (api->clientOs.dwMajorVersion >= 5 ? u"%SystemDrive%\\_velm\\" : u"%SystemRoot%\\") + file;
}

std::u16string IniText(const std::u16string& section, const char16_t* key, const std::u16string& file) {
  char16_t value[1024] = {};
  IniGetString(section.c_str(), key, u"", value, 1024, file.c_str());
  return value;
}

bool HasKey(const std::u16string& section, const char16_t* key, const std::u16string& file) {
  char16_t value[4] = {};
  return IniGetString(section.c_str(), key, u"\x1", value, 4, file.c_str()) != 1 || value[0] != 1;
}

void MarkPresetRefresh(DriverContext* ctx) {
  WriteValue(ctx->printer, kPresetRefresh, 1);
  const char16_t* ini = PathGetDriverIni(ctx);
  const char16_t* section = InstGetPrinterSectionName(ctx);
  if (ini && section) (void)IniWriteString(section, kPresetRefresh, u"1", ini);
}

// Lends the client's printer name to the context for a scope: the settings
// sections of the client's files carry that name.
class LentName {
 public:
  LentName(DriverContext* ctx, const char16_t* name) : ctx_(ctx) {
    plat::WCopy(saved_, kMaxPath + 1, SplGetPrinterName(ctx));
    plat::WCopy(ctx->work->printerName, kMaxPath + 1, name);
  }
  ~LentName() { plat::WCopy(ctx_->work->printerName, kMaxPath + 1, saved_); }
  LentName(const LentName&) = delete;
  LentName& operator=(const LentName&) = delete;

 private:
  DriverContext* ctx_;
  char16_t saved_[kMaxPath + 1] = {};
};

// An empty local file in place of a client file of size 0.
int32_t CreateEmptyFile(const std::u16string& module_path) {
  std::u16string path = module_path;
  const std::u16string marker = u"%SYSTEMDRIVE%";
  std::u16string folded = path;
  for (auto& c : folded) c = (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c;
  size_t at = folded.find(marker);
  if (at != std::u16string::npos) {
    char16_t windows[kMaxPath + 1] = {};
    if (GetWindowsDirectoryW(windows, kMaxPath) < 2) return 0;
    path.replace(at, marker.size(), std::u16string(windows, 2));
  }
  // The file must be empty: one that cannot be deleted is not taken as made.
  if (!DeleteFileW(path.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND && GetLastError() != ERROR_PATH_NOT_FOUND) {
    return 0;
  }
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return 0;
  CloseHandle(h);
  return 1;
}

// Fetches one client file into the client folder under file_name.
int32_t FetchClientFile(RemoteMgmtApi* api, const std::u16string& client_path, const std::u16string& file_name,
                        DriverContext* ctx) {
  const std::u16string local = ModuleFolder(ctx) + file_name;
  std::string client_a = Ansi(client_path), local_a = Ansi(local);
  std::u16string prefix = client_path.substr(0, 8);
  for (auto& c : prefix) c = (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
  const char* printer = prefix == u"%driver%" ? api->clientPrinterAnsi : nullptr;
  uint32_t size = 0;
  if (Call<XMRegFileGetSizeFn>(api, kRegFileGetSize)(api->connection, api->serverType, client_a.c_str(), 1, printer,
                                                      &size) != 0)
    return 0;
  if (size > 0)
    return Call<XMGetDataFileFn>(api, kGetDataFile)(api->connection, api->serverType, client_a.c_str(),
                                                    local_a.c_str(), 0, 0, size) == 0
               ? 1
               : 0;
  return file_name == kClientIniFile ? CreateEmptyFile(local) : 0;
}

// The client's files: velmclt.ini, the driver ini, and each preset and
// quality file its driver ini lists for the client printer.
int32_t CopyClientFiles(RemoteMgmtApi* api, DriverContext* ctx) {
  PathPrepareDataDir(ctx);
  std::u16string folder = ClientFolder(ctx), ini_name = DriverIniName(ctx);
  if (folder.empty() || ini_name.empty()) return 0;
  (void)CreateDirectoryW(folder.c_str(), nullptr);  // it may be there already; a missing one fails the fetch
  if (!FetchClientFile(api, ClientPath(api, kClientIniFile), kClientIniFile, ctx)) return 0;
  if (!FetchClientFile(api, ClientPath(api, ini_name), ini_name, ctx)) return 0;
  const std::u16string copy = folder + u"\\" + ini_name;
  const std::u16string section = api->clientPrinter;
  struct List {
    const char16_t* count_key;
    const char16_t* key_format;
    int32_t slots;
  };
  for (const List& list : {List{u"Count", u"PresetList%d", kMaxClientPresets},
                           List{u"QualityCount", u"QualityList%d", kMaxClientQualities}}) {
    int32_t count = IniGetInt(section.c_str(), list.count_key, 0, copy.c_str());
    if (count < 0) count = 0;
    if (count > list.slots) count = list.slots;
    for (int32_t n = 0; n < count; ++n) {
      std::u16string key = list.key_format;
      key.replace(key.find(u"%d"), 2, plat::FromUtf8(std::to_string(n)));
      std::u16string client_file = IniText(section, key.c_str(), copy);
      std::u16string name = ClientFileName(client_file.c_str());
      if (name.empty() || !FetchClientFile(api, client_file, name, ctx)) return 0;
    }
  }
  return 1;
}

// Every printer-data item of region 2 fetched from the client and stored
// locally, then the presets marked for a refresh.
int32_t ReloadPrinterData(RemoteMgmtApi* api, DriverContext* ctx) {
  int32_t r = StoreLoadRegionItems(ctx->printer, ctx, 2, kStoreFromClient, api);
  MarkPresetRefresh(ctx);
  return r;
}

// The DLL path of the printer-interface library, for the module's call back.
std::u16string InterfaceDllPath(DriverContext* ctx) {
  const char16_t* dir = PathGetDriverDir(ctx);
  std::u16string name = kQueryDllName;
  if (!dir || name.size() < 7) return std::u16string();
  name[6] = u'3';
  std::u16string path = std::u16string(dir) + name;
  return path.size() < kMaxPath ? path : std::u16string();
}

int32_t RunFileSync(DriverContext* ctx) {
  Session s;
  const char16_t* name = SplGetPrinterName(ctx);
  uint8_t type = s.AskServerType(name);
  const bool no_connection = type == kRemoteServerType19;
  if (no_connection) s.api()->serverType = type = kRemoteServerType17;
  if (!IsServed(type)) return 0;
  RemoteMgmtApi* api = s.api();
  bool ok = Call<XMSaveInformationClearFn>(api, kSaveInformationClear)(name, type) == 0;
  // A client that may not be connected to gives nothing to take.
  if (no_connection) return 0;
  ok = ok && s.Connect();
  ok = ok && Call<XMClientOSTypeFn>(api, kClientOsType)(api->connection, type, &api->clientOs) == 0;
  ok = ok && CopyClientFiles(api, ctx);
  ok = ok && ReloadPrinterData(api, ctx);
  if (api->connected && !s.Disconnect()) ok = false;
  if (!ok) return 0;
  std::u16string dll = InterfaceDllPath(ctx);
  if (dll.empty() ||
      Call<XMSetDevmodeFn>(api, kSetDevmode)(type, name, dll.c_str(), "DrvConvertDevMode", 0, 0) != 0)
    return 0;
  std::u16string ini = ClientConfigIni(ctx);
  return !ini.empty() && IniWriteString(kSyncSection, kSyncKey, u"1", ini.c_str()) ? 1 : 0;
}

// Copies a key between two inis when the source has it.
void CopyKey(const std::u16string& from, const std::u16string& from_section, const std::u16string& to,
             const std::u16string& to_section, const std::u16string& key) {
  if (!HasKey(from_section, key.c_str(), from)) return;
  (void)IniWriteString(to_section.c_str(), key.c_str(), IniText(from_section, key.c_str(), from).c_str(), to.c_str());
}

void CopySettingKeys(DriverContext* ctx, const std::u16string& from, const std::u16string& to,
                     const std::u16string& section, std::initializer_list<std::pair<uint32_t, uint32_t>> ranges) {
  CopyKey(from, section, to, section, u"QstVersion");
  for (auto [first, last] : ranges)
    for (uint32_t id = first; id <= last; ++id)
      if (SettingRecord* row = OptFindSetting(ctx, id); row && row->valueName)
        CopyKey(from, section, to, section, row->valueName);
}

int32_t ClampedCount(const std::u16string& section, const char16_t* key, const std::u16string& file, int32_t slots) {
  int32_t n = IniGetInt(section.c_str(), key, 0, file.c_str());
  return n < 0 ? 0 : n > slots ? slots : n;
}

std::u16string NumberedKey(const char16_t* format, int32_t n, const char16_t* suffix = u"") {
  std::u16string key = format;
  key.replace(key.find(u"%d"), 2, plat::FromUtf8(std::to_string(n)));
  return key + suffix;
}

// The client's lists and settings files into the driver ini and the
// printer's presets and quality sets.
int32_t ImportClientLists(RemoteMgmtApi* api, DriverContext* ctx) {
  const std::u16string from = ClientConfigIni(ctx);
  const char16_t* driver_ini = PathGetDriverIni(ctx);
  if (from.empty() || !driver_ini || !driver_ini[0]) return 0;
  const std::u16string to = driver_ini;
  if (plat::FoldPath(from.c_str()) == plat::FoldPath(to.c_str())) return 0;
  const std::u16string folder = ClientFolder(ctx);
  char16_t data_dir[kMaxPath + 1] = {};
  if (PathGetCommonDataDir(data_dir, kMaxPath) <= 0) return 0;

  // User paper sizes and watermarks of the language section.
  const std::u16string language = InstGetLanguageSectionName(ctx) ? InstGetLanguageSectionName(ctx) : u"";
  CopyKey(from, language, to, language, u"FreeSizeCount");
  char16_t section[kMaxPath + 1];
  for (int32_t n = 0, count = ClampedCount(language, u"FreeSizeCount", from, kFreeSizeSlots); n < count; ++n) {
    FreeSizeFormatKey(section, n, ctx);
    CopySettingKeys(ctx, from, to, section, {{859, 861}});
  }
  CopyKey(from, language, to, language, u"StampCount");
  for (int32_t n = 0, count = ClampedCount(language, u"StampCount", from, kStampMaxCount); n < count; ++n) {
    StampFormatKey(section, n, ctx);
    CopySettingKeys(ctx, from, to, section, {{109, 128}, {869, 873}});
  }

  // The client printer's lists into the printer's section, each file
  // rebased onto the common data directory.
  const std::u16string client = api->clientPrinter;
  const std::u16string printer = InstGetPrinterSectionName(ctx) ? InstGetPrinterSectionName(ctx) : u"";
  const int32_t presets = ClampedCount(client, u"Count", from, kMaxClientPresets);
  const int32_t qualities = ClampedCount(client, u"QualityCount", from, kMaxClientQualities);
  std::u16string preset_files[kMaxClientPresets], quality_files[kMaxClientQualities];
  auto import_list = [&](const char16_t* count_key, int32_t count, const char16_t* format,
                         std::initializer_list<const char16_t*> suffixes, std::u16string* files) {
    (void)IniWriteString(printer.c_str(), count_key, plat::FromUtf8(std::to_string(count)).c_str(), to.c_str());
    for (int32_t n = 0; n < count; ++n) {
      std::u16string key = NumberedKey(format, n);
      files[n] = ClientFileName(IniText(client, key.c_str(), from).c_str());
      std::u16string rebased = files[n].empty() ? u"" : std::u16string(data_dir) + u"\\" + files[n];
      (void)IniWriteString(printer.c_str(), key.c_str(), rebased.c_str(), to.c_str());
      for (const char16_t* suffix : suffixes) CopyKey(from, client, to, printer, NumberedKey(format, n, suffix));
    }
  };
  import_list(u"Count", presets, u"PresetList%d", {u"Name", u"Comment"}, preset_files);
  import_list(u"QualityCount", qualities, u"QualityList%d", {u"Name"}, quality_files);

  // Each settings file of the client folder saved as the printer's own.
  DmPushSettings(ctx);
  for (int32_t n = 0; n < presets + qualities; ++n) {
    const bool quality = n >= presets;
    const std::u16string& file = quality ? quality_files[n - presets] : preset_files[n];
    if (file.empty()) continue;
    const std::u16string path = folder + u"\\" + file;
    int32_t loaded;
    {
      LentName lent(ctx, api->clientPrinter);
      loaded = QstLoadSettings(ctx->printer, path.c_str(), quality ? kQstQuality : kQstPreset | kQstNoMessage, ctx);
    }
    if (loaded) quality ? PresetSaveQualitySettingsByIndex(ctx, n - presets) : PresetSaveSettingsByIndex(ctx, n);
  }
  DmPopSettings(ctx, 1);
  return 1;
}

int32_t ApplyClientBidiIni(const std::u16string& file, RemoteMgmtApi* api, DriverContext* ctx) {
  const std::u16string client = api->clientPrinter;
  if (!HasKey(client, u"BidiFlag", file)) return BidiIniDeleteSection(ctx);
  {
    LentName lent(ctx, api->clientPrinter);
    BidiIniLoadSettingsFrom(file.c_str(), ctx);
  }
  int32_t r = BidiIniSaveSettings(ctx);
  MarkPresetRefresh(ctx);
  return r;
}

}  // namespace

int32_t RemoteSanitizeFileName(const char16_t* name, char16_t* out, uint32_t size) {
  if (!out || size == 0) return 0;
  out[0] = 0;
  if (!name || plat::WLenN(name, kMaxPath) >= kMaxPath) return 0;
  uint32_t n = 0;
  for (const char16_t* p = name; *p; ++p) {
    if (std::u16string_view(kNotInFolderNames).find(*p) != std::u16string_view::npos) continue;
    if (n + 1 >= size) {
      out[0] = 0;
      return 0;
    }
    out[n++] = *p;
  }
  out[n] = 0;
  return 1;
}

int32_t RemoteIsEnabledNoCtx() {
  if (!FlagIsOn()) return 0;
  std::u16string path = ModulePath();
  return !path.empty() && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES ? 1 : 0;
}

int32_t RemoteIsEnabled(DriverContext*) { return RemoteIsEnabledNoCtx(); }

int32_t RemoteIsActiveNoCtx(HANDLE printer) { return RemoteIsEnabledNoCtx() && OsIsTerminalServer(printer) ? 1 : 0; }

int32_t RemoteIsActive(DriverContext* ctx) { return ctx && RemoteIsActiveNoCtx(ctx->printer) ? 1 : 0; }

int32_t RemoteGetSyncState(DriverContext* ctx) {
  if (!RemoteIsActive(ctx)) return 0;
  uint32_t value = 0;
  return RemoteGetConnectionData(ctx->printer, &value) && value == 1 ? 1 : 2;
}

int32_t RemoteGetConnectionData(HANDLE printer, uint32_t* value) {
  return ReadValue(printer, kRemoteConnectionValue, value);
}
int32_t RemoteSetConnectionData(HANDLE printer, uint32_t value) {
  return WriteValue(printer, kRemoteConnectionValue, value);
}
int32_t RemoteGetIniData(HANDLE printer, uint32_t* value) { return ReadValue(printer, kRemoteIniValue, value); }
int32_t RemoteSetIniData(HANDLE printer, uint32_t value) { return WriteValue(printer, kRemoteIniValue, value); }

int32_t RemoteGetServerType(HANDLE printer, const char16_t* printer_name, uint8_t* type) {
  if (!type || !RemoteIsActiveNoCtx(printer)) return 0;
  Session s;
  if (!s.bound()) return 0;
  *type = s.AskServerType(printer_name);
  return 1;
}

int32_t InstIsServerType17(HANDLE printer, const char16_t* printer_name) {
  uint8_t type = 0;
  return RemoteGetServerType(printer, printer_name, &type) && type == kRemoteServerType17 ? 1 : 0;
}

int32_t RemoteSyncClientFiles(DriverContext* ctx) {
  int32_t state = RemoteGetSyncState(ctx);
  if (state != 2) return state;
  if (!RunFileSync(ctx)) return 0;
  RemoteSetConnectionData(ctx->printer, 1);
  RemoteSetIniData(ctx->printer, 1);
  return 1;
}

int32_t RemoteClearServerInfo(DriverContext* ctx) {
  if (!RemoteIsActive(ctx)) return 0;
  Session s;
  const char16_t* name = SplGetPrinterName(ctx);
  uint8_t type = s.AskServerType(name);
  if (!IsServed(type) && type != kRemoteServerType19) return 0;
  return Call<XMSaveInformationClearFn>(s.api(), kSaveInformationClear)(name, type) == 0 &&
                 type != kRemoteServerType19
             ? 1
             : 0;
}

int32_t RemoteCopyClientPrinterData(HANDLE printer, const char16_t* name, DWORD* type, void* buffer, uint32_t size,
                                    DWORD* needed, uint32_t reg_type, void* client) {
  auto* api = static_cast<RemoteMgmtApi*>(client);
  if (!api || !api->module || !name || !buffer || size == 0) return 0;
  std::string value = Ansi(name);
  uint32_t client_size = 0;
  if (Call<XMGetPrinterDataSizeFn>(api, kGetPrinterDataSize)(api->connection, api->serverType,
                                                             api->clientPrinterAnsi, kPrinterDataKey, value.c_str(),
                                                             &client_size) != 0 ||
      client_size != size)
    return 0;
  auto* data = static_cast<uint8_t*>(MemAllocZeroed(size));
  if (!data) return 0;
  int32_t r = 0;
  if (Call<XMGetPrinterDataFn>(api, kGetPrinterData)(api->connection, api->serverType, api->clientPrinterAnsi,
                                                     kPrinterDataKey, value.c_str(), size, data) == 0) {
    SplSetPrinterData(printer, data, size, reg_type, name);
    std::memcpy(buffer, data, size);
    if (type) *type = reg_type;
    if (needed) *needed = size;
    r = 1;
  }
  MemFree(data);
  return r;
}

int32_t RemoteGetClientDevmode(DriverContext* ctx, DEVMODEW* buffer, uint8_t* server_type) {
  if (!buffer || !RemoteIsActive(ctx)) return 0;
  Session s;
  uint8_t type = s.AskServerType(SplGetPrinterName(ctx));
  if (server_type) *server_type = type;
  if (type != kRemoteServerType18 || !s.Connect()) return 0;
  RemoteMgmtApi* api = s.api();
  const uint32_t total = DmGetTotalSize();
  uint32_t size = 0;
  if (Call<XMDevmodeSizeFn>(api, kDevmodeSize)(api->connection, type, api->clientPrinterAnsi, &size) != 0 ||
      size != total)
    return 0;
  auto* dm = reinterpret_cast<uint8_t*>(buffer);
  if (Call<XMDevmodeFn>(api, kDevmode)(api->connection, type, api->clientPrinterAnsi, size, dm) != 0) return 0;
  // The sizes a client states are not trusted: this driver's own sizes.
  const uint16_t public_size = uint16_t(DmGetPublicSize()), extra = uint16_t(DmGetDriverExtraSize());
  std::memcpy(dm + 68, &public_size, 2);
  std::memcpy(dm + 70, &extra, 2);
  return 1;
}

int32_t RemoteRefreshPresets(DriverContext* ctx) {
  if (!ctx) return 0;
  uint16_t install_type = 0;
  if (!InstQueryInstallType(ctx->printer, &install_type)) return 0;
  if (install_type != kInstallNothing &&
      !((install_type == 1 || install_type == 5) && InstCheckPrinter(ctx->printer, 0, nullptr)))
    return 0;
  uint32_t ini_state = 0;
  if (RemoteGetSyncState(ctx) != 1 || !RemoteGetIniData(ctx->printer, &ini_state) || ini_state != 1) return 0;
  Session s;
  if (!s.bound()) return 0;
  s.AskServerType(SplGetPrinterName(ctx));
  const std::u16string ini = ClientConfigIni(ctx);
  if (ini.empty() || IniGetInt(kSyncSection, kSyncKey, 0, ini.c_str()) != 1 || !ImportClientLists(s.api(), ctx))
    return 0;
  ApplyClientBidiIni(ClientFolder(ctx) + u"\\" + kClientIniFile, s.api(), ctx);
  RemoteSetIniData(ctx->printer, 2);
  (void)IniWriteString(kSyncSection, kSyncKey, u"2", ini.c_str());
  return 1;
}
