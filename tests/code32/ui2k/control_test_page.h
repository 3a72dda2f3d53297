// A page of the presets dialog over a small model, for the tests of the
// control kinds: the dialog's window (its context in DWLP_USER) inside a
// sheet window that records what it is told, controls made on demand and
// bound to their features as page initialisation binds them, option names
// in a resource module of the test's own, and the page engine's services
// replaced by a recorder.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ctl_internal.h"
#include "ctx_test_model.h"
#include "plat/resources.h"
#include "plat/user.h"
#include "ui/prsht.h"
#include "velm/dialog_blocks.h"
#include "velm/names.h"

namespace ctl_test {

// What the fake page engine and picture services were asked.
struct Recorder {
  std::vector<std::string> calls;
  std::vector<uint32_t> pictures;  // picture ids, in the order drawn
  int32_t alertAnswer = 0;
  int32_t checkAnswer = 0;
  HANDLE cursor = nullptr;
};
inline Recorder g_rec;

inline void Note(const std::string& s) { g_rec.calls.push_back(s); }

inline const CtlServices kRecording{
    [](DriverContext* ctx, DialogRecord*, DialogItemRecord* item, int32_t option) {
      Note("set " + std::to_string(item->controlId) + "=" + std::to_string(option));
      return OptSetControlOption(ctx, item, option);
    },
    [](DriverContext*, DialogRecord*, DialogItemRecord* item) {
      Note("check " + std::to_string(item->controlId));
      return g_rec.checkAnswer;
    },
    [](DriverContext*, DialogRecord*, DialogItemRecord* item) {
      Note("alert " + std::to_string(item->controlId));
      return g_rec.alertAnswer;
    },
    [](DriverContext*, DialogRecord*, DialogItemRecord* item) { Note("transact " + std::to_string(item->controlId)); },
    [](DriverContext*, DialogRecord*) { Note("refresh"); },
    [](DriverContext*, uint16_t control) -> uint32_t { return control == 2002 ? 13188 : 0; },
    [](DriverContext*, DialogRecord*, DialogItemRecord*, HWND, HDC, const RECT*, bool, bool) -> int32_t {
      Note("face");
      return 40;
    },
    [](DriverContext*, DialogItemRecord*, HWND, int32_t, int32_t, int32_t index) {
      Note("tip " + std::to_string(index));
    },
    [](DriverContext*) { Note("begin"); },
    [](DriverContext*, DialogRecord*, DialogItemRecord*, HDC, const RECT*, uint32_t picture, bool over) {
      Note(std::string(over ? "over " : "base ") + std::to_string(picture));
      g_rec.pictures.push_back(picture);
    },
    [](DriverContext*, DialogRecord*, DialogItemRecord*, HDC, const RECT*, int32_t w, int32_t h) {
      Note("stamp " + std::to_string(w) + "x" + std::to_string(h));
    },
    [](DriverContext*, HWND, HDC, const RECT*) { Note("end"); },
    [](DriverContext*, const int32_t p[6]) {
      std::string s = "colours";
      for (int i = 0; i < 6; ++i) s += " " + std::to_string(p[i]);
      Note(s);
    },
    [](DriverContext*, COLORREF c) -> COLORREF {
      Note("background " + std::to_string(c));
      return 0x123456;
    },
    [](DriverContext*, HWND, HDC, int32_t, int32_t, uint32_t icon) { Note("icon " + std::to_string(icon)); },
    [](HANDLE cursor) {
      HANDLE old = g_rec.cursor;
      g_rec.cursor = cursor;
      return old;
    },
    []() { return g_rec.cursor; },
};

// Features of the presets page: the orientation radio list, the source
// tray (TRAY2 hidden with duplex on, MANUAL disabled with staple on), the
// colour and the copies, with two switches for the judges.
inline const char* const kPageModel = R"(*FileVersion: 3.62
*OpenUI *VPD_RADIOLIST_1: PickOne
*DefaultVPD_RADIOLIST_1: IDC_PRESET_RADIO_PORTRAIT
*VPD_RADIOLIST_1 IDC_PRESET_RADIO_PORTRAIT: "PORTRAIT"
*VPD_RADIOLIST_1 IDC_PRESET_RADIO_LANDSCAPE: "LANDSCAPE"
*CloseUI: *VPD_RADIOLIST_1
*OpenUI *VPD_IDC_PRESET_CHOICE_SOURCETRAY: PickSlot
*VPD_IDC_PRESET_CHOICE_SOURCETRAY IDS_SOURCE_TRAY1: "TRAY1"
*VPD_IDC_PRESET_CHOICE_SOURCETRAY IDS_SOURCE_TRAY2: "TRAY2"
*VPD_IDC_PRESET_CHOICE_SOURCETRAY IDS_SOURCE_MANUAL: "BYPASS"
*CloseUI: *VPD_IDC_PRESET_CHOICE_SOURCETRAY
*OpenUI *VPD_IDC_EDIT_CHOICE_DUPLEX: Boolean
*VPD_IDC_EDIT_CHOICE_DUPLEX True: "ON"
*VPD_IDC_EDIT_CHOICE_DUPLEX False: "OFF"
*CloseUI: *VPD_IDC_EDIT_CHOICE_DUPLEX
*OpenUI *VPD_IDC_FINISH_CHOICE_STAPLE: Boolean
*VPD_IDC_FINISH_CHOICE_STAPLE True: "ON"
*VPD_IDC_FINISH_CHOICE_STAPLE False: "OFF"
*CloseUI: *VPD_IDC_FINISH_CHOICE_STAPLE
*OpenUI *VPD_IDC_PRESET_EDIT_COPIES: Numeric
*NumericValue: 300 "3 1 1 999 1 6 7 8"
*CloseUI: *VPD_IDC_PRESET_EDIT_COPIES
*OpenUI *VPD_IDC_PRINTTYPE_EDIT_USERID: String
*StringValue: 8 MultiByte
*CloseUI: *VPD_IDC_PRINTTYPE_EDIT_USERID
*OpenUI *VPD_IDC_PRINTTYPE_EDIT_PASSWORD: String
*StringValue: 8 ASCII|Password
*CloseUI: *VPD_IDC_PRINTTYPE_EDIT_PASSWORD
*Judge 1=DuplexOn: VPD_IDC_EDIT_CHOICE_DUPLEX == 1
*Judge 2=StapleOn: VPD_IDC_FINISH_CHOICE_STAPLE == 1
*Item 1=Trays: { IDS_SOURCE_TRAY2 DuplexOn NULL IDS_SOURCE_MANUAL NULL StapleOn }
*Item 2=Orient: { IDC_PRESET_RADIO_LANDSCAPE DuplexOn StapleOn }
*Exclusive: {
  VPD_IDC_PRESET_CHOICE_SOURCETRAY NULL NULL Trays NULL NULL NULL
  VPD_RADIOLIST_1 NULL NULL Orient NULL NULL NULL
}
)";

