// Text edits (kinds 61, 62) and numeric edits (kind 63). A numeric edit shows
// an integer setting as a decimal fixed-point number with an optional unit
// suffix; a length item (flag 0x80000000) holds 1/1200 inch and shows
// 0.1 mm or 0.01 inch by the display unit. A text edit shows a string
// setting, or a read-only summary of several settings.
#include <algorithm>
#include <climits>
#include <cstring>

#include "ctl_internal.h"
#include "plat/kernel.h"
#include "velm/context.h"
#include "velm/dialog_blocks.h"
#include "velm/mdf_records.h"
#include "velm/resources.h"
#include "velm/units.h"

namespace {

constexpr int32_t kNumTextChars = 522;
constexpr int32_t kSummaryChars = 10240;
constexpr int32_t kNumSuffixChars = 16;
constexpr int32_t kNoRecordNumChars = 6;
constexpr int32_t kLongStringLimit = 260;
constexpr uint32_t kItemLongString = 0x400000u;
constexpr uint16_t kSavePresetDialog = 1032;
constexpr uint16_t kUserPaperDialog = 1017;
// The integer parts whose conversion to 1/1200 inch still fits 32 bits.
constexpr int64_t kMaxWholeMm = 45455070, kMaxWholeInch = 1789569;

bool IsLength(const DialogItemRecord* item) { return (item->flags & kItemLengthUnit) != 0; }
int32_t DisplayScale(DriverContext* ctx) { return UnitIsMetric(ctx) ? 10 : 100; }

int32_t Decimals(int32_t scale) {
  int32_t n = 0;
  for (int32_t s = scale; s > 1; s /= 10) ++n;
  return n;
}

std::u16string WindowText(HWND window, int32_t capacity) {
  if (!window || capacity <= 0) return {};
  std::u16string text(size_t(capacity) + 1, u'\0');
  const INT n = GetWindowTextW(window, text.data(), capacity + 1);
  text.resize(size_t(std::clamp<INT>(n, 0, capacity)));
  return text;
}

void SetTextIfDifferent(HWND window, const std::u16string& text) {
  if (window && WindowText(window, int32_t(text.size()) + 1) != text) SetWindowTextW(window, text.c_str());
}

bool IsMultiLine(HWND window) { return window && (GetWindowLongW(window, GWL_STYLE) & ES_MULTILINE) != 0; }

std::u16string Replace(std::u16string text, const std::u16string& from, const std::u16string& to) {
  for (size_t at = text.find(from); at != std::u16string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

std::u16string UnitSuffix(DriverContext* ctx, const ImgNumeric& n) {
  if (!n.unitId) return {};
  char16_t buffer[kNumSuffixChars + 1] = {};
  ResLoadString(ctx, n.unitId, buffer, kNumSuffixChars + 1, 0);
  return buffer;
}

bool EndsWith(const std::u16string& text, const std::u16string& tail) {
  return !tail.empty() && text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// The value of the text for the item: the display value converted back for
// a length item, else the text in the record's scale.
int32_t ValueOfText(DriverContext* ctx, const DialogItemRecord* item, const std::u16string& text, bool has_record,
                    const ImgNumeric& n) {
  if (IsLength(item)) return UnitSetUserValue(ctx, 0, CtlParseFixed(text.c_str(), DisplayScale(ctx)));
  return CtlParseFixed(text.c_str(), has_record ? n.scale : 1);
}

// The option as the edit shows it: display value and suffix.
std::u16string ShownText(DriverContext* ctx, const DialogItemRecord* item, int32_t option, bool has_record,
                         const ImgNumeric& n) {
  std::u16string text = IsLength(item) ? CtlFormatFixed(DisplayScale(ctx), UnitGetUserValue(ctx, 0, option))
                                       : CtlFormatFixed(has_record ? n.scale : 1, option);
  if (has_record) text += UnitSuffix(ctx, n);
  return text.substr(0, kNumTextChars);
}

bool IsStored(const DialogItemRecord* item) {
  return item->setting && DescRegion(item->setting->descriptor) != kRegionNone;
}

std::u16string SettingText(DriverContext* ctx, const SettingRecord* row) {
  std::vector<char16_t> buffer(std::max<size_t>(DescSize(row->descriptor), 6) + 1, u'\0');
  OptGetText(ctx, row, buffer.data());
  return buffer.data();
}

// What the person typed as the setting would hold it: CR LF as "\n" in a
// multi-line edit, cut to the setting's size less one code-page byte.
std::u16string TypedText(HWND edit, const SettingRecord* row, int32_t capacity) {
  std::u16string text = WindowText(edit, capacity);
  if (IsMultiLine(edit)) text = Replace(text, u"\r\n", u"\\n");
  return CtlCutToCodePage(text, int32_t(DescSize(row->descriptor)) - 1);
}

void StoreText(DriverContext* ctx, SettingRecord* row, const std::u16string& text) {
  OptSetText(ctx, row, text.c_str());
}

std::u16string Trim(const std::u16string& text) {
  const size_t first = text.find_first_not_of(u' ');
  if (first == std::u16string::npos) return {};
  return text.substr(first, text.find_last_not_of(u' ') - first + 1);
}

std::u16string Summary(DriverContext* ctx, const CtlListBlock& block) {
  std::u16string out;
  for (int16_t i = 0; block.rows && i < block.rowCount; ++i) {
    const CtlListRow& row = block.rows[i];
    char16_t label[kNumTextChars + 1] = {};
    ResLoadString(ctx, row.labelId, label, kNumTextChars + 1, 0);
    const bool use_b = row.keyA == 0 || (row.keyB != 0 && OptGetOptionByKey(ctx, row.keyA) == 1);
    char16_t value[kNumTextChars + 1] = {};
    OptFormatDisplayText(ctx, use_b ? row.keyB : row.keyA, value, kNumTextChars + 1);
    if (i) out += u"\r\n";
    out += label;
    out += value;
  }
  return out.substr(0, kSummaryChars);
}

}  // namespace

// ---- fixed-point numbers ------------------------------------------------------------------------

int32_t CtlParseFixed(const char16_t* text, int32_t scale) {
  if (!text) return 0;
  const int32_t decimals = Decimals(scale);
  int64_t sign = 1;
  const char16_t* p = text;
  auto digit = [](char16_t c) { return c >= u'0' && c <= u'9'; };
  // A point right before the first digit starts the decimals (".5" is 0.5).
  for (; *p && !digit(*p) && !(*p == u'.' && digit(p[1])); ++p)
    if (*p == u'-') sign = -1;
  if (!*p) return 0;
  // Anything past 32 bits saturates; the cap keeps the sum inside 64 bits.
  constexpr int64_t kCap = int64_t(INT32_MAX) + 1;
  int64_t value = 0;
  auto push = [&](int64_t digit) { value = std::min(value * 10 + digit, kCap); };
  for (; digit(*p); ++p) push(*p - u'0');
  int32_t read = 0;
  if (*p == u'.')
    for (++p; read < decimals && digit(*p); ++p, ++read) push(*p - u'0');
  for (; read < decimals; ++read) push(0);
  return int32_t(std::min<int64_t>(value, INT32_MAX) * sign);
}

std::u16string CtlFormatFixed(int32_t scale, int32_t value) {
  const int32_t decimals = Decimals(scale);
  char buffer[32];
  if (decimals < 1 || decimals > 4) {
    std::snprintf(buffer, sizeof buffer, "%d", value);
  } else {
    int32_t unit = 1;
    for (int32_t i = 0; i < decimals; ++i) unit *= 10;
    // A negative value keeps its sign in front, and its decimals positive.
    const int64_t magnitude = value < 0 ? -int64_t(value) : int64_t(value);
    std::snprintf(buffer, sizeof buffer, "%s%lld.%0*lld", value < 0 ? "-" : "", (long long)(magnitude / unit),
                  int(decimals), (long long)(magnitude % unit));
  }
  return std::u16string(buffer, buffer + std::strlen(buffer));
}

bool CtlNumericOf(DriverContext* ctx, const DialogItemRecord* item, ImgNumeric* out) {
  ImgFeature f;
  MdfItem feature = item ? UiItemModel(ctx, item) : 0;
  return feature && MdfReadItem(ctx, feature, &f) && MdfStorageType(f.type) == kFeatureNumeric &&
         MdfImgReadNumeric(ctx->image, f.data, out);
}

bool CtlNumRange(DriverContext* ctx, const DialogItemRecord* item, int32_t* minimum, int32_t* maximum) {
  ImgNumeric n;
  if (!CtlNumericOf(ctx, item, &n)) return false;
  int32_t lo = UnitGetUserValue(ctx, 0, n.minimum);
  int32_t hi = UnitGetUserValue(ctx, 0, n.maximum);
  if (UnitSetUserValue(ctx, 0, hi) > n.maximum) --hi;
  if (UnitSetUserValue(ctx, 0, lo) < n.minimum) ++lo;
  *minimum = lo;
  *maximum = hi;
  return true;
}

std::u16string CtlCutToCodePage(const std::u16string& text, int32_t bytes) {
  int32_t used = 0;
  size_t at = 0;
  while (at < text.size()) {
    const size_t units = (text[at] >= 0xD800 && text[at] < 0xDC00 && at + 1 < text.size()) ? 2 : 1;
    const INT need = WideCharToMultiByte(CP_ACP, 0, text.data() + at, INT(units), nullptr, 0, nullptr, nullptr);
    if (need <= 0 || used + need > bytes) break;
    used += need;
    at += units;
  }
  return text.substr(0, at);
}

// ---- numeric edits (63) --------------------------------------------------------------------------

int32_t CtlNumInit(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item) {
  ImgNumeric n;
  const int32_t limit =
      CtlNumericOf(ctx, item, &n) ? int32_t(n.maxChars) + int32_t(UnitSuffix(ctx, n).size()) : kNoRecordNumChars;
  SendMessageW(CtlWindowOf(dialog, item), EM_LIMITTEXT, WPARAM(limit), 0);
  return 0;
}

int32_t CtlNumRefresh(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item) {
  if (!item->setting) return 0;
  HWND edit = CtlWindowOf(dialog, item);
  ImgNumeric n{};
  const bool has_record = CtlNumericOf(ctx, item, &n);
  std::u16string text = WindowText(edit, kNumTextChars);
  if (IsLength(item)) {
    const SettingRecord* unit = OptFindSetting(ctx, setting::vdmDspUnit);
    if (unit && unit->dirty) text.clear();
  }
  const int32_t typed = ValueOfText(ctx, item, text, has_record, n);
  const bool focused = edit && GetFocus() == edit;
  int32_t option = OptGetControlOption(ctx, item);
  if ((!text.empty() || focused) && (!item->setting->dirty || focused) && typed == option) return 0;

  std::u16string shown;
  if (IsLength(item) && has_record) {
    if (text.empty() && !item->hidden) {
      const int32_t clamped = std::clamp(option, std::min(n.minimum, n.maximum), n.maximum);
      if (clamped != option) OptSetControlOption(ctx, item, option = clamped);
    }
    int32_t lo = 0, hi = 0;
    CtlNumRange(ctx, item, &lo, &hi);
    int32_t display = UnitGetUserValue(ctx, 0, option);
    if (option <= n.maximum && display > hi) display = hi;
    if (option >= n.minimum && display < lo) display = lo;
    shown = (CtlFormatFixed(DisplayScale(ctx), display) + UnitSuffix(ctx, n)).substr(0, kNumTextChars);
  } else {
    shown = ShownText(ctx, item, option, has_record, n);
  }
  SetTextIfDifferent(edit, shown);
  return 0;
}

LRESULT CtlNumCommand(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, uintptr_t wparam, uintptr_t,
                      intptr_t) {
  HWND edit = CtlWindowOf(dialog, item);
  ImgNumeric n{};
  const bool has_record = CtlNumericOf(ctx, item, &n);
  const WORD code = UiGetNotifyCode(wparam);
  if (code == EN_SETFOCUS && item->setting && ctx->work) {
    // What a refused number goes back to when the edit loses the focus.
    ctx->work->numEditControl = item->controlId;
    ctx->work->numEditOption = OptGetControlOption(ctx, item);
    return 0;
  }
  if (code == EN_UPDATE && has_record) {
    const std::u16string suffix = UnitSuffix(ctx, n);
    const bool suffixed = EndsWith(WindowText(edit, kNumTextChars), suffix);
    SendMessageW(edit, EM_LIMITTEXT, WPARAM(n.maxChars + (suffixed ? suffix.size() : 0)), 0);
    return 0;
  }
  if (code != EN_CHANGE || !item->setting || !IsIntegerType(DescType(item->setting->descriptor)) ||
      IsBitType(DescType(item->setting->descriptor)))
    return 0;
  const std::u16string text = WindowText(edit, kNumTextChars);
  const int32_t current = OptGetControlOption(ctx, item);
  int32_t value = 0;
  if (IsLength(item)) {
    const int32_t display = CtlParseFixed(text.c_str(), DisplayScale(ctx));
    const int64_t whole = CtlParseFixed(text.c_str(), 1);
    value = UnitSetUserValue(ctx, 0, std::max(display, 0));
    const uint32_t type = DescType(item->setting->descriptor);
    const bool refused = display < 0 || (type == kTypeS16 && value > 0x7FFF) ||
                         (type == kTypeU16 && value > 0xFFFF) ||
                         whole > (UnitIsMetric(ctx) ? kMaxWholeMm : kMaxWholeInch);
    if (refused) {
      // Takes back the character just typed.
      PostMessageW(edit, WM_CHAR, VK_BACK, 0);
      return 0;
    }
    if (UiIsSameValue(display, UnitGetUserValue(ctx, 0, current))) return 0;
  } else {
    value = CtlParseFixed(text.c_str(), has_record ? n.scale : 1);
  }
  if (UiIsSameValue(value, current)) return 0;
  OptSetControlOption(ctx, item, value);
  return 1;
}

LRESULT CtlNumMessage(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, uintptr_t message, uintptr_t,
                      intptr_t) {
  if (message != WM_KILLFOCUS || !item->setting) return 0;
  HWND edit = CtlWindowOf(dialog, item);
  ImgNumeric n{};
  if (CtlNumericOf(ctx, item, &n)) {
    const std::u16string text = WindowText(edit, kNumTextChars);
    const int32_t current = OptGetControlOption(ctx, item);
    // Text the person left as it was keeps the exact stored length, which
    // may have no exact form in the display unit.
    const bool untouched = IsLength(item) && text == ShownText(ctx, item, current, true, n);
    const int32_t value = untouched ? current : ValueOfText(ctx, item, text, true, n);
    if (!UiIsSameValue(value, current)) OptSetControlOption(ctx, item, value);
  }
  // The rules' check shows its message (a box once the focus has moved on)
  // and answers 1 when it refuses the number.
  const bool refused = CtlGetServices().checkControl(ctx, dialog, item) == 1;
  int32_t lo = 0, hi = 0;
  if (dialog && dialog->dialogId == kUserPaperDialog && IsLength(item)) {
    // The user paper size holds a size to its limits.
    if (CtlNumRange(ctx, item, &lo, &hi)) {
      const int32_t display = UnitGetUserValue(ctx, 0, OptGetControlOption(ctx, item));
      if (display < lo) OptSetControlOption(ctx, item, UnitSetUserValue(ctx, 0, lo));
      if (display > hi) OptSetControlOption(ctx, item, UnitSetUserValue(ctx, 0, hi));
    }
  } else if (refused && ctx->work && ctx->work->numEditControl == item->controlId) {
    // Elsewhere a refused number leaves the value the edit had before.
    OptSetControlOption(ctx, item, ctx->work->numEditOption);
  }
  item->setting->dirty = 1;
  if (edit) InvalidateRect(edit, nullptr, TRUE);
  return 0;
}

// ---- text edits (61, 62) -------------------------------------------------------------------------

int32_t CtlEditInit(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item) {
  if (!item->setting) return 0;
  ImgFeature f;
  ImgString s;
  MdfItem feature = UiItemModel(ctx, item);
  int32_t limit = 0;
  if (feature && MdfReadItem(ctx, feature, &f) && MdfDataKindOf(f.type) == MdfDataKind::kString &&
      MdfImgReadString(ctx->image, f.data, &s)) {
    limit = s.maxLength;
    if ((item->flags & kItemLongString) && limit > kLongStringLimit) limit = kLongStringLimit;
  } else {
    const int32_t size = int32_t(DescSize(item->setting->descriptor));
    limit = IsWideType(DescType(item->setting->descriptor)) ? size / 2 - 1 : size - 1;
  }
  SendMessageW(CtlWindowOf(dialog, item), EM_LIMITTEXT, WPARAM(std::max(limit, 0)), 0);
  return 0;
}

int32_t CtlEditRefresh(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item) {
  if (ctx->dialogId == kSavePresetDialog && dialog && dialog->dialogId != kSavePresetDialog) return 0;
  HWND edit = CtlWindowOf(dialog, item);
  std::u16string text;
  if (const void* raw = CtlGetExtraBlock(item, kCtlTagList)) {
    CtlListBlock block;
    std::memcpy(&block, raw, sizeof block);
    text = Summary(ctx, block);
  } else if (IsStored(item)) {
    text = SettingText(ctx, item->setting);
  } else {
    return 0;
  }
  if (IsMultiLine(edit)) text = Replace(text, u"\\n", u"\r\n");
  SetTextIfDifferent(edit, text);
  return 0;
}

LRESULT CtlEditCommand(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, uintptr_t wparam, uintptr_t,
                       intptr_t) {
  if (!IsStored(item)) return 0;
  HWND edit = CtlWindowOf(dialog, item);
  const WORD code = UiGetNotifyCode(wparam);
  if (code == EN_KILLFOCUS) {
    // The same cut as while typing, then the spaces at either end go.
    std::u16string raw = WindowText(edit, kNumTextChars - 1);
    if (IsMultiLine(edit)) raw = Replace(raw, u"\r\n", u"\\n");
    const std::u16string kept = Trim(TypedText(edit, item->setting, kNumTextChars - 1));
    if (kept != raw) {
      StoreText(ctx, item->setting, kept);
      SetWindowTextW(edit, (IsMultiLine(edit) ? Replace(kept, u"\\n", u"\r\n") : kept).c_str());
    }
    return 0;
  }
  if (code != EN_CHANGE && code != EN_UPDATE) return 0;
  const std::u16string text = TypedText(edit, item->setting, kNumTextChars);
  if (text != SettingText(ctx, item->setting)) StoreText(ctx, item->setting, text);
  return 1;
}
