// The typed store of setting values over a context's work buffer.
//
// Values are addressed through fixed region starts (DEVMODE 0, options block
// 1260, work items 1768) and every access is checked against the size of its
// region, so that no header byte of a DEVMODE from outside can move a read or
// a write out of the buffer.
#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

#include "plat/kernel.h"
#include "plat/wstr.h"
#include "velm/context.h"
#include "velm/library_build.h"
#include "velm/model_query.h"
#include "velm/resources.h"
#include "velm/rule_computed.h"
#include "velm/names.h"
#include "velm/setting_ids.h"
#include "velm/settings.h"

namespace {

constexpr uint32_t kChangeGroupBits = 0x001F0000u;

// Index from a symbol key to the first built-in row that carries it. Context
// copies keep the rows in the same order, so the index serves them too.
const std::vector<int16_t>& KeyIndex() {
  static std::vector<int16_t> index;
  static std::once_flag once;
  std::call_once(once, [] {
    index.assign(65536, -1);
    const SettingTable& t = OptGetBuiltinTable();
    for (int i = 0; i < t.count; ++i) {
      uint16_t k = uint16_t(t.rows[i].symbolKey);
      if (t.rows[i].symbolKey != 0 && index[k] < 0) index[k] = int16_t(i);
    }
  });
  return index;
}

// Address of a row's value inside a work buffer, or null when the row has no
// storage or its place does not lie inside its region.
uint8_t* ValueAddr(uint8_t* buffer, const SettingRecord* row) {
  if (!buffer || !row) return nullptr;
  uint32_t region = DescRegion(row->descriptor);
  if (region == kRegionNone) return nullptr;
  uint32_t size = DescSize(row->descriptor);
  uint32_t type = DescType(row->descriptor);
  if (size == 0 || uint32_t(row->offset) + size > kRegionSize[region]) return nullptr;
  if (IsBitType(type) && (type - kTypeBitFirst) / 8 >= size) return nullptr;
  return buffer + kRegionStart[region] + row->offset;
}

bool IsTemplate(DriverContext* ctx) { return ctx == CtxGetTemplate(); }

uint8_t* SavedBuffer(DriverContext* ctx) { return ctx && ctx->work ? ctx->work->savedDevmode : nullptr; }

int32_t ReadValue(const uint8_t* p, const SettingRecord* row) {
  if (!p) return 0;
  uint32_t type = DescType(row->descriptor);
  switch (type) {
    case kTypeS8: return int8_t(p[0]);
    case kTypeS16: { int16_t v; std::memcpy(&v, p, 2); return v; }
    case kTypeS32: { int32_t v; std::memcpy(&v, p, 4); return v; }
    case kTypeU8: return p[0];
    case kTypeU16: { uint16_t v; std::memcpy(&v, p, 2); return v; }
    case kTypeU32: { uint32_t v; std::memcpy(&v, p, 4); return int32_t(v); }
    default: break;
  }
  if (IsBitType(type)) {
    uint32_t bit = type - kTypeBitFirst;
    return (p[bit / 8] >> (bit % 8)) & 1;
  }
  return 1;  // strings and blocks: the storage exists (see OptGetValueAddr)
}

bool WriteValue(uint8_t* p, const SettingRecord* row, int32_t value) {
  if (!p) return false;
  uint32_t type = DescType(row->descriptor);
  switch (type) {
    case kTypeS8: case kTypeU8: p[0] = uint8_t(value); return true;
    case kTypeS16: case kTypeU16: { uint16_t v = uint16_t(value); std::memcpy(p, &v, 2); return true; }
    case kTypeS32: case kTypeU32: std::memcpy(p, &value, 4); return true;
    default: break;
  }
  if (IsBitType(type)) {
    uint32_t bit = type - kTypeBitFirst;
    uint8_t mask = uint8_t(1u << (bit % 8));
    if (value) p[bit / 8] |= mask;
    else p[bit / 8] &= uint8_t(~mask);
    return true;
  }
  return false;  // strings and blocks take bytes, not a number
}

// The bookkeeping that follows every write of the working buffer.
void AfterWrite(DriverContext* ctx, SettingRecord* row, int32_t value) {
  row->dirty = 1;
  if (ctx->work) ctx->work->modified = 1;
  if (row->id == setting::vdmScaleH && OptGetValueById(ctx, setting::vdmScaleType) == 1) OptSetValueById(ctx, setting::vdmScaleV, value);
  if (row->flags & kChangeGroupBits) CtxMarkChanged(ctx, row->flags & kChangeGroupBits);
}

SettingRecord* RowOfItem(DriverContext* ctx, const DialogItemRecord* item) {
  if (!item) return nullptr;
  if (item->setting) return item->setting;
  // Not bound yet: the symbol's row of the feature-name table names it.
  const UiSymbolRow* sym = MdfFindFeatureByKey(item->symbol);
  return sym && sym->settingId ? OptFindSetting(ctx, sym->settingId) : nullptr;
}

}  // namespace

