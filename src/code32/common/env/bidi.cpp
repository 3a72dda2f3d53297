// The bidirectional device query (see velm/bidi.h).
//
// Every answer of the library is untrusted: each item is read into a
// buffer of the size the library asked for (bounded), and every walk over
// it is bounded by the entries that buffer really holds, whatever count the
// library answered. The function table is filled per query on the stack of
// the query, never shared between threads.
#include "velm/bidi.h"
#include "velm/remote.h"

#include <algorithm>
#include <cstring>

#include "velm/bidi.h"
#include "velm/inst.h"
#include "plat/files.h"
#include "plat/kernel.h"
#include "plat/security.h"
#include "plat/wstr.h"
#include "velm/bidi_api.h"
#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/ini.h"
#include "velm/inst.h"
#include "velm/lock.h"
#include "velm/messages.h"
#include "velm/os.h"
#include "velm/paths.h"
#include "velm/printer_data.h"
#include "velm/qst.h"
#include "velm/save_stack.h"
#include "velm/setting_ids.h"
#include "velm/settings.h"
#include "velm/spooler.h"
#include "velm/store.h"

namespace {

// ---- code tables ----------------------------------------------------------------
struct CodeRow {
  uint16_t value;
  int32_t code;
};

constexpr CodeRow kPaperNormal[] = {
    {2048, 0}, {2048, 2}, {2049, 1}, {1, 23},   {3, 58},   {5, 21},   {6, 27},  {7, 25},  {8, 5},   {9, 9},
    {11, 13},  {12, 7},   {13, 11},  {14, 62},  {28, 31},  {31, 33},  {37, 52}, {43, 34}, {69, 70}, {70, 17},
    {88, 15},  {513, 28}, {514, 60}, {20, 53},  {27, 32},  {517, 64}, {93, 66}, {0, 0}};
constexpr CodeRow kPaperRotated[] = {
    {2048, 0}, {2048, 2}, {2049, 1}, {1, 22},  {3, 57},   {5, 20},   {6, 26},  {7, 24},  {8, 4},   {9, 8},
    {11, 12},  {12, 6},   {13, 10},  {14, 61}, {28, 81},  {31, 82},  {37, 80}, {43, 78}, {69, 71}, {70, 16},
    {88, 14},  {514, 59}, {20, 79},  {27, 83}, {517, 63}, {93, 65},  {0, 0}};
constexpr CodeRow kMedia[] = {{2048, 0}, {1, 1},    {2, 3},    {257, 6},  {258, 5},  {260, 2},  {262, 13},
                              {263, 4},  {264, 9},  {265, 10}, {266, 11}, {267, 12}, {268, 14}, {269, 15},
                              {270, 16}, {271, 20}, {513, 18}, {515, 19}, {0, 0}};
constexpr uint16_t kNoPaper = 2048, kNoPaper2 = 2049, kNoMedia = 2048;

struct OptionRow {
  int32_t code;
  uint32_t id;
};
constexpr OptionRow kOptions[] = {{1, 10014},  {104, 10018}, {102, 10020}, {16, 10021},  {6, 10047},
                                  {8, 10048},  {9, 10049},   {10, 10050},  {14, 10050},  {3, 10070},
                                  {137, 10078}, {12, 10079}, {138, 10080}};

struct TrayRow {
  int32_t code;
  uint32_t installed, orientation, paper, media, lock;
  int32_t slot;
};
constexpr TrayRow kTrays[] = {
    {3, 10111, 10143, 10175, 10207, 10239, 1},  {4, 10112, 10144, 10176, 10208, 10240, 3},
    {12, 10112, 10144, 10176, 10208, 10240, 5}, {5, 10113, 10145, 10177, 10209, 10241, 2},
    {6, 10114, 10146, 10178, 10210, 10242, 256}, {7, 10136, 10168, 10200, 10232, 10264, 11},
    {11, 10136, 10168, 10200, 10232, 10264, 11}, {1, 10138, 10170, 10202, 10234, 10266, 4},
    {2, 10139, 10171, 10203, 10235, 10267, 4}};
constexpr int32_t kCoverPriority[] = {3, 4, 5, 6, 7, 8, 11, 2, 1};

constexpr uint32_t kItemRam = 10012, kItemRamType = 10013, kItemSystemData = 10271, kItemEmulationData = 10272, kItemCoverTray = 10276, kItemMarkTray = 10277;
constexpr uint32_t kMessageQueryFailed = 7002;
// An answer larger than this is not a device answer: the read counts as
// failed (the device reported nothing usable), never as an allocation.
constexpr uint32_t kMaxAnswer = 64 * 1024;

int32_t Lookup(const CodeRow* table, int32_t code) {
  for (const CodeRow* r = table; r->value != 0; ++r)
    if (r->code == code) return r->value;
  return 0;
}

const TrayRow* FindTray(int32_t code) {
  for (const TrayRow& r : kTrays)
    if (r.code == code) return &r;
  return nullptr;
}

// ---- client ini --------------------------------------------------------------------
bool ClientIni(char16_t* path, uint32_t capacity) {
  return PathGetCommonDataDir(path, capacity) > 0 && plat::WAppend(path, capacity, u"\\velmclt.ini");
}

const char16_t* Section(DriverContext* ctx) {
  const char16_t* name = ctx ? SplGetPrinterName(ctx) : nullptr;
  return name && name[0] ? name : nullptr;
}

int32_t IniFlag(DriverContext* ctx, const char16_t* key, int32_t fallback) {
  char16_t path[261];
  const char16_t* section = Section(ctx);
  if (!section || !ClientIni(path, 261)) return fallback;
  return IniGetInt(section, key, fallback, path);
}

int32_t IniSetFlag(DriverContext* ctx, const char16_t* key, int32_t flag) {
  char16_t path[261];
  const char16_t* section = Section(ctx);
  if (!section || !ClientIni(path, 261)) return 0;
  return IniWriteString(section, key, flag ? u"1" : u"0", path) ? 1 : 0;
}

bool IsLocal(DriverContext* ctx) { return DmGetFlagRemotePrinter(ctx) != 1; }

// A driver-ini switch of the UI language section, set only when exactly 1.
int32_t DriverIniSwitch(DriverContext* ctx, const char16_t* key) {
  const char16_t* ini = ctx ? PathGetDriverIni(ctx) : nullptr;
  const char16_t* section = ctx ? InstGetLanguageSectionName(ctx) : nullptr;
  if (!ini || plat::WLen(ini) < 2 || ini[1] != u':' || !section) return 0;
  return IniGetInt(section, key, 1, ini) == 1 ? 1 : 0;
}

// ---- one session with the library ---------------------------------------------------
class Library {
 public:
  explicit Library(uint32_t flags) {
    const char16_t* name = (flags & kBidiAllow9x) && OsIsWin9x() ? bidi_api::kLibraryName9x : bidi_api::kLibraryName;
    char16_t path[MAX_PATH] = {};
    UINT n = GetSystemDirectoryW(path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH || !plat::WAppend(path, MAX_PATH, u"\\") || !plat::WAppend(path, MAX_PATH, name))
      return;
    module_ = LoadLibraryW(path);
    if (!module_) return;
    auto init = reinterpret_cast<bidi_api::InitializeFn>(GetProcAddress(module_, bidi_api::kInitializeName));
    table_.size = sizeof table_;
    ok_ = init && init(&table_) && table_.open && table_.close && table_.begin && table_.openCategory &&
          table_.getModelName && table_.getItem && table_.getCategoryItem;
  }
  ~Library() {
    if (device_) table_.close(device_);
    if (module_) FreeLibrary(module_);
  }
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  bool ok() const { return ok_; }
  const bidi_api::Table& table() const { return table_; }
  // A usable device handle for the printer.
  bool Open(const char16_t* printer) {
    if (!ok_ || !printer) return false;
    HANDLE device = nullptr;
    int32_t usable = 0;
    int32_t r = table_.open(printer, &device, &usable);
    if (r && device) device_ = device;  // closed once, whatever the ok flag said
    return r && usable && device_;
  }
  HANDLE device() const { return device_; }

