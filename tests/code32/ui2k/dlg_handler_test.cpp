// The handlers of single dialogs on a printer with stored presets: the
// preset-name combo, the maintenance button with the settings the dialog
// leaves, the print type's password and job-merge checks, the preset save,
// the tray statics, the preset maintenance dialog and the print-quality
// page.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "control_test_page.h"
#include "ctx_test_machine.h"
#include "plat/files.h"
#include "plat/wstr.h"
#include "ui2k/file_dialogs.h"
#include "ui2k/dialog_handlers.h"
#include "velm/context.h"
#include "velm/ini.h"
#include "velm/inst.h"
#include "velm/paths.h"
#include "velm/presets.h"
#include "velm/qst.h"
#include "velm/save_stack.h"
#include "velm/setting_ids.h"

namespace {

using namespace ctl_test;
using Seen = std::vector<std::string>;

constexpr int32_t kFirstPreset = 119;
constexpr uint16_t kPasswordConfirm = 2527;

std::string PresetKeys(const char* feature, int count) {
  std::string s = std::string("*OpenUI *") + feature + ": PickOne\n";
  for (int i = 1; i <= count; ++i) s += std::string("*") + feature + " IDS_PRESET_KEY" + std::to_string(i) + ":\n";
  return s + "*CloseUI: *" + feature + "\n";
}

std::string SpecialModel() {
  return std::string(kPageModel) + PresetKeys("VPD_IDC_PRESET_ICONLIST", 16) +
         PresetKeys("VPD_IDC_MAINTENANCE_ICONLIST", 16) + PresetKeys("VPD_IDC_BASIC_CHOICE_PRESETNAME", 16) +
         R"(*OpenUI *VPD_IDC_MAINTENANCE_BUTTON_PRESET_LOAD: Boolean
*CloseUI: *VPD_IDC_MAINTENANCE_BUTTON_PRESET_LOAD
*OpenUI *VPD_IDC_BASIC_BUTTON_MAINTENANCE: Boolean
*CloseUI: *VPD_IDC_BASIC_BUTTON_MAINTENANCE
*OpenUI *VPD_IDC_PRINTQUALITY_BUTTON_USER: Boolean
*CloseUI: *VPD_IDC_PRINTQUALITY_BUTTON_USER
*OpenUI *VPD_IDC_PRINTQUALITY_CHOICE_USER_TYPE: PickOne
*VPD_IDC_PRINTQUALITY_CHOICE_USER_TYPE IDS_QUALITY_KEY1:
*VPD_IDC_PRINTQUALITY_CHOICE_USER_TYPE IDS_QUALITY_KEY2:
*VPD_IDC_PRINTQUALITY_CHOICE_USER_TYPE IDS_QUALITY_KEY3:
*CloseUI: *VPD_IDC_PRINTQUALITY_CHOICE_USER_TYPE
)";
}

// What the buttons' dialogs do in these tests: the person's answer (OK
// keeps the settings), the file chosen and what the dialog itself sets.
struct DialogScript {
  bool ok = false;
  std::u16string file;
  std::function<void(DriverContext*)> inside;
  std::vector<uint16_t> opened;
};
DialogScript g_dialog;

void RunScripted(DriverContext* ctx) {
  if (g_dialog.inside) g_dialog.inside(ctx);
  ctx->work->saveOnClose = g_dialog.ok ? 1 : 0;
  if (!g_dialog.file.empty()) plat::WCopy(DlgGetLastFileBuffer(), kPresetNameChars, g_dialog.file.c_str());
}

// The recording services, with the buttons' actions opening the scripted
// dialog.
CtlServices ScriptedServices() {
  CtlServices s = kRecording;
  s.applyTransact = [](DriverContext* ctx, DialogRecord*, DialogItemRecord* item) {
    Note("transact " + std::to_string(item->controlId));
    if (item->kind == 21) RunScripted(ctx);
  };
  return s;
}
const CtlServices kScripted = ScriptedServices();

INT_PTR ScriptedRunner(DriverContext* ctx, int32_t, uint16_t dialog_id, HWND) {
  g_dialog.opened.push_back(dialog_id);
  RunScripted(ctx);
  return g_dialog.ok ? IDOK : IDCANCEL;
}

