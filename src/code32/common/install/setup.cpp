// The printer set-up sequence, the BatchInstallDone marker, the merge keys
// of the install-info file and the handling of a renamed printer.
#include <cstring>
#include <string>

#include "install_internal.h"
#include "plat/profile.h"
#include "plat/winspool.h"
#include "plat/wstr.h"
#include "velm/bidi.h"
#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/ini.h"
#include "velm/inst.h"
#include "velm/inst_setup.h"
#include "velm/jobinfo.h"
#include "velm/lock.h"
#include "velm/os.h"
#include "velm/paths.h"
#include "velm/presets.h"
#include "velm/printer_data.h"
#include "velm/remote.h"
#include "velm/save_stack.h"
#include "velm/spooler.h"
#include "velm/store.h"
#include "velm/ucode.h"

namespace {

constexpr char16_t kBatchInstallDone[] = u"BatchInstallDone";

// The install-info keys copied into the driver ini (kind 0) and the rows a
// mode of InstCopyMergeKeys writes or deletes (kinds 1, 3, 4).
struct MergeKeyRow {
  const char16_t* key;
  int32_t kind;
};
constexpr MergeKeyRow kMergeKeys[] = {
    {u"MergeKey", 0},
    {u"MergeSubKey", 0},
    {u"MergeFilePath", 0},
    {u"MergeFileName", 0},
    {u"DrvDefJobMergeFileName", 0},
    {u"DrvDefJobMergeFileExt", 0},
    {u"DrvDefJobMergePath", 0},
    {u"APIJobMergeFileName", 0},
    {u"APIJobMergePath", 0},
    {u"APIUseFlag", 0},
    {u"DriverJobMergeFileName", 0},
    {u"DriverJobMergePath", 0},
    {u"SAVEPrnMethod", 0},
    {u"SAVEACT_FILEMERGEPRINT", 0},
    {u"APIAPLName", 0},
    {u"APIAPLInfo", 0},
    {u"DefaultQst", 1},
    {u"DefaultQst", 3},
    {u"BatchInstQst", 3},
    {u"BatchInstQst", 4},
};
static_assert(sizeof(kMergeKeys) / sizeof(kMergeKeys[0]) == 20);

// The remote-management branch of the printer-wide settings and of the
// closing sync: bit 7, or bit 0 without bit 7.
bool RemoteBit7() { return RemoteIsFeatureBitOn(7) != 0; }
bool RemoteBit0Only() { return RemoteIsFeatureBitOn(0) && !RemoteIsFeatureBitOn(7); }

// The open flags of a context changed for a scope.
class OpenFlagsAdded {
 public:
  OpenFlagsAdded(DriverContext* ctx, uint32_t flags) : ctx_(ctx), before_(ctx->work->openFlags) {
    ctx->work->openFlags |= flags;
  }
  ~OpenFlagsAdded() { ctx_->work->openFlags = before_; }
  OpenFlagsAdded(const OpenFlagsAdded&) = delete;
  OpenFlagsAdded& operator=(const OpenFlagsAdded&) = delete;

