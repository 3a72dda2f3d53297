// The user paper-size dialog: the slot list and its highlight, the edits
// and spins writing the current slot (and only it), Enter storing the
// clamped value before the dialog acts, the default slots, and two sheets
// of one process keeping their own current slot.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "control_test_page.h"
#include "ui/gdi.h"
#include "ui2k/dialog_handlers.h"
#include "velm/context.h"
#include "velm/presets.h"
#include "velm/setting_ids.h"
#include "velm/units.h"

namespace {

using namespace ctl_test;

constexpr uint16_t kFreeSize = 1017, kList = 2364, kWidthMm = 2224, kWidthSpin = 2225, kWidthInch = 2394,
                   kLengthMm = 2220, kDefault = 2227;

const std::string& FreeSizeModel() {
  static const std::string text = std::string(kPageModel) + R"(*OpenUI *VPD_IDC_FREESIZE_EDIT_WIDTH_MM: Numeric
*NumericValue: "7 2480 1181 60000 1"
*CloseUI: *VPD_IDC_FREESIZE_EDIT_WIDTH_MM
*OpenUI *VPD_IDC_FREESIZE_EDIT_WIDTH_INCH: Numeric
*NumericValue: "7 2480 1181 60000 1"
*CloseUI: *VPD_IDC_FREESIZE_EDIT_WIDTH_INCH
*OpenUI *VPD_IDC_FREESIZE_EDIT_LENGTH_MM: Numeric
*NumericValue: "7 14031 1181 60000 1"
*CloseUI: *VPD_IDC_FREESIZE_EDIT_LENGTH_MM
)";
  return text;
}

int32_t OnlyFreeSize(DriverContext* ctx, DialogRecord* dialog, DialogItemRecord* item, UINT message, WPARAM wparam,
                     LPARAM lparam) {
  return dialog && dialog->dialogId == kFreeSize ? DlgFreeSizeHandler(ctx, dialog, item, message, wparam, lparam) : 0;
}
const CtlDispatchTables& Tables() {
  static const CtlDispatchTables t{&CtlGetKindTable(), OnlyFreeSize};
  return t;
}

// The width of the current slot when the dialog heard OK.
int32_t g_width_at_ok = -1;

// The dialog window as the page procedure passes its events on: commands
// to each item, drawing by id, scrolling to the bar's item.
LRESULT DialogProc(HWND h, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* ctx = reinterpret_cast<DriverContext*>(GetWindowLongPtrW(h, DWLP_USER));
  DialogRecord* dialog = ctx ? CtxFindDialogByWindow(ctx, h) : nullptr;
  if (!dialog) return DefWindowProcW(h, message, wparam, lparam);
  if (message == WM_COMMAND && LOWORD(wparam) == IDOK) {
    g_width_at_ok = ctx->work->freeSizes[ctx->work->freeSizeSlot].width;
    return 0;
  }
  if (message == WM_COMMAND || message == WM_DRAWITEM || message == WM_VSCROLL) {
    for (uint32_t i = 0; i < dialog->itemCount; ++i) {
      DialogItemRecord* item = &dialog->items[i];
      if (!item->window) continue;
      if (message == WM_DRAWITEM && item->controlId != wparam) continue;
      const LRESULT done = message == WM_COMMAND
                               ? CtlHandleCommandWith(Tables(), ctx, dialog, item, wparam, lparam)
                               : CtlHandleMessageWith(Tables(), ctx, dialog, item, message, wparam, lparam);
      if (done) return 1;
    }
  }
  return DefWindowProcW(h, message, wparam, lparam);
}

