// Dialog templates made from the dialog table: the window class each
// control kind needs, the English text of each item, and a layout that a
// person can read: labels beside their controls, group boxes around the
// controls they name, columns that fill the page, the dialog's own buttons
// in a bar at the bottom, nothing overlapping.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

#include "ui/commctrl.h"
#include "ui2k/pages.h"
#include "uires.h"
#include "velm/dialog_blocks.h"
#include "velm/dialogs.h"
#include "velm/names.h"

namespace uires {
namespace {

// ---- styles the window layer does not name ----
constexpr DWORD kListMultiColumn = 0x0200;  // LBS_MULTICOLUMN

// Control kinds (the control-kind table's keys).
enum Kind : uint16_t {
  kStatic = 1,
  kPicture = 2,
  kIcon = 3,
  kGroup = 4,
  kButton = 21,
  kCheck = 22,
  kSpin = 23,
  kRadio = 41,
  kList = 42,
  kCombo = 43,
  kOwnerList = 47,
  kIconCombo = 48,
  kCheckList = 49,
  kPresetList = 50,
  kTextEdit = 61,
  kTextEdit2 = 62,
  kNumEdit = 63,
  kSpin2 = 81,
  kSlider = 82,
  kDrawnSlider = 84,
  kTrackbar = 85,
  kTab = 104,
  kTree = 105,
};

bool IsDialogButton(uint16_t id) { return id == 1 || id == 2 || id == 6 || id == 7 || id == 8 || id == 9; }

std::string SymbolOf(const DialogItemRecord& item) {
  const UiSymbolRow* row = MdfFindFeatureByKey(item.symbol);
  return row && row->name ? row->name : "";
}

std::vector<std::string> Split(const std::string& s) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start <= s.size()) {
    size_t end = s.find('_', start);
    if (end == std::string::npos) end = s.size();
    if (end > start) out.push_back(s.substr(start, end - start));
    start = end + 1;
  }
  return out;
}

// The words of a symbol after its area: VPD_IDC_BASIC_STATIC_PAPERSIZE gives
// {STATIC, PAPERSIZE}; the area word is the one after VPD_IDC_.
std::vector<std::string> WordsAfterArea(const std::string& symbol) {
  std::vector<std::string> t = Split(symbol);
  size_t skip = 0;
  if (t.size() > 1 && t[0] == "VPD" && (t[1] == "IDC" || t[1] == "IDD")) skip = 3;
  else if (!t.empty() && t[0] == "VPD") skip = 1;
  if (skip > t.size()) skip = t.size();
  return std::vector<std::string>(t.begin() + long(skip), t.end());
}

bool IsControlWord(const std::string& w) {
  static const char* const kWords[] = {"STATIC", "CHOICE", "EDIT",   "BUTTON", "BMP",    "GROUP",    "SPIN",
                                       "SCROLLBAR", "SELECT", "STATUS", "ICONLIST", "RADIO", "ADDRESSLIST"};
  for (const char* k : kWords)
    if (w == k) return true;
  return false;
}

bool IsAsciiText(const std::u16string& t) {
  for (char16_t c : t)
    if (c >= 0x80) return false;
  return true;
}

// The text of a symbol's words: English words joined by spaces and the
// first capitalised; Japanese words joined as they are, with a space only
// between two words of Latin letters or digits. A word without a text of
// its own is shown lower-case (its English text for Japanese).
std::u16string Words(const std::vector<std::string>& words, Language language) {
  std::u16string out;
  bool last_ascii = false;
  for (std::string w : words) {
    // PAPERSIZE2: a second control of the same setting.
    std::string stem = w;
    while (!stem.empty() && std::isdigit(static_cast<unsigned char>(stem.back()))) stem.pop_back();
    if (stem != w && !stem.empty() && (WordText(stem, language) || WordText(stem, Language::kEnglish))) w = stem;
    std::u16string text;
    if (const char16_t* known = WordText(w, language)) {
      text = known;
    } else if (const char16_t* english = WordText(w, Language::kEnglish)) {
      text = english;
    } else {
      for (char c : w) text.push_back(char16_t(std::tolower(static_cast<unsigned char>(c))));
    }
    if (text.empty()) continue;
    const bool ascii = IsAsciiText(text);
    if (!out.empty() && (language == Language::kEnglish || (ascii && last_ascii))) out += u' ';
    out += text;
    last_ascii = ascii;
  }
  if (!out.empty() && out[0] < 0x80) out[0] = char16_t(std::toupper(static_cast<unsigned char>(out[0])));
  return out;
}