 private:
  DriverContext* ctx_;
  uint32_t before_;
};

// Steps 14-22: what needs the install files in place.
void RunInstalledSteps(DriverContext* ctx, int32_t type, bool reload, bool pack) {
  JobInfoCallPrinterEntryIfEnabled(ctx);
  JobInfoWriteTypesIfEnabled(ctx, 0x700);
  // A session that was opened is closed again, whether its open worked or
  // not: the open loads the job-information module, the close unloads it.
  if (type == kSetupConnection && !reload) {
    if (JobInfoOpenIfEnabled(ctx) == 0) JobInfoWriteTypesIfEnabled(ctx, 158);
    JobInfoCloseIfEnabled(ctx);
  }
  const bool session = InstBatchIniHasEntries(ctx);
  if (session) JobInfoOpenIfEnabled(ctx);
  if (!(InstApplyBatchIni(ctx) && InstApplyBatchDefaultQst(0, ctx, reload ? 1 : 0))) {
    InstInstallDefaultQst(0, type, ctx);
    pack = false;
  }
  UcodeSyncIniIfEnabled(ctx);
  InstCopyMergeKeys(ctx, 0, nullptr);
  const char16_t* ini = PathGetDriverIni(ctx);
  const char16_t* section = SplGetPrinterName(ctx);
  if (pack) (void)IniWriteString(section, u"PackInstallDone", u"1", ini);
  if (type == kSetupConnection && !reload) (void)IniWriteString(section, u"DrvInstVersion", install::DriverVersion(), ini);
  if (type != kSetupConnection && !SplIsRemotePrinter(ctx)) InstRegisterModel(ctx);
  if (session) JobInfoCloseIfEnabled(ctx);
}

// Step 25: printer-wide items of a local printer.
void InitPrinterWide(DriverContext* ctx) {
  HANDLE printer = ctx->printer;
  UcodeUpdateProviderFlags(ctx);
  JobInfoClearMaskIfEnabled(ctx, 159);
  if ((RemoteBit7() || RemoteBit0Only()) && RemoteGetSyncState(ctx) == 1) {
    (void)StoreWriteModelFontTables(printer, ctx);
  } else {
    StoreInitPrinterSettings(printer, ctx);
  }
  SplSetDriverFileNames(printer, ctx);
  BidiSetFlagData(ctx, 0);
  BidiSetExFlagData(ctx, 0);
}

// Step 29: the remote-management sync.
void RemoteSync(DriverContext* ctx, int32_t type, bool first_use) {
  if (RemoteBit0Only()) {
    if (type == kSetupConnection && !first_use) RemoteSyncByFeatureBit(0, ctx);
  } else if (RemoteBit7()) {
    if (type == kSetupInitialize) {
      RemoteSyncByFeatureBit(7, ctx);
    } else if (type == kSetupConnection && !first_use && RemoteGetSyncState(ctx) == 1) {
      RemoteClearServerInfo(ctx);
    }
  }
}

}  // namespace

// ---- helpers ------------------------------------------------------------------------------

const char16_t* install::DriverVersion() {
  const char16_t* v = CtxGetBuiltinModelInfo().driverVersionText;
  return v ? v : u"";
}

std::u16string install::PrinterNameOf(HANDLE printer) {
  char16_t name[kPathChars];
  SplCopyPrinterNameByHandle(printer, name, kPathChars);
  return name;
}

std::u16string install::DriverIni(int32_t mode) {
  char16_t path[kPathChars];
  if (!PathGetDriverIniNoCtx(path, kPathChars, mode)) return std::u16string();
  return path;
}

std::u16string install::IniText(const char16_t* file, const char16_t* section, const char16_t* key, uint32_t chars) {
  std::u16string buffer(chars, u'\0');
  IniGetString(section, key, u"", buffer.data(), chars, file);
  buffer.resize(std::char_traits<char16_t>::length(buffer.c_str()));
  return buffer;
}

int32_t install::IniCopySection(const char16_t* from_file, const char16_t* from_section, const char16_t* to_file,
                                const char16_t* to_section, uint32_t initial_chars) {
  if (!from_file || !*from_file || !to_file || !*to_file || !from_section || !to_section) return -1;
  constexpr uint32_t kMaxChars = 16u << 20;  // far beyond any section the driver writes
  std::u16string buffer;
  for (uint32_t chars = initial_chars < 2 ? 2 : initial_chars;; chars *= 2) {
    if (chars > kMaxChars) return -1;
    buffer.assign(chars, u'\0');
    DWORD got = GetPrivateProfileSectionW(from_section, buffer.data(), chars, from_file);
    if (got + 2 < chars) {
      buffer.resize(got + 2);
      break;
    }
  }
  if (buffer[0] == 0) return 0;
  return WritePrivateProfileSectionW(to_section, buffer.c_str(), to_file) ? 1 : -1;
}

std::u16string install::SafeFileName(const std::u16string& path, size_t max_chars) {
  size_t cut = path.find_last_of(u"\\/");
  std::u16string name = cut == std::u16string::npos ? path : path.substr(cut + 1);
  if (name.empty() || name == u"." || name == u".." || name.size() > max_chars ||
      name.find(u':') != std::u16string::npos)
    return std::u16string();
  return name;
}

std::u16string install::FolderOf(const std::u16string& path) {
  size_t cut = path.find_last_of(u'\\');
  return cut == std::u16string::npos ? std::u16string() : path.substr(0, cut);
}

// ---- the set-up sequence ------------------------------------------------------------------