class FreeSize : public ::testing::Test, public PageTools {
 protected:
  void SetUp() override {
    StartPage(m_.ctx);
    WNDCLASSW cls{};
    cls.lpfnWndProc = DialogProc;
    cls.lpszClassName = u"FreeSizeTestDialog";
    cls.cbWndExtra = DLGWINDOWEXTRA;
    RegisterClassW(&cls);
    std::vector<std::pair<uint32_t, std::u16string>> names;
    for (uint32_t n = 0; n < 10; ++n) names.emplace_back(109 + n, u"Size " + std::u16string(1, char16_t(u'0' + n)));
    Names(names);
    Metric(ctx, true);
    Open(ctx);
  }
  void TearDown() override {
    if (other_) other_->ctx->uiModule = nullptr;
    EndPage();
  }
  static void Metric(DriverContext* c, bool mm) { OptSetValueById(c, setting::vdmDspUnit, mm ? 0 : 1); }

  // The dialog of a context with the slot list, the edits, a spin and the
  // OK button; every slot given its own size first.
  void Open(DriverContext* c) {
    FreeSizeReadDefaults(c);
    for (int n = 0; n < 10; ++n) {
      c->work->freeSizes[n].width = 5000 + 100 * n;
      c->work->freeSizes[n].length = 8000 + 100 * n;
    }
    DialogRecord* d = CtxFindDialog(c, kFreeSize);
    ASSERT_NE(d, nullptr);
    d->window = CreateWindowExW(0, u"FreeSizeTestDialog", u"", WS_CHILD | WS_VISIBLE, 0, 0, 400, 300, sheet_, nullptr,
                                nullptr, nullptr);
    SetWindowLongPtrW(d->window, DWLP_USER, reinterpret_cast<LONG_PTR>(c));
    CreateWindowExW(0, u"BUTTON", u"OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 300, 250, 60, 20, d->window,
                    reinterpret_cast<HMENU>(uintptr_t(IDOK)), nullptr, nullptr);
    Make(c, kList, u"LISTBOX", LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS, {10, 10, 150, 200});
    for (uint16_t id : {kWidthMm, kWidthInch, kLengthMm}) Make(c, id, u"EDIT", ES_AUTOHSCROLL | WS_TABSTOP);
    DialogItemRecord* spin = Make(c, kWidthSpin, u"SCROLLBAR", SBS_VERT);
    if (spin) {
      Bind(c, spin, CtxFindControl(c, d, kWidthMm)->symbol);
      CtlDispatchInitWith(Tables(), c, d, spin);
    }
  }
  DialogItemRecord* Make(DriverContext* c, uint16_t id, const char16_t* cls, DWORD style, RECT r = {160, 10, 260, 30}) {
    DialogRecord* d = CtxFindDialog(c, kFreeSize);
    DialogItemRecord* item = CtxFindControl(c, d, id);
    EXPECT_NE(item, nullptr) << id;
    if (!item) return nullptr;
    r.top += 30 * (id % 7);
    r.bottom += 30 * (id % 7);
    item->window = CreateWindowExW(0, cls, u"", WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left,
                                   r.bottom - r.top, d->window, reinterpret_cast<HMENU>(uintptr_t(id)), nullptr,
                                   nullptr);
    Bind(c, item, item->symbol);
    CtlDispatchInitWith(Tables(), c, d, item);
    return item;
  }
  static void Bind(DriverContext* c, DialogItemRecord* item, uint16_t symbol) {
    UiBindItemModel(c, item, MdfFindItemByKey(c, symbol));
    item->setting = OptFindSettingByKey(c, symbol);
  }
  static HWND Window(DriverContext* c, uint16_t id) { return CtxFindControl(c, CtxFindDialog(c, kFreeSize), id)->window; }
  // The person picks a slot in the list.
  static void Pick(DriverContext* c, int n) {
    HWND list = Window(c, kList);
    SendMessageW(list, LB_SETCURSEL, WPARAM(n), 0);
    SendMessageW(GetParent(list), WM_COMMAND, MAKEWPARAM(kList, LBN_SELCHANGE), LPARAM(list));
  }
  static void Type(DriverContext* c, uint16_t id, const char16_t* text) { SetWindowTextW(Window(c, id), text); }
  static std::vector<FreeSizeSlot> Slots(DriverContext* c) {
    return std::vector<FreeSizeSlot>(c->work->freeSizes, c->work->freeSizes + 10);
  }
  static bool Same(const FreeSizeSlot& a, const FreeSizeSlot& b) { return std::memcmp(&a, &b, sizeof a) == 0; }
  static std::u16string Text(HWND w) {
    char16_t buf[64] = {};
    GetWindowTextW(w, buf, 64);
    return buf;
  }