std::u16string Wide(const std::string& s) { return std::u16string(s.begin(), s.end()); }

// How wide a text is in character cells: a full-width character takes two.
size_t TextCells(const std::u16string& t) {
  size_t n = 0;
  for (char16_t c : t) n += (c >= 0x1100 && !(c >= 0xFF61 && c <= 0xFF9F)) ? 2 : 1;
  return n;
}

// The standard items of the file dialogs' templates.
const char16_t* FileDialogText(uint16_t id, Language language) {
  const bool jp = language == Language::kJapanese;
  switch (id) {
    case 1090: return jp ? u"ファイル名:" : u"File name:";
    case 1088: return jp ? u"フォルダ:" : u"Folders:";
    case 1089: return jp ? u"ファイルの種類:" : u"Files of type:";
    case 1091: return jp ? u"ドライブ:" : u"Drives:";
    case 1037: return jp ? u"ネットワーク..." : u"Network...";
    default: return nullptr;
  }
}

bool IsValueControl(uint16_t kind) {
  switch (kind) {
    case kCombo: case kIconCombo: case kTextEdit: case kTextEdit2: case kNumEdit: case kList: case kOwnerList:
    case kCheckList: case kTree: case kSlider: case kDrawnSlider: case kTrackbar:
      return true;
    default:
      return false;
  }
}

bool IsMultiLineEdit(const DialogItemRecord& item) {
  if (item.kind != kTextEdit && item.kind != kTextEdit2) return false;
  const auto* tag = static_cast<const int16_t*>(item.extraData);
  if (tag && *tag == kCtlTagList) return true;
  std::string s = SymbolOf(item);
  return s.size() > 5 && s.compare(s.size() - 5, 5, "_HELP") == 0;
}

// The buttons that draw their own face: those of the pages' button caption
// table, and those whose features carry icons (their options), which the
// face shows.
bool IsOwnerDrawnButton(const DialogItemRecord& item) {
  if (UiButtonCaptionId(item.controlId) != 0) return true;
  const OptionNameTable& options = MdfGetOptionNameTable();
  for (int16_t o = 0; o < options.count; ++o)
    if (options.rows[o].featureKey == item.symbol && options.rows[o].optionId) return true;
  return false;
}

// ---- layout ----
constexpr int16_t kMargin = 6;
constexpr int16_t kColumn = 150;  // width of a column
constexpr int16_t kColumnGap = 8;
constexpr int16_t kLabel = 62;    // width of a label beside its control
constexpr int16_t kRowGap = 3;
constexpr int16_t kGroupTop = 11, kGroupSide = 6, kGroupBottom = 4;
constexpr int16_t kBarButton = 50, kBarHeight = 14;
constexpr int16_t kPageWidth = 244, kPageHeight = 182;  // the standard page area
constexpr int16_t kColumnHeight = 196;

struct Placed {
  size_t index;  // into the dialog's items
  int16_t x, y, cx, cy;
  std::u16string text;
};

// A block of placed controls with coordinates relative to its top left.
struct Block {
  std::vector<Placed> controls;
  int16_t height = 0;
};

struct Layout {
  const DialogRecord& d;
  const Language language;
  std::vector<bool> used;
  Layout(const DialogRecord& dialog, Language lang) : d(dialog), language(lang), used(dialog.itemCount, false) {}

  const DialogItemRecord& Item(size_t i) const { return d.items[i]; }