int32_t InstInitializePrinter(HANDLE printer, void* out_devmode, uint32_t out_size, int32_t type) {
  // Step 1: per-user reload and first use run as a connection's set-up.
  const bool reload = type == kSetupUserReload;
  const bool first_use = type == kSetupFirstUse;
  if (reload || first_use) type = kSetupConnection;

  // The whole sequence is one change of the shared stores: the mutex is
  // held throughout (a caller that holds it already holds it once more),
  // and the context says so, so that the store does not wait again.
  DriverMutexHold hold;
  const uint16_t kind = uint16_t((type == kSetupInitialize ? 3 : 1) | kKindOptHoldsMutex | kKindOptAdmin);
  DriverContext* ctx = CtxOpenKind(printer, printer, kind, kOpenEntryPoint);
  if (!ctx) return 0;
  const std::u16string name = SplGetPrinterName(ctx);

  InstApplyVelmDirectoryFromInfo(printer, name.c_str(), ctx);
  InstApplyVelmDirectoryFromBatchIni(printer, name.c_str());
  if (OsIsNt5OrLater()) PathCreateDataDir();
  const bool pack = InstBatchHasEntriesByName(name.c_str()) != 0;
  InstRunExpandFilePrograms(ctx);
  if (OsIsNt5OrLater()) DmSetOsKindNt5(ctx);
  else DmSetOsKindNt4(ctx);
  if (type != kSetupConnection) SplSetHelpFileNameData(ctx);
  InstApplyLocaleDefaults(name.c_str(), ctx);
  InstApplyBatchDefaults(printer, printer, 0, ctx);
  if (type != kSetupConnection) {
    SplSetPrinterNameData(printer);
    SplSetDriverNameData(printer);
    (void)StoreWriteDefaultFontTables(printer, ctx);
  }
  BidiIniDeleteSection(ctx);
  // Without the install files in place (short of memory) the steps that
  // need them are skipped; the rest still runs.
  if (InstInstallFiles(ctx, 0)) RunInstalledSteps(ctx, type, reload, pack);
  InstRepairLists(ctx);
  if (type != kSetupConnection) InitPrinterWide(ctx);
  if (!reload) RegInitPrintLog(type != kSetupConnection ? 1 : 0, ctx);
  if (type == kSetupDriverDefault && out_devmode) {
    DmSetEnvironmentFlags(ctx);
    const uint32_t size = DmGetTotalSize();
    if (out_size >= size) std::memcpy(out_devmode, CtxGetDevmode(ctx), size);
  }
  PathSecureDataDir(ctx);
  if (!reload) RemoteSync(ctx, type, first_use);
  CtxCloseAs(ctx, kCloseKeepFonts);
  return 1;
}

// A set-up that InstSetUpOnce started and that has not ended: a process
// killed in the middle leaves it, and the next call runs the set-up again
// even when the marker was already written by then.
constexpr char16_t kSetupPending[] = u"InstSetupPending";

int32_t InstSetUpOnce(HANDLE printer, void* out_devmode, uint32_t out_size, int32_t type) {
  DriverMutexHold hold;
  uint32_t pending = 0;
  SplGetPrinterData(printer, &pending, sizeof pending, kSetupPending);
  bool done = false;
  if (type == kSetupDriverDefault || type == kSetupInitialize) {
    done = InstIsBatchInstallDone(printer) != 0;
  } else {
    const std::u16string ini = install::DriverIni(0);
    const std::u16string name = install::PrinterNameOf(printer);
    done = !ini.empty() && !name.empty() && IniGetInt(name.c_str(), kBatchInstallDone, 0, ini.c_str()) != 0;
  }
  if (done && !pending) return kSetupAlreadyDone;
  uint32_t on = 1;
  SplSetPrinterDataBinary(printer, &on, sizeof on, kSetupPending);
  const int32_t ran = InstInitializePrinter(printer, out_devmode, out_size, type);
  std::u16string name = kSetupPending;
  // A marker left behind only makes the next open run the set-up again.
  (void)DeletePrinterDataW(printer, name.data());
  return ran;
}

// ---- BatchInstallDone -----------------------------------------------------------------------

int32_t InstReadBatchInstallDone(HANDLE printer, uint32_t* value, DriverContext*) {
  if (!value) return 0;
  // Only a value of exactly four bytes is the marker.
  uint32_t v = 0;
  DWORD type = 0, needed = 0;
  std::u16string name = kBatchInstallDone;
  if (GetPrinterDataW(printer, name.data(), &type, reinterpret_cast<BYTE*>(&v), sizeof v, &needed) != ERROR_SUCCESS ||
      needed != sizeof v)
    return 0;
  *value = v;
  return 1;
}

