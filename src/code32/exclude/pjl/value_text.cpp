// Value texts of PJL variables: from a variable's own option rows or from the
// model's feature (option invocation texts, scaled numbers, quoted strings),
// and the numbers of a line back into stored values. Also the copy of the
// context's settings that trials and walks restore.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "pjl_internal.h"
#include "plat/kernel.h"
#include "velm/context.h"
#include "velm/mdf_records.h"
#include "velm/model_image.h"
#include "velm/settings.h"

namespace {

// The font-table items: their slots hold handles of blocks the context owns,
// which a restore must not bring back once they were replaced.

bool IsListStorage(uint16_t storage) {
  return storage == kFeaturePickOne || storage == kFeaturePickMany || storage == kFeaturePickPage ||
         storage == kFeaturePickSlot || storage == kFeatureFontTbl;
}

// Appends text leaving out what would end a line or a value: CR, LF and the
// double quote. A double-byte character is kept whole.
int32_t AppendFiltered(ExcTextBuffer* out, const char* text, size_t n) {
  size_t before = out->length;
  for (size_t i = 0; i < n && text[i];) {
    auto c = static_cast<uint8_t>(text[i]);
    size_t take = 1;
    if (c >= 0x80 && IsDBCSLeadByte(c) && i + 1 < n && text[i + 1]) take = 2;
    if (take == 1 && (c == '\r' || c == '\n' || c == '"')) {
      ++i;
      continue;
    }
    if (!ExcTextAppend(out, text + i, take)) return -1;
    i += take;
  }
  return int32_t(out->length - before);
}

bool ReadFeature(DriverContext* ctx, MdfItem feature, ImgFeature* f) {
  return ctx && ctx->image && feature && MdfImgReadFeature(ctx->image, feature, f);
}

// The stored text of a string item, in the system code page.
bool ItemString(DriverContext* ctx, uint32_t item, char* out, size_t room) {
  out[0] = 0;
  SettingRecord* row = OptFindSetting(ctx, item);
  const uint8_t* p = row ? OptGetValueAddr(ctx, row) : nullptr;
  if (!p) return false;
  uint32_t type = DescType(row->descriptor);
  size_t size = DescSize(row->descriptor);
  if (IsWideType(type) || type == 13) {
    char16_t wide[1040] = {};
    size_t chars = std::min(size / 2, sizeof wide / sizeof wide[0] - 1);
    std::memcpy(wide, p, chars * sizeof(char16_t));
    size_t n = 0;
    while (n < chars && wide[n]) ++n;
    out[plat::WideToAnsi(wide, n, out, room - 1)] = 0;
  } else {
    size_t n = 0;
    while (n < size && n + 1 < room && p[n]) ++n;
    std::memcpy(out, p, n);
    out[n] = 0;
  }
  return true;
}

// Strict decimal: an optional minus and digits only, within 32 bits.
bool ParseDecimal(const char* text, int32_t* out) {
  if (!text || !*text) return false;
  const char* p = text;
  bool negative = *p == '-';
  if (negative) ++p;
  if (!*p) return false;
  int64_t v = 0;
  for (; *p; ++p) {
    if (*p < '0' || *p > '9') return false;
    v = v * 10 + (*p - '0');
    if (v > int64_t(INT32_MAX) + 1) return false;
  }
  if (negative) v = -v;
  if (v < INT32_MIN || v > INT32_MAX) return false;
  *out = int32_t(v);
  return true;
}

struct Scale {
  uint16_t first, second;
  uint32_t kind;
  int32_t resolution;
};

// The factors of the feature's numeric record and how its item is scaled.
bool ScaleOf(DriverContext* ctx, const ImgFeature& f, uint32_t item, Scale* s, ImgNumeric* record = nullptr) {
  ImgNumeric n{};
  if (!f.data || !MdfImgReadNumeric(ctx->image, f.data, &n)) return false;
  SettingRecord* row = OptFindSetting(ctx, item);
  s->first = n.seventh;
  s->second = n.eighth;
  s->kind = row ? row->commandValueKind : 0;
  s->resolution = s->kind == 2 ? OptGetValueById(ctx, kExcItemResolution) : 0;
  if (record) *record = n;
  return true;
}

}  // namespace

// ---- numbers ---------------------------------------------------------------------------

bool ExcScaleToText(int32_t value, uint16_t first, uint16_t second, uint32_t kind, int32_t resolution,
                    int64_t* out) {
  if (first == 0 || second == 0 || (kind == 2 && resolution <= 0)) return false;
  __int128 n = __int128(value) * first;
  __int128 d = second;
  if (kind == 2) {
    n *= resolution;
    d *= 1200;
  }
  __int128 r = n / d;
  if (r > INT64_MAX || r < INT64_MIN) return false;
  *out = int64_t(r);
  // A value that is there is never shown as nothing.
  if (value != 0 && *out == 0) *out = 1;
  return true;
}