 private:
  HMODULE module_ = nullptr;
  bidi_api::Table table_{};
  HANDLE device_ = nullptr;
  bool ok_ = false;
};

// An answer read into a zero-filled buffer of the size the device asked for.
struct Answer {
  uint8_t* bytes = nullptr;
  uint32_t size = 0;
  int32_t result = 0;
  Answer() = default;
  Answer(const Answer&) = delete;
  Answer& operator=(const Answer&) = delete;
  ~Answer() { MemFree(bytes); }
  uint32_t Entries() const { return size / 4; }
  int32_t Entry(uint32_t i) const {
    int32_t v;
    std::memcpy(&v, bytes + 4 * i, 4);
    return v;
  }
};

enum class Read { kOk, kNone, kNoMemory };

// Size query, then the data (at least min_size bytes of buffer).
Read ReadItem(const bidi_api::Table& t, HANDLE request, int32_t item, uint32_t min_size, Answer* out) {
  uint32_t needed = 0;
  t.getItem(request, item, nullptr, 0, &needed);
  if (needed == 0 || needed > kMaxAnswer) return Read::kNone;
  uint32_t size = std::max(needed, min_size);
  out->bytes = static_cast<uint8_t*>(MemAllocZeroed(size));
  if (!out->bytes) return Read::kNoMemory;
  uint32_t again = 0;
  out->result = t.getItem(request, item, out->bytes, needed, &again);
  if (out->result == -1) return Read::kNone;
  out->size = needed;
  return Read::kOk;
}

Read ReadCategoryItem(const bidi_api::Table& t, HANDLE category, int32_t item, uint32_t min_size, Answer* out) {
  uint32_t needed = 0;
  int32_t r = t.getCategoryItem(category, bidi_api::kCategory, item, nullptr, 0, &needed);
  // A failed size query counts only with last error 5 and a size.
  if (!r && GetLastError() != ERROR_ACCESS_DENIED) return Read::kNone;
  if (needed == 0 || needed > kMaxAnswer) return Read::kNone;
  uint32_t size = std::max(needed, min_size);
  out->bytes = static_cast<uint8_t*>(MemAllocZeroed(size));
  if (!out->bytes) return Read::kNoMemory;
  uint32_t again = 0;
  if (!t.getCategoryItem(category, bidi_api::kCategory, item, out->bytes, needed, &again)) return Read::kNone;
  out->size = needed;
  return Read::kOk;
}

// A text or block setting from an answer: the setting's own size of it,
// always terminated (the device may send a name without its end).
void StoreBytes(DriverContext* ctx, uint32_t id, const Answer& a) {
  SettingRecord* row = OptFindSetting(ctx, id);
  if (!row) return;
  uint32_t size = DescSize(row->descriptor);
  uint8_t buffer[512] = {};
  if (size == 0 || size > sizeof buffer) return;
  std::memcpy(buffer, a.bytes, std::min(a.size, size - 1));
  OptSetBytes(ctx, row, buffer);
}

bool Accepted(int32_t r) { return r || GetLastError() == bidi_api::kErrorNotReported; }

// Item 8 into 10271; 0 only when out of memory.
int32_t StepDeviceData(const bidi_api::Table& t, HANDLE request, DriverContext* ctx) {
  Answer a;
  Read r = ReadItem(t, request, bidi_api::kItemDeviceData, 16, &a);
  if (r == Read::kNoMemory) return 0;
  if (r == Read::kOk) StoreBytes(ctx, kItemSystemData, a);
  return 1;
}

void SetSlotItem(DriverContext* ctx, uint32_t id, const int32_t* candidates, int count) {
  if (count <= 1) return;
  for (int32_t code : kCoverPriority)
    for (int i = 0; i < count; ++i)
      if (candidates[i] == code) {
        OptSetValueById(ctx, id, FindTray(code)->slot);
        return;
      }
  OptSetValueById(ctx, id, FindTray(3)->slot);
}

int32_t StepTrays(const bidi_api::Table& t, HANDLE request, DriverContext* ctx) {
  Answer trays, paper, media, status;
  const int32_t items[4] = {bidi_api::kItemTrays, bidi_api::kItemTrayPaper, bidi_api::kItemTrayMedia,
                            bidi_api::kItemTrayStatus};
  Answer* answers[4] = {&trays, &paper, &media, &status};
  for (int i = 0; i < 4; ++i) {
    Read r = ReadItem(t, request, items[i], 0, answers[i]);
    if (r == Read::kNoMemory) return 0;
    if (r == Read::kNone) return 1;
  }
  // The tray count, bounded by every buffer's entries.
  uint32_t n = trays.result > 0 ? uint32_t(trays.result) : 0;
  for (Answer* a : answers) n = std::min(n, a->Entries());
  const bool batch = InstHasBatchInstQst(ctx) != 0;
  SettingRecord* media_list = OptFindSetting(ctx, setting::vdmMediaType);
  int32_t covers[16], marks[16];
  int cover_count = 0, mark_count = 0;
  for (uint32_t i = 0; i < n; ++i) {
    const TrayRow* tray = FindTray(trays.Entry(i));
    if (!tray) continue;
    OptSetValueById(ctx, tray->installed, 1);
    int32_t rotated = 0;
    int32_t value = BidiMapPaper(paper.Entry(i), &rotated);
    SettingRecord* paper_row = OptFindSetting(ctx, tray->paper);
    if (paper_row && !OptListHasValue(ctx, paper_row, value)) value = 0;
    if (paper_row) OptSetValue(ctx, paper_row, value);
    if (paper_row && OptFindSetting(ctx, tray->orientation)) OptSetValueByIdGated(1, tray->orientation, rotated, ctx);
    int32_t m = BidiMapMedia(media.Entry(i));
    if (media_list && !OptListHasValue(ctx, media_list, m)) m = 0;
    OptSetValueById(ctx, tray->media, m ? m : 1);
    const int32_t bits = status.Entry(i);
    OptSetValueById(ctx, tray->lock, bits & 1);
    if (batch) continue;
    if (bits & 4) {
      OptSetValueById(ctx, kItemCoverTray, tray->slot);
      if (cover_count < 16) covers[cover_count++] = tray->code;
    }
    if (bits & 8) {
      OptSetValueById(ctx, kItemMarkTray, tray->slot);
      if (mark_count < 16) marks[mark_count++] = tray->code;
    }
  }
  if (!batch) {
    SetSlotItem(ctx, kItemCoverTray, covers, cover_count);
    SetSlotItem(ctx, kItemMarkTray, marks, mark_count);
  }
  return 1;
}

int32_t StepOptions(const bidi_api::Table& t, HANDLE request, DriverContext* ctx) {
  Answer a;
  Read r = ReadItem(t, request, bidi_api::kItemOptions, 0, &a);
  if (r == Read::kNoMemory) return 0;
  if (r == Read::kNone) return 1;
  uint32_t n = std::min(a.result > 0 ? uint32_t(a.result) : 0u, a.Entries());
  for (uint32_t i = 0; i < n; ++i) {
    int32_t code = a.Entry(i);
    if (uint32_t id = BidiMapOption(code)) OptSetValueById(ctx, id, 1);
    if (BidiIsHookedOptionCode(code)) BidiOnOptionCode(ctx, code, 1, nullptr);
  }
  return 1;
}

int32_t StepMemory(const bidi_api::Table& t, HANDLE request, DriverContext* ctx) {
  Answer a;
  Read r = ReadItem(t, request, bidi_api::kItemMemory, 0, &a);
  if (r == Read::kNoMemory) return 0;
  if (r == Read::kOk && a.size >= 4) OptSetValueById(ctx, kItemRam, int32_t(uint32_t(a.Entry(0)) >> 10));
  return 1;
}

// Category 15: memory type, device data block, device text. Always 1
// unless out of memory.
int32_t StepCategory(const bidi_api::Table& t, HANDLE device, DriverContext* ctx) {
  HANDLE category = nullptr;
  if (!Accepted(t.openCategory(device, &category, bidi_api::kCategory, 1)) || !category) return 1;
  {
    Answer a;
    Read r = ReadCategoryItem(t, category, bidi_api::kCatItemMemoryType, 4, &a);
    if (r == Read::kNoMemory) return 0;
    if (r == Read::kNone) {
      OptSetValueById(ctx, kItemRamType, 1);
      return 1;
    }
    OptSetValueById(ctx, kItemRamType, a.Entry(0) == 2 ? 0 : 1);
  }
  for (auto [item, id] : {std::pair{bidi_api::kCatItemData, kItemEmulationData},
                          std::pair{bidi_api::kCatItemOther, setting::vdmOther}}) {
    Answer a;
    Read r = ReadCategoryItem(t, category, item, 0, &a);
    if (r == Read::kNoMemory) return 0;
    if (r == Read::kOk) StoreBytes(ctx, id, a);
  }
  return 1;
}

// Category item 2 into 10272 (quick query).
void StepQuickCategory(const bidi_api::Table& t, HANDLE device, DriverContext* ctx) {
  HANDLE category = nullptr;
  if (!Accepted(t.openCategory(device, &category, bidi_api::kCategory, 1)) || !category) return;
  Answer a;
  if (ReadCategoryItem(t, category, bidi_api::kCatItemData, 0, &a) == Read::kOk) StoreBytes(ctx, kItemEmulationData, a);
}

bool ModelMatches(Library& lib, DriverContext* ctx, const char16_t* key) {
  char16_t name[bidi_api::kModelNameChars + 1] = {};
  if (!lib.table().getModelName(lib.device(), 0, name, bidi_api::kModelNameChars)) return false;
  name[bidi_api::kModelNameChars] = 0;
  return !BidiIsModelCheckOn(ctx) || plat::WCmp(name, key) == 0;
}

// The full or quick query; *saved = 1 when the device items reached
// printer data.
int32_t RunQuery(uint32_t flags, DriverContext* ctx, int32_t* saved) {
  *saved = 0;
  const char16_t* key = InstGetModelKey(ctx);
  if (!key || !key[0]) return 0;
  Library lib(flags);
  if (!lib.ok() || !lib.Open(SplGetPrinterName(ctx)) || !ModelMatches(lib, ctx, key)) return 0;
  const bidi_api::Table& t = lib.table();
  const bool quick = flags & kBidiQuick;
  HANDLE request = nullptr;
  int32_t value = 0;
  if (!Accepted(t.begin(lib.device(), &request, quick ? bidi_api::kMaskQuick : bidi_api::kMaskFull, &value)) ||
      !request)
    return 0;
  if (quick) {
    int32_t r = StepDeviceData(t, request, ctx);
    if (r == 1) StepQuickCategory(t, lib.device(), ctx);
    return r;
  }
  uint8_t* block = CtxGetOptionBlock(ctx);
  if (!block) return 0;
  uint8_t* copy = static_cast<uint8_t*>(MemAllocZeroed(kRegionSize[kRegionOptions]));
  if (!copy) return 0;
  std::memcpy(copy, block, kRegionSize[kRegionOptions]);
  for (auto [first, last] : {std::pair{10014u, 10045u}, std::pair{10046u, 10077u}, std::pair{10078u, 10109u},
                             std::pair{10111u, 10142u}})
    for (uint32_t id = first; id <= last; ++id) OptSetValueById(ctx, id, 0);
  int32_t ok = StepTrays(t, request, ctx) && StepOptions(t, request, ctx) && StepMemory(t, request, ctx) &&
               StepDeviceData(t, request, ctx);
  if (!ok) {
    std::memcpy(block, copy, kRegionSize[kRegionOptions]);
  } else if (StepCategory(t, lib.device(), ctx)) {
    *saved = StoreSaveRegion(ctx->printer, ctx, kRegionOptions, kStoreDeviceItemsOnly) ? 1 : 0;
  }
  MemFree(copy);
  return ok;
}

}  // namespace

