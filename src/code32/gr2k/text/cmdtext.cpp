// The command text of the job-start, page-start and page-end blocks: a walk
// over the model's command trees, the handlers by feature type, the
// value kinds of the setting rows and the PJL lines the driver composes
// itself (date, driver name, device fonts, font substitution).
#include "gr2k/cmdtext.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "eng/ddi.h"
#include "plat/kernel.h"
#include "plat/wstr.h"
#include "velm/context.h"
#include "velm/mdf_records.h"
#include "velm/model_query.h"
#include "velm/paths.h"
#include "velm/printer_data.h"
#include "velm/rule_eval.h"
#include "velm/setting_ids.h"
#include "velm/settings.h"
#include "velm/spooler.h"

namespace {

using namespace mdf_image;

// Items read here.

constexpr uint32_t kAnsiRoom = 260 * 2 + 1;  // 260 characters, each up to two bytes
constexpr uint32_t kFontNameChars = 32;
constexpr int32_t kNoFontId = 0xFFFF;

const char kLineEnd[] = " \r\n";

bool IsLeadByte(uint8_t c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Wide text (at most `chars` units, or up to its terminator) as ANSI text in
// the system code page, at most room - 1 bytes.
void ToAnsi(const char16_t* wide, size_t chars, char* out, size_t room) {
  size_t n = 0;
  while (n < chars && wide[n]) ++n;
  size_t bytes = plat::WideToAnsi(wide, n, out, room - 1);
  out[bytes] = 0;
}

// One walk over a tree: the context, the accumulator and a bound on the
// records visited (the image is validated, so this only guards the
// recursion of conditional blocks).
struct Walk {
  DriverContext* ctx;
  const ModelImage* image;
  JobTextAccumulator* acc;
  uint32_t steps;

  bool Step() { return steps-- > 0; }
};

int32_t JobWalkList(Walk& w, uint32_t node);

// The first list when the block's condition is 0 or holds,
// else the second.
int32_t JobWalkBlock(Walk& w, uint32_t at) {
  ImgCommandBlock block;
  if (!w.Step() || !MdfImgReadBlock(w.image, at, &block)) return -1;
  bool holds = block.condition == 0 || RuleEvalJudge(w.ctx, block.condition) != 0;
  return JobWalkList(w, holds ? block.first : block.second);
}

// The command pair of a feature record.
ImgCommandPair PairOf(const ModelImage* image, const ImgFeature& feature) {
  ImgCommandPair pair{};
  if (feature.commands) MdfImgReadCommandPair(image, feature.commands, &pair);
  return pair;
}

// M/D of a feature's NumericValue record (its seventh and eighth numbers).
// A record with fewer numbers, or none at all, has a zero there: that means
// a factor of 1 rather than a division by zero.
void ScaleOf(const ModelImage* image, const ImgFeature& feature, int64_t* m, int64_t* d) {
  ImgNumeric numeric{};
  if (feature.data) MdfImgReadNumeric(image, feature.data, &numeric);
  *m = numeric.seventh;
  *d = numeric.eighth;
  if (*m == 0 || *d == 0) *m = *d = 1;
}

void AppendNumber(DriverContext* ctx, const ImgCommandPair& pair, int64_t number, JobTextAccumulator* acc) {
  char text[24];
  std::snprintf(text, sizeof text, "%lld", static_cast<long long>(number));
  JobAppend(ctx, &pair, text, acc);
}

// The setting's own string as ANSI text into out (room bytes): wide settings
// (types 8, 11 and 13) are converted, the others taken as they stand, cut to
// the setting's size. False when the setting has no storage.
bool SettingString(DriverContext* ctx, const SettingRecord* row, char* out, size_t room) {
  const uint8_t* p = OptGetValueAddr(ctx, row);
  out[0] = 0;
  if (!p) return false;
  uint32_t type = DescType(row->descriptor);
  size_t size = DescSize(row->descriptor);
  if (IsWideType(type) || type == 13) {
    char16_t wide[1024] = {};
    size_t chars = std::min(size / 2, sizeof wide / sizeof wide[0] - 1);
    std::memcpy(wide, p, chars * sizeof(char16_t));
    ToAnsi(wide, chars, out, room);
  } else {
    size_t n = 0;
    while (n < size && n + 1 < room && p[n]) ++n;
    std::memcpy(out, p, n);
    out[n] = 0;
  }
  return true;
}

// ---- handlers by feature type -------------------------------------------------------------

// The text of the option whose id is the value.
int32_t JobOptionText(Walk& w, const ImgFeature& feature, int32_t value) {
  uint16_t storage = MdfStorageType(feature.type);
  for (uint32_t at = feature.data; at && w.Step();) {
    ImgOption option;
    if (!MdfImgReadOption(w.image, at, storage, &option)) break;
    if (option.optionId == value) {
      const char* text = option.text ? MdfImgText(w.image, option.text) : nullptr;
      if (text && *text) {
        ImgCommandPair pair = PairOf(w.image, feature);
        JobAppend(w.ctx, &pair, text, w.acc);
      }
      return 0;
    }
    at = option.next;
  }
  return 0;  // no such option: nothing, and the walk goes on
}

// The true text for a non-zero value, else the false text.
int32_t JobBooleanText(Walk& w, const ImgFeature& feature, int32_t value) {
  ImgBoolean record{};
  if (feature.data) MdfImgReadBoolean(w.image, feature.data, &record);
  uint32_t text_at = value ? record.trueText : record.falseText;
  const char* text = text_at ? MdfImgText(w.image, text_at) : nullptr;
  ImgCommandPair pair = PairOf(w.image, feature);
  return JobAppend(w.ctx, &pair, text, w.acc);
}

// Value × M / D.
int32_t JobNumericText(Walk& w, const ImgFeature& feature, int32_t value) {
  int64_t m = 1, d = 1;
  ScaleOf(w.image, feature, &m, &d);
  AppendNumber(w.ctx, PairOf(w.image, feature), int64_t(value) * m / d, w.acc);
  return 0;
}

// The setting's string; a setting without storage stops the
// walk.
int32_t JobStringText(Walk& w, const ImgFeature& feature, const SettingRecord* row) {
  char text[kAnsiRoom * 2];
  if (!SettingString(w.ctx, row, text, sizeof text)) return -1;
  if (!text[0]) return 0;
  ImgCommandPair pair = PairOf(w.image, feature);
  JobTextAccumulator* acc = w.acc;
  if (pair.first) JobAppendText(acc, MdfImgText(w.image, pair.first));
  JobAppendQuotedValue(acc, text);
  if (pair.second) JobAppendText(acc, MdfImgText(w.image, pair.second));
  return 0;
}

// The substitution table of the settings, when the chosen
// option of the FontTbl feature has substitution pairs in the model.
void JobFontTableLine(Walk& w, const ImgFeature& feature, int32_t value) {
  bool has_pairs = false;
  for (uint32_t at = feature.data; at && w.Step();) {
    ImgOption option;
    if (!MdfImgReadOption(w.image, at, kFeatureFontTbl, &option)) break;
    if (option.optionId == value) {
      has_pairs = option.count > 0;
      break;
    }
    at = option.next;
  }
  if (!has_pairs) return;
  uint32_t count = uint16_t(OptGetValueById(w.ctx, setting::vdmFontTableNum));
  auto* table =
      static_cast<const FontSubstEntry*>(CtxBlobGet(w.ctx, uint32_t(OptGetValueById(w.ctx, setting::vdmFontTable))));
  if (count == 0 || !table) return;
  JobAppendText(w.acc, "@PJL SET SUBFONTTABLE = \"");
  for (uint32_t i = 0; i < count; ++i) {
    char name[kFontNameChars * 2 + 1];
    ToAnsi(table[i].trueTypeName, kFontNameChars, name, sizeof name);
    JobAppendQuotedValue(w.acc, name);
    JobAppendText(w.acc, "+");
    ToAnsi(table[i].deviceName, kFontNameChars, name, sizeof name);
    JobAppendQuotedValue(w.acc, name);
    if (i + 1 < count) JobAppendText(w.acc, "/");
  }
  JobAppendText(w.acc, "\"");
  JobAppendText(w.acc, kLineEnd);
}

// The text of the feature a GroupType node names.
int32_t JobFeatureCommand(Walk& w, uint16_t key, uint16_t number) {
  SettingRecord* row = OptFindSettingByKey(w.ctx, key);
  uint32_t at = JobFindFeatureNode(key, number, w.ctx);
  ImgFeature feature;
  if (!row || !at || !MdfImgReadFeature(w.image, at, &feature)) return -1;
  int32_t value = OptGetOption(w.ctx, row);
  if (row->commandValueKind && JobCommandValueText(w.ctx, row, at, value, w.acc)) return 0;
  if (feature.type & kFeatureTypeUnknown) return 0;
  switch (MdfStorageType(feature.type)) {
    case kFeaturePickOne:
    case kFeaturePickPage:
    case kFeaturePickSlot:
      return JobOptionText(w, feature, value);
    case kFeatureFontTbl: {
      int32_t result = JobOptionText(w, feature, value);
      JobFontTableLine(w, feature, value);
      return result;
    }
    case kFeatureBoolean:
      return JobBooleanText(w, feature, value);
    case kFeatureNumeric:
      return JobNumericText(w, feature, value);
    case kFeatureString:
      return JobStringText(w, feature, row);
    default:
      return 0;
  }
}

// The nodes in order; -1 stops the walk. The result is that of
// the last node that gives one (string nodes leave it as it is).
int32_t JobWalkList(Walk& w, uint32_t at) {
  int32_t result = 0;
  while (at) {
    ImgCommandNode node;
    if (!w.Step() || !MdfImgReadNode(w.image, at, &node)) return -1;
    switch (node.kind) {
      case kCommandNodeGroupType:
        result = JobFeatureCommand(w, node.featureKey, node.number);
        break;
      case kCommandNodeStringType:
        if (node.text && node.textLength > 1) {
          uint64_t end = uint64_t(node.text) + node.textLength;
          if (end > MdfImageSize(w.image)) return -1;
          JobAppendBytes(w.acc, MdfImageBytes(w.image) + node.text, node.textLength - 1);
        }
        break;
      case kCommandNodeCondition:
        result = JobWalkBlock(w, node.block);
        break;
      case kCommandNodeFontType:
        result = JobDeviceFontLine(w.ctx, w.acc);
        break;
      default:
        result = -1;
        break;
    }
    if (result == -1) return -1;
    at = node.next;
  }
  return result;
}

// Kind 101: the per-model data file of families 130 and 131.
const char* ModelDataFile(DriverContext* ctx) {
  static const char* const kFiles[2][4] = {
      {"velm130a.vcm", "velm130b.vcm", "velm130c.vcm", "velm130d.vcm"},
      {"velm131a.vcm", "velm131b.vcm", "velm131c.vcm", "velm131d.vcm"},
  };
  uint8_t family = ctx->model ? ctx->model->machineId : 0;
  if (family != 130 && family != 131) return nullptr;
  int32_t matching = OptGetValueById(ctx, setting::vdmColorMatchingMode);
  if (matching == 0) return nullptr;
  int32_t media = OptGetValueById(ctx, setting::vdmMediaType);
  int row = (media == 2 ? 2 : 0) + (matching == 1 ? 0 : 1);
  return kFiles[family - 130][row];
}

// A wide path or name as ANSI, wrapped; nothing when empty.
void AppendWide(DriverContext* ctx, const ImgCommandPair& pair, const char16_t* wide, const char* tail,
                JobTextAccumulator* acc) {
  if (!wide) return;
  char text[kAnsiRoom + 16];
  ToAnsi(wide, 260, text, kAnsiRoom);
  if (tail) std::strncat(text, tail, sizeof text - std::strlen(text) - 1);
  if (text[0]) JobAppend(ctx, &pair, text, acc);
}

}  // namespace

// ---- the accumulator ------------------------------------------------------------------------

void JobAppendBytes(JobTextAccumulator* acc, const void* bytes, uint32_t length) {
  if (!acc || length == 0) return;
  if (acc->buffer && acc->length < acc->capacity) {
    uint32_t room = acc->capacity - acc->length - 1;  // keep the terminating zero
    uint32_t n = length < room ? length : room;
    std::memcpy(acc->buffer + acc->length, bytes, n);
    acc->buffer[acc->length + n] = 0;
  }
  if (length > UINT32_MAX - acc->length) acc->overflow = true;
  acc->length += length;
}

void JobAppendText(JobTextAccumulator* acc, const char* text) {
  if (text) JobAppendBytes(acc, text, uint32_t(std::strlen(text)));
}

void JobAppendQuotedValue(JobTextAccumulator* acc, const char* value) {
  if (!value) return;
  char clean[kJobQuotedValueMax + 1];
  uint32_t n = 0;
  for (const auto* p = reinterpret_cast<const uint8_t*>(value); *p && n < kJobQuotedValueMax; ++p) {
    if (IsLeadByte(*p) && p[1]) {
      if (n + 2 > kJobQuotedValueMax) break;  // the whole character or nothing
      clean[n++] = char(p[0]);
      clean[n++] = char(p[1]);
      ++p;
      continue;
    }
    bool unsafe = *p < 0x20 || *p == 0x7F || *p == '"';
    clean[n++] = unsafe ? ' ' : char(*p);
  }
  JobAppendBytes(acc, clean, n);
}

int32_t JobAppend(DriverContext* ctx, const ImgCommandPair* pair, const char* text, JobTextAccumulator* acc) {
  const ModelImage* image = ctx ? ctx->image : nullptr;
  if (pair && pair->first && image) JobAppendText(acc, MdfImgText(image, pair->first));
  JobAppendText(acc, text);
  if (pair && pair->second && image) JobAppendText(acc, MdfImgText(image, pair->second));
  return 0;
}

// ---- look-up ------------------------------------------------------------------------------------

uint32_t JobFindFeatureNode(uint16_t key, uint16_t number, DriverContext* ctx) {
  if (!ctx || !ctx->image) return 0;
  const ModelImage* image = ctx->image;
  uint32_t steps = MdfStepLimit(image);
  for (uint32_t at = MdfImgSlot(image, kSlotFeatures); at && steps--;) {
    ImgFeature feature;
    if (!MdfImgReadFeature(image, at, &feature)) return 0;
    if (feature.key == key && (feature.subId == number || (feature.type & kFeatureIdentity))) return at;
    at = feature.next;
  }
  return 0;
}

// ---- value kinds of setting rows ----------------------------------------------------------------------

int32_t JobCommandValueText(DriverContext* ctx, const SettingRecord* row, uint32_t feature_at, int32_t value,
                            JobTextAccumulator* acc) {
  if (!ctx || !row || !ctx->image) return 0;
  ImgFeature feature{};
  if (feature_at) MdfImgReadFeature(ctx->image, feature_at, &feature);
  ImgCommandPair pair = PairOf(ctx->image, feature);
  switch (row->commandValueKind) {
    case kCmdValueDate: {
      ENG_TIME_FIELDS now{};
      EngQueryLocalTime(&now);
      char text[64];
      std::snprintf(text, sizeof text, "@PJL SET DATE = \"%04d/%02d/%02d\"%s", now.usYear, now.usMonth, now.usDay,
                    kLineEnd);
      JobAppendText(acc, text);
      std::snprintf(text, sizeof text, "\"%02d:%02d:%02d\"", now.usHour, now.usMinute, now.usSecond);
      JobAppend(ctx, &pair, text, acc);
      return 1;
    }
    case kCmdValueLength:
    case kCmdValueLengthSimplex:
    case kCmdValueLengthShift: {
      int64_t m = 1, d = 1;
      ScaleOf(ctx->image, feature, &m, &d);
      int64_t length = int64_t(value) * m * int64_t(OptGetValueById(ctx, setting::vdmDstResolutionW)) / (d * 1200);
      int32_t bind = OptGetValueById(ctx, setting::vdmSimplexBindType);
      if ((row->commandValueKind == kCmdValueLengthSimplex && (bind == 2 || bind == 4)) ||
          (row->commandValueKind == kCmdValueLengthShift && (bind == 3 || bind == 4)))
        length = -length;
      AppendNumber(ctx, pair, length, acc);
      return 1;
    }
    case kCmdValueDriverName: {
      char name[kAnsiRoom];
      JobAppendText(acc, "@PJL SET VELMDRIVERNAME = \"");
      ToAnsi(SplGetDriverName(ctx), 260, name, sizeof name);
      JobAppendQuotedValue(acc, name);
      JobAppendText(acc, "\"");
      JobAppendText(acc, kLineEnd);
      ToAnsi(SplGetPrinterName(ctx), 260, name, sizeof name);
      if (pair.first) JobAppendText(acc, MdfImgText(ctx->image, pair.first));
      JobAppendText(acc, "\"");
      JobAppendQuotedValue(acc, name);
      JobAppendText(acc, "\"");
      if (pair.second) JobAppendText(acc, MdfImgText(ctx->image, pair.second));
      return 1;
    }
    case kCmdValueDriverIni:
      AppendWide(ctx, pair, PathGetDriverIni(ctx), nullptr, acc);
      return 1;
    case kCmdValueLogFile:
    case kCmdValueLogDll: {
      char16_t name[261] = {};
      if (!SplReadPrinterString(ctx->printer, u"LogFileName", name, 261)) name[0] = 0;
      size_t n = plat::WLen(name);
      if (row->commandValueKind == kCmdValueLogDll && n > 3) {
        name[n - 3] = u'D';
        name[n - 2] = u'L';
        name[n - 1] = u'L';
      }
      AppendWide(ctx, pair, name, nullptr, acc);
      return 1;
    }
    case kCmdValueCleanString: {
      char text[kAnsiRoom * 2];
      if (SettingString(ctx, row, text, sizeof text)) {
        size_t limit = DescSize(row->descriptor) ? DescSize(row->descriptor) - 1 : 0;
        size_t n = 0;
        for (const char* p = text; *p && n < limit; ++p)
          if (*p != '-' && *p != '(' && *p != ')') text[n++] = *p;
        text[n] = 0;
        if (n) {
          if (pair.first) JobAppendText(acc, MdfImgText(ctx->image, pair.first));
          JobAppendQuotedValue(acc, text);
          if (pair.second) JobAppendText(acc, MdfImgText(ctx->image, pair.second));
        }
      }
      return 1;
    }
    case kCmdValueDriverDir:
      AppendWide(ctx, pair, PathGetDriverDir(ctx), nullptr, acc);
      return 1;
    case kCmdValueModelDataFile: {
      const char* file = ModelDataFile(ctx);
      if (file) AppendWide(ctx, pair, PathGetDriverDir(ctx), file, acc);
      return 1;
    }
    default:
      return 0;
  }
}

// ---- the driver's own lines ---------------------------------------------------------------------

int32_t JobDeviceFontLine(DriverContext* ctx, JobTextAccumulator* acc) {
  uint32_t count = uint16_t(OptGetValueById(ctx, setting::vdmDeviceFontNum));
  auto* fonts =
      static_cast<const DeviceFontEntry*>(CtxBlobGet(ctx, uint32_t(OptGetValueById(ctx, setting::vdmDeviceFont))));
  if (count == 0 || !fonts) return 0;
  bool any = false;
  for (uint32_t i = 0; i < count && !any; ++i) any = (fonts[i].id & 0xFFFF) != kNoFontId;
  if (!any) return 0;  // no entry to name: the line is left out
  JobAppendText(acc, "@PJL SET DEVFONTID = \"");
  bool first = true;
  for (uint32_t i = 0; i < count; ++i) {
    if ((fonts[i].id & 0xFFFF) == kNoFontId) continue;
    if (!first) JobAppendText(acc, "/");
    first = false;
    char text[16];
    std::snprintf(text, sizeof text, "%d+", int(fonts[i].id));
    JobAppendText(acc, text);
    char name[kFontNameChars * 2 + 1];
    ToAnsi(fonts[i].name, kFontNameChars, name, sizeof name);
    JobAppendQuotedValue(acc, name);
  }
  JobAppendText(acc, "\"");
  JobAppendText(acc, kLineEnd);
  return 0;
}

// ---- the walk -------------------------------------------------------------------------------------

int32_t JobBuildCommandText(DriverContext* ctx, int32_t tree, char* buffer, uint32_t* length) {
  if (!length) return -1;
  uint32_t capacity = *length;
  *length = 0;
  if (!ctx || !ctx->image || tree < kJobTreeJobStart || tree > kJobTreePageEnd) return -1;
  if (buffer && capacity) buffer[0] = 0;
  JobTextAccumulator acc{0, buffer, buffer ? capacity : 0, false};
  Walk w{ctx, ctx->image, &acc, MdfStepLimit(ctx->image)};
  int32_t result = 0;
  uint32_t root = MdfImgSlot(ctx->image, kSlotJobStart + tree);
  if (root) result = JobWalkBlock(w, root);
  if (acc.overflow) return -1;
  *length = acc.length;
  if (result < 0) return result;
  if (!buffer && result == 0 && acc.length > 0) return 1;
  return result;
}

namespace {

int32_t BuildInto(DriverContext* ctx, int32_t tree, CommandTextSink* sink) {
  uint32_t measured = 0;
  int32_t result = JobBuildCommandText(ctx, tree, nullptr, &measured);
  if (result < 0) return result;
  if (measured == 0) return result;
  if (measured == UINT32_MAX) return -1;
  auto* text = static_cast<char*>(MemAllocZeroed(size_t(measured) + 1));
  if (!text) return -1;
  uint32_t filled = measured + 1;
  result = JobBuildCommandText(ctx, tree, text, &filled);
  // The filling pass writes what the measuring pass counted; a text that
  // changed in between is not sent.
  if (result >= 0 && (filled != measured || !CommandTextAppend(sink, text, measured))) result = -1;
  MemFree(text);
  return result;
}

}  // namespace

int32_t JobJobStartText(DriverContext* ctx, CommandTextSink* sink) { return BuildInto(ctx, kJobTreeJobStart, sink); }
int32_t JobPageStartText(DriverContext* ctx, CommandTextSink* sink) {
  return BuildInto(ctx, kJobTreePageStart, sink);
}
int32_t JobPageEndText(DriverContext* ctx, CommandTextSink* sink) { return BuildInto(ctx, kJobTreePageEnd, sink); }
