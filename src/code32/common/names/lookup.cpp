// Look-ups over the built-in name tables, the dialog table of a context, the
// display languages and the user paper-size slots.
//
// The tables are searched through indexes built once per process; each index
// keeps the table's first-match answer.
#include <cstdint>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "velm/context.h"
#include "velm/dialogs.h"
#include "velm/names.h"

namespace {

// Rows of a table by name: open addressing over a power-of-two table of
// eight-byte slots (a name's hash, its length and its row), so that the
// table stays small in the cache and a miss rarely looks at a name. The
// names themselves stay in the table they index. The model reader looks
// names up for almost every line it reads.
class NameIndex {
 public:
  // Adds a row unless its name is there already (the first row keeps it).
  void Add(const char* name, int16_t row) {
    size_t length = std::strlen(name);
    if (length > UINT16_MAX || row < 0) return;
    if (4 * (count_ + 1) > 3 * slots_.size()) Grow();
    if (names_.size() <= static_cast<size_t>(row)) names_.resize(static_cast<size_t>(row) + 1, nullptr);
    names_[static_cast<size_t>(row)] = name;
    Insert(Slot{Hash(name, length), static_cast<uint16_t>(length), row});
  }
  int16_t Find(const char* name) const {
    if (slots_.empty()) return -1;
    size_t length = std::strlen(name);
    if (length > UINT16_MAX) return -1;
    uint32_t hash = Hash(name, length);
    for (size_t i = hash & mask_;; i = (i + 1) & mask_) {
      const Slot& s = slots_[i];
      if (s.row < 0) return -1;
      if (s.hash == hash && s.length == length &&
          std::memcmp(names_[static_cast<size_t>(s.row)], name, length) == 0) {
        return s.row;
      }
    }
  }

 private:
  struct Slot {
    uint32_t hash = 0;
    uint16_t length = 0;
    int16_t row = -1;
  };
  static_assert(sizeof(Slot) == 8);
  // Eight bytes a step, each step multiplied through, the last few bytes
  // one by one; the high half is folded into the low one, which picks the
  // slot.
  static uint32_t Hash(const char* name, size_t length) {
    constexpr uint64_t kMultiplier = 0x9E3779B97F4A7C15u;
    uint64_t h = length * kMultiplier;
    size_t i = 0;
    for (; i + 8 <= length; i += 8) {
      uint64_t word;
      std::memcpy(&word, name + i, 8);
      h = (h ^ word) * kMultiplier;
      h ^= h >> 29;
    }
    uint64_t tail = 0;
    std::memcpy(&tail, name + i, length - i);
    h = (h ^ tail) * kMultiplier;
    h ^= h >> 32;
    return static_cast<uint32_t>(h);
  }
  void Insert(const Slot& slot) {
    for (size_t i = slot.hash & mask_;; i = (i + 1) & mask_) {
      Slot& s = slots_[i];
      if (s.row < 0) {
        s = slot;
        ++count_;
        return;
      }
      if (s.hash == slot.hash && s.length == slot.length &&
          std::memcmp(names_[static_cast<size_t>(s.row)], names_[static_cast<size_t>(slot.row)], slot.length) == 0) {
        return;
      }
    }
  }
  void Grow() {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(old.empty() ? 64 : 2 * old.size(), Slot{});
    mask_ = slots_.size() - 1;
    count_ = 0;
    for (const Slot& s : old) {
      if (s.row >= 0) Insert(s);
    }
  }
  std::vector<Slot> slots_;
  std::vector<const char*> names_;  // row -> its name
  size_t mask_ = 0;
  size_t count_ = 0;
};

struct Indexes {
  std::vector<int16_t> symbolByKey;  // key -> row, -1 none
  NameIndex symbolByName;
  NameIndex optionByName;
  std::unordered_map<uint32_t, int16_t> optionById;  // setting << 16 | option id
};

Indexes Build() {
  Indexes ix;
  const UiSymbolTable& sym = MdfGetSymbolTable();
  ix.symbolByKey.assign(65536, -1);
  for (int16_t i = 0; i < sym.count; ++i) {
    const UiSymbolRow& r = sym.rows[i];
    if (ix.symbolByKey[r.key] < 0) ix.symbolByKey[r.key] = i;
    if (r.name) ix.symbolByName.Add(r.name, i);  // the first row keeps a name
  }
  const OptionNameTable& opt = MdfGetOptionNameTable();
  for (int16_t i = 0; i < opt.count; ++i) {
    const OptionNameRow& r = opt.rows[i];
    if (r.keyword) ix.optionByName.Add(r.keyword, i);
    ix.optionById.emplace(uint32_t(r.settingId) << 16 | r.optionId, i);
  }
  return ix;
}

// Built at the first look-up; the language makes that thread-safe, and
// later look-ups pay one check.
const Indexes& Get() {
  static const Indexes ix = Build();
  return ix;
}

const MessageNameTable& Messages(DriverContext* ctx) {
  return ctx && ctx->messages ? *ctx->messages : RuleGetMessageTable();
}

DialogTable* Dialogs(DriverContext* ctx) { return ctx ? ctx->dialogs : nullptr; }

struct SlotCode {
  uint16_t slot;
  uint16_t code;
};
constexpr SlotCode kSlotCodes[] = {{0, 384}, {1, 385}, {2, 386}, {3, 387}, {4, 388}, {5, 389},
                                   {6, 390}, {7, 391}, {8, 392}, {9, 256}, {0, 0}};
constexpr int32_t kSlotCount = 10;

}  // namespace

