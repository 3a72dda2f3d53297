// Message boxes from string ids of the UI resource module.
#include "velm/messages.h"

#include "plat/user.h"
#include "plat/wstr.h"
#include "velm/resources.h"
#include "velm/settings.h"
#include "velm/spooler.h"

namespace {

constexpr uint32_t kCaptionChars = 261;
constexpr uint32_t kFormatChars = 1024;
constexpr uint32_t kExtraBytes = 2048;
constexpr uint32_t kBytesPerNumber = 32;

size_t TextBytes(const char16_t* s) { return s ? (plat::WLen(s) + 1) * 2 : 0; }

struct Buffers {
  char16_t* message = nullptr;
  char16_t* formatted = nullptr;
  char16_t* format = nullptr;
  ~Buffers() {
    MemFree(message);
    MemFree(formatted);
    MemFree(format);
  }
};

// Formats a message string of the resource module with its arguments. The
// format comes from outside the driver, so it is interpreted here rather
// than handed to a printf: %s takes the string argument, %d, %u and %x the
// next number (h and l are accepted and ignored), %% is a percent sign; a
// conversion without a matching argument is copied as it stands.
void FormatMessageText(char16_t* out, size_t cap, const char16_t* fmt, const char16_t* text,
                       const uint16_t* numbers, uint16_t count) {
  size_t n = 0;
  uint16_t next = 0;
  auto put = [&](char16_t c) {
    if (n + 1 < cap) out[n++] = c;
  };
  for (const char16_t* p = fmt; *p; ++p) {
    if (*p != u'%') {
      put(*p);
      continue;
    }
    const char16_t* q = p + 1;
    while (*q == u'h' || *q == u'l') ++q;
    if (*q == u'%') {
      put(u'%');
      p = q;
    } else if (*q == u's' && text) {
      for (const char16_t* t = text; *t; ++t) put(*t);
      text = nullptr;
      p = q;
    } else if ((*q == u'd' || *q == u'u' || *q == u'x') && numbers && next < count) {
      char16_t digits[16];
      plat::WFormat(digits, 16, *q == u'x' ? u"%x" : *q == u'd' ? u"%d" : u"%u", int(numbers[next++]));
      for (const char16_t* t = digits; *t; ++t) put(*t);
      p = q;
    } else {
      put(*p);
    }
  }
  if (cap) out[n] = 0;
}

}  // namespace

int32_t UiShowMessage(DriverContext* ctx, const UiMessageRequest* request, HWND owner) {
  if (!request) return 0;
  const UiMessageRequest& r = *request;
  if (r.argument && r.argumentKind == 0) return 0;
  if (r.argumentKind == 2 && r.numberCount == 0) return 0;
  const char16_t* string_arg = r.argumentKind == 1 ? static_cast<const char16_t*>(r.argument) : nullptr;

  size_t bytes = TextBytes(r.prefix) + TextBytes(string_arg) + TextBytes(r.suffix) + kExtraBytes;
  if (r.argumentKind == 2) bytes += size_t(kBytesPerNumber) * r.numberCount;
  size_t chars = bytes / 2;
  Buffers b;
  b.message = static_cast<char16_t*>(MemAllocZeroed(bytes));
  b.formatted = static_cast<char16_t*>(MemAllocZeroed(bytes));
  b.format = static_cast<char16_t*>(MemAllocZeroed(bytes));
  if (!b.message || !b.formatted || !b.format) return 0;

  char16_t caption[kCaptionChars] = {};
  if (r.captionId) ResLoadString(ctx, r.captionId, caption, kCaptionChars, 0);
  else plat::WCopy(caption, kCaptionChars, SplGetPrinterName(ctx));

  if (r.prefix) {
    plat::WCopy(b.message, chars, r.prefix);
    plat::WAppend(b.message, chars, u"\r\n\r\n");
  }
  ResLoadString(ctx, r.textId, b.format, kFormatChars < chars ? kFormatChars : uint32_t(chars), 0);
  if (r.argumentKind == 1 && string_arg) {
    FormatMessageText(b.formatted, chars, b.format, string_arg, nullptr, 0);
  } else if (r.argumentKind == 2 && r.argument) {
    // One to eight numbers; any other count formats with the first only.
    uint16_t used = r.numberCount >= 1 && r.numberCount <= 8 ? r.numberCount : 1;
    FormatMessageText(b.formatted, chars, b.format, nullptr, static_cast<const uint16_t*>(r.argument), used);
  } else {
    plat::WCopy(b.formatted, chars, b.format);
  }
  plat::WAppend(b.message, chars, b.formatted);
  if (r.suffix) {
    plat::WAppend(b.message, chars, u"\r\n\r\n");
    plat::WAppend(b.message, chars, r.suffix);
    plat::WAppend(b.message, chars, u"\r\n\r\n");
  }
  return MessageBoxW(owner ? owner : GetActiveWindow(), b.message, caption, UINT(r.buttonFlags) | r.iconFlags);
}

int32_t UiMessageBoxIdFlags(DriverContext* ctx, HWND owner, uint32_t text_id, uint32_t button_flags) {
  UiMessageRequest r{};
  r.textId = uint16_t(text_id);
  r.iconFlags = uint16_t(MB_ICONWARNING);
  r.buttonFlags = uint16_t(button_flags);
  return UiShowMessage(ctx, &r, owner);
}

int32_t UiMessageBoxId(DriverContext* ctx, HWND owner, uint32_t text_id) {
  return UiMessageBoxIdFlags(ctx, owner, text_id, MB_OK);
}

int32_t UiMessageBoxIdOkCancel(DriverContext* ctx, HWND owner, uint32_t text_id) {
  return UiMessageBoxIdFlags(ctx, owner, text_id, MB_OKCANCEL);
}

int32_t UiMessageBoxIdArg(DriverContext* ctx, HWND owner, uint32_t text_id, const char16_t* argument) {
  UiMessageRequest r{};
  r.textId = uint16_t(text_id);
  r.iconFlags = uint16_t(MB_ICONWARNING);
  r.buttonFlags = uint16_t(MB_OK);
  r.argumentKind = 1;
  r.argument = argument;
  return UiShowMessage(ctx, &r, owner);
}