  int16_t PictureWidth(const DialogItemRecord& item) const {
    if (item.controlId == 2039) return 120;
    return SymbolOf(item).find("BMP_PRINTER") != std::string::npos ? 120 : 32;
  }
  int16_t PictureHeight(const DialogItemRecord& item) const {
    if (item.controlId == 2039) return 84;
    return SymbolOf(item).find("BMP_PRINTER") != std::string::npos ? 80 : 22;
  }

  // The height of a control of the kind alone on its row.
  int16_t HeightOf(const DialogItemRecord& item) const {
    switch (item.kind) {
      case kPicture: return PictureHeight(item);
      case kIcon: return 20;
      case kButton: return 14;
      case kStatic: return SymbolOf(item).find("HELP") != std::string::npos ? 20 : 10;
      case kList: case kOwnerList: case kCheckList: case kTree: return 40;
      case kPresetList: return 78;
      case kTextEdit: case kTextEdit2: return IsMultiLineEdit(item) ? 40 : 12;
      case kCheck: case kRadio: return 10;
      default: return 12;
    }
  }

  // The companions after a control ending at x + cx: a spin button right
  // beside a narrow edit, a "..." button at the end of the row.
  void PlaceTail(std::vector<Placed>* tail, int16_t x, int16_t cx, Block* b) const {
    for (Placed& p : *tail) {
      if ((Item(p.index).kind == kSpin || Item(p.index).kind == kSpin2) && x + cx < p.x) p.x = int16_t(x + cx);
      b->controls.push_back(p);
    }
  }

  bool Follows(size_t i, uint16_t kind) const { return i < d.itemCount && !used[i] && Item(i).kind == kind; }

  // A row beginning at item i of the list; the items it takes are marked.
  Block Row(const std::vector<size_t>& list, size_t* at, int16_t width) {
    Block b;
    size_t i = list[*at];
    const DialogItemRecord& item = Item(i);
    used[i] = true;
    ++*at;
    auto next_is = [&](uint16_t kind) { return *at < list.size() && Follows(list[*at], kind); };
    int16_t x = 0, right = width;
    // Trailing companions: a spin button of an edit, a "..." button.
    auto take_companions = [&](uint16_t control) {
      std::vector<Placed> tail;
      if (next_is(kSpin) || next_is(kSpin2)) {
        const DialogItemRecord& spin = Item(list[*at]);
        if (spin.linkedControl == control || spin.linkedControl == 0) {
          used[list[*at]] = true;
          right = int16_t(right - 10);
          tail.push_back({list[(*at)++], right, 0, 10, 12, u""});
        }
      }
      if (next_is(kButton) && !IsDialogButton(Item(list[*at]).controlId)) {
        used[list[*at]] = true;
        right = int16_t(right - 18);
        tail.push_back({list[(*at)++], int16_t(right + 2), 0, 16, 12, u"..."});
      }
      return tail;
    };
    if (item.kind == kStatic && *at < list.size() && !used[list[*at]] && IsValueControl(Item(list[*at]).kind) &&
        !IsMultiLineEdit(Item(list[*at])) && Item(list[*at]).kind != kList && Item(list[*at]).kind != kOwnerList &&
        Item(list[*at]).kind != kTree) {
      // A label and its control on one row.
      size_t c = list[(*at)++];
      used[c] = true;
      b.controls.push_back({i, 0, 1, kLabel - 2, 10, ItemText(item, language) + u":"});
      x = kLabel;
      std::vector<Placed> tail = take_companions(Item(c).controlId);
      int16_t cx = Item(c).kind == kNumEdit ? std::min<int16_t>(40, int16_t(right - x)) : int16_t(right - x);
      b.controls.push_back({c, x, 0, cx, 12, u""});
      PlaceTail(&tail, x, cx, &b);
      b.height = 12;
      // A slider that sets the same value: on its own line under the control.
      if (next_is(kDrawnSlider) || next_is(kSlider) || next_is(kTrackbar)) {
        size_t s = list[(*at)++];
        used[s] = true;
        b.controls.push_back({s, kLabel, 14, int16_t(width - kLabel), 12, u""});
        b.height = 26;
      }
      return b;
    }
    int16_t h = HeightOf(item);
    std::u16string text;
    switch (item.kind) {
      case kStatic: case kGroup: case kButton: case kCheck: case kRadio: text = ItemText(item, language); break;
      default: break;
    }
    int16_t cx = width;
    if (item.kind == kPicture) cx = std::min(width, PictureWidth(item));
    if (item.kind == kIcon) cx = 20;
    if (item.kind == kButton) cx = std::min<int16_t>(width, int16_t(std::max<size_t>(60, TextCells(text) * 4 + 12)));
    if (item.kind == kNumEdit) cx = 40;
    std::vector<Placed> tail;
    if (item.kind == kNumEdit || item.kind == kCombo || item.kind == kIconCombo || item.kind == kCheck ||
        item.kind == kTextEdit)
      tail = take_companions(item.controlId);
    if (!tail.empty()) cx = std::min<int16_t>(cx, int16_t(right - x));
    b.controls.push_back({i, x, 0, cx, h, text});
    PlaceTail(&tail, x, cx, &b);
    b.height = h;
    return b;
  }

