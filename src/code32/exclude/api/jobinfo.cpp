// Direct access to the job-information module for the query interfaces:
// one value read or written per load of the module, which is freed again
// before the call returns.
#include <cstring>

#include "api/api_support.h"
#include "plat/files.h"
#include "plat/kernel.h"
#include "plat/winspool.h"
#include "plat/wstr.h"
#include "velm/context.h"
#include "velm/jobinfo.h"
#include "velm/jobinfo_interface.h"
#include "velm/os.h"
#include "velm/save_stack.h"
#include "velm/settings.h"
#include "velm/spooler.h"

namespace {

// The module loaded from the system directory with an interface of one of
// the versions asked, open on a session for the printer; all of it undone
// by the destructor, in reverse order.
class Provider {
 public:
  Provider(HANDLE printer, std::initializer_list<uint16_t> versions) {
    auto* info = static_cast<PRINTER_INFO_2W*>(SplGetPrinterInfo(printer, 2));
    if (!info || !info->pPrinterName) {
      MemFree(info);
      return;
    }
    char16_t path[MAX_PATH] = {};
    UINT n = GetSystemDirectoryW(path, MAX_PATH);
    if (n > 0 && n < MAX_PATH && plat::WAppend(path, MAX_PATH, u"\\") &&
        plat::WAppend(path, MAX_PATH, kJobInfoModuleName))
      module_ = LoadLibraryW(path);
    if (module_) {
      auto get = reinterpret_cast<JobInfoGetInterfaceFn>(GetProcAddress(module_, kJobInfoGetInterfaceName));
      dispose_ = reinterpret_cast<JobInfoDisposeInterfaceFn>(GetProcAddress(module_, kJobInfoDisposeInterfaceName));
      if (get && dispose_) {
        for (uint16_t version : versions) {
          JobInfoInterface* iface = nullptr;
          if (get(version, &iface) == 0 && iface) {
            iface_ = iface;
            break;
          }
        }
      }
      if (iface_ && iface_->openSession && iface_->openSession(info->pPrinterName, &session_) != 0) session_ = 0;
    }
    MemFree(info);
  }
  ~Provider() {
    if (session_ && iface_->closeSession) iface_->closeSession(session_);
    if (iface_) dispose_(iface_);
    if (module_) FreeLibrary(module_);
  }
  Provider(const Provider&) = delete;
  Provider& operator=(const Provider&) = delete;

  bool open() const { return session_ != 0; }
  JobInfoInterface* iface() const { return iface_; }
  uint32_t session() const { return session_; }

 private:
  HMODULE module_ = nullptr;
  JobInfoDisposeInterfaceFn dispose_ = nullptr;
  JobInfoInterface* iface_ = nullptr;
  uint32_t session_ = 0;
};

// Windows 9x: which setting each mask bit's type fills, and how many bytes.
struct NineXRow {
  uint32_t mask, type, item, bytes;
};
constexpr NineXRow kNineX[] = {
    {0x1, 1, 216, 8},   {0x2, 2, 217, 16}, {0x4, 3, 220, 8},  {0x8, 4, 215, 8},
    {0x10, 5, 219, 16}, {0x20, 6, 243, 64}, {0x40, 7, 244, 0}, {0x80, 8, 221, 8},
};

}  // namespace

uint32_t ApiJobInfoTypeBytes(uint32_t type) {
  switch (type) {
    case 1: case 3: case 4: case 7: case 8: return 18;
    case 2: case 5: return 34;
    case 6: return 130;
    default: return 2;
  }
}

int32_t ApiJobInfoGetText(HANDLE printer, uint32_t type, uint32_t kind, char16_t* buffer) {
  if (!buffer) return 0;
  Provider p(printer, {kJobInfoVersion102, kJobInfoVersion101});
  if (!p.open() || !p.iface()->get) return 0;
  uint32_t needed = 0;
  int32_t r = p.iface()->get(p.session(), type, kind, nullptr, 0, &needed);
  if (r == kJobInfoNoValue || needed == 0) return 0;
  if (r != kJobInfoOk && r != kJobInfoMoreData) return 0;
  if (needed > kJobInfoMaxValueBytes) return 0;
  const uint32_t room = ApiJobInfoTypeBytes(type);
  // The value is read whole into a scratch block and then cut to the
  // type's buffer, its last character made the terminator.
  auto* scratch = static_cast<uint8_t*>(MemAllocZeroed(needed + 2));
  if (!scratch) return 0;
  uint32_t got = 0;
  bool ok = p.iface()->get(p.session(), type, kind, scratch, needed, &got) == kJobInfoOk;
  if (ok) {
    uint32_t copy = needed < room ? needed : room;
    std::memset(buffer, 0, room);
    std::memcpy(buffer, scratch, copy);
    if (needed >= room) buffer[room / 2 - 1] = 0;
  }
  MemFree(scratch);
  return ok ? 1 : 0;
}

int32_t ApiJobInfoPutText(HANDLE printer, uint32_t type, uint32_t kind, const char16_t* text, uint32_t bytes) {
  Provider p(printer, {kJobInfoVersion101});
  if (!p.open() || !p.iface()->set) return 0;
  return p.iface()->set(p.session(), type, kind, text, bytes) == kJobInfoOk ? 1 : 0;
}

void ApiJobInfoRead(DriverContext* ctx, uint32_t mask) {
  if (!ctx || !JobInfoIsEnabled()) return;
  if (!OsIsWin9x()) {
    JobInfoReadMask(ctx, mask);
    return;
  }
  for (const NineXRow& row : kNineX) {
    if (!(mask & row.mask)) continue;
    char16_t wide[80] = {};
    if (!ApiJobInfoGetText(ctx->printer, row.type, kJobInfoKindText, wide)) continue;
    SettingRecord* setting = OptFindSetting(ctx, row.item);
    if (!setting) continue;
    if (row.bytes == 0) {
      int32_t n = 0;
      for (const char16_t* c = wide; *c >= u'0' && *c <= u'9' && n < 100000000; ++c) n = n * 10 + (*c - u'0');
      OptSetValue(ctx, setting, n);
      continue;
    }
    char ansi[72] = {};
    StrWideToAnsi(ansi, wide, int32_t(row.bytes + 1));
    OptSetBytes(ctx, setting, ansi);
  }
}

bool ApiJobInfoWrite(DriverContext* ctx, uint32_t mask) {
  if (!ctx) return false;
  if (!OsIsWin9x()) return JobInfoWriteMask(ctx, mask) == 0;
  bool ok = true;
  for (const NineXRow& row : kNineX) {
    if (mask != row.mask || row.bytes == 0 || row.type == 1 || row.type == 6) continue;
    SettingRecord* setting = OptFindSetting(ctx, row.item);
    const uint8_t* value = setting ? OptGetValueAddr(ctx, setting) : nullptr;
    if (!value) return false;
    char ansi[20] = {};
    std::memcpy(ansi, value, row.bytes);
    char16_t wide[20] = {};
    StrAnsiToWide(wide, ansi, int32_t(row.bytes + 1));
    if (!ApiJobInfoPutText(ctx->printer, row.type, kJobInfoKindText, wide, row.bytes * 2)) ok = false;
  }
  return ok;
}