class Special : public ctx_test::ModelMachine, public PageTools {
 protected:
  void SetUp() override {
    ModelMachine::SetUp();
    UseModelText(SpecialModel());
    ASSERT_EQ(PathCreateDataDir(), 1);
    context_ = OpenKind(0);
    ASSERT_NE(context_, nullptr);
    StartPage(context_);
    CtlSetServices(&kScripted);
    UiSetSubDialogRunner(&ScriptedRunner);
    g_dialog = DialogScript{};
    UiPrepareDialogTables(ctx, nullptr);
    for (uint16_t n = 0; n < 16; ++n)
      Names({{uint32_t(kFirstPreset + n), u"PresetList" + plat::FromUtf8(std::to_string(n))}});
    Names({{135, u"QualityList0"}, {136, u"QualityList1"}, {137, u"QualityList2"}});
    for (uint32_t id : {10024u, 10031u, 10032u, 10034u, 10049u, 10050u, 10051u, 10052u})
      Names({{id, u"message " + plat::FromUtf8(std::to_string(id))}});
  }
  void TearDown() override {
    UiSetSubDialogRunner(nullptr);
    g_dialog = DialogScript{};
    EndPage();
    CtxCloseAs(context_, kCloseDestroy);
    ModelMachine::TearDown();
  }

  std::u16string DataFile(const std::string& name) {
    char16_t dir[261] = {};
    PathGetCommonDataDir(dir, 261);
    return std::u16string(dir) + u"\\" + plat::FromUtf8(name) + u".qst";
  }
  // Presets saved from the working settings, the copies of each its own.
  void MakePresets(std::vector<std::string> names) {
    for (const std::string& name : names) {
      const std::u16string path = DataFile(name);
      OptSetValueById(ctx, setting::dmCopies, int32_t(PresetGetCount(ctx)) + 1);
      ASSERT_EQ(PresetAddEntry(ctx, path.c_str(), plat::FromUtf8(name).c_str(), u"", nullptr), 1);
      ASSERT_EQ(QstSaveSettings(printer_, path.c_str(), kQstPreset, ctx), 1);
    }
  }
  std::vector<std::string> PresetNames() {
    std::vector<std::string> out;
    char16_t name[kPresetNameChars] = {};
    for (int32_t n = 0, count = PresetGetCount(ctx); n < count; ++n) {
      PresetGetEntryText(ctx, n, 1, name);
      out.push_back(plat::ToUtf8(name));
    }
    return out;
  }
  std::vector<uint32_t> Boxes() {
    std::vector<uint32_t> out;
    for (const auto& box : plat::MessageBoxLog()) {
      const std::string text = plat::ToUtf8(box.text);
      out.push_back(text.rfind("message ", 0) == 0 ? uint32_t(std::stoul(text.substr(8))) : 0);
    }
    plat::ClearMessageBoxLog();
    return out;
  }
  LRESULT Command(uint16_t dialog_id, DialogItemRecord* item, WORD code) {
    return CtlHandleCommand(ctx, Dialog(dialog_id), item, MAKEWPARAM(item->controlId, code), LPARAM(item->window));
  }
  int32_t DialogCommand(uint16_t dialog_id, WORD id) {
    return DlgSpecialHandler(ctx, Dialog(dialog_id), nullptr, WM_COMMAND, id, 0);
  }
  std::u16string Text(uint32_t setting_id) {
    char16_t text[kPresetNameChars] = {};
    OptGetText(ctx, OptFindSetting(ctx, setting_id), text);
    return text;
  }

  DriverContext* context_ = nullptr;
};

// ---- the shared controls of the pages ------------------------------------------------------------