  Block Rows(const std::vector<size_t>& list, int16_t width) {
    Block all;
    size_t at = 0;
    while (at < list.size()) {
      if (used[list[at]]) {
        ++at;
        continue;
      }
      Block r = Row(list, &at, width);
      int16_t top = all.controls.empty() ? 0 : int16_t(all.height + kRowGap);
      for (Placed p : r.controls) {
        p.y = int16_t(p.y + top);
        all.controls.push_back(p);
      }
      all.height = int16_t(top + r.height);
    }
    return all;
  }

  // The members of group box g: the items that name the group's word, the
  // first radio list after the box, and the pictures that advance it.
  std::vector<size_t> GroupMembers(size_t g, const std::vector<bool>& reserved) {
    std::vector<std::string> gw = WordsAfterArea(SymbolOf(Item(g)));
    std::string word;
    for (size_t k = 0; k + 1 < gw.size(); ++k)
      if (gw[k] == "GROUP") word = gw[k + 1];
    std::vector<size_t> members;
    auto free_item = [&](size_t i) {
      return i != g && !reserved[i] && Item(i).kind != kGroup && !IsDialogButton(Item(i).controlId) &&
             std::find(members.begin(), members.end(), i) == members.end();
    };
    if (!word.empty()) {
      for (size_t i = 0; i < d.itemCount; ++i) {
        if (!free_item(i)) continue;
        std::vector<std::string> w = WordsAfterArea(SymbolOf(Item(i)));
        for (size_t k = 1; k < w.size(); ++k)
          if (w[k].find(word) == 0) {
            members.push_back(i);
            break;
          }
      }
    }
    uint16_t radio_symbol = 0;
    for (size_t i = g + 1; i < d.itemCount && Item(i).kind != kGroup; ++i)
      if (Item(i).kind == kRadio && free_item(i)) {
        radio_symbol = Item(i).symbol;
        break;
      }
    if (radio_symbol) {
      std::vector<uint16_t> ids;
      for (size_t i = 0; i < d.itemCount; ++i)
        if (Item(i).kind == kRadio && Item(i).symbol == radio_symbol && free_item(i)) {
          members.push_back(i);
          ids.push_back(Item(i).controlId);
        }
      for (size_t i = 0; i < d.itemCount; ++i)
        if (Item(i).kind == kPicture && free_item(i) &&
            (Item(i).linkedControl == radio_symbol ||
             std::find(ids.begin(), ids.end(), Item(i).linkedControl) != ids.end()))
          members.push_back(i);
    }
    std::sort(members.begin(), members.end());
    return members;
  }
};

// A unit of a column: a block, or a group box with its block inside.
struct Unit {
  Block block;
  int16_t width;
};