// ---- look-ups ----------------------------------------------------------------

SettingRecord* OptFindSetting(DriverContext* ctx, uint32_t id) {
  if (!ctx || !ctx->settings || !ctx->settings->rows || id == 0 || id > 0xFFFF) return nullptr;
  SettingTable* t = ctx->settings;
  uint32_t count = uint16_t(t->count);
  if (id <= count) {
    // Ids 1-962 fill the first rows in order; the row at any other position
    // below the count holds another id and is no answer.
    SettingRecord* row = &t->rows[id - 1];
    return row->id == id ? row : nullptr;
  }
  SettingRecord* first = t->rows;
  SettingRecord* last = t->rows + count;
  SettingRecord* it = std::lower_bound(first, last, id, [](const SettingRecord& r, uint32_t v) { return r.id < v; });
  return it != last && it->id == id ? it : nullptr;
}

SettingRecord* OptFindSettingByKey(DriverContext* ctx, int32_t key) {
  if (!ctx || !ctx->settings) return nullptr;
  int16_t k = int16_t(key);
  if (k != 0) {
    int16_t i = KeyIndex()[uint16_t(k)];
    if (i >= 0 && i < ctx->settings->count && ctx->settings->rows[i].symbolKey == k) return &ctx->settings->rows[i];
  }
  const UiSymbolRow* sym = MdfFindFeatureByKey(k);
  return sym ? OptFindSetting(ctx, sym->settingId) : nullptr;
}

// ---- values --------------------------------------------------------------------

uint8_t* OptGetValueAddr(DriverContext* ctx, const SettingRecord* row) {
  return ctx ? ValueAddr(ctx->devmode, row) : nullptr;
}

uint8_t* OptGetSavedValueAddr(DriverContext* ctx, const SettingRecord* row) { return ValueAddr(SavedBuffer(ctx), row); }

uint8_t* OptGetStoredValueAddr(DriverContext* ctx, const SettingRecord* row) {
  return ctx && ctx->work ? ValueAddr(ctx->work->storedDevmode, row) : nullptr;
}

int32_t OptGetValue(DriverContext* ctx, const SettingRecord* row) { return row ? ReadValue(OptGetValueAddr(ctx, row), row) : 0; }

int32_t OptGetValueById(DriverContext* ctx, uint32_t id, SettingRecord** out_row) {
  SettingRecord* row = OptFindSetting(ctx, id);
  if (out_row) *out_row = row;
  return OptGetValue(ctx, row);
}

int32_t OptGetSavedValue(DriverContext* ctx, const SettingRecord* row) {
  return row ? ReadValue(OptGetSavedValueAddr(ctx, row), row) : 0;
}