  ctx_test::ModelContext m_{FreeSizeModel()};
  std::unique_ptr<ctx_test::ModelContext> other_;
};

TEST_F(FreeSize, TheListShowsTenSlotsAndEditsWriteOnlyTheCurrentOne) {
  HWND list = Window(ctx, kList);
  ASSERT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 10);
  for (int n = 0; n < 10; ++n) EXPECT_EQ(SendMessageW(list, LB_GETITEMDATA, WPARAM(n), 0), 109 + n);
  EXPECT_EQ(ctx->work->freeSizeSlot, 0);
  EXPECT_EQ(OptGetValueById(ctx, setting::wdmFreeSizeWidth), 5000);  // slot 0 into the work settings
  Pick(ctx, 3);
  EXPECT_EQ(ctx->work->freeSizeSlot, 3);
  EXPECT_EQ(OptGetValueById(ctx, setting::wdmFreeSizeLength), 8300);
  const std::vector<FreeSizeSlot> before = Slots(ctx);
  // Width typed in millimetres, then in inches into the twin edit: one storage.
  Type(ctx, kWidthMm, u"150");
  EXPECT_EQ(ctx->work->freeSizes[3].width, UnitSetUserValue(ctx, 0, 1500));
  Metric(ctx, false);
  Type(ctx, kWidthInch, u"4");
  EXPECT_EQ(ctx->work->freeSizes[3].width, 4800);
  Metric(ctx, true);
  DialogItemRecord* mm = CtxFindControl(ctx, CtxFindDialog(ctx, kFreeSize), kWidthMm);
  mm->setting->dirty = 1;
  CtlDispatchRefreshWith(Tables(), ctx, CtxFindDialog(ctx, kFreeSize), mm);
  EXPECT_EQ(Text(mm->window), u"101.6");
  // A step of the spin moves the same slot by a tenth of a millimetre.
  DialogItemRecord* spin = CtxFindControl(ctx, CtxFindDialog(ctx, kFreeSize), kWidthSpin);
  CtlDispatchRefreshWith(Tables(), ctx, CtxFindDialog(ctx, kFreeSize), spin);
  SendMessageW(GetParent(list), WM_VSCROLL, SB_LINEUP, LPARAM(Window(ctx, kWidthSpin)));
  EXPECT_EQ(ctx->work->freeSizes[3].width, UnitSetUserValue(ctx, 0, 1017));
  // The slot's name and size changed; every other slot is as it was.
  for (int n = 0; n < 10; ++n) {
    if (n != 3) {
      EXPECT_TRUE(Same(ctx->work->freeSizes[n], before[n])) << n;
    }
  }
  EXPECT_EQ(ctx->work->freeSizes[3].length, before[3].length);
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 3);
}

