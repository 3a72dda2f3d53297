// The scenario bundle: a printer's whole configuration exported as a
// default settings file (.qsb) with one preset file (.qsd) per preset, one
// quality file (.qsq) per quality set, the user paper sizes and watermarks,
// and a list file naming them all, in a work directory below the common
// data directory's "velm" folder. Another printer's installation takes its
// defaults from the .qsb.
#include <string>
#include <vector>

#include "inst_internal.h"
#include "plat/files.h"
#include "plat/kernel.h"
#include "plat/winspool.h"
#include "plat/wstr.h"
#include "velm/context.h"
#include "velm/files.h"
#include "velm/ini.h"
#include "velm/inst.h"
#include "velm/paths.h"
#include "velm/presets.h"
#include "velm/qst.h"
#include "velm/spooler.h"

namespace {

using inst::kPathChars;

constexpr const char16_t* kHeader = u"ScenarioInstallData";
constexpr const char16_t* kListMarker = u"ORVEKVELMDriverFileList";
constexpr const char16_t* kDigits = u"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr uint32_t kStampDigits = 6;
constexpr uint32_t kStampModulus = 36u * 36u * 36u * 36u * 36u * 36u;
constexpr int32_t kMaxFilesPerKind = 36;
// Room kept in a 260-character path beside the main file's name.
constexpr int32_t kNameRoom = 226;
constexpr uint32_t kFirstDeviceItem = 10004, kLastDeviceItem = 10277;
constexpr uint32_t kFirstPrinterItem = 907, kLastPrinterItem = 947;

std::u16string CommonDataDir() {
  char16_t dir[kPathChars] = {};
  return PathGetCommonDataDir(dir, kPathChars) > 0 ? std::u16string(dir) : std::u16string();
}

std::u16string Directory(const std::u16string& path) {
  const size_t cut = path.find_last_of(u'\\');
  return cut == std::u16string::npos ? std::u16string() : path.substr(0, cut);
}

std::u16string FileName(const std::u16string& path) { return PathGetFileNamePart(path.c_str()); }

// The file of one bundle entry: "V" + stamp + digit + extension.
std::u16string BundleFile(const std::u16string& dir, const std::u16string& stamp, int32_t i, const char16_t* ext) {
  return dir + u"\\V" + stamp + kDigits[i] + u"." + ext;
}

bool Write(const char16_t* section, const char16_t* key, const std::u16string& value, const std::u16string& file) {
  return IniWriteString(section, key, value.c_str(), file.c_str()) != 0;
}

bool WriteInt(const char16_t* section, const char16_t* key, int32_t value, const std::u16string& file) {
  char16_t text[16] = {};
  plat::WFormat(text, 16, u"%d", int(value));
  return Write(section, key, text, file);
}

std::u16string ListKey(int32_t n, int32_t part, bool quality) {
  char16_t key[40] = {};
  if (quality) PresetFormatQualityKeyEx(key, n, part);
  else PresetFormatKey(key, n, part);
  return key;
}

std::u16string ListValue(DriverContext* ctx, const std::u16string& key) {
  return inst::ReadString(InstGetPrinterSectionName(ctx), key.c_str(), PathGetDriverIni(ctx), kPresetNameChars - 1);
}

// One preset or quality file of the bundle: the printer-name section of the
// entry's settings file as its language section, with the entry's names.
bool ExportEntry(DriverContext* ctx, const std::u16string& source, const std::u16string& target, bool quality,
                 const std::vector<std::pair<const char16_t*, std::u16string>>& names) {
  const char16_t* language = InstGetLanguageSectionName(ctx);
  std::string body;
  bool found = false;
  if (!inst::ReadSectionBody(source.c_str(), InstGetPrinterSectionName(ctx), &body, &found) || !found ||
      body.find_first_not_of("\r\n \t") == std::string::npos)
    return false;
  if (!inst::WriteSectionBody(target.c_str(), language, body)) return false;
  for (const auto& [key, value] : names)
    if (!Write(language, key, value, target)) return false;
  if (!quality) {
    for (const char16_t* section : {u"condition", u"disable"}) {
      std::string filter;
      bool present = false;
      if (!inst::ReadSectionBody(source.c_str(), section, &filter, &present)) return false;
      if (present && !inst::WriteSectionBody(target.c_str(), section, filter)) return false;
    }
  }
  return PresetWriteBundleHeader(target.c_str(), ctx) == 1;
}

}  // namespace

// ---- stamps and times --------------------------------------------------------------------

uint32_t PresetBundleTime(const SYSTEMTIME& t) {
  // Seconds since 1970 in a calendar of twelve 31-day months, in unsigned
  // 32-bit arithmetic: no overflow into negative values after 2036.
  const uint32_t hours = uint32_t(t.wHour) + 24u * t.wDay + 744u * t.wMonth + 8928u * t.wYear - 17588928u;
  return uint32_t(t.wSecond) + 60u * (uint32_t(t.wMinute) + 60u * hours);
}