constexpr uint16_t kPortrait = 2026, kLandscape = 2027;
constexpr uint16_t kTray1 = 2, kTray2 = 3, kManual = 4;

inline LRESULT SheetProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == PSM_CHANGED) Note("changed");
  return DefWindowProcW(window, message, wparam, lparam);
}

// The page around a context: its windows, strings and the recorder.
class PageTools {
 protected:
  void StartPage(DriverContext* context) {
    ctx = context;
    ui::ResetWindowManager();
    g_rec = Recorder{};
    previous_ = CtlSetServices(&kRecording);
    plat::ClearMessageBoxLog();
    WNDCLASSW cls{};
    cls.lpfnWndProc = SheetProc;
    cls.lpszClassName = u"TestSheet";
    RegisterClassW(&cls);
    sheet_ = CreateWindowExW(0, u"TestSheet", u"sheet", WS_POPUP, 0, 0, 600, 400, nullptr, nullptr, nullptr, nullptr);
    EXPECT_NE(sheet_, nullptr);
    ctx->uiModule = kStrings;
    Names({{kPortrait, u"Portrait"}, {kLandscape, u"Landscape"}, {kTray1, u"Tray 1"}, {kTray2, u"Tray 2"},
           {kManual, u"Bypass"}});
  }
  void EndPage() {
    ctx->uiModule = nullptr;
    plat::WithdrawModuleResources(kStrings);
    CtlSetServices(previous_);
    plat::ClearMessageBoxLog();
    ui::ResetWindowManager();
  }

