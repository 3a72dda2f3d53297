// The one-time folder keys of the install inis: the work folder of the job
// files (SpoolDirectory, for one printer or for all) and the folder of the
// common data directory (VELMDirectory). The set-up moves them into printer
// data or the driver's registry key and deletes them from the ini, keeping
// the ini's last-write time.
#include <string>

#include "inst_internal.h"
#include "plat/files.h"
#include "plat/wstr.h"
#include "velm/context.h"
#include "velm/files.h"
#include "velm/ini.h"
#include "velm/inst.h"
#include "velm/paths.h"
#include "velm/printer_data.h"

namespace {

using inst::kPathChars;
using inst::ReadString;

constexpr const char16_t* kSystemDrive = u"%SYSTEMDRIVE%";
constexpr size_t kSpoolReserve = 21;
constexpr size_t kDataDirReserve = 46;

// "%SYSTEMDRIVE%" (any case) at the start becomes the Windows directory's
// drive.
std::u16string Expand(const std::u16string& value) {
  const size_t n = plat::WLen(kSystemDrive);
  if (value.size() < n || plat::WCmpNI(value.c_str(), kSystemDrive, n) != 0) return value;
  char16_t windows[kPathChars] = {};
  PathGetSystemWindowsDir(windows, kPathChars);
  return std::u16string(windows, plat::WLenN(windows, 2)) + value.substr(n);
}

// An existing directory; a file or a wildcard pattern is no folder.
bool IsFolder(const std::u16string& path) {
  if (path.empty() || path.find_first_of(u"*?") != std::u16string::npos) return false;
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void WriteRegistry(const char16_t* name, const std::u16string& value) {
  RegWriteDrvValue(name, value.c_str(), uint32_t((value.size() + 1) * sizeof(char16_t)));
}

void DeleteKeyKeepTime(const char16_t* ini, const char16_t* section, const char16_t* key) {
  if (inst::KeyPresent(section, key, ini)) (void)IniWriteStringKeepTime(section, key, nullptr, ini);
}

}  // namespace

int32_t InstApplySpoolDirectory(const char16_t* ini, const char16_t* section, DriverContext* ctx) {
  if (!ini || !section || !ctx || !FileExists(ini)) return 1;
  const bool present = inst::KeyPresent(section, u"SpoolDirectory", ini);
  const std::u16string folder = ReadString(section, u"SpoolDirectory", ini, kPathChars - 2, u"*");
  const bool all = ReadString(section, u"SpoolDirectoryAll", ini, 15, u"OFF") == u"ON";
  if (present && folder.empty()) {
    if (all) WriteRegistry(u"SpoolDirectory", u"");
  } else if (folder != u"*") {
    const std::u16string path = Expand(folder);
    if (IsFolder(path) && path.size() + kSpoolReserve < 260) {
      if (all) {
        WriteRegistry(u"SpoolDirectory", path);
      } else {
        SplSetPrinterDataString(ctx->printer, path.c_str(), uint32_t((path.size() + 1) * sizeof(char16_t)),
                                u"SpoolDirectory");
      }
    }
  }
  DeleteKeyKeepTime(ini, section, u"SpoolDirectory");
  DeleteKeyKeepTime(ini, section, u"SpoolDirectoryAll");
  return 1;
}

int32_t InstApplyVelmDirectory(HANDLE, const char16_t* ini, const char16_t* section) {
  if (!ini || !section || !FileExists(ini)) return 1;
  const bool present = inst::KeyPresent(section, u"VELMDirectory", ini);
  const std::u16string folder = ReadString(section, u"VELMDirectory", ini, kPathChars - 2, u"*");
  if (present && folder.empty()) {
    WriteRegistry(u"_VELMDirectory", u"");
  } else if (folder != u"*") {
    std::u16string path = Expand(folder);
    if (IsFolder(path)) {
      if (path.back() != u'\\') path += u'\\';
      if (path.size() + kDataDirReserve < 260) WriteRegistry(u"_VELMDirectory", path + u"_velm");
    }
  }
  DeleteKeyKeepTime(ini, section, u"VELMDirectory");
  return 1;
}

int32_t InstApplyVelmDirectoryFromInfo(HANDLE printer, const char16_t* printer_name, DriverContext* ctx) {
  const char16_t* info = ctx ? PathGetInstallInfoFile(ctx) : nullptr;
  return InstApplyVelmDirectory(printer, info, printer_name);
}

int32_t InstApplyVelmDirectoryFromBatchIni(HANDLE printer, const char16_t* printer_name) {
  char16_t ini[kPathChars] = {};
  if (!InstGetBatchIniPathInto(ini, kPathChars)) return 1;
  return InstApplyVelmDirectory(printer, ini, printer_name);
}