void PresetBase36Stamp(uint32_t time, char16_t* buffer) {
  if (!buffer) return;
  uint32_t value = time % kStampModulus;
  for (int i = int(kStampDigits) - 1; i >= 0; --i) {
    buffer[i] = kDigits[value % 36];
    value /= 36;
  }
  buffer[kStampDigits] = 0;
}

void PresetStampIncrement(char16_t* stamp) {
  if (!stamp) return;
  for (int i = int(kStampDigits) - 1; i >= 0; --i) {
    char16_t& c = stamp[i];
    if (c == u'Z') {
      c = u'0';
      continue;
    }
    c = c == u'9' ? u'A' : char16_t(c + 1);
    return;
  }
}

void PresetStampDecrement(char16_t* stamp) {
  if (!stamp) return;
  for (int i = int(kStampDigits) - 1; i >= 0; --i) {
    char16_t& c = stamp[i];
    if (c == u'0') {
      c = u'Z';
      continue;
    }
    c = c == u'A' ? u'9' : char16_t(c - 1);
    return;
  }
}

// ---- the bundle ---------------------------------------------------------------------------

int32_t PresetWriteBundleHeader(const char16_t* file, DriverContext* ctx) {
  if (!file || !ctx || !ctx->model) return 0;
  const bool ok = Write(kHeader, u"DriverType", u"VELM", file) && Write(kHeader, u"QstFileOSVersion", u"1", file) &&
                  Write(kHeader, u"DriverVersion", ctx->model->driverVersionText, file) &&
                  Write(kHeader, u"DrvInst", SplGetDriverName(ctx), file);
  return ok ? 1 : 0;
}

int32_t PresetMakeBundlePath(const char16_t* main_file, char16_t* bundle_path, DriverContext* ctx) {
  if (!bundle_path) return 0;
  bundle_path[0] = 0;
  if (!main_file || !ctx) return 0;
  PathPrepareDataDir(ctx);
  const std::u16string common = CommonDataDir();
  const int32_t room = kNameRoom - int32_t(common.size());
  if (common.empty() || room <= 0) return 0;  // no room left for the name
  const std::u16string velm = common + u"\\velm";
  if (!FileCreateDirectory(velm.c_str())) return 0;
  SYSTEMTIME now{};
  GetLocalTime(&now);
  char16_t when[32] = {}, stamp[kStampDigits + 1] = {};
  plat::WFormat(when, 32, u"%04d%02d%02d%02d%02d%02d", int(now.wYear), int(now.wMonth), int(now.wDay),
                int(now.wHour), int(now.wMinute), int(now.wSecond));
  PresetBase36Stamp(PresetBundleTime(now), stamp);
  uint32_t base = 0;
  const char16_t* name = PathGetFileNameBase(main_file, &base);
  std::u16string part = name ? std::u16string(name, base) : std::u16string();
  if (part.size() > size_t(room)) part.resize(size_t(room));
  const std::u16string dir = velm + u"\\" + when + part;
  const std::u16string bundle = dir + u"\\V" + stamp + u"1.qsb";
  if (bundle.size() >= kPathChars - 1 || !FileCreateDirectory(dir.c_str())) return 0;
  plat::WCopy(bundle_path, kPathChars - 1, bundle.c_str());
  return 1;
}