int32_t OptGetSavedValueById(DriverContext* ctx, uint32_t id, SettingRecord** out_row) {
  SettingRecord* row = OptFindSetting(ctx, id);
  if (out_row) *out_row = row;
  return OptGetSavedValue(ctx, row);
}

int32_t OptSetValue(DriverContext* ctx, SettingRecord* row, int32_t value) {
  if (!row || IsTemplate(ctx)) return 0;
  if (!WriteValue(OptGetValueAddr(ctx, row), row, value)) return 0;
  AfterWrite(ctx, row, value);
  return 1;
}

int32_t OptSetValueById(DriverContext* ctx, uint32_t id, int32_t value) {
  return OptSetValue(ctx, OptFindSetting(ctx, id), value);
}

int32_t OptSetBytes(DriverContext* ctx, SettingRecord* row, const void* data) {
  if (!row || IsTemplate(ctx) || IsIntegerType(DescType(row->descriptor))) return 0;
  uint8_t* p = OptGetValueAddr(ctx, row);
  if (!p) return 0;
  uint32_t size = DescSize(row->descriptor);
  if (data) std::memmove(p, data, size);
  else std::memset(p, 0, size);
  AfterWrite(ctx, row, 0);
  return 1;
}

int32_t OptSetSavedValue(DriverContext* ctx, SettingRecord* row, int32_t value) {
  if (!row || IsTemplate(ctx)) return 0;
  return WriteValue(OptGetSavedValueAddr(ctx, row), row, value) ? 1 : 0;
}

int32_t OptSetSavedValueById(DriverContext* ctx, uint32_t id, int32_t value) {
  return OptSetSavedValue(ctx, OptFindSetting(ctx, id), value);
}

// ---- options ---------------------------------------------------------------------

namespace {

bool HasLandscapeList(const SettingRecord* row) {
  return row->id == setting::vdmNUPType || row->id == setting::vdmDuplexType || row->id == setting::vdmPunchType ||
         row->id == setting::vdmStapleType;
}

// The list right after a list's end entry.
const OptionListEntry* NextList(const OptionListEntry* list) {
  while (list->optionId != 0) ++list;
  return list + 1;
}

}  // namespace

const OptionListEntry* OptApplicableList(DriverContext* ctx, const SettingRecord* row) {
  if (!row || !row->optionList) return nullptr;
  bool second = false;
  if (row->id == setting::vdmNUPType || row->id == setting::vdmDuplexType)
    second = OptGetValueById(ctx, setting::dmOrientation) == 2;
  else if (row->id == setting::vdmPunchType || row->id == setting::vdmStapleType)
    second = RuleIsSheetLandscape(ctx) == 1;
  // The landscape list starts right after the end entry.
  return second ? NextList(row->optionList) : row->optionList;
}

const OptionListEntry* OptOtherList(DriverContext* ctx, const SettingRecord* row) {
  if (!row || !row->optionList || !HasLandscapeList(row)) return nullptr;
  const OptionListEntry* applicable = OptApplicableList(ctx, row);
  return applicable == row->optionList ? NextList(row->optionList) : row->optionList;
}

int32_t OptValueToOption(DriverContext* ctx, const SettingRecord* row, int32_t value) {
  for (const OptionListEntry* e = OptApplicableList(ctx, row); e && e->optionId; ++e)
    if (e->value == uint32_t(value) && e->optionId != kNoOptionId) return e->optionId;
  return value;
}

int32_t OptOptionToValue(DriverContext* ctx, const SettingRecord* row, int32_t option) {
  for (const OptionListEntry* e = OptApplicableList(ctx, row); e && e->optionId; ++e)
    if (e->optionId == uint32_t(option)) return int32_t(e->value);
  // The model names the choices of a setting with a landscape list by the
  // ids of one of the two lists (its default among them) whatever the
  // orientation; both lists hold the same values in the same order, so an
  // option of the other list stands for its value too. Taken as a value
  // itself, such an id would be cut to the setting's size (6327, the
  // portrait "left" of the duplex type, would be stored as 183).
  for (const OptionListEntry* e = OptOtherList(ctx, row); e && e->optionId; ++e)
    if (e->optionId == uint32_t(option)) return int32_t(e->value);
  return option;
}