TEST_F(Special, PresetNameComboListsThePresetsAndTakesEveryCommandOfItsOwn) {
  MakePresets({"base", "draft", "photo"});
  DialogItemRecord* combo = Control(1002, 2036, u"COMBOBOX", CBS_DROPDOWNLIST);
  ASSERT_NE(combo->setting, nullptr);
  EXPECT_EQ(Entries(combo->window, true), (std::vector<LRESULT>{119, 120, 121})) << "one entry per preset";
  char16_t text[64] = {};
  SendMessageW(combo->window, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(text));
  EXPECT_EQ(std::u16string(text), u"draft");

  // The entry already chosen: consumed, nothing loaded.
  OptSetOptionById(ctx, setting::vdmPresetNo, kFirstPreset);
  SendMessageW(combo->window, CB_SETCURSEL, 0, 0);
  Calls();
  EXPECT_EQ(Command(1002, combo, CBN_SELCHANGE), 1);
  EXPECT_EQ(Calls(), Seen{});
  // Another command of the combo (its list opening): still its own.
  EXPECT_EQ(Command(1002, combo, CBN_DROPDOWN), 1);
  // Another preset: loaded and chosen.
  SendMessageW(combo->window, CB_SETCURSEL, 2, 0);
  EXPECT_EQ(Command(1002, combo, CBN_SELCHANGE), 1);
  EXPECT_EQ(OptGetOptionById(ctx, setting::vdmPresetNo), kFirstPreset + 2);
  EXPECT_EQ(Text(setting::wdmPresetName), u"photo") << "the third preset loaded";
  // A command of another control is not the combo's.
  EXPECT_EQ(DlgSpecialHandler(ctx, Dialog(1002), combo, WM_COMMAND, MAKEWPARAM(2037, BN_CLICKED), 0), 0);
}

TEST_F(Special, MaintenanceButtonAppliesThePendingListAndClampsThePreset) {
  MakePresets({"base", "draft", "photo"});
  DialogItemRecord* button = Control(1002, 2037, u"BUTTON", BS_PUSHBUTTON);
  const int32_t copies_row = int32_t(OptFindSetting(ctx, setting::dmCopies) - ctx->settings->rows);
  const int32_t rows = ctx->settings->count;
  OptSetOptionById(ctx, setting::vdmPresetNo, kFirstPreset + 2);
  // The dialog deleted the chosen preset and left settings: one a real
  // row, one past the table, one negative; the real one is set.
  g_dialog.ok = true;
  g_dialog.inside = [&](DriverContext* c) {
    PresetDeleteEntry(c, 2);
    auto* list = static_cast<PendingSetting*>(MemAllocZeroed(sizeof(PendingSetting) * 4));
    list[0] = {rows + 5, 1};
    list[1] = {-3, 1};
    list[2] = {copies_row, 77};
    c->work->pendingSettings = list;
  };
  EXPECT_EQ(Command(1002, button, BN_CLICKED), 1);
  EXPECT_EQ(ctx->work->pendingSettings, nullptr) << "applied and freed";
  EXPECT_EQ(OptGetOptionById(ctx, setting::vdmPresetNo), kFirstPreset) << "the deleted preset gives way to preset 0";
  EXPECT_EQ(Text(setting::wdmPresetName), u"base");
  EXPECT_EQ(OptGetValueById(ctx, setting::dmCopies), 77) << "the pending setting applied";
  Seen calls = Calls();
  EXPECT_NE(std::find(calls.begin(), calls.end(), "transact 2037"), calls.end()) << "the button opened its dialog";

  // Without a deletion the chosen preset stays and the pending row shows.
  OptSetOptionById(ctx, setting::vdmPresetNo, kFirstPreset + 1);
  g_dialog.inside = [&](DriverContext* c) {
    auto* list = static_cast<PendingSetting*>(MemAllocZeroed(sizeof(PendingSetting) * 2));
    list[0] = {int32_t(OptFindSetting(c, setting::vdmPrnMethod) - c->settings->rows), 3};
    c->work->pendingSettings = list;
  };
  EXPECT_EQ(Command(1002, button, BN_CLICKED), 1);
  EXPECT_EQ(OptGetOptionById(ctx, setting::vdmPresetNo), kFirstPreset + 1);
  EXPECT_EQ(Text(setting::wdmPresetName), u"draft");
  EXPECT_EQ(OptGetValueById(ctx, setting::vdmPrnMethod), 3);
}

// ---- print type (1019) --------------------------------------------------------------------------------

