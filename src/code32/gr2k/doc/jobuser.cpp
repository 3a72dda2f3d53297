// The settings refreshed at the start of a document: the stored settings,
// the job's DEVMODE, and the user information of the job-information module.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "gr2k/doc.h"
#include "plat/kernel.h"
#include "plat/security.h"
#include "plat/winspool.h"
#include "plat/wstr.h"
#include "velm/bidi.h"
#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/jobinfo.h"
#include "velm/jobinfo_interface.h"
#include "velm/paths.h"
#include "velm/save_stack.h"
#include "velm/setting_ids.h"
#include "velm/settings.h"
#include "velm/spooler.h"
#include "velm/store.h"

namespace {

constexpr uint32_t kItemCollate = 64;
constexpr DWORD kDmCollate = 0x8000;

// The user information that a reload of the stored settings would replace.
constexpr uint32_t kKeptTexts[] = {215, 216, 220, 221, 217, 219, 243};

// The types read at the document start, their settings and the bytes of
// their text buffers.
struct UserType {
  uint32_t type;
  uint32_t item;
  uint32_t bufferBytes;
};
constexpr UserType kUserTypes[] = {
    {kJobInfoTypeUserCode, 216, 18},     {kJobInfoTypeOwnerName, 217, 34},  {kJobInfoTypeJobPassword, 220, 18},
    {kJobInfoTypeUserId, 215, 18},       {kJobInfoTypeDocumentName, 219, 34},
    {kJobInfoTypeStoredPassword, 221, 18},
};

constexpr uint16_t kVersions[] = {kJobInfoVersion103, kJobInfoVersion102, kJobInfoVersion101};
constexpr DWORD kMaxUserName = 256;
// A needed size beyond any text of the table is not believed.
constexpr uint32_t kMaxValueBytes = 0x10000;

// The text of an ANSI setting when it is terminated inside its storage;
// empty otherwise.
std::vector<uint8_t> KeptText(DriverContext* ctx, uint32_t id) {
  SettingRecord* row = OptFindSetting(ctx, id);
  const uint8_t* p = row && IsAnsiType(DescType(row->descriptor)) ? OptGetValueAddr(ctx, row) : nullptr;
  if (!p) return {};
  const uint32_t size = DescSize(row->descriptor);
  const size_t n = strnlen(reinterpret_cast<const char*>(p), size);
  if (n == 0 || n >= size) return {};
  return std::vector<uint8_t>(p, p + size);
}

// The job's user (level 1 pUserName), unless the job has none or names the
// spooler's "UNKNOWN"; then the logged-on user.
bool UserName(HANDLE printer, DWORD job_id, std::u16string* out) {
  DWORD needed = 0;
  GetJobW(printer, job_id, 1, nullptr, 0, &needed);
  if (needed >= sizeof(JOB_INFO_1W)) {
    std::vector<uint8_t> buffer(needed);
    auto* info = reinterpret_cast<JOB_INFO_1W*>(buffer.data());
    if (GetJobW(printer, job_id, 1, buffer.data(), needed, &needed) && info->pUserName &&
        plat::WCmp(info->pUserName, u"UNKNOWN") != 0) {
      out->assign(info->pUserName, plat::WLenN(info->pUserName, kMaxUserName));
      return true;
    }
  }
  char16_t name[kMaxUserName + 1] = {};
  DWORD size = kMaxUserName + 1;
  if (!GetUserNameW(name, &size)) return false;
  out->assign(name, plat::WLenN(name, kMaxUserName));
  return true;
}

enum class Read { kValue, kNoValue, kFailed };

struct Session {
  JobInfoInterface* iface;
  uint16_t version;
  uint32_t handle;
  const std::u16string* user;  // for slot 10
};

// One get call through slot 10 (for the user) or slot 5.
int32_t Get(const Session& s, bool for_user, uint32_t type, void* buffer, uint32_t size, uint32_t* needed) {
  if (for_user) {
    auto fn = reinterpret_cast<JobInfoInterface103*>(s.iface)->getForUser;
    return fn ? fn(s.handle, type, kJobInfoKindText, s.user->c_str(), buffer, size, needed) : -1;
  }
  return s.iface->get ? s.iface->get(s.handle, type, kJobInfoKindText, buffer, size, needed) : -1;
}

// Reads one text: the size first, then the value into a buffer of at least
// the type's size. At most size/2 - 1 characters of the type's buffer are
// taken, whatever the module wrote.
Read ReadText(const Session& s, bool for_user, const UserType& t, std::u16string* out) {
  uint32_t needed = 0;
  int32_t r = Get(s, for_user, t.type, nullptr, 0, &needed);
  if (r == kJobInfoNoValue) return Read::kNoValue;
  if (r != kJobInfoOk && r != kJobInfoMoreData) return Read::kFailed;
  if (needed == 0) return Read::kNoValue;
  if (needed > kMaxValueBytes) return Read::kFailed;
  const uint32_t bytes = (std::max(needed, t.bufferBytes) + 1) & ~1u;
  std::vector<char16_t> buffer(bytes / 2 + 1, 0);  // one unit more than the module is told
  uint32_t got = 0;
  r = Get(s, for_user, t.type, buffer.data(), bytes, &got);
  if (r == kJobInfoNoValue) return Read::kNoValue;
  if (r != kJobInfoOk) return Read::kFailed;
  const size_t units = t.bufferBytes / 2 - 1;
  out->assign(buffer.data(), plat::WLenN(buffer.data(), units));
  return Read::kValue;
}

void ReadTypes(DriverContext* ctx, const Session& s, uint32_t mask) {
  for (const UserType& t : kUserTypes) {
    if (!(mask & (1u << (t.type - 1)))) continue;
    std::u16string text;
    Read r = Read::kFailed;
    if (s.version >= kJobInfoVersion103) r = ReadText(s, true, t, &text);
    if (r == Read::kFailed) r = ReadText(s, false, t, &text);
    if (r != Read::kValue) continue;
    // The ANSI text is cut to the setting's storage, never inside a character.
    OptSetText(ctx, OptFindSetting(ctx, t.item), text.c_str());
  }
}

}  // namespace