int32_t InstWriteBatchInstallDone(HANDLE printer, uint32_t value, DriverContext*) {
  return SplSetPrinterDataBinary(printer, &value, sizeof value, kBatchInstallDone);
}

int32_t InstIsBatchInstallDone(HANDLE printer) {
  uint32_t v = 0;
  return InstReadBatchInstallDone(printer, &v, nullptr) && v != 0 ? 1 : 0;
}

int32_t InstIniFlagIsSet(const char16_t* ini, const char16_t* section, const char16_t* key) {
  if (!section || !*section) return 0;
  const int32_t v = IniGetInt(section, key, 0x7FFF, ini);
  return v != 0x7FFF && v != 0 ? 1 : 0;
}

// ---- merge keys ----------------------------------------------------------------------------

int32_t InstCopyMergeKeys(DriverContext* ctx, int32_t mode, const char16_t* value) {
  if (!ctx || !ctx->work) return 0;
  const std::u16string ini = PathGetDriverIni(ctx);
  const std::u16string section = SplGetPrinterName(ctx);
  if (ini.empty() || section.empty()) return 0;
  switch (mode) {
    case 0: {
      const std::u16string info = PathGetInstallInfoFile(ctx);
      const char16_t* language = InstGetLanguageSectionName(ctx);
      if (info.empty() || !language || !*language) return 0;
      char16_t keys[4];
      if (GetPrivateProfileStringW(language, nullptr, u"", keys, 4, info.c_str()) == 0) return 0;
      for (const MergeKeyRow& row : kMergeKeys) {
        if (row.kind != 0) continue;
        std::u16string read_key = row.key;
        if (read_key == u"DrvDefJobMergePath") read_key += OsIsNt5OrLater() ? u"2k" : u"nt";
        const std::u16string v = install::IniText(info.c_str(), language, read_key.c_str(), 260);
        if (!IniWriteString(section.c_str(), row.key, v.c_str(), ini.c_str())) return 0;
      }
      StoreSaveDocumentRegions(ctx->printer, ctx);
      return 1;
    }
    case 1:
    case 3:
    case 4:
      if (mode == 1 && !value) return 0;
      for (const MergeKeyRow& row : kMergeKeys) {
        if (row.kind == mode && !IniWriteString(section.c_str(), row.key, value, ini.c_str())) return 0;
      }
      return 1;
    case 2:
      return 1;
    default:
      return 0;
  }
}

// ---- renamed printers ------------------------------------------------------------------------

int32_t InstHasClientNameData(HANDLE printer) {
  char16_t name[260];
  return SplReadPrinterString(printer, u"ClientName", name, 260) && name[0] ? 1 : 0;
}

int32_t InstCtxHasClientNameData(DriverContext* ctx) { return ctx ? InstHasClientNameData(ctx->printer) : 0; }

int32_t InstHandlePrinterRename(DriverContext* ctx) {
  if (!ctx || !ctx->work) return 0;
  HANDLE printer = ctx->printer;
  const std::u16string name = SplGetPrinterName(ctx);
  if (name.empty() || SplIsRemotePrinter(ctx) || InstCtxHasClientNameData(ctx) ||
      InstIsServerType17(printer, name.c_str()))
    return 0;
  // A stored name longer than a printer name can be reads as missing: it is
  // a different name.
  char16_t stored[install::kPathChars];
  if (SplReadPrinterString(printer, u"PrinterName", stored, install::kPathChars) &&
      plat::WCmpI(stored, name.c_str()) == 0)
    return 0;
  const std::u16string old_name = stored;

  DriverMutexHold hold;
  {
    OpenFlagsAdded common(ctx, kOpenFirstRun);
    InstCopyMergeKeys(ctx, 0, nullptr);
    if (!old_name.empty()) {
      char16_t client_ini[install::kPathChars];
      if (PathGetCommonDataDir(client_ini, install::kPathChars) > 0 &&
          plat::WAppend(client_ini, install::kPathChars, u"\\velmclt.ini"))
        install::IniCopySection(client_ini, old_name.c_str(), client_ini, name.c_str(), 30720);
    }
    InstInstallDefaultQst(16, -1, ctx);
    InstRepairLists(ctx);
    InstWriteHandOverIni(name.c_str(), ctx);
  }
  if (!InstWriteInstallRecord(printer, kInstallFirst, 2)) return 0;
  SplSetPrinterNameData(printer);
  SplSetDriverNameData(printer);
  return 1;
}