// The captions of the dialogs: the tab texts of the pages and the titles
// of the dialogs.
const char16_t* DialogCaption(uint16_t id, Language language) {
  static const struct {
    uint16_t id;
    const char16_t* english;
    const char16_t* japanese;
  } kCaptions[] = {
      {1001, u"Presets", u"お気に入り"},
      {1002, u"Basic", u"基本"},
      {1003, u"Layout", u"レイアウト"},
      {1004, u"Finishing", u"仕上げ"},
      {1005, u"Others", u"その他"},
      {1006, u"Print Quality", u"印刷品質"},
      {1010, u"Initial Settings", u"初期設定"},
      {1011, u"Installed Options", u"オプション構成"},
      {1009, u"TrueType Fonts", u"TrueType フォント"},
      {1008, u"User Code", u"ユーザーコード"},
      {1015, u"Output Bins", u"排紙ビン"},
      {1007, u"Preset Maintenance", u"お気に入りの管理"},
      {1012, u"Rotation", u"回転"},
      {1014, u"Sort", u"ソート"},
      {1013, u"Unit", u"単位"},
      {1016, u"Job Action", u"ジョブの処理"},
      {1017, u"User Paper Size", u"ユーザー定義サイズ"},
      {1018, u"Scale", u"拡大縮小"},
      {1019, u"Print Type", u"印刷の種類"},
      {1020, u"Status", u"状態"},
      {1021, u"Quality Settings", u"品質の設定"},
      {4004, u"TrueType Fonts", u"TrueType フォント"},
      {1029, u"Other Settings", u"その他の設定"},
      {1022, u"Text Stamp", u"文字スタンプ"},
      {1023, u"Image Stamp", u"画像スタンプ"},
      {1024, u"Margin", u"とじしろ"},
      {1030, u"Cover Sheets", u"表紙"},
      {1031, u"Separator Sheets", u"合紙"},
      {1034, u"Remote Destination", u"リモート送信先"},
      {1035, u"Address List", u"宛先一覧"},
      {1036, u"Colour Management", u"カラー マネージメント"},
      {1037, u"Overlay", u"オーバーレイ"},
      {1065, u"Hidden Functions", u"隠し機能"},
      {1032, u"Save Preset", u"お気に入りの登録"},
      {1033, u"Save User Settings", u"ユーザー設定の保存"},
      {1025, u"About", u"バージョン情報"},
      {1026, u"Change User Code", u"ユーザーコードの変更"},
      {1027, u"Enter User Code", u"ユーザーコードの入力"},
      {1028, u"Confirm User Code", u"ユーザーコードの確認"},
      {4005, u"Enter Password", u"パスワードの入力"},
      {4006, u"Please Wait", u"お待ちください"},
      {4001, u"Open", u"開く"},
      {4002, u"Settings File", u"設定ファイル"},
      {4003, u"Select File", u"ファイルの選択"},
      {4007, u"Save Overlay", u"オーバーレイの保存"},
      {4008, u"Select Overlay", u"オーバーレイの選択"},
      {4015, u"Intermediate Files", u"中間ファイル"},
  };
  for (const auto& c : kCaptions)
    if (c.id == id) return language == Language::kJapanese ? c.japanese : c.english;
  return nullptr;
}

// The dialogs' own buttons.
const char16_t* DialogButtonText(uint16_t id, Language language) {
  const bool jp = language == Language::kJapanese;
  switch (id) {
    case 1: return u"OK";
    case 2: return jp ? u"キャンセル" : u"Cancel";
    case 6: return jp ? u"はい" : u"Yes";
    case 7: return jp ? u"いいえ" : u"No";
    case 8: return jp ? u"閉じる" : u"Close";
    case 9: return jp ? u"ヘルプ" : u"Help";
    default: return nullptr;
  }
}

}  // namespace

