// Dialog templates of the emulated machine, as kept in resource modules
// (type RT_DIALOG, see plat/resources.h).
//
// Encoding, little-endian: "VDLG", a 32-bit version 1, the dialog's style,
// extended style, x, y, cx, cy (dialog units, 16-bit signed each), its
// title, then a 16-bit item count and per item: style, extended style
// (32-bit), id (16-bit), x, y, cx, cy (16-bit signed), the class name and
// the text. Strings are a 16-bit length and that many UTF-16 units.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "plat/resources.h"
#include "ui/user32.h"

namespace ui {

struct DialogItemTemplate {
  std::u16string class_name;  // BUTTON, STATIC, EDIT, LISTBOX, COMBOBOX, SCROLLBAR or a registered class
  std::u16string text;
  DWORD style = WS_CHILD | WS_VISIBLE;
  DWORD ex_style = 0;
  int16_t id = 0;
  int16_t x = 0, y = 0, cx = 0, cy = 0;
};

struct DialogTemplate {
  DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  DWORD ex_style = 0;
  int16_t x = 0, y = 0, cx = 0, cy = 0;
  std::u16string title;
  std::vector<DialogItemTemplate> items;
};

std::vector<uint8_t> EncodeDialogTemplate(const DialogTemplate& dialog);
// Null for bytes that are not a whole, well-formed template.
std::optional<DialogTemplate> DecodeDialogTemplate(const void* bytes, size_t size);
plat::ResourceEntry DialogResource(DWORD id, const DialogTemplate& dialog);

}  // namespace ui
