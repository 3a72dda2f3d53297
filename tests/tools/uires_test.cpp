// The UI resource module made from the dialog table: a control of the right
// class for every item, pages a person can read (nothing overlapping,
// everything inside, labels beside their controls), every string, cursor
// and icon the driver loads; and, installed beside the driver, the module a
// printer's context loads its pages from.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>

#include "ctx_test_machine.h"
#include "plat/kernel.h"
#include "plat/wstr.h"
#include "plat/resources.h"
#include "ui/commctrl.h"
#include "ui/icon_resource.h"
#include "ui/prsht.h"
#include "ui2k/pages.h"
#include "uires.h"
#include "velm/dialog_blocks.h"
#include "velm/dialogs.h"
#include "velm/names.h"
#include "velm/paths.h"
#include "velm/resources.h"
#include "velm/setting_ids.h"
#include "velm/settings.h"

namespace {

const DialogTable& Table() { return DlgGetBuiltinTable(); }

std::string Name(const DialogRecord& d) { return d.name ? d.name : std::to_string(d.dialogId); }

const ui::DialogItemTemplate* Control(const ui::DialogTemplate& t, uint16_t id) {
  for (const auto& c : t.items)
    if (uint16_t(c.id) == id) return &c;
  return nullptr;
}

// What each control kind needs of its control: the class and, where the
// class has several types, the type bits that make it that kind.
struct Need {
  uint16_t kind;
  const char16_t* cls;
  DWORD mask;  // 0: any style of the class
  std::set<DWORD> types;
};
const std::vector<Need>& Needs() {
  static const std::vector<Need> needs = {
      {1, u"STATIC", SS_TYPEMASK, {SS_LEFT, SS_CENTER, SS_RIGHT}},
      {2, u"STATIC", SS_TYPEMASK, {SS_BITMAP, SS_OWNERDRAW}},
      {3, u"STATIC", SS_TYPEMASK, {SS_ICON}},
      {4, u"BUTTON", BS_TYPEMASK, {BS_GROUPBOX}},
      {21, u"BUTTON", BS_TYPEMASK, {BS_PUSHBUTTON, BS_DEFPUSHBUTTON, BS_OWNERDRAW}},
      {22, u"BUTTON", BS_TYPEMASK, {BS_AUTOCHECKBOX}},
      {41, u"BUTTON", BS_TYPEMASK, {BS_AUTORADIOBUTTON}},
      {42, u"LISTBOX", LBS_OWNERDRAWFIXED, {0}},
      {43, u"COMBOBOX", CBS_OWNERDRAWFIXED | 0x3, {CBS_DROPDOWNLIST}},
      {47, u"LISTBOX", LBS_OWNERDRAWFIXED, {LBS_OWNERDRAWFIXED}},
      {48, u"COMBOBOX", CBS_OWNERDRAWFIXED | 0x3, {CBS_OWNERDRAWFIXED | CBS_DROPDOWNLIST}},
      {50, u"LISTBOX", LBS_OWNERDRAWFIXED, {LBS_OWNERDRAWFIXED}},
      {61, u"EDIT", 0, {}},
      {63, u"EDIT", ES_MULTILINE, {0}},
      {23, u"SCROLLBAR", SBS_VERT, {SBS_VERT}},
      {84, u"SCROLLBAR", SBS_VERT, {SBS_HORZ}},
      {85, u"msctls_trackbar32", 0, {}},
      {104, u"SysTabControl32", 0, {}},
      {105, u"SysTreeView32", 0, {}},
  };
  return needs;
}

TEST(UiResourceTemplates, EveryItemHasAControlOfTheClassItsKindNeeds) {
  ASSERT_EQ(Table().count, kDialogCount);
  size_t items = 0;
  for (int16_t d = 0; d < Table().count; ++d) {
    const DialogRecord& dialog = Table().rows[d];
    ui::DialogTemplate t = uires::BuildDialogTemplate(dialog);
    EXPECT_EQ(t.items.size(), dialog.itemCount) << Name(dialog);
    EXPECT_FALSE(t.title.empty() || t.title.rfind(u"VPD_", 0) == 0) << Name(dialog) << " has no caption of its own";
    for (uint32_t k = 0; k < dialog.itemCount; ++k, ++items) {
      const DialogItemRecord& item = dialog.items[k];
      const ui::DialogItemTemplate* c = Control(t, item.controlId);
      ASSERT_NE(c, nullptr) << Name(dialog) << " control " << item.controlId;
      EXPECT_TRUE(c->style & WS_VISIBLE);
      const Need* need = nullptr;
      for (const Need& n : Needs())
        if (n.kind == item.kind) need = &n;
      ASSERT_NE(need, nullptr) << "kind " << item.kind << " of control " << item.controlId << " has no row here";
      // The tray list and the address list are list views whose rows their dialogs draw.
      const bool list_view = item.kind == 105 && (item.controlId == 2166 || item.controlId == 2490);
      EXPECT_EQ(c->class_name, list_view ? std::u16string(u"SysListView32") : std::u16string(need->cls))
          << Name(dialog) << " control " << item.controlId;
      if (list_view) {
        EXPECT_EQ(c->style & (LVS_REPORT | LVS_OWNERDRAWFIXED), LVS_REPORT | LVS_OWNERDRAWFIXED);
      }
      if (need->mask) {
        EXPECT_TRUE(need->types.count(c->style & need->mask)) << Name(dialog) << " control " << item.controlId;
      }
    }
  }
  EXPECT_EQ(items, 765u);
}

// A button whose feature carries icons draws them on its own face.
TEST(UiResourceTemplates, ButtonsWithIconsDrawTheirOwnFace) {
  const OptionNameTable& options = MdfGetOptionNameTable();
  size_t seen = 0;
  for (int16_t d = 0; d < Table().count; ++d) {
    const DialogRecord& dialog = Table().rows[d];
    ui::DialogTemplate t = uires::BuildDialogTemplate(dialog);
    for (uint32_t k = 0; k < dialog.itemCount; ++k) {
      const DialogItemRecord& item = dialog.items[k];
      bool icons = false;
      for (int16_t o = 0; o < options.count; ++o) icons |= item.kind == 21 && options.rows[o].featureKey == item.symbol;
      if (!icons) continue;
      ++seen;
      EXPECT_EQ(Control(t, item.controlId)->style & BS_TYPEMASK, DWORD(BS_OWNERDRAW)) << item.controlId;
    }
  }
  EXPECT_EQ(seen, 13u);
}

// The buttons of the pages' caption table draw their own face (their
// caption or none); a plain button of no feature with icons does not.
TEST(UiResourceTemplates, ButtonsOfTheCaptionTableDrawTheirOwnFace) {
  const OptionNameTable& options = MdfGetOptionNameTable();
  size_t captioned = 0, plain = 0;
  for (int16_t d = 0; d < Table().count; ++d) {
    const DialogRecord& dialog = Table().rows[d];
    ui::DialogTemplate t = uires::BuildDialogTemplate(dialog);
    for (uint32_t k = 0; k < dialog.itemCount; ++k) {
      const DialogItemRecord& item = dialog.items[k];
      if (item.kind != 21 || item.controlId == 1) continue;
      bool icons = false;
      for (int16_t o = 0; o < options.count; ++o) icons |= options.rows[o].featureKey == item.symbol;
      const DWORD type = Control(t, item.controlId)->style & BS_TYPEMASK;
      if (UiButtonCaptionId(item.controlId) != 0) {
        ++captioned;
        EXPECT_EQ(type, DWORD(BS_OWNERDRAW)) << item.controlId;
      } else if (!icons) {
        ++plain;
        EXPECT_EQ(type, DWORD(BS_PUSHBUTTON)) << item.controlId;
      }
    }
  }
  EXPECT_GE(captioned, 15u) << "each of the table's 15 buttons at least once";
  EXPECT_GT(plain, 0u);
}

// ---- the Japanese module ----

bool HasLatinWord(const std::u16string& t) {
  int run = 0;
  for (char16_t c : t) {
    run = (c >= u'a' && c <= u'z') ? run + 1 : 0;
    if (run >= 3) return true;
  }
  return false;
}

bool HasJapanese(const std::u16string& t) {
  for (char16_t c : t)
    if (c >= 0x3000) return true;
  return false;
}

// The Japanese module holds every string of the English one, and the same
// controls in every template: only the texts differ.
TEST(UiResourceJapanese, SameStringIdsAndControlsAsTheEnglishModule) {
  const std::map<DWORD, std::u16string> us = uires::BuildStrings(uires::Language::kEnglish);
  const std::map<DWORD, std::u16string> jp = uires::BuildStrings(uires::Language::kJapanese);
  for (const auto& [id, text] : us) {
    auto it = jp.find(id);
    ASSERT_NE(it, jp.end()) << "string " << id;
    EXPECT_FALSE(it->second.empty()) << "string " << id;
  }
  EXPECT_EQ(jp.size(), us.size());
  for (int16_t d = 0; d < Table().count; ++d) {
    const DialogRecord& dialog = Table().rows[d];
    const ui::DialogTemplate e = uires::BuildDialogTemplate(dialog, uires::Language::kEnglish);
    const ui::DialogTemplate j = uires::BuildDialogTemplate(dialog, uires::Language::kJapanese);
    ASSERT_EQ(e.items.size(), j.items.size()) << Name(dialog);
    for (size_t i = 0; i < e.items.size(); ++i) {
      EXPECT_EQ(e.items[i].id, j.items[i].id) << Name(dialog);
      EXPECT_EQ(e.items[i].class_name, j.items[i].class_name) << Name(dialog) << " " << e.items[i].id;
      EXPECT_EQ(e.items[i].style, j.items[i].style) << Name(dialog) << " " << e.items[i].id;
    }
  }
}

// Every Japanese text converts to code page 932 and back unchanged, so that
// the driver's ANSI copies (preset names, message captions, the settings
// files) keep it whole.
TEST(UiResourceJapanese, EveryTextSurvivesCodePage932) {
  std::vector<std::u16string> texts;
  for (const auto& [id, text] : uires::BuildStrings(uires::Language::kJapanese)) texts.push_back(text);
  for (int16_t d = 0; d < Table().count; ++d) {
    const ui::DialogTemplate j = uires::BuildDialogTemplate(Table().rows[d], uires::Language::kJapanese);
    texts.push_back(j.title);
    for (const auto& c : j.items) texts.push_back(c.text);
  }
  size_t japanese = 0;
  for (const std::u16string& t : texts) {
    if (t.empty()) continue;
    japanese += HasJapanese(t);
    BOOL used_default = FALSE;
    char ansi[2048] = {};
    const INT n = WideCharToMultiByte(932, 0, t.c_str(), INT(t.size()), ansi, sizeof ansi, nullptr, &used_default);
    ASSERT_GT(n, 0) << plat::ToUtf8(t);
    EXPECT_FALSE(used_default) << plat::ToUtf8(t);
    char16_t back[2048] = {};
    const INT m = MultiByteToWideChar(932, 0, ansi, n, back, 2048);
    EXPECT_EQ(std::u16string(back, size_t(m)), t);
  }
  EXPECT_GT(japanese, 500u) << "the module is Japanese";
}

// What a person sees on the document pages reads as Japanese: the captions,
// and labels without an English word left in them.
TEST(UiResourceJapanese, TheDocumentPagesReadAsJapanese) {
  size_t pages = 0;
  for (int16_t d = 0; d < Table().count; ++d) {
    const DialogRecord& dialog = Table().rows[d];
    if (!(dialog.flags & kDlgDocumentSheet)) continue;
    ++pages;
    const ui::DialogTemplate j = uires::BuildDialogTemplate(dialog, uires::Language::kJapanese);
    EXPECT_TRUE(HasJapanese(j.title)) << Name(dialog);
    EXPECT_NE(j.title, uires::BuildDialogTemplate(dialog).title);
    for (const auto& c : j.items)
      EXPECT_FALSE(HasLatinWord(c.text)) << Name(dialog) << " " << c.id << " " << plat::ToUtf8(c.text);
  }
  EXPECT_GE(pages, 6u);
  const std::map<DWORD, std::u16string> jp = uires::BuildStrings(uires::Language::kJapanese);
  const OptionNameRow* landscape = MdfFindOptionByName("IDC_PRESET_RADIO_LANDSCAPE");
  ASSERT_NE(landscape, nullptr);
  EXPECT_EQ(jp.at(landscape->optionId), u"横");
  EXPECT_EQ(jp.at(10031), u"お気に入りの名前を入力してください。");
}

struct Box {
  int32_t l, t, r, b;
  bool Overlaps(const Box& o) const { return l < o.r && o.l < r && t < o.b && o.t < b; }
  bool Holds(const Box& o) const { return l <= o.l && t <= o.t && o.r <= r && o.b <= b; }
};
Box BoxOf(const ui::DialogItemTemplate& c) { return {c.x, c.y, c.x + c.cx, c.y + c.cy}; }
bool IsGroupBox(const ui::DialogItemTemplate& c) {
  return c.class_name == u"BUTTON" && (c.style & BS_TYPEMASK) == BS_GROUPBOX;
}

TEST(UiResourceTemplates, ControlsNeitherOverlapNorLeaveTheirPage) {
  for (int16_t d = 0; d < Table().count; ++d) {
    const DialogRecord& dialog = Table().rows[d];
    ui::DialogTemplate t = uires::BuildDialogTemplate(dialog);
    Box page{0, 0, t.cx, t.cy};
    if (uires::IsSheetPage(dialog)) {
      // A page fills at least the standard page area of a sheet.
      EXPECT_GE(t.cx, 244) << Name(dialog);
      EXPECT_GE(t.cy, 182) << Name(dialog);
    }
    for (size_t i = 0; i < t.items.size(); ++i) {
      Box a = BoxOf(t.items[i]);
      EXPECT_GT(t.items[i].cx, 0);
      EXPECT_GT(t.items[i].cy, 0);
      EXPECT_TRUE(page.Holds(a)) << Name(dialog) << " control " << t.items[i].id << " leaves the page";
      for (size_t j = i + 1; j < t.items.size(); ++j) {
        Box b = BoxOf(t.items[j]);
        if (!a.Overlaps(b)) continue;
        // A group box holds its controls whole; nothing else may touch.
        bool held = (IsGroupBox(t.items[i]) && a.Holds(b)) || (IsGroupBox(t.items[j]) && b.Holds(a));
        EXPECT_TRUE(held) << Name(dialog) << ": controls " << t.items[i].id << " and " << t.items[j].id << " overlap";
      }
    }
  }
}

TEST(UiResourceTemplates, LabelsSitBesideTheirControlsAndRadioListsAreGroups) {
  for (int16_t d = 0; d < Table().count; ++d) {
    const DialogRecord& dialog = Table().rows[d];
    ui::DialogTemplate t = uires::BuildDialogTemplate(dialog);
    for (uint32_t k = 0; k + 1 < dialog.itemCount; ++k) {
      const DialogItemRecord& label = dialog.items[k];
      const DialogItemRecord& next = dialog.items[k + 1];
      // A text label and the combo box after it: on one line, label first.
      if (label.kind == 1 && (next.kind == 43 || next.kind == 48)) {
        Box l = BoxOf(*Control(t, label.controlId)), c = BoxOf(*Control(t, next.controlId));
        EXPECT_LE(l.r, c.l) << Name(dialog) << " label " << label.controlId;
        EXPECT_TRUE(l.t < c.b && c.t < l.b) << Name(dialog) << " label " << label.controlId << " not beside its control";
        EXPECT_FALSE(Control(t, label.controlId)->text.empty());
      }
      // The buttons of one radio list: the first starts the group and takes
      // the tab, the others continue it.
      if (next.kind == 41) {
        bool first = label.kind != 41 || label.symbol != next.symbol;
        const ui::DialogItemTemplate* c = Control(t, next.controlId);
        EXPECT_EQ((c->style & WS_GROUP) != 0, first) << Name(dialog) << " radio " << next.controlId;
      }
      if (label.kind == 41 && next.kind != 41) {
        EXPECT_TRUE(Control(t, next.controlId)->style & WS_GROUP);
      }
    }
  }
}

// The string ids the driver loads by number beside those the table names.
const std::vector<DWORD>& NamedStringIds() {
  static const std::vector<DWORD> ids = [] {
    std::vector<DWORD> v = {153, 154, 372, 373, 336, 337, 338, 376, 377, 433, 563, 235, 239, 265, 374, 375,
                            13187, 13188, 13189, 13190, 13191, 13192, 13193, 10083,
                            370, 371, 96, 204, 261, 262, 263,                  // switches, no value, no name, fonts
                            10101, 10102, 10103, 10104, 10105, 10106, 10107};  // units of the model's numbers
    for (DWORD id = 109; id <= 118; ++id) v.push_back(id);   // user paper sizes
    for (DWORD id = 29; id <= 37; ++id) v.push_back(id);     // output bins
    for (DWORD id = 50017; id <= 50025; ++id) v.push_back(id);
    for (DWORD id : {5001, 5002, 5003, 5004, 5008, 5009}) v.push_back(id);  // sheet and file-dialog titles
    for (DWORD id = 2501; id <= 2516; ++id) v.push_back(id); // tips
    for (DWORD id = 10011; id <= 10060; ++id)
      if (id != 10014 && id != 10015 && id != 10020 && id != 10035 && id != 10039 && id != 10040 && id != 10042 &&
          id != 10044 && id != 10045 && id != 10053)
        v.push_back(id);  // the messages the pages and dialogs show
    return v;
  }();
  return ids;
}

TEST(UiResourceStrings, EveryStringTheDriverLoadsIsThere) {
  std::map<DWORD, std::u16string> s = uires::BuildStrings();
  auto has = [&](DWORD id) { return s.count(id) && !s[id].empty(); };
  for (DWORD id : NamedStringIds()) EXPECT_TRUE(has(id)) << "string " << id;
  for (int16_t d = 0; d < Table().count; ++d) {
    const DialogRecord& dialog = Table().rows[d];
    for (uint32_t k = 0; k < dialog.itemCount; ++k) {
      const DialogItemRecord& item = dialog.items[k];
      if (item.tipId) {
        EXPECT_TRUE(has(item.tipId)) << "tip " << item.tipId << " of control " << item.controlId;
      }
      if (item.messageId) {
        EXPECT_TRUE(has(item.messageId)) << "message " << item.messageId;
      }
      const auto* block = static_cast<const CtlListBlock*>(item.extraData);
      if (block && block->tag == kCtlTagList && block->rows) {
        for (int16_t r = 0; r < block->rowCount; ++r) {
          EXPECT_TRUE(has(block->rows[r].labelId)) << block->rows[r].labelId;
        }
      }
    }
  }
  const MessageNameTable& messages = RuleGetMessageTable();
  for (int16_t i = 0; i < messages.count; ++i) EXPECT_TRUE(has(messages.rows[i].textId)) << messages.rows[i].name;
  const OptionNameTable& options = MdfGetOptionNameTable();
  for (int16_t i = 0; i < options.count; ++i)
    if (options.rows[i].optionId) {
      EXPECT_TRUE(has(options.rows[i].optionId)) << options.rows[i].keyword;
    }
  // An option's name is what a person picks it by, also where the id is
  // shared with an option of another feature (A4 and a memory size of the
  // installed options are both 41; the first tray and the image watermark 2).
  const struct {
    const char* keyword;
    const char16_t* name;
  } kNamed[] = {{"IDS_PAPERSIZE_A5", u"A5"},
                {"IDC_PRESET_RADIO_LANDSCAPE", u"Landscape"},
                {"IDS_PAPERSIZE_A4", u"A4"},
                {"IDS_SOURCE_TRAY1", u"Tray1"},
                {"IDS_MEDIATYPE_RECYCLED", u"Recycled"}};
  for (const auto& n : kNamed) {
    const OptionNameRow* row = MdfFindOptionByName(n.keyword);
    ASSERT_NE(row, nullptr) << n.keyword;
    EXPECT_EQ(s[row->optionId], n.name) << n.keyword;
    EXPECT_EQ(uires::OptionName(row->optionId), n.name) << n.keyword;
  }
}

// ---- the module on a machine ----

std::string ReadHost(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The printer "Office" of the reference model, with the module the build
// made installed beside the driver as "velm printer add" installs it.
class InstalledUiModule : public ctx_test::ModelMachine {
 protected:
  void SetUp() override {
    ModelMachine::SetUp();
    UseModelText(ReadHost(VELM_REFERENCE_MODEL));
    std::string module = ReadHost(VELM_UI_MODULE);
    ASSERT_FALSE(module.empty());
    Put(std::u16string(env_test::kDriverDir) + u"VELMUIus.dll", module);
    ctx_ = OpenKind(0);
    ASSERT_NE(ctx_, nullptr);
  }
  void TearDown() override {
    ui::ResetWindowManager();
    if (ctx_) CtxCloseAs(ctx_, kCloseDestroy);
    ModelMachine::TearDown();
  }
  static INT_PTR Quiet(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
  DriverContext* ctx_ = nullptr;
};

TEST_F(InstalledUiModule, ThePrinterLoadsEveryTemplateStringCursorAndIcon) {
  HMODULE module = ResLoadUiDll(ctx_);
  ASSERT_NE(module, nullptr) << plat::ToUtf8(PathGetUiResourceDll(ctx_));
  // Pages are child windows: they are made inside a window standing for
  // the sheet.
  HWND frame = CreateWindowExW(0, u"STATIC", u"frame", WS_POPUP, 0, 0, 900, 700, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(frame, nullptr);
  for (int16_t d = 0; d < Table().count; ++d) {
    const DialogRecord& dialog = Table().rows[d];
    HWND parent = uires::IsSheetPage(dialog) ? frame : nullptr;
    HWND w = CreateDialogParamW(module, MAKEINTRESOURCEW(dialog.dialogId), parent, Quiet, 0);
    ASSERT_NE(w, nullptr) << Name(dialog);
    for (uint32_t k = 0; k < dialog.itemCount; ++k)
      EXPECT_NE(GetDlgItem(w, dialog.items[k].controlId), nullptr) << Name(dialog) << " " << dialog.items[k].controlId;
    DestroyWindow(w);
  }
  char16_t text[523];
  ResLoadString(ctx_, 10031, text, 523, 0);
  EXPECT_EQ(std::u16string(text), u"Enter a name for the preset.");
  ResLoadString(ctx_, 154, text, 523, 0);
  EXPECT_EQ(std::u16string(text), u"inch");
  for (DWORD id : {uires::kHandCursor, uires::kPressedHandCursor}) {
    const ui::IconImage* img = ui::IconImageOf(LoadCursorW(module, MAKEINTRESOURCEW(id)));
    ASSERT_NE(img, nullptr) << id;
    EXPECT_EQ(img->width, 32);
    EXPECT_LT(img->hotspot_x, img->width);
  }
  std::vector<DWORD> icons = uires::ButtonIconIds();
  EXPECT_FALSE(icons.empty());
  for (DWORD id : icons) EXPECT_NE(LoadIconW(module, MAKEINTRESOURCEW(id)), nullptr) << id;
  SetLastError(0);
  EXPECT_EQ(LoadIconW(module, MAKEINTRESOURCEW(1)), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_RESOURCE_NAME_NOT_FOUND);
}

// Language id 0 finds the Japanese module beside the English one, by the
// name the path rules give it, and loads its texts.
TEST_F(InstalledUiModule, LanguageZeroLoadsTheJapaneseModule) {
  const std::string module = ReadHost(VELM_UI_MODULE_JP);
  ASSERT_FALSE(module.empty());
  Put(std::u16string(env_test::kDriverDir) + u"VELMUIjp.dll", module);
  OptSetValueById(ctx_, setting::vdmLanguageID, 0);
  const std::u16string path = PathGetUiResourceDll(ctx_);
  ASSERT_GE(path.size(), 12u);
  EXPECT_EQ(path.substr(path.size() - 12), u"VELMUIjp.dll");
  char16_t text[523];
  ResLoadString(ctx_, 10031, text, 523, 0);
  EXPECT_EQ(std::u16string(text), u"お気に入りの名前を入力してください。");
  ResLoadString(ctx_, 154, text, 523, 0);
  EXPECT_EQ(std::u16string(text), u"インチ");
}

TEST_F(InstalledUiModule, ADocumentSheetShowsItsPagesFromTheModule) {
  HMODULE module = ResLoadUiDll(ctx_);
  ASSERT_NE(module, nullptr);
  std::vector<HPROPSHEETPAGE> pages;
  for (int16_t d = 0; d < Table().count; ++d) {
    const DialogRecord& dialog = Table().rows[d];
    if (!(dialog.flags & kDlgDocumentSheet)) continue;
    PROPSHEETPAGEW p{};
    p.dwSize = sizeof p;
    p.hInstance = module;
    p.pszTemplate = MAKEINTRESOURCEW(dialog.dialogId);
    p.pfnDlgProc = Quiet;
    pages.push_back(CreatePropertySheetPageW(&p));
    ASSERT_NE(pages.back(), nullptr);
  }
  PROPSHEETHEADERW h{};
  h.dwSize = sizeof h;
  h.pszCaption = u"Office";
  h.nPages = UINT(pages.size());
  h.phpage = pages.data();
  size_t shown = 0;
  ui::SetModalHandler([&](HWND sheet) {
    // Every page in turn: each is made from its template and lies inside
    // the frame, which fits the largest page.
    RECT frame{};
    GetWindowRect(sheet, &frame);
    for (size_t i = 0; i < pages.size(); ++i) {
      SendMessageW(sheet, PSM_SETCURSEL, WPARAM(i), 0);
      HWND page = HWND(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
      if (!page) return false;
      RECT r{};
      GetWindowRect(page, &r);
      EXPECT_LE(r.right - r.left, frame.right - frame.left);
      EXPECT_LE(r.bottom - r.top, frame.bottom - frame.top);
      ++shown;
    }
    return false;
  });
  PropertySheetW(&h);
  EXPECT_EQ(shown, pages.size());
}

}  // namespace