bool ExcScaleFromText(const char* text, uint16_t first, uint16_t second, uint32_t kind, int32_t resolution,
                      int32_t* out) {
  int32_t number = 0;
  if (!ParseDecimal(text, &number)) return false;
  if (first == 0 || second == 0 || (kind == 2 && resolution <= 0)) return false;
  __int128 n = __int128(number) * second;
  __int128 d = first;
  if (kind == 2) {
    n *= 1200;
    d *= resolution;
  }
  __int128 r = n / d;
  if (r > INT32_MAX || r < INT32_MIN) return false;
  *out = int32_t(r);
  if (number != 0 && *out == 0) *out = 1;
  return true;
}

// ---- the copy of the context's settings ------------------------------------------------------

bool ExcSnapshotTake(DriverContext* ctx, ExcWorkSnapshot* s) {
  s->bytes = nullptr;
  s->changeMask = 0;
  if (!ctx || !ctx->devmode) return false;
  s->bytes = static_cast<uint8_t*>(MemAllocZeroed(kWorkBufferSize));
  if (!s->bytes) return false;
  std::memcpy(s->bytes, ctx->devmode, kWorkBufferSize);
  s->changeMask = ctx->work ? ctx->work->changeMask : 0;
  return true;
}

void ExcSnapshotRestore(DriverContext* ctx, ExcWorkSnapshot* s) {
  if (!s->bytes) return;
  if (ctx && ctx->devmode) {
    // The font-table slots keep what they hold now.
    uint8_t keep[kWorkBufferSize];
    std::memcpy(keep, ctx->devmode, kWorkBufferSize);
    std::memcpy(ctx->devmode, s->bytes, kWorkBufferSize);
    for (uint32_t id = kFontTableFirst; id <= kFontTableLast; ++id) {
      SettingRecord* row = OptFindSetting(ctx, id);
      const uint8_t* at = row ? OptGetValueAddr(ctx, row) : nullptr;
      if (!at || at < ctx->devmode) continue;
      size_t offset = size_t(at - ctx->devmode), size = DescSize(row->descriptor);
      if (offset + size <= kWorkBufferSize) std::memcpy(ctx->devmode + offset, keep + offset, size);
    }
    if (ctx->work) ctx->work->changeMask = s->changeMask;
  }
  MemFree(s->bytes);
  s->bytes = nullptr;
}

// ---- the model's feature -------------------------------------------------------------------

MdfItem ExcFindFeature(DriverContext* ctx, uint32_t item, uint32_t sub_key) {
  if (!ctx || !ctx->image || !item) return 0;
  const ModelImage* image = ctx->image;
  MdfItem first = 0;
  uint32_t steps = MdfStepLimit(image);
  for (uint32_t at = MdfImgSlot(image, mdf_image::kSlotFeatures); at && steps--;) {
    ImgFeature f;
    if (!MdfImgReadFeature(image, at, &f)) break;
    if (f.settingId == item) {
      if (f.subId == sub_key && f.commands) return at;
      if (!first) first = at;
    }
    at = f.next;
  }
  return first;
}

// ---- value texts ---------------------------------------------------------------------------

int32_t ExcAppendQuoted(ExcTextBuffer* out, const char* text, size_t n) {
  size_t mark = out->length;
  if (!ExcTextAppend(out, "\"", 1)) return -1;
  int32_t added = AppendFiltered(out, text, n);
  if (added <= 0 || !ExcTextAppend(out, "\"", 1)) {
    out->length = mark;
    out->text[mark] = 0;
    return added < 0 ? -1 : 0;
  }
  return int32_t(out->length - mark);
}

const PjlOptionRow* ExcPickOptionRow(const ExcHandle* h, const PjlVariableRow* row, int32_t value) {
  if (!row || !row->options) return nullptr;
  if (h) {
    for (const PjlRequirement* r = row->requirements; r && r->settingId; ++r) {
      int32_t v = 0;
      if (ExcHandleRecorded(h, r->settingId, &v) && v != r->value) return nullptr;
    }
  }
  for (uint32_t k = 0; k < row->options->count; ++k) {
    const PjlOptionRow* o = &row->options->rows[k];
    if (o->value != value && !(o->flags & kPjlOptionDefault)) continue;
    bool agree = true;
    for (const PjlAction* a = o->actions; a && h && agree; a = a->next) {
      int32_t v = 0;
      agree = !ExcHandleRecorded(h, a->settingId, &v) || v == a->value;
    }
    if (agree) return o;
  }
  return nullptr;
}

