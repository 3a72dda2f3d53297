// TrueType font substitution: the printer page (1009) and the user dialog
// (4004) pair each installed TrueType face with a device or option font of
// the printer. The TrueType list shows one line per face, "face > device";
// the lines that differ from the first device font are the substitution
// table of the settings.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "ctl_internal.h"
#include "plat/fonts.h"
#include "ui/prsht.h"
#include "ui2k/dialog_handlers.h"
#include "velm/model_query.h"
#include "velm/names.h"
#include "velm/save_stack.h"
#include "velm/setting_ids.h"

namespace {

constexpr uint16_t kDeviceFontList = 2384, kTrueTypeList = 2385, kDefaultButton = 2386;
constexpr uint16_t kFaceStatic = 2383, kUserFaceStatic = 2291;

// A line: the face padded to 31 characters, " > ", the device font.
constexpr size_t kFacePad = 31;
constexpr size_t kDeviceAt = 34;
constexpr size_t kShownChars = 32;  // the face part, and a device list entry
constexpr char16_t kSeparator[] = u" > ";

bool IsVertical(const char16_t* face) { return face && face[0] == u'@'; }

HWND ControlOf(DialogRecord* dialog, uint16_t id) {
  return dialog && dialog->window ? GetDlgItem(dialog->window, id) : nullptr;
}

std::u16string ListText(HWND list, LRESULT index) {
  const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, WPARAM(index), 0);
  if (length <= 0) return {};
  std::u16string text(size_t(length) + 1, u'\0');
  SendMessageW(list, LB_GETTEXT, WPARAM(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(std::char_traits<char16_t>::length(text.c_str()));
  return text;
}

// The face of a line: its first 32 characters without the trailing spaces.
std::u16string FaceOfLine(const std::u16string& line) {
  std::u16string face = line.substr(0, kShownChars);
  while (!face.empty() && face.back() == u' ') face.pop_back();
  return face;
}

std::u16string DevicePartOf(const std::u16string& line) {
  return line.size() > kDeviceAt ? line.substr(kDeviceAt) : std::u16string();
}

std::u16string MakeLine(const std::u16string& face, const std::u16string& device) {
  std::u16string line = face.substr(0, kFacePad);
  line.resize(kFacePad, u' ');
  return line + kSeparator + device;
}

// A name into a 32-character field: at most 31 characters and a NUL.
void PutName(char16_t (&field)[32], const std::u16string& name) {
  std::memset(field, 0, sizeof field);
  const size_t n = std::min<size_t>(name.size(), 31);
  std::memcpy(field, name.data(), n * sizeof(char16_t));
}

void ShowFace(DialogRecord* dialog, const std::u16string& face) {
  for (uint16_t id : {kFaceStatic, kUserFaceStatic})
    if (HWND s = ControlOf(dialog, id)) SetWindowTextW(s, face.c_str());
}

// The device-font entry whose text is the name, or -1.
LRESULT FindDeviceEntry(HWND list, const std::u16string& name) {
  const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i)
    if (ListText(list, i) == name) return i;
  return -1;
}

void TellSheet(DialogRecord* dialog) {
  if (HWND sheet = CtlSheetOf(dialog)) SendMessageW(sheet, PSM_CHANGED, WPARAM(dialog->window), 0);
}

// ---- the lists' contents -----------------------------------------------------------------

void FillDeviceFonts(DriverContext* ctx, HWND list) {
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  char16_t name[kFontNameChars + 1];
  for (int32_t n = 0, count = OptCountDeviceFonts(ctx); n < count; ++n) {
    OptGetDeviceFontName(ctx, n, name);
    if (IsVertical(name)) continue;
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
  }
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
}

void FillTrueTypeFaces(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, HWND list) {
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  DlgFontEnumData data{ctx, item, list};
  DlgEnumMachineFonts(&data);
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  SendMessageW(list, LB_SETCURSEL, 0, 0);
  ShowFace(dialog, FaceOfLine(ListText(list, 0)));
  if (HWND devices = ControlOf(dialog, kDeviceFontList)) {
    SendMessageW(devices, LB_SETTOPINDEX, 0, 0);
    SendMessageW(devices, LB_SETCURSEL, WPARAM(-1), 0);
  }
  InvalidateRect(list, nullptr, TRUE);
}

// ---- drawing -----------------------------------------------------------------------------

void Fill(HDC dc, const RECT& r, INT colour) { FillRect(dc, &r, GetSysColorBrush(colour)); }

void DrawLine(const DialogItemRecord* item, const DRAWITEMSTRUCT* draw, HWND list, bool pairs) {
  if (!(draw->itemAction & (ODA_DRAWENTIRE | ODA_SELECT))) {
    if (draw->itemAction == ODA_FOCUS) DrawFocusRect(draw->hDC, &draw->rcItem);
    return;
  }
  const bool disabled = item->disabled != 0;
  const bool selected = (draw->itemState & ODS_SELECTED) != 0;
  Fill(draw->hDC, draw->rcItem, disabled ? COLOR_BTNFACE : selected ? COLOR_HIGHLIGHT : COLOR_WINDOW);
  SetBkMode(draw->hDC, TRANSPARENT);
  SetTextColor(draw->hDC,
               GetSysColor(disabled ? COLOR_GRAYTEXT : selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT));
  if (draw->itemID != UINT(-1)) {
    const std::u16string line = ListText(list, LRESULT(draw->itemID));
    RECT left = draw->rcItem;
    const std::u16string face = line.substr(0, kShownChars);
    if (pairs) {
      const INT middle = (draw->rcItem.left + draw->rcItem.right) / 2;
      left.right = middle;
      DrawTextW(draw->hDC, face.c_str(), INT(face.size()), &left, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
      RECT right = draw->rcItem;
      right.left = middle + 2;
      const std::u16string device = DevicePartOf(line);
      DrawTextW(draw->hDC, device.c_str(), INT(device.size()), &right, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
      MoveToEx(draw->hDC, middle, draw->rcItem.top, nullptr);
      LineTo(draw->hDC, middle, draw->rcItem.bottom);
      MoveToEx(draw->hDC, draw->rcItem.left, draw->rcItem.bottom - 1, nullptr);
      LineTo(draw->hDC, draw->rcItem.right, draw->rcItem.bottom - 1);
    } else {
      DrawTextW(draw->hDC, face.c_str(), INT(face.size()), &left, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    }
  }
  if (draw->itemAction == ODA_FOCUS || (draw->itemState & ODS_FOCUS)) DrawFocusRect(draw->hDC, &draw->rcItem);
}

// ---- the events ----------------------------------------------------------------------------

bool OwnCommand(const DialogItemRecord* item, UINT message, WPARAM wparam) {
  return message == WM_COMMAND && LOWORD(wparam) == item->controlId;
}

int32_t DeviceFontEvent(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, UINT message,
                        WPARAM wparam, LPARAM lparam) {
  HWND list = CtlWindowOf(dialog, item);
  if (!list) return 0;
  if (message == WM_INITDIALOG) {
    FillDeviceFonts(ctx, list);
    return 1;
  }
  if (message == WM_DRAWITEM) {
    auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
    if (!draw || draw->CtlID != item->controlId) return 0;
    DrawLine(item, draw, list, false);
    return 1;
  }
  if (!OwnCommand(item, message, wparam) || UiGetNotifyCode(wparam) != LBN_SELCHANGE) return 0;
  HWND faces = ControlOf(dialog, kTrueTypeList);
  const LRESULT s = faces ? SendMessageW(faces, LB_GETCURSEL, 0, 0) : -1;
  const LRESULT f = SendMessageW(list, LB_GETCURSEL, 0, 0);
  if (s < 0 || f < 0) return 1;
  const std::u16string line = ListText(faces, s).substr(0, kDeviceAt) + ListText(list, f).substr(0, kShownChars);
  SendMessageW(faces, LB_INSERTSTRING, WPARAM(s), reinterpret_cast<LPARAM>(line.c_str()));
  SendMessageW(faces, LB_DELETESTRING, WPARAM(s + 1), 0);
  SendMessageW(faces, LB_SETCURSEL, WPARAM(s), 0);
  DlgStoreFontTable(ctx, faces);
  TellSheet(dialog);
  return 1;
}

int32_t TrueTypeEvent(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, UINT message,
                      WPARAM wparam, LPARAM lparam) {
  HWND list = CtlWindowOf(dialog, item);
  if (!list) return 0;
  if (message == WM_INITDIALOG) {
    FillTrueTypeFaces(ctx, dialog, item, list);
    return 1;
  }
  if (message == WM_DRAWITEM) {
    auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
    if (!draw || draw->CtlID != item->controlId) return 0;
    DrawLine(item, draw, list, true);
    return 1;
  }
  if (!OwnCommand(item, message, wparam) || UiGetNotifyCode(wparam) != LBN_SELCHANGE) return 0;
  const LRESULT s = SendMessageW(list, LB_GETCURSEL, 0, 0);
  if (s < 0) return 1;
  const std::u16string line = ListText(list, s);
  ShowFace(dialog, FaceOfLine(line));
  if (HWND devices = ControlOf(dialog, kDeviceFontList)) {
    const LRESULT entry = FindDeviceEntry(devices, DevicePartOf(line));
    SendMessageW(devices, LB_SETCURSEL, WPARAM(entry), 0);
    DialogItemRecord* device_item = CtxFindControl(ctx, dialog, kDeviceFontList);
    if (entry >= 0 && device_item && device_item->disabled) SendMessageW(devices, LB_SETTOPINDEX, WPARAM(entry), 0);
  }
  return 1;
}

int32_t DefaultButtonEvent(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, UINT message,
                           WPARAM wparam) {
  if (!OwnCommand(item, message, wparam)) return 0;
  // An empty table: every face goes with the first device font.
  const FontSubstEntry none{};
  OptReplaceFontTable(ctx, 0, reinterpret_cast<const uint8_t*>(&none));
  if (DialogItemRecord* faces = CtxFindControl(ctx, dialog, kTrueTypeList)) CtlDispatchInit(ctx, dialog, faces);
  TellSheet(dialog);
  UiRefreshPage(ctx, dialog, 1);
  return 1;
}

}  // namespace

void DlgEnumMachineFonts(DlgFontEnumData* data) {
  HWND desktop = GetDesktopWindow();
  HDC dc = GetDC(desktop);
  if (!dc) return;
  EnumFontFamiliesW(dc, nullptr, DlgFontEnumProc, reinterpret_cast<LPARAM>(data));
  ReleaseDC(desktop, dc);
}

int DlgFontEnumProc(const LOGFONTW* font, const TEXTMETRICW*, DWORD type, LPARAM lparam) {
  auto* data = reinterpret_cast<DlgFontEnumData*>(lparam);
  if (!font || !data || !data->list || !(type & TRUETYPE_FONTTYPE) || IsVertical(font->lfFaceName)) return 1;
  // A face name holds at most 31 characters and its terminator.
  char16_t face[LF_FACESIZE] = {};
  std::memcpy(face, font->lfFaceName, sizeof face);
  face[LF_FACESIZE - 1] = 0;
  if (data->item && data->item->controlId == kTrueTypeList) {
    char16_t device[kFontNameChars + 1];
    OptFindSubstituteFont(data->ctx, face, device);
    const std::u16string line = MakeLine(face, device);
    SendMessageW(data->list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
  } else {
    const LRESULT at = SendMessageW(data->list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(face));
    if (at >= 0) SendMessageW(data->list, CB_SETITEMDATA, WPARAM(at), at);
  }
  return 1;
}

int32_t DlgStoreFontTable(DriverContext* ctx, HWND list) {
  if (!ctx || !list) return 0;
  char16_t reference[kFontNameChars + 1];
  OptGetDeviceFontName(ctx, 0, reference);
  std::vector<FontSubstEntry> pairs;
  const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count && int32_t(pairs.size()) < kFontSubstCapacity; ++i) {
    const std::u16string line = ListText(list, i);
    const std::u16string device = DevicePartOf(line);
    if (device == reference) continue;
    FontSubstEntry e{};
    PutName(e.trueTypeName, FaceOfLine(line));
    PutName(e.deviceName, device);
    pairs.push_back(e);
  }
  // No pairs is an empty table, never the model's default one.
  const FontSubstEntry none{};
  const auto* bytes = reinterpret_cast<const uint8_t*>(pairs.empty() ? &none : pairs.data());
  return OptReplaceFontTable(ctx, int32_t(pairs.size()), bytes);
}

int32_t DlgTrueTypeHandler(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, UINT message,
                           WPARAM wparam, LPARAM lparam) {
  if (!ctx || !dialog || !item) return 0;
  switch (item->controlId) {
    case kDeviceFontList:
      return DeviceFontEvent(ctx, dialog, item, message, wparam, lparam);
    case kTrueTypeList:
      return TrueTypeEvent(ctx, dialog, item, message, wparam, lparam);
    case kDefaultButton:
      return DefaultButtonEvent(ctx, dialog, item, message, wparam);
    default:
      return 0;
  }
}