  // The strings of the test's resource module (string id, text).
  void Names(std::vector<std::pair<uint32_t, std::u16string>> add) {
    for (auto& [id, text] : add) {
      bool replaced = false;
      for (auto& [have, old] : texts_)
        if (have == id) replaced = true, old = text;
      if (!replaced) texts_.emplace_back(id, std::move(text));
    }
    entries_.clear();
    for (const auto& [id, text] : texts_)
      entries_.push_back({RT_STRING, id, text.data(), text.size() * sizeof(char16_t)});
    plat::RegisterModuleResources(kStrings, entries_.data(), entries_.size());
  }

  // The dialog's window, made once.
  DialogRecord* Dialog(uint16_t id) {
    DialogRecord* d = CtxFindDialog(ctx, id);
    EXPECT_NE(d, nullptr) << id;
    if (d && !d->window) {
      d->window = CreateWindowExW(0, u"#32770", u"", WS_CHILD | WS_VISIBLE, 0, 0, 400, 300, sheet_, nullptr,
                                  nullptr, nullptr);
      SetWindowLongPtrW(d->window, DWLP_USER, reinterpret_cast<LONG_PTR>(ctx));
    }
    return d;
  }

  // The item's control, made, bound by its symbol and initialised as the
  // page does it.
  DialogItemRecord* Control(uint16_t dialog_id, uint16_t control, const char16_t* cls, DWORD style,
                            RECT r = {10, 10, 110, 40}) {
    DialogRecord* d = Dialog(dialog_id);
    DialogItemRecord* item = d ? CtxFindControl(ctx, d, control) : nullptr;
    EXPECT_NE(item, nullptr) << dialog_id << "/" << control;
    if (!item) return nullptr;
    item->window = CreateWindowExW(0, cls, u"", WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left,
                                   r.bottom - r.top, d->window, reinterpret_cast<HMENU>(uintptr_t(control)), nullptr,
                                   nullptr);
    Bind(item, item->symbol);
    CtlDispatchInit(ctx, d, item);
    return item;
  }
  void Bind(DialogItemRecord* item, uint16_t symbol) {
    UiBindItemModel(ctx, item, MdfFindItemByKey(ctx, symbol));
    item->setting = OptFindSettingByKey(ctx, symbol);
  }

  std::vector<std::string> Calls() {
    std::vector<std::string> out = g_rec.calls;
    g_rec.calls.clear();
    return out;
  }
  int32_t Option(const DialogItemRecord* item) { return OptGetControlOption(ctx, item); }
  static LRESULT Selected(HWND list, bool combo = false) {
    return SendMessageW(list, combo ? CB_GETCURSEL : LB_GETCURSEL, 0, 0);
  }
  static LRESULT DataAt(HWND list, LRESULT i, bool combo = false) {
    return SendMessageW(list, combo ? CB_GETITEMDATA : LB_GETITEMDATA, WPARAM(i), 0);
  }
  static std::vector<LRESULT> Entries(HWND list, bool combo = false) {
    std::vector<LRESULT> out;
    LRESULT n = SendMessageW(list, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) out.push_back(DataAt(list, i, combo));
    return out;
  }
  void Switch(const char* feature, int32_t on) { OptSetValueById(ctx, ctx_test::SettingOf(feature), on); }

  static inline const HMODULE kStrings = reinterpret_cast<HMODULE>(uintptr_t(0x5150));
  DriverContext* ctx = nullptr;
  HWND sheet_ = nullptr;
  const CtlServices* previous_ = nullptr;
  std::vector<std::pair<uint32_t, std::u16string>> texts_;
  std::vector<plat::BuiltinResource> entries_;
};

class Page : public ::testing::Test, public PageTools {
 protected:
  void SetUp() override { StartPage(m_.ctx); }
  void TearDown() override { EndPage(); }
  ctx_test::ModelContext m_{kPageModel};
};

}  // namespace ctl_test