// ---- code tables ----------------------------------------------------------------------
int32_t BidiMapPaper(int32_t code, int32_t* rotated) {
  int32_t value = Lookup(kPaperNormal, code);
  int32_t turn = 0;
  if (!value && (value = Lookup(kPaperRotated, code)) != 0) turn = 1;
  if (value == kNoPaper || value == kNoPaper2) value = 0;
  if (rotated) *rotated = value ? turn : 0;
  return value;
}

int32_t BidiMapMedia(int32_t code) {
  int32_t value = Lookup(kMedia, code);
  return value == kNoMedia ? 0 : value;
}

uint32_t BidiMapOption(int32_t code) {
  for (const OptionRow& r : kOptions)
    if (r.code == code) return r.id;
  return 0;
}

int32_t BidiGetTraySettings(int32_t code, BidiTraySettings* out) {
  const TrayRow* r = FindTray(code);
  if (!r || !out) return 0;
  *out = {r->installed, r->orientation, r->paper, r->media, r->lock, r->slot};
  return 1;
}

// ---- switches and flags ---------------------------------------------------------------
int32_t BidiIsQueryAllowed(DriverContext* ctx) { return DriverIniSwitch(ctx, u"bIsBIDISupportForVELM"); }
int32_t BidiIsModelCheckOn(DriverContext* ctx) { return DriverIniSwitch(ctx, u"bIsBIDISupportForVELMModel"); }