// ---- feature names -----------------------------------------------------------------

const UiSymbolRow* MdfFindFeatureByKey(int32_t key) {
  if (key < 0 || key > 0xFFFF) return nullptr;
  int16_t i = Get().symbolByKey[uint32_t(key)];
  return i < 0 ? nullptr : &MdfGetSymbolTable().rows[i];
}

const UiSymbolRow* MdfFindFeatureByName(const char* name) {
  if (!name) return nullptr;
  int16_t i = Get().symbolByName.Find(name);
  return i < 0 ? nullptr : &MdfGetSymbolTable().rows[i];
}

const char16_t* OptGetSettingName(DriverContext* ctx, uint32_t setting_id) {
  const SettingRecord* row = OptFindSetting(ctx, setting_id);
  return row ? row->itemName : nullptr;
}

// ---- option names -------------------------------------------------------------------

const OptionNameRow* MdfFindOptionById(uint32_t setting_id, uint32_t option_id) {
  if (setting_id > 0xFFFF || option_id > 0xFFFF) return nullptr;
  auto it = Get().optionById.find(setting_id << 16 | option_id);
  return it == Get().optionById.end() ? nullptr : &MdfGetOptionNameTable().rows[it->second];
}

const OptionNameRow* MdfFindOptionByName(const char* keyword) {
  if (!keyword) return nullptr;
  int16_t i = Get().optionByName.Find(keyword);
  return i < 0 ? nullptr : &MdfGetOptionNameTable().rows[i];
}

// ---- alert messages ------------------------------------------------------------------

int32_t RuleGetAlertMessageCount(DriverContext* ctx) { return Messages(ctx).count; }

const MessageNameRow* RuleGetAlertMessage(DriverContext* ctx, int32_t index) {
  const MessageNameTable& t = Messages(ctx);
  return index >= 0 && index < t.count ? &t.rows[index] : nullptr;
}

const MessageNameRow* RuleFindAlertMessage(DriverContext* ctx, uint32_t message_id) {
  const MessageNameTable& t = Messages(ctx);
  for (int i = 0; i < t.count; ++i)
    if (t.rows[i].id == message_id) return &t.rows[i];
  return nullptr;
}

const MessageNameRow* RuleFindAlertMessageByName(DriverContext* ctx, const char* name) {
  if (!name) return nullptr;
  const MessageNameTable& t = Messages(ctx);
  for (int i = 0; i < t.count; ++i)
    if (t.rows[i].name && std::strcmp(t.rows[i].name, name) == 0) return &t.rows[i];
  return nullptr;
}

// ---- dialogs --------------------------------------------------------------------------

DialogRecord* CtxFindDialog(DriverContext* ctx, uint32_t dialog_id) {
  DialogTable* t = Dialogs(ctx);
  for (int i = 0; t && i < t->count; ++i)
    if (t->rows[i].dialogId == dialog_id) return &t->rows[i];
  return nullptr;
}

