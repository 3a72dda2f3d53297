// DrvEscape: the printer escapes of applications. Every escape checks the
// sizes it is given before it reads or writes a byte: a buffer too short for
// what the escape reads or writes, or a string not terminated inside its
// buffer, gets the escape's failure value and changes nothing.
#include <cstring>
#include <string>

#include "gr2k/ddi_entries.h"
#include "gr2k/dlstream.h"
#include "gr2k/doc.h"
#include "gr2k/pdev.h"
#include "plat/kernel.h"
#include "plat/wstr.h"
#include "velm/context.h"
#include "velm/setting_ids.h"
#include "velm/settings.h"

namespace {
constexpr uint32_t kItemPrintMethod = 222;
constexpr size_t kMaxIniPathChars = 259;
constexpr size_t kMaxSpoolNameChars = 128;

struct Call {
  Pdev* pdev;
  ULONG code;
  ULONG inSize;
  const uint8_t* in;
  ULONG outSize;
  uint8_t* out;

  bool HasOutput() const { return out && outSize > 0; }
};

using Handler = ULONG (*)(const Call& c);

// The input as a string terminated inside the input buffer; null otherwise.
const char* InputText(const Call& c) {
  if (!c.in || c.inSize == 0) return nullptr;
  return std::memchr(c.in, 0, c.inSize) ? reinterpret_cast<const char*>(c.in) : nullptr;
}

ULONG SupportOf(const Pdev* pdev, ULONG code);

ULONG QuerySupport(const Call& c) {
  if (!c.in || c.inSize < sizeof(uint16_t)) return 0;
  uint16_t code = 0;
  std::memcpy(&code, c.in, sizeof code);
  return SupportOf(c.pdev, code);
}

ULONG SetCopyCount(const Call& c) {
  if (!c.in || c.inSize < sizeof(uint32_t)) return kEscFailed;
  if (c.HasOutput() && c.outSize < sizeof(uint32_t)) return kEscFailed;
  uint32_t copies = 0;
  std::memcpy(&copies, c.in, sizeof copies);
  if (copies >= kEscMaxCopies) copies = kEscMaxCopies;
  if (copies == 0) copies = 1;
  c.pdev->copies = int16_t(copies);
  OptSetValueById(c.pdev->context, setting::dmCopies, int32_t(copies));
  if (c.HasOutput()) std::memcpy(c.out, &copies, sizeof copies);
  return 1;
}

ULONG PassThrough(const Call& c) {
  if (!c.in || c.inSize < sizeof(uint16_t)) return kEscFailed;
  uint16_t count = 0;
  std::memcpy(&count, c.in, sizeof count);
  if (uint64_t(count) + sizeof count > c.inSize) return kEscFailed;
  if (!c.pdev->passThrough) return count;
  DisplayListStream* stream = &c.pdev->stream;
  if (!DlFlush(stream)) return kEscFailed;
  if (!SpoolWrite(stream, c.in + sizeof count, count)) return kEscFailed;
  return count;
}

// Text with its terminator to the output; 0 when it does not fit.
ULONG PutText(const Call& c, const char* text, size_t length) {
  if (!c.HasOutput() || c.outSize < length + 1) return 0;
  std::memcpy(c.out, text, length);
  c.out[length] = 0;
  return 1;
}

ULONG Technology(const Call& c) { return PutText(c, kEscTechnology, std::strlen(kEscTechnology)); }

ULONG DeviceUnits(const Call& c) {
  if (!c.HasOutput() || c.outSize < 4 * sizeof(float)) return 0;
  const Pdev* p = c.pdev;
  const bool page_open = (p->flags & kPdevPageOpen) != 0;
  const float units[4] = {float(p->printWidthDots), float(p->printLengthDots),
                          page_open ? float(p->offsetXDots) : 0.0f, page_open ? float(p->offsetYDots) : 0.0f};
  std::memcpy(c.out, units, sizeof units);
  return 1;
}

// The setting of a text escape 111-116, 118.
uint32_t TextItemOf(ULONG code) {
  switch (code) {
    case kEscSetUserCode: return 216;
    case kEscSetOwnerName: return 217;
    case kEscSetJobPassword: return 220;
    case kEscSetUserId: return 215;
    case kEscSetDocumentName: return 219;
    case kEscSetTelNo: return 243;
    case kEscSetStoredPassword: return 221;
    default: return 0;
  }
}

// The input becomes the setting's stored text: at most its size less the
// terminator, cut before a character that would not fit whole.
ULONG SetTextItem(const Call& c) {
  const char* text = InputText(c);
  SettingRecord* row = OptFindSetting(c.pdev->context, TextItemOf(c.code));
  if (!text || !row || !IsAnsiType(DescType(row->descriptor))) return 0;
  const size_t size = DescSize(row->descriptor);
  if (size == 0) return 0;
  std::string value(size, '\0');
  size_t n = 0;
  for (const auto* p = reinterpret_cast<const uint8_t*>(text); *p;) {
    const size_t step = IsDBCSLeadByte(*p) && p[1] ? 2 : 1;
    if (n + step > size - 1) break;
    std::memcpy(&value[n], p, step);
    n += step;
    p += step;
  }
  return OptSetBytes(c.pdev->context, row, value.data()) ? 1 : 0;
}

// The decimal text as C's atoi reads it (blanks, a sign, digits), held to
// the 32-bit range.
int32_t DecimalValue(const char* text) {
  const char* p = text;
  while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  int64_t value = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    value = value * 10 + (*p - '0');
    if (value > int64_t(INT32_MAX) + 1) value = int64_t(INT32_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT32_MAX) value = INT32_MAX;
  return int32_t(value);
}

ULONG SetTelLine(const Call& c) {
  const char* text = InputText(c);
  if (!text) return 0;
  OptSetValueById(c.pdev->context, setting::vdmTelLine, DecimalValue(text));
  return 1;
}

// An item as an i16 to the output, when there is one.
ULONG PutItem(const Call& c, uint32_t item) {
  if (!c.HasOutput()) return 1;
  if (c.outSize < sizeof(int16_t)) return 0;
  const int16_t value = int16_t(OptGetValueById(c.pdev->context, item));
  std::memcpy(c.out, &value, sizeof value);
  return 1;
}
ULONG DefaultSource(const Call& c) { return PutItem(c, setting::dmDefaultSource); }
ULONG PrintMethod(const Call& c) { return PutItem(c, kItemPrintMethod); }
ULONG ApiUseFlag(const Call& c) { return PutItem(c, setting::vdmAPIUseFlag); }

ULONG SetDriverIni(const Call& c) {
  DriverContext* ctx = c.pdev->context;
  if (!c.in || !ctx || !ctx->work) return 0;
  const size_t units = c.inSize / sizeof(char16_t);
  std::u16string path(units, u'\0');
  std::memcpy(path.data(), c.in, units * sizeof(char16_t));
  const size_t length = plat::WLenN(path.c_str(), units);
  if (length == units || length > kMaxIniPathChars) return 0;  // unterminated or too long
  std::memcpy(ctx->work->driverIni, path.c_str(), (length + 1) * sizeof(char16_t));
  return 1;
}

ULONG Reserved(const Call&) { return 1; }

ULONG CoreVersion(const Call& c) { return PutText(c, kEscCoreVersionText, std::strlen(kEscCoreVersionText)); }

ULONG SpoolDllName(const Call& c) {
  const char16_t* name = c.pdev->spoolDllName;
  if (!name) return 0;
  const size_t chars = plat::WLenN(name, kMaxSpoolNameChars);
  char text[kMaxSpoolNameChars * 2 + 1];
  const size_t bytes = plat::WideToAnsi(name, chars, text, sizeof text - 1);
  return PutText(c, text, bytes);
}

struct EscapeRow {
  ULONG first;
  ULONG last;
  Handler handler;
};

constexpr EscapeRow kEscapes[] = {
    {kEscQuerySupport, kEscQuerySupport, QuerySupport},
    {kEscSetCopyCount, kEscSetCopyCount, SetCopyCount},
    {kEscPassThrough, kEscPassThrough, PassThrough},
    {kEscGetTechnology, kEscGetTechnology, Technology},
    {kEscGetDeviceUnits, kEscGetDeviceUnits, DeviceUnits},
    {kEscSetUserCode, kEscSetUserCode, SetTextItem},
    {kEscSetOwnerName, kEscSetOwnerName, SetTextItem},
    {kEscSetJobPassword, kEscSetJobPassword, SetTextItem},
    {kEscSetUserId, kEscSetUserId, SetTextItem},
    {kEscSetDocumentName, kEscSetDocumentName, SetTextItem},
    {kEscSetTelNo, kEscSetTelNo, SetTextItem},
    {kEscSetTelLine, kEscSetTelLine, SetTelLine},
    {kEscSetStoredPassword, kEscSetStoredPassword, SetTextItem},
    {kEscGetDefaultSource, kEscGetDefaultSource, DefaultSource},
    {kEscGetPrintMethod, kEscGetPrintMethod, PrintMethod},
    {kEscSetDriverIni, kEscSetDriverIni, SetDriverIni},
    {122, 122, Reserved},
    {123, 125, Reserved},
    {kEscGetApiUseFlag, kEscGetApiUseFlag, ApiUseFlag},
    {kEscCoreVersion, kEscCoreVersion, CoreVersion},
    {kEscSpoolDllName, kEscSpoolDllName, SpoolDllName},
};
static_assert(sizeof(kEscapes) / sizeof(kEscapes[0]) == 21);

const EscapeRow* FindEscape(ULONG code) {
  for (const EscapeRow& row : kEscapes)
    if (code >= row.first && code <= row.last) return &row;
  return nullptr;
}

ULONG SupportOf(const Pdev* pdev, ULONG code) {
  if (code == kEscSetCopyCount) return kEscMaxCopies;
  if (code == kEscPassThrough) return pdev->passThrough ? 1 : 0;
  return FindEscape(code) ? 1 : 0;
}

}  // namespace

ULONG DrvEscape(SURFOBJ* pso, ULONG escape, ULONG in_size, PVOID in, ULONG out_size, PVOID out) {
  Pdev* pdev = GrPdevOfSurface(pso);
  if (!pdev) return 0;
  const EscapeRow* row = FindEscape(escape);
  if (!row) return 0;
  Call c{pdev, escape, in_size, static_cast<const uint8_t*>(in), out_size, static_cast<uint8_t*>(out)};
  return row->handler(c);
}