TEST_F(FreeSize, TheHighlightFollowsTheCurrentSlotNotTheListsSelection) {
  HWND list = Window(ctx, kList);
  Pick(ctx, 3);
  SendMessageW(list, LB_SETCURSEL, 5, 0);  // the list's own selection elsewhere
  RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  auto colour = [&](int n) {
    // Rows from the top of the client area (the list has no border here).
    const LONG h = LONG(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
    RECT client{};
    GetClientRect(list, &client);
    return ui::WindowPixel(list, client.right - 2, LONG(n) * h + h / 2);
  };
  EXPECT_EQ(colour(3), GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_EQ(colour(5), GetSysColor(COLOR_WINDOW));
  EXPECT_EQ(colour(0), GetSysColor(COLOR_WINDOW));
  // Gaining the focus selects the current slot's entry again.
  SendMessageW(GetParent(list), WM_COMMAND, MAKEWPARAM(kList, LBN_SETFOCUS), LPARAM(list));
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 3);
}

TEST_F(FreeSize, EnterStoresTheClampedValueBeforeTheDialogActs) {
  DialogItemRecord* width = CtxFindControl(ctx, CtxFindDialog(ctx, kFreeSize), kWidthMm);
  int32_t lo = 0, hi = 0;
  ASSERT_TRUE(CtlNumRange(ctx, width, &lo, &hi));
  Pick(ctx, 6);
  SetFocus(width->window);
  Type(ctx, kWidthMm, u"1");  // below the smallest width
  g_width_at_ok = -1;
  MSG enter{width->window, WM_KEYDOWN, VK_RETURN, 0, 0, {}};
  // The edit is asked whether it wants the key; the handler moves the focus
  // to OK on the way, which makes the edit clamp and store its value.
  ASSERT_TRUE(IsDialogMessageW(GetParent(width->window), &enter));
  EXPECT_EQ(GetFocus(), GetDlgItem(GetParent(width->window), IDOK));
  EXPECT_EQ(ctx->work->freeSizes[6].width, UnitSetUserValue(ctx, 0, lo));
  EXPECT_EQ(g_width_at_ok, UnitSetUserValue(ctx, 0, lo));
}

TEST_F(FreeSize, TheDefaultButtonPutsBackAllTenSlotsAndShowsSlotZero) {
  Pick(ctx, 4);
  Calls();
  HWND dialog = GetParent(Window(ctx, kList));
  DialogItemRecord* button = CtxFindControl(ctx, CtxFindDialog(ctx, kFreeSize), kDefault);
  button->window = CreateWindowExW(0, u"BUTTON", u"Default", WS_CHILD | WS_VISIBLE, 0, 0, 50, 20, dialog,
                                   reinterpret_cast<HMENU>(uintptr_t(kDefault)), nullptr, nullptr);
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(kDefault, BN_CLICKED), LPARAM(button->window));
  for (int n = 0; n < 10; ++n) {
    EXPECT_EQ(ctx->work->freeSizes[n].width, 9921) << n;
    EXPECT_EQ(ctx->work->freeSizes[n].length, 14031) << n;
    EXPECT_STREQ(ctx->work->freeSizes[n].names[2], ("Size " + std::string(1, char('0' + n))).c_str());
  }
  EXPECT_EQ(ctx->work->freeSizeSlot, 0);
  EXPECT_EQ(SendMessageW(Window(ctx, kList), LB_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(OptGetValueById(ctx, setting::wdmFreeSizeWidth), 9921);
  EXPECT_EQ(Calls().back(), "refresh");
}

TEST_F(FreeSize, TwoSheetsInOneProcessKeepTheirOwnCurrentSlot) {
  other_ = std::make_unique<ctx_test::ModelContext>(FreeSizeModel());
  DriverContext* b = other_->ctx;
  b->uiModule = ctx->uiModule;
  Metric(b, true);
  Open(b);
  Pick(ctx, 3);
  Pick(b, 7);
  const std::vector<FreeSizeSlot> a_before = Slots(ctx), b_before = Slots(b);
  Type(ctx, kLengthMm, u"200");
  Type(b, kLengthMm, u"210");
  EXPECT_EQ(ctx->work->freeSizes[3].length, UnitSetUserValue(ctx, 0, 2000));
  EXPECT_EQ(b->work->freeSizes[7].length, UnitSetUserValue(b, 0, 2100));
  for (int n = 0; n < 10; ++n) {
    if (n != 3) {
      EXPECT_TRUE(Same(ctx->work->freeSizes[n], a_before[n])) << n;
    }
    if (n != 7) {
      EXPECT_TRUE(Same(b->work->freeSizes[n], b_before[n])) << n;
    }
  }
}

}  // namespace