int32_t BidiGetFlagData(DriverContext* ctx, uint32_t* data) {
  if (!ctx || !data) return 0;
  *data = 0;
  return SplGetPrinterData(ctx->printer, data, 4, u"BidiFlag");
}
int32_t BidiSetFlagData(DriverContext* ctx, uint32_t data) {
  return ctx ? SplSetPrinterDataBinary(ctx->printer, &data, 4, u"BidiFlag") : 0;
}
int32_t BidiIsFlagSet(DriverContext* ctx) {
  uint32_t v = 0;
  return BidiGetFlagData(ctx, &v) && (v & 1) ? 1 : 0;
}
int32_t BidiGetExFlagData(DriverContext* ctx, uint32_t* data) {
  if (!ctx || !data) return 0;
  *data = 0;
  return SplGetPrinterData(ctx->printer, data, 4, u"BidiExFlag");
}
int32_t BidiSetExFlagData(DriverContext* ctx, uint32_t data) {
  return ctx ? SplSetPrinterDataBinary(ctx->printer, &data, 4, u"BidiExFlag") : 0;
}
int32_t BidiIsExFlagSet(DriverContext* ctx) {
  uint32_t v = 0;
  return BidiGetExFlagData(ctx, &v) && (v & 1) ? 1 : 0;
}

