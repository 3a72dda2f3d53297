// The driver's own files: driver directory, driver ini, install files, help
// file and resource modules, and the path-string helpers.
#include <cstring>

#include "plat/files.h"
#include "plat/wstr.h"
#include "velm/context.h"
#include "velm/remote.h"
#include "velm/model_query.h"
#include "velm/os.h"
#include "velm/paths.h"
#include "velm/printer_data.h"
#include "velm/resources.h"
#include "velm/settings.h"
#include "velm/spooler.h"

namespace {

template <size_t N>
constexpr uint32_t Cap(const char16_t (&)[N]) {
  return uint32_t(N);
}

constexpr const char16_t* kDriverDirFallback = u"\\spool\\drivers\\w32x86\\2\\";
constexpr const char16_t* kInstallIniName = u"ORVINST.ini";

const ModelInfo& Model(DriverContext* ctx) { return ctx && ctx->model ? *ctx->model : CtxGetBuiltinModelInfo(); }

bool IsFullPath(const char16_t* p) { return p && p[0] && p[1] == u':'; }

// dir + name into buffer; empty and false when it does not fit.
bool Join(char16_t* buffer, uint32_t capacity, const char16_t* dir, const char16_t* name) {
  if (plat::WCopy(buffer, capacity, dir) && plat::WAppend(buffer, capacity, name)) return true;
  if (capacity) buffer[0] = 0;
  return false;
}

// The number of characters of the file-name part of path.
size_t FileNameLength(const char16_t* path) { return plat::WLen(PathGetFileNamePart(path)); }

}  // namespace

// ---- path strings ------------------------------------------------------------------------

const char16_t* PathGetFileNamePart(const char16_t* path) {
  if (!path) return nullptr;
  const char16_t* part = path;
  for (const char16_t* p = path; *p; ++p)
    if (*p == u'\\') part = p + 1;
  return *part ? part : path;
}

const char16_t* PathGetExtensionPart(const char16_t* path, uint32_t* count) {
  const char16_t* name = PathGetFileNamePart(path);
  if (!name) return nullptr;
  const char16_t* dot = nullptr;
  for (const char16_t* p = name; *p; ++p)
    if (*p == u'.') dot = p;
  if (!dot) {
    if (count) *count = 0;
    return name;
  }
  if (count) *count = uint32_t(plat::WLen(dot + 1));
  return dot + 1;
}

const char16_t* PathGetFileNameBase(const char16_t* path, uint32_t* count) {
  const char16_t* name = PathGetFileNamePart(path);
  if (!name) return nullptr;
  if (!*name) {
    if (count) *count = 0;
    return path;
  }
  uint32_t n = 0;
  while (name[n] && name[n] != u'.') ++n;
  if (count) *count = n;
  return name;
}

int32_t PathHasShortExtension(const char16_t* path) {
  uint32_t base = 0, ext = 0;
  if (!PathGetFileNameBase(path, &base) || base == 0) return 0;
  const char16_t* name = PathGetFileNamePart(path);
  bool has_dot = false;
  for (const char16_t* p = name; *p; ++p) has_dot = has_dot || *p == u'.';
  if (!has_dot) return 0;
  PathGetExtensionPart(path, &ext);
  return ext >= 1 && ext <= 3 ? 1 : 0;
}

// ---- driver directory --------------------------------------------------------------------