int32_t OptListHasValue(DriverContext* ctx, const SettingRecord* row, int32_t value) {
  for (const OptionListEntry* e = OptApplicableList(ctx, row); e && e->optionId; ++e)
    if (e->value == uint32_t(value) && e->optionId != kNoOptionId) return 1;
  return 0;
}

int32_t OptGetOption(DriverContext* ctx, const SettingRecord* row) {
  return row ? OptValueToOption(ctx, row, OptGetValue(ctx, row)) : 0;
}

int32_t OptGetOptionById(DriverContext* ctx, uint32_t id, SettingRecord** out_row) {
  SettingRecord* row = OptFindSetting(ctx, id);
  if (out_row) *out_row = row;
  return OptGetOption(ctx, row);
}

int32_t OptGetOptionByKey(DriverContext* ctx, int32_t key, SettingRecord** out_row) {
  SettingRecord* row = OptFindSettingByKey(ctx, key);
  if (out_row) *out_row = row;
  return OptGetOption(ctx, row);
}

int32_t OptSetOption(DriverContext* ctx, SettingRecord* row, int32_t option) {
  return row ? OptSetValue(ctx, row, OptOptionToValue(ctx, row, option)) : 0;
}

int32_t OptSetOptionById(DriverContext* ctx, uint32_t id, int32_t option) {
  return OptSetOption(ctx, OptFindSetting(ctx, id), option);
}

int32_t OptSetOptionOrString(DriverContext* ctx, uint32_t id, int32_t option_or_string) {
  SettingRecord* row = OptFindSetting(ctx, id);
  if (!row || !ctx->work || IsTemplate(ctx)) return 0;  // not even the scratch text
  uint32_t type = DescType(row->descriptor);
  // The query library stores the value as passed, whatever the item's type.
  if (IsIntegerType(type) || LibGetBuild().optionAsPassed) return OptSetOption(ctx, row, option_or_string);
  // A string or block setting takes the text of the UI string with that id.
  char16_t* text = ctx->work->scratch;
  constexpr uint32_t kScratch = sizeof(ctx->work->scratch) / sizeof(char16_t);
  ResLoadString(ctx, uint32_t(option_or_string), text, kScratch, 0);
  text[kScratch - 1] = 0;
  if (IsAnsiType(type) || IsWideType(type)) return OptSetText(ctx, row, text) ? 1 : 0;
  // A raw block: the text's bytes, cut to the block and zero-filled after.
  uint32_t size = DescSize(row->descriptor);
  std::vector<uint8_t> bytes(size, 0);
  std::memcpy(bytes.data(), text, std::min<size_t>(size, (plat::WLen(text) + 1) * sizeof(char16_t)));
  return OptSetBytes(ctx, row, bytes.data());
}

int32_t OptGetControlOption(DriverContext* ctx, const DialogItemRecord* item) {
  return OptGetOption(ctx, RowOfItem(ctx, item));
}

int32_t OptSetControlOption(DriverContext* ctx, const DialogItemRecord* item, int32_t option) {
  return OptSetOption(ctx, RowOfItem(ctx, item), option);
}

// ---- text --------------------------------------------------------------------------

