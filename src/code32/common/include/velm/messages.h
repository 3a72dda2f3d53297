// Message boxes built from strings of the UI resource module, with optional
// arguments and extra text before and after the message.
#pragma once

#include <cstdint>

#include "plat/wintypes.h"

struct DriverContext;

struct UiMessageRequest {
  uint16_t textId;
  uint16_t captionId;  // 0: the printer name
  uint16_t iconFlags;
  uint16_t buttonFlags;
  const char16_t* prefix;  // or null
  int16_t argumentKind;    // 0 none, 1 one wide string, 2 16-bit numbers
  uint16_t numberCount;    // kind 2
  const void* argument;
  const char16_t* suffix;  // or null
};

// The MessageBoxW answer; 0 when the request is refused or memory is short.
int32_t UiShowMessage(DriverContext* ctx, const UiMessageRequest* request, HWND owner);
int32_t UiMessageBoxIdFlags(DriverContext* ctx, HWND owner, uint32_t text_id, uint32_t button_flags);
int32_t UiMessageBoxId(DriverContext* ctx, HWND owner, uint32_t text_id);
int32_t UiMessageBoxIdOkCancel(DriverContext* ctx, HWND owner, uint32_t text_id);
int32_t UiMessageBoxIdArg(DriverContext* ctx, HWND owner, uint32_t text_id, const char16_t* argument);

// The modeless wait dialog (template 4006 of the UI resource module) with
// the string text_id in its text control and the printer name as its
// title; null when it cannot be made. The owner is the active window.
HWND UiShowWaitDialog(DriverContext* ctx, HWND parent, uint32_t text_id);
BOOL UiCloseWaitDialog(HWND dialog);