int32_t BidiIsFlagDataUsable(DriverContext* ctx) {
  uint32_t flag = 0;
  if (!BidiGetFlagData(ctx, &flag)) return 0;
  return BidiSetFlagData(ctx, flag);
}

int32_t BidiSetSupportFlag(DriverContext* ctx) {
  DmSetFlagBidiQueriedTo(ctx, BidiIsQueryAllowed(ctx));
  return 1;
}

// ---- client ini -------------------------------------------------------------------------
int32_t BidiIniLoadSettingsFrom(const char16_t* file, DriverContext* ctx) {
  if (!ctx || !file) return 0;
  return QstLoadSettings(ctx->printer, file, kQstDevice, ctx);
}

int32_t BidiIniLoadSettings(DriverContext* ctx) {
  char16_t path[261];
  if (!ClientIni(path, 261)) return 0;
  return BidiIniLoadSettingsFrom(path, ctx);
}

int32_t BidiIniSaveSettings(DriverContext* ctx) {
  char16_t path[261];
  if (!ctx || !ClientIni(path, 261)) return 0;
  if (!QstSaveSettings(ctx->printer, path, kQstDevice, ctx)) return 0;
  return BidiIniSetFlag(ctx, 1) && BidiIniSetExFlag(ctx, 1) ? 1 : 0;
}