TEST_F(Special, PasswordMustBeConfirmedAndCancellingClearsIt) {
  OptSetValueById(ctx, setting::vdmPrnMethod, 1);
  DialogItemRecord* edit = Control(1019, 2245, u"EDIT", 0);
  ASSERT_NE(edit->setting, nullptr);
  struct Case {
    const char* name;
    bool ok;
    const char16_t* confirmation;
    int32_t consumed;
    std::vector<uint32_t> boxes;
    const char16_t* left;
  };
  const Case cases[] = {
      {"a different text", true, u"abd", 1, {10034}, u""},
      {"cancelled", false, u"abc", 1, {}, u""},
      {"the same text", true, u"abc", 0, {}, u"abc"},
  };
  for (const Case& c : cases) {
    SetWindowTextW(edit->window, u"abc");
    UiClearSettingDirty(ctx);
    EXPECT_EQ(Command(1019, edit, EN_CHANGE), 1) << c.name;
    ASSERT_TRUE(CtxGetChangeMask(ctx) & 0x8000000u) << c.name << ": the password waits";
    g_dialog = DialogScript{};
    g_dialog.ok = c.ok;
    g_dialog.inside = [&](DriverContext* x) {
      EXPECT_EQ(Text(setting::vdmJOBPassword), u"abc");
      char16_t before[16] = {};
      OptGetControlText(x, kPasswordConfirm, before);
      EXPECT_EQ(std::u16string(before), u"") << "the confirmation starts empty";
      OptSetControlText(x, kPasswordConfirm, c.confirmation);
    };
    Boxes();
    EXPECT_EQ(DialogCommand(1019, IDOK), c.consumed) << c.name;
    EXPECT_EQ(g_dialog.opened, std::vector<uint16_t>{4005}) << c.name;
    EXPECT_EQ(Boxes(), c.boxes) << c.name;
    EXPECT_EQ(Text(setting::vdmJOBPassword), c.left) << c.name;
    if (!c.consumed) {
      EXPECT_FALSE(CtxGetChangeMask(ctx) & 0x8000000u);
    }
  }
  // Cancel of the dialog forgets a password waiting.
  CtxMarkChanged(ctx, 0x8000000u);
  EXPECT_EQ(DialogCommand(1019, IDCANCEL), 0);
  EXPECT_FALSE(CtxGetChangeMask(ctx) & 0x8000000u);
  // A double quote is refused in the owner edit.
  DialogItemRecord* owner = Control(1019, 2423, u"EDIT", 0);
  EXPECT_EQ(DlgSpecialHandler(ctx, Dialog(1019), owner, WM_CHAR, u'"', 0), 1);
  EXPECT_EQ(DlgSpecialHandler(ctx, Dialog(1019), owner, WM_CHAR, u'a', 0), 0);
}

