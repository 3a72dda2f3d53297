// Section names and paths of the installation: the data, Windows, system
// and driver directories, the install-list path language ("%windir%",
// "%sysdir%", "..\", ".\", bare names), and the names of the installed
// copies of preset and quality files.
#include <string>

#include "inst_internal.h"
#include "plat/files.h"
#include "plat/wstr.h"
#include "velm/context.h"
#include "velm/inst.h"
#include "velm/os.h"
#include "velm/paths.h"
#include "velm/resources.h"
#include "velm/spooler.h"

namespace {

using inst::kPathChars;

// dir + sep + name into buffer; 0 with the buffer empty when it does not fit.
int32_t Join(char16_t* buffer, uint32_t size, const std::u16string& dir, const char16_t* sep, const char16_t* name) {
  if (!buffer || size == 0) return 0;
  buffer[0] = 0;
  if (dir.empty() || !name) return 0;
  std::u16string whole = dir + sep + name;
  if (whole.size() >= size) return 0;
  plat::WCopy(buffer, size, whole.c_str());
  return 1;
}

std::u16string SystemDir() {
  char16_t dir[kPathChars] = {};
  UINT n = GetSystemDirectoryW(dir, kPathChars);
  return n > 0 && n < kPathChars ? std::u16string(dir) : std::u16string();
}

std::u16string WindowsDir() {
  char16_t dir[kPathChars] = {};
  UINT n = GetWindowsDirectoryW(dir, kPathChars);
  return n > 0 && n < kPathChars ? std::u16string(dir) : std::u16string();
}

std::u16string CommonDataDir() {
  char16_t dir[kPathChars] = {};
  return PathGetCommonDataDir(dir, kPathChars) > 0 ? std::u16string(dir) : std::u16string();
}

std::u16string DriverDir(DriverContext* ctx) {
  const char16_t* dir = ctx ? PathGetDriverDir(ctx) : nullptr;
  return dir ? std::u16string(dir) : std::u16string();
}

bool HasPrefix(const char16_t* text, const char16_t* prefix) {
  return plat::WCmpNI(text, prefix, plat::WLen(prefix)) == 0;
}

// The data directory of the installed preset copies: the common one, or on
// a terminal server the per-user one unless the context works for the
// first-run set-up.
std::u16string ListCopyDir(DriverContext* ctx) {
  char16_t dir[kPathChars] = {};
  const bool per_user = ctx && ctx->work && !(ctx->work->openFlags & kOpenFirstRun) &&
                        OsIsTerminalServerCached(ctx->printer);
  int32_t n = per_user ? PathGetUserDataDir(dir, kPathChars, ctx) : PathGetDataDir(dir, kPathChars, ctx);
  return n > 0 ? std::u16string(dir) : std::u16string();
}

// dir + "\" + the file name of path with the extension ext; 522 characters.
int32_t CopyName(const std::u16string& dir, const char16_t* path, const char16_t* ext, char16_t* buffer) {
  constexpr uint32_t kChars = 522;
  if (!buffer) return 0;
  buffer[0] = 0;
  if (!path || dir.empty()) return 0;
  uint32_t base = 0;
  const char16_t* name = PathGetFileNameBase(path, &base);
  if (!name || base == 0) return 0;
  std::u16string file = std::u16string(name, base) + u"." + ext;
  return Join(buffer, kChars, dir, u"\\", file.c_str());
}

int32_t ChangeExtension(char16_t* path, uint32_t size, const char16_t* ext) {
  if (!path) return 0;
  uint32_t base = 0;
  const char16_t* name = PathGetFileNameBase(path, &base);
  if (!name) return 0;
  std::u16string whole = std::u16string(path, size_t(name - path) + base) + u"." + ext;
  if (whole.size() >= size) return 0;
  plat::WCopy(path, size, whole.c_str());
  return 1;
}

}  // namespace

// ---- section names ----------------------------------------------------------------------

const char16_t* InstGetLanguageSectionName(DriverContext* ctx) { return ResGetUiLanguageCode(ctx); }
const char16_t* InstGetInfoSectionName(DriverContext* ctx) { return InstGetLanguageSectionName(ctx); }
const char16_t* InstGetPrinterSectionName(DriverContext* ctx) { return SplGetPrinterName(ctx); }
const char16_t* InstGetCtxPrinterName(DriverContext* ctx) { return SplGetPrinterName(ctx); }

int32_t InstGetPrinterNameByHandle(HANDLE printer, char16_t* buffer, uint32_t size) {
  if (!buffer || size == 0) return 0;
  buffer[0] = 0;
  return SplCopyPrinterNameByHandle(printer, buffer, size) && buffer[0] ? 1 : 0;
}

const char16_t* InstGetBatchInstallDoneKey() { return u"BatchInstallDone"; }

// ---- directories ------------------------------------------------------------------------

int32_t PathMakeInDataDir(char16_t* buffer, uint32_t size, const char16_t* name, DriverContext*) {
  return Join(buffer, size, CommonDataDir(), u"\\", name);
}