int32_t BidiIniDeleteSection(DriverContext* ctx) {
  char16_t path[261];
  const char16_t* section = Section(ctx);
  if (!section || !ClientIni(path, 261)) return 0;
  return IniWriteString(section, nullptr, nullptr, path) ? 1 : 0;
}

int32_t BidiIniHasFlag(DriverContext* ctx) { return IniFlag(ctx, u"BidiFlag", 7) != 7 ? 1 : 0; }
int32_t BidiIniHasExFlag(DriverContext* ctx) { return IniFlag(ctx, u"BidiExFlag", 7) != 7 ? 1 : 0; }
int32_t BidiIniGetFlag(DriverContext* ctx) { return IniFlag(ctx, u"BidiFlag", 0) != 0 ? 1 : 0; }
int32_t BidiIniGetExFlag(DriverContext* ctx) { return IniFlag(ctx, u"BidiExFlag", 0) != 0 ? 1 : 0; }
int32_t BidiIniSetFlag(DriverContext* ctx, int32_t flag) { return IniSetFlag(ctx, u"BidiFlag", flag); }
int32_t BidiIniSetExFlag(DriverContext* ctx, int32_t flag) { return IniSetFlag(ctx, u"BidiExFlag", flag); }

int32_t BidiIniPrepareFile(DriverContext*) {
  char16_t path[261];
  if (!ClientIni(path, 261)) return 0;
  SECURITY_DESCRIPTOR* sd = PathMakeEveryoneDacl();
  if (!sd) return 0;
  int32_t ok = 0;
  if (GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES) {
    ok = SetFileSecurityW(path, DACL_SECURITY_INFORMATION, sd) ? 1 : 0;
  } else {
    SECURITY_ATTRIBUTES sa{};
    sa.nLength = sizeof sa;
    sa.lpSecurityDescriptor = sd;
    HANDLE f = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      ok = WriteFile(f, "\r\n", 2, &written, nullptr) && written == 2 ? 1 : 0;
      CloseHandle(f);
    }
  }
  PathFreeEveryoneDacl(sd);
  return ok;
}