uint8_t* OptGetText(DriverContext* ctx, const SettingRecord* row, char16_t* buffer) {
  if (!row || !buffer) return nullptr;
  uint8_t* p = OptGetValueAddr(ctx, row);
  if (!p) return nullptr;
  uint32_t type = DescType(row->descriptor);
  uint32_t size = DescSize(row->descriptor);
  if (IsAnsiType(type)) {
    // The storage may come unterminated from outside: read no further than it.
    size_t bytes = strnlen(reinterpret_cast<const char*>(p), size);
    size_t n = plat::AnsiToWide(reinterpret_cast<const char*>(p), bytes, buffer, size - 1);
    buffer[n] = 0;
  } else if (IsWideType(type)) {
    size_t chars = size / 2;
    std::vector<char16_t> tmp(chars);
    std::memcpy(tmp.data(), p, chars * sizeof(char16_t));
    size_t n = plat::WLenN(tmp.data(), chars ? chars - 1 : 0);
    std::memcpy(buffer, tmp.data(), n * sizeof(char16_t));
    buffer[n] = 0;
  } else {
    plat::WCopy(buffer, size < 6 ? 6 : size, u"wrong");
  }
  return p;
}

uint8_t* OptSetText(DriverContext* ctx, SettingRecord* row, const char16_t* text) {
  if (!row || !text) return nullptr;
  uint32_t type = DescType(row->descriptor);
  // The storage is cleared first, with the bookkeeping of any write; a
  // number setting takes no text and keeps the cleared value 0.
  if (IsIntegerType(type)) return OptSetValue(ctx, row, 0) ? OptGetValueAddr(ctx, row) : nullptr;
  if (!OptSetBytes(ctx, row, nullptr)) return nullptr;
  uint8_t* p = OptGetValueAddr(ctx, row);
  uint32_t size = DescSize(row->descriptor);
  if (IsAnsiType(type)) {
    StrWideToAnsi(reinterpret_cast<char*>(p), text, int32_t(size));
  } else if (IsWideType(type)) {
    // Cut to the setting, terminator included.
    size_t chars = size / 2;
    size_t n = std::min(plat::WLen(text), chars ? chars - 1 : 0);
    std::memcpy(p, text, n * sizeof(char16_t));
    std::memset(p + n * sizeof(char16_t), 0, size - n * sizeof(char16_t));
  }
  return p;
}

uint8_t* OptGetControlText(DriverContext* ctx, uint16_t control_id, char16_t* buffer) {
  return OptGetText(ctx, RowOfItem(ctx, CtxFindControl(ctx, nullptr, control_id)), buffer);
}

uint8_t* OptSetControlText(DriverContext* ctx, uint16_t control_id, const char16_t* text) {
  return OptSetText(ctx, RowOfItem(ctx, CtxFindControl(ctx, nullptr, control_id)), text);
}

int32_t UnitIsMetric(DriverContext* ctx) { return OptGetValueById(ctx, setting::vdmDspUnit) == 0 ? 1 : 0; }