int32_t ExcAppendFeatureText(ExcTextBuffer* out, DriverContext* ctx, MdfItem feature, uint32_t item, uint32_t type,
                             int32_t value) {
  ImgFeature f;
  if (!ReadFeature(ctx, feature, &f)) return 0;
  uint16_t storage = MdfStorageType(f.type);
  switch (type) {
    case kFeaturePickOne:
    case kFeatureBoolean: {
      // Boolean rows take the pick-list rule: the text that stands for the
      // value in the feature (its option's text, or its true/false text).
      const char* text = nullptr;
      if (storage == kFeatureBoolean) {
        ImgBoolean b{};
        if (f.data && MdfImgReadBoolean(ctx->image, f.data, &b)) {
          uint32_t at = value ? b.trueText : b.falseText;
          text = at ? MdfImgText(ctx->image, at) : nullptr;
        }
      } else if (IsListStorage(storage)) {
        uint32_t steps = MdfStepLimit(ctx->image);
        for (uint32_t at = f.data; at && steps--;) {
          ImgOption o;
          if (!MdfImgReadOption(ctx->image, at, storage, &o)) break;
          if (o.optionId == uint32_t(value)) {
            text = o.text ? MdfImgText(ctx->image, o.text) : nullptr;
            break;
          }
          at = o.next;
        }
      }
      return text ? AppendFiltered(out, text, std::strlen(text)) : 0;
    }
    case kFeatureNumeric: {
      Scale s{};
      int64_t scaled = 0;
      char number[24] = "0";
      if (storage == kFeatureNumeric && ScaleOf(ctx, f, item, &s) &&
          ExcScaleToText(value, s.first, s.second, s.kind, s.resolution, &scaled))
        std::snprintf(number, sizeof number, "%lld", static_cast<long long>(scaled));
      return ExcTextAppendString(out, number) ? int32_t(std::strlen(number)) : -1;
    }
    case kFeatureString: {
      char text[1040 * 2];
      if (!ItemString(ctx, item, text, sizeof text) || !text[0]) return 0;
      return ExcAppendQuoted(out, text, std::strlen(text));
    }
    default:
      return 0;
  }
}

bool ExcFeatureValueOfText(DriverContext* ctx, MdfItem feature, uint32_t item, uint32_t type, const char* text,
                           int32_t* out) {
  ImgFeature f;
  if (!text || !ReadFeature(ctx, feature, &f)) return false;
  uint16_t storage = MdfStorageType(f.type);
  switch (type) {
    case kFeaturePickOne:
    case kFeatureBoolean: {
      if (storage == kFeatureBoolean) {
        ImgBoolean b{};
        if (!f.data || !MdfImgReadBoolean(ctx->image, f.data, &b)) return false;
        const char* t = b.trueText ? MdfImgText(ctx->image, b.trueText) : nullptr;
        const char* fa = b.falseText ? MdfImgText(ctx->image, b.falseText) : nullptr;
        if (t && std::strcmp(t, text) == 0) return *out = 1, true;
        if (fa && std::strcmp(fa, text) == 0) return *out = 0, true;
        return false;
      }
      if (!IsListStorage(storage)) return false;
      uint32_t steps = MdfStepLimit(ctx->image);
      for (uint32_t at = f.data; at && steps--;) {
        ImgOption o;
        if (!MdfImgReadOption(ctx->image, at, storage, &o)) return false;
        const char* t = o.text ? MdfImgText(ctx->image, o.text) : nullptr;
        if (t && std::strcmp(t, text) == 0) return *out = o.optionId, true;
        at = o.next;
      }
      return false;
    }
    case kFeatureNumeric: {
      Scale s{};
      return storage == kFeatureNumeric && ScaleOf(ctx, f, item, &s) &&
             ExcScaleFromText(text, s.first, s.second, s.kind, s.resolution, out);
    }
    default:
      // Strings are shown, never set through a line.
      return false;
  }
}

int32_t ExcAppendValueText(ExcTextBuffer* out, const ExcHandle* h, DriverContext* ctx, const PjlVariableRow* row,
                           int32_t value) {
  if (!out || !row) return 0;
  if (row->flags & kPjlRowOwnOptions) {
    const PjlOptionRow* o = ExcPickOptionRow(h, row, value);
    if (!o || !o->text[0]) return 0;
    return ExcTextAppendString(out, o->text) ? int32_t(std::strlen(o->text)) : -1;
  }
  if (row->flags & kPjlRowModelOptions) {
    MdfItem feature = ExcFindFeature(ctx, row->settingId, row->subKey);
    return feature ? ExcAppendFeatureText(out, ctx, feature, row->settingId, row->valueType, value) : 0;
  }
  return 0;
}