int32_t BidiSetExFlag(DriverContext* ctx) {
  if (IsLocal(ctx) && BidiIniHasExFlag(ctx)) return BidiIniSetExFlag(ctx, 1);
  return BidiSetExFlagData(ctx, 1);
}

int32_t BidiGetExFlag(DriverContext* ctx) {
  if (IsLocal(ctx) && BidiIniHasExFlag(ctx)) return BidiIniGetExFlag(ctx);
  if (BidiIsExFlagSet(ctx)) return 1;
  return BidiIsFlagDataUsable(ctx) ? 0 : 1;
}

void BidiApplyDefaultTrays(DriverContext* ctx) {
  if (!ctx || BidiGetExFlag(ctx) || InstHasBatchInstQst(ctx)) return;
  OptSetValueById(ctx, setting::vdmCoverInputTray, OptGetValueById(ctx, kItemCoverTray));
  OptSetValueById(ctx, setting::vdmMPInputTray, OptGetValueById(ctx, kItemMarkTray));
}

int32_t BidiShowMessage(DriverContext* ctx, HWND parent) { return UiMessageBoxId(ctx, parent, kMessageQueryFailed); }

// ---- the query -----------------------------------------------------------------------------
int32_t BidiProbe(uint32_t flags, DriverContext* ctx) {
  if (!ctx) return 0;
  Library lib(flags);
  return lib.ok() && lib.Open(SplGetPrinterName(ctx)) ? 1 : 0;
}