TEST_F(Special, JobMergeNamesAndPaths) {
  OptSetValueById(ctx, setting::vdmPrnMethod, 5);
  Control(1019, 2243, u"EDIT", 0);
  const char16_t* section = InstGetPrinterSectionName(ctx);
  const char16_t* ini = PathGetDriverIni(ctx);
  ASSERT_TRUE(plat::EnsureWindowsDir(u"C:\\Jobs\\"));
  ASSERT_TRUE(plat::EnsureWindowsDir(u"C:\\Windows\\Temp\\Vjm\\"));
  HANDLE f = CreateFileW(u"C:\\Jobs\\taken.vjm", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  CloseHandle(f);
  f = CreateFileW(u"C:\\Windows\\Temp\\Vjm\\old.vjm", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(f, INVALID_HANDLE_VALUE);
  CloseHandle(f);
  const std::u16string long_folder = u"C:\\" + std::u16string(300, u'd');
  struct Case {
    const char* name;
    const char16_t* folder;  // null: none in the ini
    const char16_t* file;
    int32_t consumed;
    std::vector<uint32_t> boxes;
  };
  const Case cases[] = {
      {"no name", nullptr, u"", 0, {}},
      {"a '?' before any file test", u"C:\\Jobs", u"a?b", 1, {10051}},
      {"a '|'", u"C:\\Jobs", u"a|b", 1, {10051}},
      {"a new file", u"C:\\Jobs", u"fresh", 0, {}},
      {"an existing file", u"C:\\Jobs", u"taken", 1, {10050}},
      {"<OSDRIVE> is the Windows drive", u"<OSDRIVE>\\Jobs", u"taken", 1, {10050}},
      {"<OS> is the Windows folder (the default)", nullptr, u"old", 1, {10050}},
      {"a folder of 300 characters", long_folder.c_str(), u"x", 1, {10051}},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(IniWriteString(section, u"DrvDefJobMergePath", c.folder, ini));
    OptSetText(ctx, OptFindSetting(ctx, setting::vdmMergeFileName), c.file);
    Boxes();
    EXPECT_EQ(DialogCommand(1019, IDOK), c.consumed) << c.name;
    EXPECT_EQ(Boxes(), c.boxes) << c.name;
  }
}

// ---- save preset (1032) ---------------------------------------------------------------------------------

TEST_F(Special, SavePresetRefusesANewNameWhenTheListIsFull) {
  std::vector<std::string> names;
  for (int i = 0; i < 16; ++i) names.push_back("p" + std::to_string(i));
  MakePresets(names);
  struct Case {
    const char* name;
    const char16_t* text;
    int32_t consumed;
    std::vector<uint32_t> boxes;
    int32_t preset;
  };
  const Case cases[] = {
      {"a new name", u"brand new", 1, {10049}, kFirstPreset - 1},
      {"an existing name, answered yes", u"p5", 0, {10032}, kFirstPreset + 5},
      {"a write-protected preset", u"p0", 1, {10024}, kFirstPreset - 1},
  };
  ASSERT_TRUE(IniWriteString(u"Office", u"Readonly", u"1", DataFile("p0").c_str()));
  for (const Case& c : cases) {
    OptSetOptionById(ctx, setting::vdmPresetNo, kFirstPreset - 1);
    OptSetControlText(ctx, 2145, c.text);
    plat::ScriptMessageBoxAnswers({IDYES});
    Boxes();
    EXPECT_EQ(DialogCommand(1032, IDOK), c.consumed) << c.name;
    EXPECT_EQ(Boxes(), c.boxes) << c.name;
    EXPECT_EQ(OptGetOptionById(ctx, setting::vdmPresetNo), c.preset) << c.name;
  }
  plat::ScriptMessageBoxAnswers({});
}

// ---- tray statics -------------------------------------------------------------------------------------

struct IconAt {
  uint32_t icon;
  int32_t x;
};
std::vector<IconAt> g_icons;

TEST_F(Special, TrayStaticCutsALongPaperNameAndKeepsTheIconInPlace) {
  CtlServices s = kScripted;
  s.drawIcon = [](DriverContext*, HWND, HDC, int32_t x, int32_t, uint32_t icon) { g_icons.push_back({icon, x}); };
  CtlSetServices(&s);
  DialogItemRecord* paper = CtxFindControl(ctx, Dialog(1011), 2168);
  ASSERT_NE(paper, nullptr);
  ASSERT_NE(paper->setting, nullptr);
  OptSetValueById(ctx, setting::vdmTray1Paper + 1, 9);  // A4
  const int32_t option = OptValueToOption(ctx, paper->setting, 9);
  ASSERT_GT(option, 0);
  DialogItemRecord* tray = Control(1030, 2459, u"STATIC", 0, RECT{0, 0, 200, 20});
  SetWindowTextW(tray->window, u"T");
  auto paint = [&](const std::u16string& name) {
    Names({{uint32_t(option), name}});
    g_icons.clear();
    InvalidateRect(tray->window, nullptr, FALSE);
    EXPECT_EQ(DlgSpecialHandler(ctx, Dialog(1030), tray, WM_PAINT, 0, 0), 0);
    EXPECT_EQ(g_icons.size(), 1u);
    return g_icons.empty() ? IconAt{} : g_icons[0];
  };
  const IconAt short_name = paint(u"A4");
  const IconAt long_name = paint(std::u16string(200, u'W'));
  const IconAt longer_name = paint(std::u16string(400, u'W'));
  EXPECT_GT(long_name.x, short_name.x) << "the icon follows a short name";
  EXPECT_EQ(long_name.x, longer_name.x) << "a name too long stops at the reserved part";
  EXPECT_LT(long_name.x, 200);
  EXPECT_EQ(short_name.icon, 6194u) << "portrait tray";
  OptSetValueById(ctx, setting::vdmTrayOrient0 + 1, 1);
  EXPECT_EQ(paint(u"A4").icon, 6193u);
  // Between the paper's cut and the icon the static shows its face: the
  // name ends before the reserved part.
  HDC dc = GetDC(tray->window);
  paint(std::u16string(200, u'W'));
  EXPECT_EQ(GetPixel(dc, long_name.x - 1, 10), GetSysColor(COLOR_BTNFACE));
  ReleaseDC(tray->window, dc);
}

// ---- the maintenance dialog (1007) -------------------------------------------------------------------

class Maintenance : public Special {
 protected:
  void SetUp() override {
    Special::SetUp();
    list_ = nullptr;
  }
  void Open(std::vector<std::string> names) {
    MakePresets(names);
    list_ = Control(1007, 2139, u"LISTBOX", LBS_NOTIFY | LBS_HASSTRINGS);
    name_ = Control(1007, 2145, u"EDIT", 0);
    ASSERT_EQ(int32_t(SendMessageW(list_->window, LB_GETCOUNT, 0, 0)), int32_t(names.size()));
  }
  void Select(int32_t n) { SendMessageW(list_->window, LB_SETCURSEL, WPARAM(n), 0); }
  LRESULT Press(uint16_t button) {
    DialogItemRecord* item = CtxFindControl(ctx, Dialog(1007), button);
    if (!item->window) item = Control(1007, button, u"BUTTON", BS_PUSHBUTTON);
    return DlgMaintenanceHandler(ctx, Dialog(1007), item, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
  }
  int32_t Current() { return int32_t(SendMessageW(list_->window, LB_GETCURSEL, 0, 0)); }

  DialogItemRecord* list_ = nullptr;
  DialogItemRecord* name_ = nullptr;
};

TEST_F(Maintenance, DeleteKeepsEntryZeroAndFallsBackToItAfterTheLast) {
  Open({"base", "a", "b", "c"});
  g_rec.alertAnswer = 1;
  Select(0);
  EXPECT_EQ(Press(2140), 0) << "entry 0 goes on to the button's kind";
  Select(1);
  g_rec.alertAnswer = 2;
  EXPECT_EQ(Press(2140), 1);
  EXPECT_EQ(PresetNames(), (std::vector<std::string>{"base", "a", "b", "c"})) << "the alert was not answered OK";
  g_rec.alertAnswer = 1;
  EXPECT_EQ(Press(2140), 1);
  EXPECT_EQ(PresetNames(), (std::vector<std::string>{"base", "b", "c"})) << "the others keep their order";
  EXPECT_EQ(Current(), 1);
  Select(2);
  EXPECT_EQ(Press(2140), 1);
  EXPECT_EQ(PresetNames(), (std::vector<std::string>{"base", "b"}));
  EXPECT_EQ(Current(), 0) << "the last one deleted: entry 0";
  EXPECT_EQ(OptGetControlOption(ctx, list_), kFirstPreset);
  EXPECT_EQ(Text(setting::wdmPresetName), u"base");
}

TEST_F(Maintenance, MovesNeverTouchEntryZero) {
  Open({"base", "a", "b", "c"});
  struct Case {
    const char* name;
    int32_t from;
    uint16_t button;
    std::vector<std::string> after;
    int32_t selected;
  };
  const Case cases[] = {
      {"entry 1 up", 1, 2143, {"base", "a", "b", "c"}, 1},
      {"entry 0 down", 0, 2144, {"base", "a", "b", "c"}, 0},
      {"the last down", 3, 2144, {"base", "a", "b", "c"}, 3},
      {"entry 2 up", 2, 2143, {"base", "b", "a", "c"}, 1},
      {"entry 1 down", 1, 2144, {"base", "a", "b", "c"}, 2},
  };
  for (const Case& c : cases) {
    Select(c.from);
    EXPECT_EQ(Press(c.button), 1) << c.name;
    EXPECT_EQ(PresetNames(), c.after) << c.name;
    EXPECT_EQ(Current(), c.selected) << c.name;
  }
}

TEST_F(Maintenance, LoadFromFileNamesTheEntryAndStopsAtSixteen) {
  Open({"base"});
  // A settings file with a name of its own, and one without.
  const std::u16string named = DataFile("named-file"), plain = DataFile("plain.v2");
  ASSERT_EQ(QstSaveSettings(printer_, named.c_str(), kQstPreset, ctx), 1);
  ASSERT_EQ(QstSaveSettings(printer_, plain.c_str(), kQstPreset, ctx), 1);
  ASSERT_TRUE(IniWriteString(u"Office", u"wdmPresetName", u"Evening", named.c_str()));
  g_dialog.ok = true;
  g_dialog.file = named;
  EXPECT_EQ(Press(2142), 1);
  g_dialog.file = plain;
  EXPECT_EQ(Press(2142), 1);
  EXPECT_EQ(PresetNames(), (std::vector<std::string>{"base", "Evening", "plain.v2"})) << "up to the last dot";
  EXPECT_EQ(OptGetControlOption(ctx, list_), kFirstPreset + 2) << "the new entry is chosen";
  // Cancelled: nothing added.
  g_dialog.ok = false;
  EXPECT_EQ(Press(2142), 1);
  EXPECT_EQ(PresetGetCount(ctx), 3);
  // Up to the sixteenth.
  g_dialog.ok = true;
  while (PresetGetCount(ctx) < 15) ASSERT_EQ(Press(2142), 1);
  CtlDispatchInit(ctx, Dialog(1007), list_);
  EXPECT_EQ(Press(2142), 1);
  EXPECT_EQ(PresetGetCount(ctx), 16) << "the sixteenth is loaded";
  CtlDispatchInit(ctx, Dialog(1007), list_);
  Calls();
  EXPECT_EQ(Press(2142), 1);
  EXPECT_EQ(PresetGetCount(ctx), 16) << "a seventeenth is not";
  EXPECT_EQ(Calls(), Seen{}) << "no file dialog opens";
}

TEST_F(Maintenance, AnEmptyNameIsRefusedAndTheOldNameStays) {
  Open({"base", "a"});
  Select(1);
  SetWindowTextW(name_->window, u"");
  EXPECT_EQ(Command(1007, name_, EN_CHANGE), 1);
  Boxes();
  EXPECT_EQ(Command(1007, name_, EN_KILLFOCUS), 1);
  EXPECT_EQ(Boxes(), std::vector<uint32_t>{10031});
  EXPECT_EQ(PresetNames(), (std::vector<std::string>{"base", "a"}));
  char16_t shown[32] = {};
  GetWindowTextW(name_->window, shown, 32);
  EXPECT_EQ(std::u16string(shown), u"a") << "the old name is back in the edit";
  EXPECT_EQ(Current(), 1);
  // A name: saved into the entry. Entry 0 keeps its own.
  SetWindowTextW(name_->window, u"renamed");
  EXPECT_EQ(Command(1007, name_, EN_CHANGE), 1);
  EXPECT_EQ(Command(1007, name_, EN_KILLFOCUS), 1);
  EXPECT_EQ(PresetNames(), (std::vector<std::string>{"base", "renamed"}));
  Select(0);
  SetWindowTextW(name_->window, u"other");
  EXPECT_EQ(Command(1007, name_, EN_CHANGE), 1);
  EXPECT_EQ(Command(1007, name_, EN_KILLFOCUS), 1);
  EXPECT_EQ(PresetNames(), (std::vector<std::string>{"base", "renamed"}));
  EXPECT_EQ(Boxes(), std::vector<uint32_t>{});
}

TEST_F(Maintenance, TheDialogStartsWithoutPendingSettings) {
  Open({"base"});
  ctx->work->pendingSettings = static_cast<PendingSetting*>(MemAllocZeroed(sizeof(PendingSetting) * 2));
  EXPECT_EQ(DlgMaintenanceHandler(ctx, Dialog(1007), nullptr, WM_INITDIALOG, 0, 0), 0);
  EXPECT_EQ(ctx->work->pendingSettings, nullptr);
}

// ---- print quality (1006) -------------------------------------------------------------------------------

class Quality : public Special {
 protected:
  void MakeQualities(int count) {
    const char16_t* section = InstGetPrinterSectionName(ctx);
    const char16_t* ini = PathGetDriverIni(ctx);
    for (int n = 0; n < count; ++n) {
      const std::u16string path = DataFile("quality" + std::to_string(n));
      ASSERT_EQ(QstSaveSettings(printer_, path.c_str(), kQstQuality, ctx), 1);
      char16_t key[32];
      PresetFormatQualityKey(key, n);
      ASSERT_TRUE(IniWriteString(section, key, path.c_str(), ini));
      ASSERT_TRUE(IniWriteString(section, (std::u16string(key) + u"Name").c_str(), u"q", ini));
    }
    ASSERT_TRUE(IniWriteString(section, u"QualityCount", plat::FromUtf8(std::to_string(count)).c_str(), ini));
  }
};

TEST_F(Quality, PicturesFollowTheEntriesAndDrawingChangesNothing) {
  MakeQualities(3);
  DialogItemRecord* list = Control(1006, 2134, u"LISTBOX", LBS_OWNERDRAWFIXED | LBS_NOTIFY);
  ASSERT_EQ(Entries(list->window), (std::vector<LRESULT>{135, 136, 137}));
  const std::vector<uint8_t> before(ctx->devmode, ctx->devmode + dm::kWorkBufferSize);
  HDC dc = GetDC(list->window);
  auto draw = [&](UINT entry) {
    DRAWITEMSTRUCT d{ODT_LISTBOX, 2134, entry, ODA_DRAWENTIRE, 0, list->window, dc, RECT{0, 0, 100, 20},
                     ULONG_PTR(DataAt(list->window, LRESULT(entry)))};
    return DlgSpecialHandler(ctx, Dialog(1006), list, WM_DRAWITEM, 2134, LPARAM(&d));
  };
  g_rec.pictures.clear();
  EXPECT_EQ(draw(0), 1);
  EXPECT_EQ(draw(2), 1);
  EnableWindow(list->window, FALSE);
  EXPECT_EQ(draw(1), 1);
  ReleaseDC(list->window, dc);
  EXPECT_EQ(g_rec.pictures, (std::vector<uint32_t>{6137, 6139, 6153}));
  EXPECT_EQ(std::vector<uint8_t>(ctx->devmode, ctx->devmode + dm::kWorkBufferSize), before);
  EXPECT_EQ(DmGetSaveDepth(ctx), 0);
  // The measured height of the list's entries is doubled.
  MEASUREITEMSTRUCT m{ODT_LISTBOX, 2134, 0, 50, 16, 0};
  EXPECT_EQ(DlgSpecialHandler(ctx, nullptr, nullptr, WM_MEASUREITEM, 2134, LPARAM(&m)), 1);
  EXPECT_EQ(m.itemHeight, 32u);
}

TEST_F(Quality, TheEditButtonSavesOnlyIntoASlotOfTheList) {
  MakeQualities(2);
  DialogItemRecord* list = Control(1006, 2134, u"LISTBOX", LBS_OWNERDRAWFIXED | LBS_NOTIFY);
  DialogItemRecord* button = Control(1006, 2136, u"BUTTON", BS_PUSHBUTTON);
  SendMessageW(list->window, LB_SETCURSEL, 0, 0);
  struct Case {
    const char* name;
    int32_t picture;
    int32_t option;
    const char* saved;
  };
  const Case cases[] = {
      {"slot 1", 6138, 136, "quality1"},
      {"a slot past the list", 6137 + 40, 136, nullptr},
      {"a picture before the slots", 6100, 136, nullptr},
  };
  for (const Case& c : cases) {
    const std::u16string target = DataFile(c.saved ? c.saved : "quality1");
    (void)DeleteFileW(target.c_str());  // may be absent already
    g_dialog = DialogScript{};
    g_dialog.ok = true;
    g_dialog.inside = [&](DriverContext* x) { OptSetOptionById(x, setting::wdmUserSetType, c.picture); };
    OptSetControlOption(ctx, list, 135);
    EXPECT_EQ(Command(1006, button, BN_CLICKED), 1) << c.name;
    EXPECT_EQ(GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES, c.saved != nullptr) << c.name;
    EXPECT_EQ(OptGetControlOption(ctx, list), c.saved ? c.option : 135) << c.name;
  }
}

}  // namespace
