// Message boxes from string ids of the UI resource module: the requests of
// the common functions. Showing them is message_box.cpp's (VELMPD3) or
// message_box_none.cpp's (VELMPD0 and VELMPD4, which have no user interface).
#include "velm/messages.h"

#include "plat/user.h"

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