int32_t BidiRunQuery(int32_t, uint32_t flags, DriverContext* ctx) {
  int32_t saved = 0;
  return ctx ? RunQuery(flags, ctx, &saved) : 0;
}

int32_t BidiQueryDevice(DriverContext* ctx, HWND parent, uint32_t flags) {
  if (!ctx || !ctx->devmode) return 0;
  if ((RemoteIsFeatureBitOn(0) || RemoteIsFeatureBitOn(7)) && RemoteGetSyncState(ctx) == 1) return 1;
  SettingRecord* system_row = OptFindSetting(ctx, kItemSystemData);
  SettingRecord* emulation_row = OptFindSetting(ctx, kItemEmulationData);
  uint8_t* system_zero = static_cast<uint8_t*>(MemAllocZeroed(system_row ? DescSize(system_row->descriptor) : 16));
  uint8_t* emulation_zero =
      static_cast<uint8_t*>(MemAllocZeroed(emulation_row ? DescSize(emulation_row->descriptor) : 16));
  if (!system_zero || !emulation_zero) {  // out of memory: nothing changes
    MemFree(system_zero);
    MemFree(emulation_zero);
    return 0;
  }
  int32_t answer = 0;
  if (!BidiIsQueryAllowed(ctx)) {
    DmClearFlagBidiQueried(ctx);
    answer = 1;
  } else {
    // One query of a printer's device at a time, across processes: the
    // device items and flags stored are those of one whole query.
    const int32_t held = LockAcquireMutex();
    if (SplIsBidiEnabled(ctx) && BidiProbe(flags, ctx)) {
      HWND wait = (flags & kBidiProgress) ? UiShowWaitDialog(ctx, parent, kBidiWaitText) : nullptr;
      int32_t saved = 0;
      answer = RunQuery(flags, ctx, &saved);
      if (wait) UiCloseWaitDialog(wait);
      if (answer && !(flags & kBidiQuick)) {
        DmCopyDeviceConfig(ctx);
        BidiSetFlagData(ctx, 1);
        DmSetFlagBidiQueried(ctx);
        if (BidiIsFlagDataUsable(ctx)) {
          // Only once the device items are in printer data does the
          // client-ini copy go.
          if (saved) BidiIniDeleteSection(ctx);
        } else if (IsLocal(ctx)) {
          BidiIniSaveSettings(ctx);
        }
      } else if (!answer) {
        DmClearFlagBidiQueried(ctx);
      }
    } else {
      DmClearFlagBidiQueried(ctx);
    }
    if (held) LockReleaseMutex();
  }
  if (!answer) {
    if (system_row) OptSetBytes(ctx, system_row, system_zero);
    if (emulation_row) OptSetBytes(ctx, emulation_row, emulation_zero);
  }
  MemFree(system_zero);
  MemFree(emulation_zero);
  return answer;
}

int32_t BidiQuerySilent(DriverContext* ctx) { return BidiQueryDevice(ctx, nullptr, kBidiSilent); }

int32_t BidiQueryWithProgress(DriverContext* ctx, HWND parent) { return BidiQueryDevice(ctx, parent, kBidiProgress); }

int32_t BidiQueryQuick(DriverContext* ctx, HWND parent) {
  return BidiQueryDevice(ctx, parent, kBidiProgress | kBidiQuick);
}

int32_t BidiQueryIfNeeded(DriverContext* ctx, HWND parent) {
  if (!ctx || !BidiIsQueryAllowed(ctx)) return 1;
  const bool done = IsLocal(ctx) && BidiIniHasFlag(ctx) ? BidiIniGetFlag(ctx) != 0 : BidiIsFlagSet(ctx) != 0;
  if (done) return BidiSetSupportFlag(ctx);
  return BidiQueryWithProgress(ctx, parent);
}
