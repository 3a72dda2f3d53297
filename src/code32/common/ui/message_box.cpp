// Message boxes and the wait dialog over the window layer: the libraries
// with a user interface only (VELMPD3).
#include <algorithm>
#include <string>
#include <vector>

#include "plat/user.h"
#include "plat/wstr.h"
#include "ui/format.h"
#include "ui/user32.h"
#include "velm/context.h"
#include "velm/messages.h"
#include "velm/resources.h"
#include "velm/settings.h"
#include "velm/spooler.h"

namespace {

constexpr uint32_t kCaptionChars = 261;
constexpr uint32_t kFormatChars = 1024;
constexpr uint32_t kWaitTemplate = 4006;
constexpr int kWaitTextControl = 5005;
constexpr uint32_t kScratchChars = 522;

const std::u16string kBreak = u"\r\n\r\n";

}  // namespace

// The format is a string of the resource module, so it is never handed to
// a printf with whatever the stack holds: only the arguments the request
// carries are substituted, and the message grows to what it needs, so the
// frame of blank lines around the text always fits.
int32_t UiShowMessage(DriverContext* ctx, const UiMessageRequest* request, HWND owner) {
  if (!request) return 0;
  const UiMessageRequest& r = *request;
  if (r.argument && r.argumentKind == 0) return 0;
  if (r.argumentKind == 2 && r.numberCount == 0) return 0;

  char16_t caption[kCaptionChars] = {};
  if (r.captionId) ResLoadString(ctx, r.captionId, caption, kCaptionChars, 0);
  else plat::WCopy(caption, kCaptionChars, SplGetPrinterName(ctx));

  // The format and the message live in the driver's own memory, as the
  // rest of its buffers: short memory answers 0, as a box that cannot be
  // shown.
  auto* format = static_cast<char16_t*>(MemAllocZeroed((kFormatChars + 1) * sizeof(char16_t)));
  if (!format) return 0;
  ResLoadString(ctx, r.textId, format, kFormatChars + 1, 0);

  std::vector<ui::FormatArg> args;
  if (r.argumentKind == 1 && r.argument) {
    args.push_back(ui::FormatArg::Text(static_cast<const char16_t*>(r.argument)));
  } else if (r.argumentKind == 2 && r.argument) {
    // One to eight numbers; any other count formats with the first only.
    uint16_t used = r.numberCount >= 1 && r.numberCount <= 8 ? r.numberCount : 1;
    const auto* numbers = static_cast<const uint16_t*>(r.argument);
    for (uint16_t i = 0; i < used; ++i) args.push_back(ui::FormatArg::Number(numbers[i]));
  }

  std::u16string message;
  if (r.prefix) message += r.prefix + kBreak;
  message += args.empty() ? std::u16string(format) : ui::FormatW(format, args);
  if (r.suffix) message += kBreak + r.suffix + kBreak;

  MemFree(format);
  auto* text = static_cast<char16_t*>(MemAllocZeroed((message.size() + 1) * sizeof(char16_t)));
  if (!text) return 0;
  std::copy(message.begin(), message.end(), text);
  int32_t answer = MessageBoxW(owner ? owner : GetActiveWindow(), text, caption, UINT(r.buttonFlags) | r.iconFlags);
  MemFree(text);
  return answer;
}

HWND UiShowWaitDialog(DriverContext* ctx, HWND /*parent*/, uint32_t text_id) {
  // The dialog has no procedure of its own: its static text needs none.
  HWND dialog = CreateDialogParamW(ResLoadUiDll(ctx), MAKEINTRESOURCEW(kWaitTemplate), GetActiveWindow(), nullptr, 0);
  if (!dialog) return nullptr;
  ResLoadString(ctx, text_id, ctx->work->scratch, kScratchChars, 0);
  SetWindowTextW(dialog, SplGetPrinterName(ctx));
  SetDlgItemTextW(dialog, kWaitTextControl, ctx->work->scratch);
  ShowWindow(dialog, SW_SHOW);
  return dialog;
}

BOOL UiCloseWaitDialog(HWND dialog) { return DestroyWindow(dialog); }