int32_t PathCopyDriverDir(HANDLE printer, char16_t* buffer, uint32_t capacity) {
  if (!buffer || capacity == 0) return 0;
  buffer[0] = 0;
  auto* info = static_cast<DRIVER_INFO_3W*>(SplGetDriverInfo(printer, 3));
  bool done = false;
  if (info && info->pDriverPath) {
    const char16_t* path = info->pDriverPath;
    size_t cut = 0;
    for (size_t i = 0; path[i]; ++i)
      if (path[i] == u'\\') cut = i + 1;
    // The directory with its backslash, when it has one and it fits;
    // anything else takes the fall-back.
    if (cut > 0 && cut < capacity) {
      std::memcpy(buffer, path, cut * sizeof(char16_t));
      buffer[cut] = 0;
      done = true;
    }
  }
  MemFree(info);
  if (done) return 1;
  char16_t system[MAX_PATH] = {};
  UINT n = GetSystemDirectoryW(system, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return 0;
  return Join(buffer, capacity, system, kDriverDirFallback) ? 1 : 0;
}

const char16_t* PathGetDriverDir(DriverContext* ctx) {
  if (!ctx || !ctx->work) return u"";
  PathCopyDriverDir(ctx->printer, ctx->work->driverDir, Cap(ctx->work->driverDir));
  return ctx->work->driverDir;
}

// ---- driver ini and install files ----------------------------------------------------------

const char16_t* PathGetDriverIni(DriverContext* ctx) {
  if (!ctx || !ctx->work) return u"";
  WorkRecord& w = *ctx->work;
  const char16_t* name = Model(ctx).iniFileName;
  if (IsFullPath(name)) {
    if (!plat::WCopy(w.driverIni, Cap(w.driverIni), name)) w.driverIni[0] = 0;
    return w.driverIni;
  }
  char16_t dir[260] = {};
  int32_t len = 0;
  if (OsIsTerminalServerCached(ctx->printer) && !(w.openFlags & kOpenFirstRun))
    len = PathGetUserDataDir(dir, Cap(dir), ctx);
  if (len <= 0) len = PathGetDataDir(dir, Cap(dir), ctx);
  // No directory: the field stays empty, so ini operations on it do nothing.
  char16_t built[260] = {};
  if (len > 0 && Join(built, Cap(built), dir, u"\\") && plat::WAppend(built, Cap(built), name)) {
    plat::WCopy(w.driverIni, Cap(w.driverIni), built);
  } else {
    w.driverIni[0] = 0;
  }
  return w.driverIni;
}

int32_t PathGetDriverIniNoCtx(char16_t* buffer, uint32_t capacity, int32_t mode) {
  if (!buffer || capacity == 0) return 0;
  buffer[0] = 0;
  char16_t dir[260] = {};
  int32_t len = mode == 1 ? PathGetUserDataDirNoCtx(dir, Cap(dir)) : PathGetCommonDataDirNoCtx(dir, Cap(dir));
  if (len <= 0) return 0;
  if (!Join(buffer, capacity, dir, u"\\") || !plat::WAppend(buffer, capacity, CtxGetBuiltinModelInfo().iniFileName)) {
    buffer[0] = 0;
    return 0;
  }
  return 1;
}

const char16_t* PathGetInstallInfoFile(DriverContext* ctx) {
  if (!ctx || !ctx->work) return u"";
  WorkRecord& w = *ctx->work;
  const char16_t* name = Model(ctx).installInfoName;
  if (IsFullPath(name)) {
    if (!plat::WCopy(w.installInfo, Cap(w.installInfo), name)) w.installInfo[0] = 0;
  } else {
    Join(w.installInfo, Cap(w.installInfo), PathGetDriverDir(ctx), name);
  }
  return w.installInfo;
}

int32_t PathGetInstallInfoFileNoCtx(HANDLE printer, char16_t* buffer, uint32_t capacity) {
  if (!buffer || capacity == 0) return 0;
  const char16_t* name = CtxGetBuiltinModelInfo().installInfoName;
  if (IsFullPath(name)) return plat::WCopy(buffer, capacity, name) ? 1 : (buffer[0] = 0, 0);
  char16_t dir[522] = {};
  if (!PathCopyDriverDir(printer, dir, Cap(dir))) {
    buffer[0] = 0;
    return 0;
  }
  return Join(buffer, capacity, dir, name) ? 1 : 0;
}

const char16_t* PathGetInstallIni(DriverContext* ctx) {
  if (!ctx || !ctx->work) return u"";
  Join(ctx->work->installIni, Cap(ctx->work->installIni), PathGetDriverDir(ctx), kInstallIniName);
  return ctx->work->installIni;
}

// ---- help file and resource modules ----------------------------------------------------------

// The driver directory followed by the model's UI resource module name, in
// the work record's shared path buffer; the buffer is left empty (and false
// answered) when the model names none or the path does not fit.
static bool DriverDirPlusUiDllName(DriverContext* ctx) {
  WorkRecord& w = *ctx->work;
  PathGetDriverDir(ctx);
  char16_t name[MAX_PATH + 1];
  if (!MdfCopyUIResDLLName(ctx, name, MAX_PATH + 1) || !plat::WAppend(w.driverDir, Cap(w.driverDir), name)) {
    w.driverDir[0] = 0;
    return false;
  }
  return true;
}

const char16_t* PathGetUiResourceDll(DriverContext* ctx) {
  if (!ctx || !ctx->work) return u"";
  WorkRecord& w = *ctx->work;
  if (!DriverDirPlusUiDllName(ctx)) return w.driverDir;
  // The two characters before the extension's dot carry the language code;
  // a name with fewer characters before its dot keeps its name.
  uint32_t ext = 0;
  const char16_t* part = PathGetExtensionPart(w.driverDir, &ext);
  const char16_t* file = PathGetFileNamePart(w.driverDir);
  if (part != file && part - file >= 3) {
    char16_t* code = const_cast<char16_t*>(part) - 3;
    const char16_t* lang = ResGetUiLanguageCode(ctx);
    code[0] = lang[0];
    code[1] = lang[1];
  }
  return w.driverDir;
}

const char16_t* PathGetBitmapResourceDll(DriverContext* ctx) {
  if (!ctx || !ctx->work) return u"";
  WorkRecord& w = *ctx->work;
  if (!DriverDirPlusUiDllName(ctx)) return w.driverDir;
  // Counted from the end: 'C' at length - 8, 'X' at length - 6 and - 5, only
  // when all three lie in the file name.
  size_t len = plat::WLen(w.driverDir);
  if (FileNameLength(w.driverDir) >= 8) {
    w.driverDir[len - 8] = u'C';
    w.driverDir[len - 6] = u'X';
    w.driverDir[len - 5] = u'X';
  }
  return w.driverDir;
}

const char16_t* PathGetHelpFile(DriverContext* ctx) {
  if (!ctx || !ctx->work) return u"";
  WorkRecord& w = *ctx->work;
  char16_t help[261] = {};
  if (SplGetHelpFileNameData(help, sizeof help, ctx) && help[0]) {
    PathGetDriverDir(ctx);
    if (!plat::WAppend(w.driverDir, Cap(w.driverDir), help)) w.driverDir[0] = 0;
    return w.driverDir;
  }
  // The UI resource module's name with "hlp" for its last three characters,
  // when its file name has more than three.
  PathGetUiResourceDll(ctx);
  size_t len = plat::WLen(w.driverDir);
  if (FileNameLength(w.driverDir) > 3) std::memcpy(w.driverDir + len - 3, u"hlp", 3 * sizeof(char16_t));
  return w.driverDir;
}