void OptFormatDisplayText(DriverContext* ctx, int32_t key, char16_t* buffer, uint32_t capacity) {
  if (!buffer || capacity == 0) return;
  buffer[0] = 0;
  SettingRecord* row = nullptr;
  int32_t option = OptGetOptionByKey(ctx, key, &row);
  MdfItem item = MdfFindItemByKey(ctx, key);
  uint32_t type = item ? (MdfGetNodeType(ctx, item) & 0xFF) : 0;
  switch (type) {
    case 1:
    case 2: {  // pick types
      uint32_t id = uint32_t(option);
      if (id >= 2284 && id <= 2286) id = 261 + (id - 2284);
      if (ResLoadString(ctx, id, buffer, capacity, 1) == 0 || buffer[0] == 0)
        plat::WFormat(buffer, capacity, u"%d is not string-ID", int(id));
      return;
    }
    case 4:  // Boolean
      ResLoadString(ctx, OptGetValue(ctx, row) ? 370 : 371, buffer, capacity, 1);
      return;
    case 8: {  // Numeric: the value followed by its unit
      int n = plat::WFormat(buffer, capacity, u"%d", OptGetValue(ctx, row));
      if (uint32_t(n) + 1 < capacity)
        ResLoadString(ctx, MdfGetNumericUnitStringId(ctx, item), buffer + n, capacity - uint32_t(n), 1);
      return;
    }
    case 16: {  // String
      std::vector<char16_t> text(row ? DescSize(row->descriptor) + 6 : 8, 0);
      if (row && OptGetText(ctx, row, text.data())) plat::WCopy(buffer, capacity, text.data());
      return;
    }
    default:
      break;
  }
  if (row && row->id == setting::vdmWmKind) {
    int32_t kind = OptGetValue(ctx, row);
    static const char16_t* const kKindText[] = {u"文字ｽﾀﾝﾌﾟ", u"ｲﾒｰｼﾞｽﾀﾝﾌﾟ", u"合成"};
    if (kind >= 1 && kind <= 3) plat::WCopy(buffer, capacity, kKindText[kind - 1]);
    else ResLoadString(ctx, 96, buffer, capacity, 1);
    return;
  }
  if (row && row->id == setting::vdmWmID) {
    static const uint16_t kKindControl[] = {2310, 2339, 2584};
    int32_t kind = OptGetValueById(ctx, setting::vdmWmKind);
    if (kind >= 1 && kind <= 3) {
      SettingRecord* bound = RowOfItem(ctx, CtxFindControl(ctx, nullptr, kKindControl[kind - 1]));
      std::vector<char16_t> text(bound ? DescSize(bound->descriptor) + 6 : 8, 0);
      if (bound && OptGetText(ctx, bound, text.data())) plat::WCopy(buffer, capacity, text.data());
    } else {
      ResLoadString(ctx, 96, buffer, capacity, 1);
    }
    return;
  }
  plat::WFormat(buffer, capacity, u"%d", row ? OptGetValue(ctx, row) : 0);
}

// ---- change mask ---------------------------------------------------------------------

void CtxMarkChanged(DriverContext* ctx, uint32_t bits) {
  if (!ctx || !ctx->work || IsTemplate(ctx)) return;
  uint32_t& mask = ctx->work->changeMask;
  if (bits == 0) {
    mask = 0;
    return;
  }
  if (bits & 0xFFFF) mask &= ~0xFFFFu;  // the new control id replaces the old one
  mask |= bits;
}

uint32_t CtxGetChangeMask(DriverContext* ctx) { return ctx && ctx->work ? ctx->work->changeMask : 0; }

void CtxClearChanged(DriverContext* ctx, uint32_t bits) {
  if (!ctx || !ctx->work || IsTemplate(ctx)) return;
  ctx->work->changeMask &= ~bits;
  if (bits >= 0x10000000u)
    for (uint32_t& saved : ctx->work->savedChangeMasks) saved &= ~bits;
}

// ---- allocation and code-page conversion -----------------------------------------------

namespace {
thread_local uint32_t t_alloc_failures = 0;
}

void* MemAllocZeroed(size_t bytes) {
  void* p = GlobalAlloc(GMEM_ZEROINIT, bytes);  // zeroed by the allocator
  if (!p) ++t_alloc_failures;
  return p;
}

uint32_t MemAllocFailures() { return t_alloc_failures; }

void MemFree(void* block) {
  if (block) GlobalFree(block);
}

char16_t* StrAnsiToWide(char16_t* buffer, const char* ansi, int32_t n) {
  if (!buffer || !ansi) return buffer;
  size_t bytes = std::strlen(ansi) + 1;
  size_t chars = n <= 0 ? bytes : size_t(n);
  plat::AnsiToWide(ansi, bytes, buffer, chars);
  buffer[chars - 1] = 0;
  return buffer;
}

char* StrWideToAnsi(char* buffer, const char16_t* wide, int32_t n) {
  if (!buffer || !wide) return buffer;
  size_t len = plat::WLen(wide);
  size_t bytes = n < 1 ? len + 1 : size_t(n);
  std::memset(buffer, 0, bytes);
  // Room is kept for the terminator, and a double-byte character that does
  // not fit whole is left out.
  plat::WideToAnsi(wide, len, buffer, bytes - 1);
  return buffer;
}