DialogRecord* CtxFindDialogByWindow(DriverContext* ctx, HWND window) {
  DialogTable* t = Dialogs(ctx);
  for (int i = 0; t && window && i < t->count; ++i)
    if (t->rows[i].window == window) return &t->rows[i];
  return nullptr;
}

DialogRecord* CtxFindDialogByName(DriverContext* ctx, const char* name) {
  if (!name) return nullptr;
  DialogTable* t = ctx ? Dialogs(ctx) : CtxGetTemplate()->dialogs;
  for (int i = 0; t && i < t->count; ++i)
    if (t->rows[i].name && std::strcmp(t->rows[i].name, name) == 0) return &t->rows[i];
  return nullptr;
}

DialogItemRecord* CtxGetControl(DialogRecord* dialog, uint32_t index) {
  if (!dialog || index >= dialog->itemCount) return nullptr;
  return &dialog->items[index];
}

namespace {
template <typename Match>
DialogItemRecord* FindItem(DriverContext* ctx, DialogRecord* dialog, Match match) {
  auto scan = [&](DialogRecord* d) -> DialogItemRecord* {
    for (uint32_t i = 0; i < d->itemCount; ++i)
      if (match(d->items[i])) return &d->items[i];
    return nullptr;
  };
  if (dialog) return scan(dialog);
  DialogTable* t = Dialogs(ctx);
  for (int i = 0; t && i < t->count; ++i)
    if (DialogItemRecord* item = scan(&t->rows[i])) return item;
  return nullptr;
}
}  // namespace

DialogItemRecord* CtxFindControl(DriverContext* ctx, DialogRecord* dialog, uint32_t control_id) {
  return FindItem(ctx, dialog, [&](const DialogItemRecord& it) { return it.controlId == control_id; });
}

DialogItemRecord* CtxFindControlByWindow(DriverContext* ctx, DialogRecord* dialog, HWND window) {
  if (!window) return nullptr;
  return FindItem(ctx, dialog, [&](const DialogItemRecord& it) { return it.window == window; });
}

// ---- languages --------------------------------------------------------------------------

uint16_t ResFindLanguageByLangId(uint16_t primary, uint16_t sublang) {
  for (const LanguageRow* r = ResGetLanguageTable(); r->id != 0xFFFF; ++r)
    if (r->primary == primary && (sublang == 0 || r->sublang == sublang)) return r->id;
  return 0xFFFF;
}

uint16_t ResGetLanguageLangId(uint32_t language_id, uint16_t* out_sublang) {
  if (out_sublang) *out_sublang = 0;
  for (const LanguageRow* r = ResGetLanguageTable(); r->id != 0xFFFF; ++r) {
    if (r->id != language_id) continue;
    if (out_sublang) *out_sublang = r->sublang;
    return uint16_t(r->primary & 0xFF);
  }
  return 0;
}

uint16_t ResGetLanguagePrimary(uint32_t language_id) { return ResGetLanguageLangId(language_id, nullptr); }

int32_t ResIsLanguageId(uint32_t language_id) {
  for (const LanguageRow* r = ResGetLanguageTable(); r->id != 0xFFFF; ++r)
    if (r->id == language_id) return 1;
  return 0;
}

// ---- user paper-size slots ----------------------------------------------------------------

int32_t FreeSizeIsSlotCode(uint32_t code) { return code == 256 || (code >= 384 && code <= 392) ? 1 : 0; }

int32_t FreeSizeGetSlotCount() { return kSlotCount; }

uint32_t FreeSizeSlotToCode(uint32_t slot, uint32_t count) {
  if (slot > count) return 0;
  for (const SlotCode* s = kSlotCodes; s->code; ++s)
    if (s->slot == slot) return s->code;
  return 0;
}

uint32_t FreeSizeCodeToSlot(uint32_t code, DriverContext* /*ctx*/) {
  // An unknown code answers 0, which is also the slot of 384: callers that
  // must tell them apart test the code with FreeSizeIsSlotCode first.
  for (int32_t i = 0; i < kSlotCount && kSlotCodes[i].code; ++i)
    if (kSlotCodes[i].code == code) return kSlotCodes[i].slot;
  return 0;
}