int32_t PathMakeInWindowsDir(char16_t* buffer, uint32_t size, const char16_t* name) {
  return Join(buffer, size, WindowsDir(), u"\\", name);
}

int32_t PathMakeInSystemDir(char16_t* buffer, uint32_t size, const char16_t* name) {
  return Join(buffer, size, SystemDir(), u"\\", name);
}

int32_t PathMakeInUserDataDir(char16_t* buffer, uint32_t size, const char16_t* name) {
  char16_t dir[kPathChars] = {};
  return Join(buffer, size, PathGetUserDataDirNoCtx(dir, kPathChars) > 0 ? dir : u"", u"\\", name);
}

int32_t PathMakeInDriverDir(char16_t* buffer, uint32_t size, const char16_t* name, HANDLE printer) {
  char16_t dir[522] = {};
  return Join(buffer, size, PathCopyDriverDir(printer, dir, 522) ? dir : u"", u"", name);
}

int32_t PathResolveParentOfSystemDir(char16_t* buffer, uint32_t size, const char16_t* path) {
  if (!buffer || size == 0) return 0;
  buffer[0] = 0;
  if (!path) return 0;
  std::u16string dir = SystemDir();
  while (HasPrefix(path, u"..\\")) {
    size_t cut = dir.find_last_of(u'\\');
    // "C:" has no directory left to go up from.
    if (cut == std::u16string::npos || dir.size() <= 2) return 0;
    dir.resize(cut);
    path += 3;
  }
  if (dir.size() < 2) return 0;
  return Join(buffer, size, dir, u"\\", path);
}

int32_t PathMakeDriverAbsolute(char16_t* buffer, uint32_t size, const char16_t* path, DriverContext* ctx) {
  if (!buffer || size == 0 || !path) return 0;
  buffer[0] = 0;
  if (inst::IsAbsolute(path)) return plat::WCopy(buffer, size, path) ? 1 : (buffer[0] = 0, 0);
  return Join(buffer, size, DriverDir(ctx), u"", path);
}

int32_t PathChangeExtToQsd(char16_t* path, uint32_t size) { return ChangeExtension(path, size, u"qsd"); }
int32_t PathChangeExtToQsq(char16_t* path, uint32_t size) { return ChangeExtension(path, size, u"qsq"); }

int32_t PathGetSystemWindowsDir(char16_t* buffer, uint32_t size) {
  if (!buffer || size == 0) return 1;
  // The machine has one Windows directory for every user.
  if (!plat::WCopy(buffer, size, WindowsDir().c_str())) buffer[0] = 0;
  return 1;
}

// ---- the install-list path language --------------------------------------------------

int32_t InstResolveInstallPath(char16_t* path, uint32_t size, int32_t mode, DriverContext* ctx) {
  if (!path || size == 0) return 0;
  const std::u16string entry = path;
  path[0] = 0;
  if (entry.size() >= 260) return 0;
  const bool here = mode == 1 && OsIsNt5OrLater();
  const char16_t* e = entry.c_str();
  if (inst::IsAbsolute(e)) return plat::WCopy(path, size, e) ? 1 : (path[0] = 0, 0);
  if (HasPrefix(e, u"%windir%"))
    return here ? Join(path, size, DriverDir(ctx), u"", e + 8) : Join(path, size, WindowsDir(), u"\\", e + 8);
  if (HasPrefix(e, u"%sysdir%"))
    return here ? Join(path, size, CommonDataDir(), u"\\", e + 8) : Join(path, size, SystemDir(), u"\\", e + 8);
  if (HasPrefix(e, u"..\\")) return PathResolveParentOfSystemDir(path, size, e);
  if (HasPrefix(e, u".\\"))
    return here ? Join(path, size, DriverDir(ctx), u"", e + 2) : Join(path, size, SystemDir(), u"\\", e + 2);
  return here ? Join(path, size, DriverDir(ctx), u"", e) : Join(path, size, SystemDir(), u"\\", e);
}

int32_t InstResolveDefaultFilePath(char16_t* path, uint32_t size, DriverContext* ctx) {
  if (!InstResolveInstallPath(path, size, 1, ctx)) return 0;
  if (PathHasShortExtension(path)) return 1;
  path[0] = 0;
  return 0;
}

int32_t InstResolveListFilePath(char16_t* path, uint32_t size, DriverContext* ctx) {
  return InstResolveInstallPath(path, size, 0, ctx);
}

// ---- installed copies ---------------------------------------------------------------

int32_t PresetMakeListCopyPath(DriverContext* ctx, const char16_t* file, char16_t* buffer) {
  return CopyName(ListCopyDir(ctx), file, u"qsr", buffer);
}

int32_t PresetMakeCopyPath(DriverContext*, const char16_t* file, char16_t* buffer, uint32_t flag) {
  return CopyName(CommonDataDir(), file, (flag & 0x10) ? u"qsq" : u"qsd", buffer);
}

int32_t PresetMakeQualityCopyPath(DriverContext* ctx, const char16_t* file, char16_t* buffer) {
  return PresetMakeCopyPath(ctx, file, buffer, 0x10);
}