ControlClass ClassOfItem(const DialogItemRecord& item) {
  constexpr DWORD kTabStop = WS_TABSTOP;
  switch (item.kind) {
    case kStatic: return {u"STATIC", SS_LEFT};
    case kPicture: return {u"STATIC", SS_BITMAP | SS_NOTIFY};
    case kIcon: return {u"STATIC", SS_ICON | SS_NOTIFY};
    case kGroup: return {u"BUTTON", BS_GROUPBOX};
    case kButton:
      if (item.controlId == 1) return {u"BUTTON", BS_DEFPUSHBUTTON | kTabStop};
      return {u"BUTTON", (IsOwnerDrawnButton(item) ? BS_OWNERDRAW : BS_PUSHBUTTON) | kTabStop};
    case kCheck: return {u"BUTTON", BS_AUTOCHECKBOX | kTabStop};
    case kRadio: return {u"BUTTON", BS_AUTORADIOBUTTON};
    case kList: return {u"LISTBOX", LBS_NOTIFY | WS_VSCROLL | WS_BORDER | kTabStop};
    case kCombo: return {u"COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL | kTabStop};
    case kOwnerList:
    case kCheckList:
      return {u"LISTBOX", LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | WS_VSCROLL | WS_BORDER | kTabStop};
    case kIconCombo: return {u"COMBOBOX", CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS | WS_VSCROLL | kTabStop};
    case kPresetList:
      return {u"LISTBOX", LBS_NOTIFY | LBS_OWNERDRAWFIXED | kListMultiColumn | WS_HSCROLL | WS_BORDER | kTabStop};
    case kTextEdit:
    case kTextEdit2:
      if (IsMultiLineEdit(item)) return {u"EDIT", ES_MULTILINE | ES_READONLY | WS_VSCROLL | WS_BORDER | kTabStop};
      return {u"EDIT", ES_AUTOHSCROLL | WS_BORDER | kTabStop};
    case kNumEdit: return {u"EDIT", ES_AUTOHSCROLL | WS_BORDER | kTabStop};
    // A spin button is a vertical scroll bar beside its edit.
    case kSpin: case kSpin2: return {u"SCROLLBAR", SBS_VERT};
    case kSlider: case kDrawnSlider: return {u"SCROLLBAR", SBS_HORZ | kTabStop};
    case kTrackbar: return {u"msctls_trackbar32", kTabStop};
    case kTab: return {u"SysTabControl32", kTabStop};
    case kTree:
      // The tray list of the options dialog and the address list are list
      // views whose rows their dialogs draw; the other trees are tree views.
      if (item.controlId == 2166 || item.controlId == 2490)
        return {u"SysListView32",
                LVS_REPORT | LVS_OWNERDRAWFIXED | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_BORDER | kTabStop};
      return {u"SysTreeView32", WS_BORDER | kTabStop};
    default: return {u"STATIC", SS_LEFT};
  }
}

bool IsSheetPage(const DialogRecord& dialog) {
  return (dialog.flags & (kDlgDocumentSheet | kDlgDeviceSheet | kDlgPresetSheet | kDlgUserSheet)) != 0;
}

const char* LanguageCode(Language language) { return language == Language::kJapanese ? "jp" : "us"; }

bool LanguageOfCode(const std::string& code, Language* out) {
  for (Language l : {Language::kEnglish, Language::kJapanese})
    if (code == LanguageCode(l)) {
      *out = l;
      return true;
    }
  return false;
}

std::u16string ItemText(const DialogItemRecord& item, Language language) {
  if (const char16_t* t = DialogButtonText(item.controlId, language)) return t;
  if (const char16_t* t = FileDialogText(item.controlId, language)) return t;
  if (item.kind == kRadio) {
    std::u16string option = OptionName(item.controlId, language);
    if (!option.empty()) return option;
  }
  std::vector<std::string> w = WordsAfterArea(SymbolOf(item));
  size_t from = 0;
  for (size_t k = 0; k < w.size(); ++k)
    if (IsControlWord(w[k])) from = k + 1;
  if (from == 0 && w.size() > 1) from = 1;  // VPD_IDC_PRINTQUALITY_HELP: the area itself is no text
  std::vector<std::string> rest(w.begin() + long(std::min(from, w.size())), w.end());
  std::u16string text = Words(rest, language);
  if (text.empty()) text = Words(w, language);
  return text;
}

ui::DialogTemplate BuildDialogTemplate(const DialogRecord& d, Language language) {
  Layout l(d, language);
  const size_t n = d.itemCount;
  // The dialog's own buttons, for the bar at the bottom.
  std::vector<size_t> bar_left, bar_right;
  std::vector<bool> reserved(n, false);
  for (size_t i = 0; i < n; ++i) {
    const DialogItemRecord& it = d.items[i];
    std::string s = SymbolOf(it);
    if (it.kind == kButton && IsDialogButton(it.controlId)) bar_right.push_back(i);
    else if (it.kind == kButton && s.size() > 15 && s.compare(s.size() - 15, 15, "_BUTTON_DEFAULT") == 0)
      bar_left.push_back(i);
    else continue;
    reserved[i] = true;
    l.used[i] = true;
  }
  // Group boxes and their members; everything else flows in item order.
  std::vector<Unit> units;
  std::vector<std::vector<size_t>> members(n);
  for (size_t i = 0; i < n; ++i) {
    if (d.items[i].kind != kGroup) continue;
    members[i] = l.GroupMembers(i, reserved);
    for (size_t m : members[i]) reserved[m] = true;
  }
  std::vector<size_t> flow;
  auto flush_flow = [&] {
    if (flow.empty()) return;
    Block b = l.Rows(flow, kColumn);
    // Split the rows of a long run into units of whole rows.
    Unit u{Block{}, kColumn};
    int16_t base = 0;
    for (size_t k = 0; k < b.controls.size(); ++k) {
      Placed p = b.controls[k];
      if (!u.block.controls.empty() && p.y != b.controls[k - 1].y && p.y - base > 40) {
        u.block.height = int16_t(p.y - kRowGap - base);
        units.push_back(u);
        u = Unit{Block{}, kColumn};
        base = p.y;
      }
      p.y = int16_t(p.y - base);
      u.block.height = std::max<int16_t>(u.block.height, int16_t(p.y + p.cy));
      u.block.controls.push_back(p);
    }
    if (!u.block.controls.empty()) units.push_back(u);
    flow.clear();
  };
  for (size_t i = 0; i < n; ++i) {
    if (l.used[i]) continue;
    if (d.items[i].kind == kGroup) {
      flush_flow();
      l.used[i] = true;
      Block inner = l.Rows(members[i], int16_t(kColumn - 2 * kGroupSide));
      Unit u{Block{}, kColumn};
      int16_t h = int16_t(kGroupTop + inner.height + kGroupBottom);
      if (inner.controls.empty()) h = 20;
      u.block.controls.push_back({i, 0, 0, kColumn, h, ItemText(d.items[i], language)});
      for (Placed p : inner.controls) {
        p.x = int16_t(p.x + kGroupSide);
        p.y = int16_t(p.y + kGroupTop);
        u.block.controls.push_back(p);
      }
      u.block.height = h;
      units.push_back(u);
      continue;
    }
    if (reserved[i]) continue;  // a member of a later group box
    flow.push_back(i);
  }
  flush_flow();
  // Items left over (members of no box that flowed past): none expected,
  // but none is lost either.
  for (size_t i = 0; i < n; ++i)
    if (!l.used[i]) flow.push_back(i);
  flush_flow();

  // Columns: as few as hold every unit within the column height.
  int16_t tallest = 0, total = 0;
  for (const Unit& u : units) {
    tallest = std::max(tallest, u.block.height);
    total = int16_t(total + u.block.height + 6);
  }
  int16_t limit = std::max<int16_t>(tallest, std::min<int16_t>(kColumnHeight, total));
  std::vector<int16_t> column_of(units.size(), 0), top_of(units.size(), 0);
  int16_t columns = 1, column_height = 0;
  for (;;) {
    int16_t col = 0, y = 0, deepest = 0;
    for (size_t k = 0; k < units.size(); ++k) {
      if (y > 0 && y + units[k].block.height > limit) {
        ++col;
        y = 0;
      }
      column_of[k] = col;
      top_of[k] = y;
      y = int16_t(y + units[k].block.height + 6);
      deepest = std::max<int16_t>(deepest, int16_t(y - 6));
    }
    columns = int16_t(col + 1);
    column_height = deepest;
    if (columns <= 3 || limit >= 400) break;
    limit = int16_t(limit + 12);
  }

  ui::DialogTemplate t;
  const char16_t* caption = DialogCaption(d.dialogId, language);
  t.title = caption ? std::u16string(caption) : Wide(d.name ? d.name : "");
  if (IsSheetPage(d)) t.style = WS_CHILD | WS_CAPTION;
  int16_t content_cx = int16_t(columns * kColumn + (columns - 1) * kColumnGap);
  int16_t bar_y = int16_t(kMargin + column_height + 8);
  bool bar = !bar_left.empty() || !bar_right.empty();
  t.cx = int16_t(2 * kMargin + content_cx);
  t.cy = int16_t(bar ? bar_y + kBarHeight + kMargin : kMargin + column_height + kMargin);
  int16_t bar_needed = int16_t(2 * kMargin + (bar_left.size() * 74) + bar_right.size() * (kBarButton + 4));
  t.cx = std::max(t.cx, bar_needed);
  if (IsSheetPage(d)) {
    t.cx = std::max(t.cx, kPageWidth);
    t.cy = std::max(t.cy, kPageHeight);
    if (bar) bar_y = int16_t(t.cy - kMargin - kBarHeight);
  }

  std::vector<Placed> all;
  for (size_t k = 0; k < units.size(); ++k) {
    int16_t x0 = int16_t(kMargin + column_of[k] * (kColumn + kColumnGap));
    int16_t y0 = int16_t(kMargin + top_of[k]);
    for (Placed p : units[k].block.controls) {
      p.x = int16_t(p.x + x0);
      p.y = int16_t(p.y + y0);
      all.push_back(p);
    }
  }
  int16_t x = kMargin;
  for (size_t i : bar_left) {
    all.push_back({i, x, bar_y, 70, kBarHeight, ItemText(d.items[i], language)});
    x = int16_t(x + 74);
  }
  x = int16_t(t.cx - kMargin - int16_t(bar_right.size()) * (kBarButton + 4) + 4);
  for (size_t i : bar_right) {
    all.push_back({i, x, bar_y, kBarButton, kBarHeight, ItemText(d.items[i], language)});
    x = int16_t(x + kBarButton + 4);
  }

  // In item order, so that the tab order and the dispatch order agree;
  // group boxes last, so that they lie under the controls they frame and
  // take no click meant for them.
  std::sort(all.begin(), all.end(), [&d](const Placed& a, const Placed& b) {
    const bool ga = d.items[a.index].kind == kGroup, gb = d.items[b.index].kind == kGroup;
    return ga != gb ? gb : a.index < b.index;
  });
  uint16_t last_radio_symbol = 0;
  for (const Placed& p : all) {
    const DialogItemRecord& it = d.items[p.index];
    ControlClass cls = ClassOfItem(it);
    ui::DialogItemTemplate c;
    c.class_name = cls.name;
    c.text = p.text;
    c.style = WS_CHILD | WS_VISIBLE | cls.style;
    // A radio list is one group: its first button starts it and takes the
    // tab; every other control starts a group of its own.
    if (it.kind != kRadio || it.symbol != last_radio_symbol) c.style |= WS_GROUP;
    if (it.kind == kRadio && it.symbol != last_radio_symbol) c.style |= WS_TABSTOP;
    last_radio_symbol = it.kind == kRadio ? it.symbol : 0;
    c.id = int16_t(it.controlId);
    c.x = p.x;
    c.y = p.y;
    c.cx = p.cx;
    c.cy = p.cy;
    t.items.push_back(std::move(c));
  }
  return t;
}

}  // namespace uires