int32_t PresetExportScenario(const char16_t* main_file, const char16_t* bundle_path, DriverContext* ctx) {
  if (!main_file || !bundle_path || !ctx || !ctx->work) return 0;
  const std::u16string bundle = bundle_path;
  const std::u16string name = FileName(bundle);
  if (name.size() < 1 + kStampDigits || name[0] != u'V') return 0;
  const std::u16string stamp = name.substr(1, kStampDigits);
  std::u16string quality_stamp = stamp;
  PresetStampIncrement(quality_stamp.data());
  const std::u16string dir = Directory(bundle);
  const char16_t* language = InstGetLanguageSectionName(ctx);
  const int32_t presets = PresetGetCount(ctx);
  const int32_t qualities = PresetGetQualityCount(ctx);
  // Each file of a kind is named by one base-36 digit.
  if (!language || presets < 0 || qualities < 0 || presets > kMaxFilesPerKind || qualities > kMaxFilesPerKind)
    return 0;

  if (!PresetWriteBundleHeader(main_file, ctx)) return 0;

  // The default settings file.
  std::vector<std::u16string> preset_files, quality_files;
  for (int32_t i = 0; i < presets; ++i) preset_files.push_back(BundleFile(dir, stamp, i, u"qsd"));
  for (int32_t i = 0; i < qualities; ++i) quality_files.push_back(BundleFile(dir, quality_stamp, i, u"qsq"));
  bool ok = WriteInt(language, u"NumDeficonfiles", presets, bundle);
  for (int32_t i = 0; ok && i < presets; ++i)
    ok = Write(language, inst::NumberedKey(u"Deficonfiles", uint32_t(i + 1)).c_str(),
               u"%sysdir%" + FileName(preset_files[size_t(i)]), bundle);
  ok = ok && WriteInt(language, u"NumDefqualityfiles", qualities, bundle);
  for (int32_t i = 0; ok && i < qualities; ++i)
    ok = Write(language, inst::NumberedKey(u"Defqualityfiles", uint32_t(i + 1)).c_str(),
               u"%sysdir%" + FileName(quality_files[size_t(i)]), bundle);
  char16_t key_buffer[64] = {};
  ok = ok && QstWriteHeader(bundle.c_str(), nullptr, ctx, language, nullptr, 0) &&
       QstTransferItemRange(bundle.c_str(), kQstSave | kQstLanguage, ctx, language, key_buffer, kFirstDeviceItem,
                            kLastDeviceItem) &&
       QstTransferItemRange(bundle.c_str(), kQstSave | kQstLanguage, ctx, language, key_buffer, kFirstPrinterItem,
                            kLastPrinterItem);
  const int32_t stamps = StampGetCount(ctx);
  ok = ok && WriteInt(language, u"FreeSizeCount", kFreeSizeSlots, bundle) &&
       WriteInt(language, u"StampCount", stamps, bundle);
  for (int32_t n = 0; ok && n < kFreeSizeSlots + stamps; ++n) {
    char16_t section[96] = {};
    if (n < kFreeSizeSlots) FreeSizeFormatKey(section, n, ctx);
    else StampFormatKey(section, n - kFreeSizeSlots, ctx);
    std::string body;
    bool found = false;
    // A missing paper-size or watermark section leaves the bundle partial.
    ok = inst::ReadSectionBody(PathGetDriverIni(ctx), section, &body, &found) && found &&
         inst::WriteSectionBody(bundle.c_str(), section, body);
  }
  ok = ok && PresetWriteBundleHeader(bundle.c_str(), ctx) && Write(kHeader, u"DefaultQstName", main_file, bundle);

  // The preset and quality files.
  for (int32_t i = 0; ok && i < presets; ++i)
    ok = ExportEntry(ctx, ListValue(ctx, ListKey(i, 0, false)), preset_files[size_t(i)], false,
                     {{u"setname", ListValue(ctx, ListKey(i, 1, false))},
                      {u"setcomment", ListValue(ctx, ListKey(i, 2, false))}});
  for (int32_t i = 0; ok && i < qualities; ++i)
    ok = ExportEntry(ctx, ListValue(ctx, ListKey(i, 0, true)), quality_files[size_t(i)], true,
                     {{u"qualityname", ListValue(ctx, ListKey(i, 1, true))}});
  if (!ok) return 0;

  // The list file.
  char16_t list[kPathChars] = {};
  plat::WCopy(list, kPathChars, main_file);
  uint32_t ext = 0;
  if (PathGetExtensionPart(list, &ext) && ext > 0) list[plat::WLen(list) - ext] = 0;
  else if (!plat::WAppend(list, kPathChars, u".")) return 0;
  if (!plat::WAppend(list, kPathChars, u"lst")) return 0;
  const std::u16string list_file = list;
  ok = Write(kHeader, kListMarker, u"1", list_file) && Write(kHeader, u"DefaultQst", bundle, list_file);
  int32_t n = 1;
  for (const auto* files : {&preset_files, &quality_files})
    for (const std::u16string& file : *files)
      ok = ok && Write(kHeader, inst::NumberedKey(u"OtherFiles", uint32_t(n++)).c_str(), file, list_file);
  ok = ok && PresetWriteBundleHeader(list_file.c_str(), ctx);
  return ok ? 1 : 0;
}

int32_t PresetRemoveBundleDir(const char16_t* file_in_dir) {
  if (!file_in_dir) return 0;
  const std::u16string dir = Directory(file_in_dir);
  if (dir.empty()) return 0;
  FileDeleteMatching((dir + u"\\*.*").c_str());
  return RemoveDirectoryW(dir.c_str()) ? 1 : 0;
}

int32_t PresetDeleteScenario(const char16_t* main_file) {
  if (!main_file) return 1;
  char16_t list[kPathChars] = {};
  plat::WCopy(list, kPathChars, main_file);
  uint32_t ext = 0;
  if (PathGetExtensionPart(list, &ext) && ext > 0) list[plat::WLen(list) - ext] = 0;
  else if (!plat::WAppend(list, kPathChars, u".")) return 1;
  if (!plat::WAppend(list, kPathChars, u"lst") || !FileExists(list)) return 1;
  // Only a list file of ours, naming a bundle directly below the common
  // data directory's "velm" folder, has its bundle removed; anything else
  // loses only the list file.
  const std::u16string bundle = inst::ReadString(kHeader, u"DefaultQst", list);
  if (inst::ReadString(kHeader, kListMarker, list) == u"1" && !bundle.empty()) {
    char16_t full[kPathChars] = {};
    const DWORD n = GetFullPathNameW(bundle.c_str(), kPathChars, full, nullptr);
    const std::u16string dir = n > 0 && n < kPathChars ? Directory(full) : std::u16string();
    const std::u16string velm = CommonDataDir() + u"\\velm";
    if (!dir.empty() && dir.find_first_of(u"*?") == std::u16string::npos &&
        plat::WCmpI(Directory(dir).c_str(), velm.c_str()) == 0)
      PresetRemoveBundleDir(full);
  }
  FileDelete(list);
  return 1;
}