BOOL JobReloadSettings(DriverContext* ctx, const uint8_t* devmode, uint32_t devmode_bytes, uint32_t flags,
                       HANDLE printer, DWORD job_id) {
  if (!ctx || !ctx->work || !ctx->devmode) return TRUE;
  std::vector<uint8_t> kept[std::size(kKeptTexts)];
  for (size_t i = 0; i < std::size(kKeptTexts); ++i) kept[i] = KeptText(ctx, kKeptTexts[i]);
  const int32_t tel_line = OptGetValueById(ctx, setting::vdmTelLine);

  ctx->work->openFlags = kDocReloadOpenFlags;
  StoreLoadItems(printer, ctx, -1, 0);
  if (BidiIniGetFlag(ctx)) BidiIniLoadSettings(ctx);
  DmMergeInput(ctx, devmode, devmode ? devmode_bytes : 0, flags);

  const auto* pub = reinterpret_cast<const DEVMODEW*>(ctx->devmode);
  if (!(pub->dmFields & kDmCollate)) OptSetValueById(ctx, kItemCollate, 0);
  else if (pub->dmCollate == 1) OptSetValueById(ctx, kItemCollate, 1);

  for (size_t i = 0; i < std::size(kKeptTexts); ++i)
    if (!kept[i].empty()) OptSetBytes(ctx, OptFindSetting(ctx, kKeptTexts[i]), kept[i].data());
  OptSetValueById(ctx, setting::vdmTelLine, tel_line);

  if (JobInfoIsEnabled()) JobInfoQueryUser(ctx, printer, job_id, kDocJobInfoMask);
  return TRUE;
}

BOOL JobInfoQueryUser(DriverContext* ctx, HANDLE printer, DWORD job_id, uint32_t mask) {
  if (!ctx) return FALSE;
  auto* info = static_cast<PRINTER_INFO_2W*>(SplGetPrinterInfo(printer, 2));
  if (!info) return FALSE;
  const std::u16string printer_name = info->pPrinterName ? info->pPrinterName : u"";
  MemFree(info);

  char16_t path[MAX_PATH] = {};
  if (PathGetSystemDir(path, MAX_PATH, ctx) <= 0 || !plat::WAppend(path, MAX_PATH, u"\\") ||
      !plat::WAppend(path, MAX_PATH, kJobInfoModuleName))
    return FALSE;
  HMODULE module = LoadLibraryW(path);
  if (!module) return FALSE;
  auto get_interface = reinterpret_cast<JobInfoGetInterfaceFn>(GetProcAddress(module, kJobInfoGetInterfaceName));
  auto dispose = reinterpret_cast<JobInfoDisposeInterfaceFn>(GetProcAddress(module, kJobInfoDisposeInterfaceName));
  BOOL result = FALSE;
  if (get_interface && dispose) {
    Session s{nullptr, 0, 0, nullptr};
    for (uint16_t version : kVersions) {
      JobInfoInterface* iface = nullptr;
      if (get_interface(version, &iface) == 0 && iface) {
        s.iface = iface;
        s.version = version;
        break;
      }
    }
    if (s.iface) {
      std::u16string user;
      const bool have_user = s.version < kJobInfoVersion103 || UserName(printer, job_id, &user);
      s.user = &user;
      uint32_t session = 0;
      if (have_user && s.iface->openSession && s.iface->openSession(printer_name.c_str(), &session) == 0 &&
          session) {
        s.handle = session;
        ReadTypes(ctx, s, mask);
        if (s.iface->closeSession) s.iface->closeSession(session);
        result = TRUE;
      }
      dispose(s.iface);
    }
  }
  FreeLibrary(module);
  return result;
}
