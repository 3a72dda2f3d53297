// The dialog table against its catalogue, the control-kind table, and the
// dispatch of page events to the special handler and the kinds.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "test_context.h"
#include "ui/user32.h"
#include "ui2k/controls.h"
#include "velm/context.h"
#include "velm/dialog_blocks.h"
#include "velm/dialogs.h"
#include "velm/names.h"

namespace {

// ---- the tables ------------------------------------------------------------------------

// Item rows per dialog, in the table's stored order, as the catalogue lists them.
const std::pair<uint16_t, uint32_t> kCatalogueCounts[] = {
    {1001, 39}, {1002, 50}, {1003, 41}, {1004, 19}, {1005, 16}, {1006, 24}, {1010, 39}, {1011, 24},
    {1009, 7},  {1008, 5},  {1015, 23}, {1007, 13}, {1012, 8},  {1014, 11}, {1013, 6},  {1016, 10},
    {1017, 28}, {1018, 13}, {1019, 19}, {1020, 3},  {1021, 37}, {4004, 10}, {1029, 12}, {1022, 31},
    {1023, 18}, {1024, 28}, {1030, 33}, {1031, 31}, {1034, 10}, {1035, 13}, {1036, 8},  {1037, 12},
    {1065, 3},  {1032, 7},  {1033, 8},  {1025, 12}, {1026, 3},  {1027, 6},  {1028, 5},  {4005, 5},
    {4006, 1},  {4001, 12}, {4002, 15}, {4003, 12}, {4007, 13}, {4008, 12}, {4015, 10},
};

TEST(DialogCatalogue, DialogsAndItemCountsInStoredOrder) {
  const DialogTable& t = DlgGetBuiltinTable();
  ASSERT_EQ(t.count, 47);
  uint32_t total = 0;
  for (int i = 0; i < t.count; ++i) {
    EXPECT_EQ(t.rows[i].dialogId, kCatalogueCounts[i].first) << "place " << i;
    EXPECT_EQ(t.rows[i].itemCount, kCatalogueCounts[i].second) << t.rows[i].dialogId;
    total += t.rows[i].itemCount;
  }
  EXPECT_EQ(total, 765u);
}

TEST(DialogCatalogue, EveryItemsKindHasARowWithItsWindowProcedure) {
  const CtlKindTable& kinds = CtlGetKindTable();
  ASSERT_EQ(kinds.count, kCtlKindCount);
  const uint32_t order[] = {1, 2, 3, 4, 5, 6, 21, 22, 41, 42, 43, 44, 45, 46, 47, 48, 49,
                            50, 61, 62, 63, 23, 64, 65, 81, 82, 83, 84, 85, 101, 102, 104, 105};
  for (int i = 0; i < kinds.count; ++i) {
    EXPECT_EQ(kinds.rows[i].kind, order[i]) << "row " << i;
    EXPECT_NE(kinds.rows[i].wndProc, nullptr) << kinds.rows[i].kind;
    EXPECT_EQ(CtlFindKind(uint16_t(order[i])), &kinds.rows[i]);
  }
  std::set<uint32_t> used;
  const DialogTable& t = DlgGetBuiltinTable();
  for (int i = 0; i < t.count; ++i)
    for (uint32_t k = 0; k < t.rows[i].itemCount; ++k) {
      used.insert(t.rows[i].items[k].kind);
      EXPECT_NE(CtlFindKind(t.rows[i].items[k].kind), nullptr)
          << t.rows[i].dialogId << "/" << t.rows[i].items[k].controlId;
    }
  for (uint32_t unused : {5, 6, 44, 45, 46, 64, 65, 83, 101, 102}) EXPECT_EQ(used.count(unused), 0u) << unused;
  for (uint16_t none : {0, 7, 24, 86, 103, 106, 0xFFFF}) EXPECT_EQ(CtlFindKind(none), nullptr) << none;
  // Rows with a role have its handlers; the spare kinds only refresh as text.
  EXPECT_EQ(CtlFindKind(5)->refresh, CtlFindKind(1)->refresh);
  EXPECT_EQ(CtlFindKind(5)->init, nullptr);
  EXPECT_NE(CtlFindKind(63)->message, nullptr);
  EXPECT_EQ(CtlFindKind(21)->wndProc, &CtlButtonWndProc);
  EXPECT_EQ(CtlFindKind(47)->refresh, nullptr);
}

TEST(DialogCatalogue, ExtraBlocksAreFoundOnlyByTheirTag) {
  BareContext b;
  DialogRecord* user_quality = CtxFindDialog(b.ctx, 1021);
  ASSERT_NE(user_quality, nullptr);
  DialogItemRecord* repeat = CtxFindControl(b.ctx, user_quality, 2502);
  DialogItemRecord* slider = CtxFindControl(b.ctx, user_quality, 2264);
  DialogItemRecord* plain = CtxFindControl(b.ctx, user_quality, 2263);
  ASSERT_TRUE(repeat && slider && plain);
  EXPECT_EQ(CtlGetExtraBlock(repeat, kCtlTagList), nullptr);
  ASSERT_NE(CtlGetExtraBlock(repeat, kCtlTagRepeat), nullptr);
  EXPECT_EQ(static_cast<const CtlRepeatBlock*>(CtlGetExtraBlock(repeat, kCtlTagRepeat))->rowCount, 3);
  EXPECT_EQ(CtlGetExtraBlock(slider, kCtlTagRepeat), nullptr);
  EXPECT_EQ(static_cast<const CtlSliderBlock*>(CtlGetExtraBlock(slider, kCtlTagSlider))->pictureId, 6162);
  EXPECT_EQ(CtlGetExtraBlock(plain, kCtlTagSlider), nullptr);
  EXPECT_EQ(CtlGetExtraBlock(nullptr, kCtlTagSlider), nullptr);
}

// ---- the dispatch ------------------------------------------------------------------------

struct Record {
  std::vector<std::string> calls;
  // What the special handler answers, by message (0 for the rest).
  UINT consumes = 0;
  LRESULT kindAnswer = 1;
  WPARAM lastWparam = 0;
  LPARAM lastLparam = -1;
};
Record g_record;

void Note(const std::string& what) { g_record.calls.push_back(what); }

int32_t Special(DriverContext*, DialogRecord*, DialogItemRecord*, UINT message, WPARAM, LPARAM) {
  Note("special " + std::to_string(message));
  return message == g_record.consumes ? 1 : 0;
}
int32_t Init(DriverContext*, DialogRecord*, DialogItemRecord*) {
  Note("init");
  return 7;
}
int32_t Refresh(DriverContext*, DialogRecord*, DialogItemRecord*) {
  Note("refresh");
  return 0;
}
LRESULT Command(DriverContext*, DialogRecord*, DialogItemRecord*, uintptr_t wparam, uintptr_t lparam, intptr_t) {
  Note("command");
  g_record.lastWparam = wparam;
  g_record.lastLparam = LPARAM(lparam);
  return g_record.kindAnswer;
}
LRESULT Message(DriverContext*, DialogRecord*, DialogItemRecord*, uintptr_t message, uintptr_t, intptr_t) {
  Note("message " + std::to_string(message));
  return g_record.kindAnswer;
}
LRESULT Subclass(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* item = reinterpret_cast<DialogItemRecord*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  Note("subclass " + std::to_string(message));
  return CallWindowProcW(reinterpret_cast<WNDPROC>(item->previousWndProc), window, message, wparam, lparam);
}

const CtlKindRow kTestKinds[] = {
    {43, nullptr, Init, Refresh, Command, Message, Subclass},
    {84, nullptr, Init, Refresh, nullptr, Message, Subclass},
};
const CtlKindTable kTestTable{2, kTestKinds};
const CtlDispatchTables kTest{&kTestTable, Special};

class Dispatch : public ::testing::Test {
 protected:
  void SetUp() override {
    g_record = Record{};
    ui::ResetWindowManager();
    page_ = CreateWindowExW(0, u"STATIC", u"page", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
    combo_ = CreateWindowExW(0, u"COMBOBOX", u"", WS_CHILD | CBS_DROPDOWNLIST, 0, 0, 50, 20, page_,
                             reinterpret_cast<HMENU>(uintptr_t(2017)), nullptr, nullptr);
    ASSERT_TRUE(page_ && combo_);
    dialog_ = CtxFindDialog(b_.ctx, 1001);
    item_ = CtxFindControl(b_.ctx, dialog_, 2017);  // the paper-size combo
    ASSERT_TRUE(dialog_ && item_);
    dialog_->window = page_;
    item_->window = combo_;
    item_->kind = 43;
  }
  void TearDown() override { ui::ResetWindowManager(); }

  // The WM_PAINT messages posted to the page since the last look.
  int PaintsPosted() {
    int n = 0;
    MSG msg;
    while (PeekMessageW(&msg, page_, 0, 0, PM_REMOVE))
      if (msg.message == WM_PAINT) ++n;
    return n;
  }
  std::vector<std::string> Calls() {
    std::vector<std::string> out = g_record.calls;
    g_record.calls.clear();
    return out;
  }
  static std::string S(UINT message) { return std::to_string(message); }

  BareContext b_;
  DialogRecord* dialog_ = nullptr;
  DialogItemRecord* item_ = nullptr;
  HWND page_ = nullptr;
  HWND combo_ = nullptr;
};

TEST_F(Dispatch, InitSubclassesTheControlOnceAndRunsTheKindsInit) {
  auto own = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(combo_, GWLP_WNDPROC));
  ASSERT_NE(own, nullptr);
  EXPECT_EQ(CtlDispatchInitWith(kTest, b_.ctx, dialog_, item_), 7);
  EXPECT_EQ(Calls(), (std::vector<std::string>{"special " + S(WM_INITDIALOG), "init"}));
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(combo_, GWLP_WNDPROC)), &Subclass);
  EXPECT_EQ(reinterpret_cast<WNDPROC>(item_->previousWndProc), own);
  EXPECT_EQ(GetWindowLongPtrW(combo_, GWLP_USERDATA), reinterpret_cast<LONG_PTR>(item_));
  // A rebuild initialises again but keeps the control's own procedure.
  EXPECT_EQ(CtlDispatchInitWith(kTest, b_.ctx, dialog_, item_), 7);
  EXPECT_EQ(reinterpret_cast<WNDPROC>(item_->previousWndProc), own);
  // Messages reach the subclass procedure, which passes them on.
  Calls();
  SendMessageW(combo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"A4"));
  EXPECT_EQ(Calls(), (std::vector<std::string>{"subclass " + S(CB_ADDSTRING)}));
  EXPECT_EQ(SendMessageW(combo_, CB_GETCOUNT, 0, 0), 1);
}

TEST_F(Dispatch, AKindWithoutARowIsANoOpAndIsNotSubclassed) {
  auto own = GetWindowLongPtrW(combo_, GWLP_WNDPROC);
  item_->kind = 7;
  for (const CtlDispatchTables* t : {&kTest, &CtlGetBuiltinDispatch()}) {
    EXPECT_EQ(CtlDispatchInitWith(*t, b_.ctx, dialog_, item_), 0);
    CtlDispatchRefreshWith(*t, b_.ctx, dialog_, item_);
    EXPECT_EQ(CtlHandleCommandWith(*t, b_.ctx, dialog_, item_, 2017, 0), 0);
    EXPECT_EQ(CtlHandleMessageWith(*t, b_.ctx, dialog_, item_, WM_NOTIFY, 0, 0), 0);
    EXPECT_EQ(GetWindowLongPtrW(combo_, GWLP_WNDPROC), own);
    EXPECT_EQ(item_->previousWndProc, nullptr);
  }
  EXPECT_EQ(Calls(), (std::vector<std::string>{"special " + S(WM_INITDIALOG), "special " + S(WM_PAINT),
                                               "special " + S(WM_COMMAND), "special " + S(WM_NOTIFY)}));
  EXPECT_EQ(PaintsPosted(), 0);
  // The built-in dispatch subclasses a kind it knows.
  item_->kind = 43;
  CtlDispatchInit(b_.ctx, dialog_, item_);
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(combo_, GWLP_WNDPROC)), &CtlItemWndProc);
  EXPECT_EQ(SendMessageW(combo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"A4")), 0) << "passed on";
}

TEST_F(Dispatch, AControlTheSpecialHandlerSetsUpKeepsItsOwnProcedure) {
  auto own = GetWindowLongPtrW(combo_, GWLP_WNDPROC);
  g_record.consumes = WM_INITDIALOG;
  EXPECT_EQ(CtlDispatchInitWith(kTest, b_.ctx, dialog_, item_), 0);
  EXPECT_EQ(Calls(), (std::vector<std::string>{"special " + S(WM_INITDIALOG)}));
  EXPECT_EQ(GetWindowLongPtrW(combo_, GWLP_WNDPROC), own);
  EXPECT_EQ(item_->previousWndProc, nullptr);

  g_record.consumes = WM_PAINT;
  CtlDispatchRefreshWith(kTest, b_.ctx, dialog_, item_);
  EXPECT_EQ(Calls(), (std::vector<std::string>{"special " + S(WM_PAINT)}));
  g_record.consumes = 0;
  CtlDispatchRefreshWith(kTest, b_.ctx, dialog_, item_);
  EXPECT_EQ(Calls(), (std::vector<std::string>{"special " + S(WM_PAINT), "refresh"}));
}

TEST_F(Dispatch, ACommandReachesTheKindOnlyForItsOwnControl) {
  // Another control's command: only the special handler sees it.
  EXPECT_EQ(CtlHandleCommandWith(kTest, b_.ctx, dialog_, item_, MAKEWPARAM(2009, 1), 0), 0);
  EXPECT_EQ(Calls(), (std::vector<std::string>{"special " + S(WM_COMMAND)}));
  EXPECT_EQ(PaintsPosted(), 0);
  // Its own: the kind acts and the page is repainted.
  EXPECT_EQ(CtlHandleCommandWith(kTest, b_.ctx, dialog_, item_, MAKEWPARAM(2017, 1), 5), 1);
  EXPECT_EQ(Calls(), (std::vector<std::string>{"special " + S(WM_COMMAND), "command"}));
  EXPECT_EQ(g_record.lastWparam, MAKEWPARAM(2017, 1));
  EXPECT_EQ(g_record.lastLparam, 5);
  EXPECT_EQ(PaintsPosted(), 1);
  // The special handler acting is enough for a repaint; the kind is skipped.
  g_record.consumes = WM_COMMAND;
  EXPECT_EQ(CtlHandleCommandWith(kTest, b_.ctx, dialog_, item_, MAKEWPARAM(2017, 1), 0), 1);
  EXPECT_EQ(Calls(), (std::vector<std::string>{"special " + S(WM_COMMAND)}));
  EXPECT_EQ(PaintsPosted(), 1);
  // A kind that does not act: no repaint.
  g_record.consumes = 0;
  g_record.kindAnswer = 0;
  EXPECT_EQ(CtlHandleCommandWith(kTest, b_.ctx, dialog_, item_, MAKEWPARAM(2017, 1), 0), 0);
  EXPECT_EQ(PaintsPosted(), 0);
  // The direct path skips the special handler and the control-id test.
  g_record.kindAnswer = 3;
  Calls();
  EXPECT_EQ(CtlDispatchCommandWith(kTest, b_.ctx, dialog_, item_, MAKEWPARAM(1, 0), 0), 3);
  EXPECT_EQ(Calls(), (std::vector<std::string>{"command"}));
}

TEST_F(Dispatch, HiddenItemsGetNothingDisabledOnesDo) {
  item_->hidden = 1;
  EXPECT_EQ(CtlHandleMessageWith(kTest, b_.ctx, dialog_, item_, WM_NOTIFY, 0, 0), 0);
  EXPECT_TRUE(Calls().empty());
  EXPECT_EQ(PaintsPosted(), 0);
  // The subclass procedure's path does not look at the state.
  EXPECT_EQ(CtlDispatchMessageWith(kTest, b_.ctx, dialog_, item_, WM_NOTIFY, 0, 0), 1);
  EXPECT_EQ(Calls(), (std::vector<std::string>{"message " + S(WM_NOTIFY)}));

  item_->hidden = 0;
  item_->disabled = 1;
  const struct {
    UINT message;
    int paints;
  } cases[] = {{WM_NOTIFY, 1},          {WM_VSCROLL, 1},         {WM_MEASUREITEM, 1},
               {WM_DRAWITEM, 0},        {WM_CTLCOLORLISTBOX, 0}, {WM_CTLCOLORSCROLLBAR, 0}};
  for (const auto& c : cases) {
    EXPECT_EQ(CtlHandleMessageWith(kTest, b_.ctx, dialog_, item_, c.message, 0, 0), 1) << c.message;
    EXPECT_EQ(Calls(), (std::vector<std::string>{"special " + S(c.message), "message " + S(c.message)}));
    EXPECT_EQ(PaintsPosted(), c.paints) << c.message;
  }
}

TEST_F(Dispatch, TheDrawnSliderKeepsTheMouseToItself) {
  item_->kind = 84;
  EXPECT_EQ(CtlDispatchMessageWith(kTest, b_.ctx, dialog_, item_, WM_LBUTTONDOWN, 0, 0), 0);
  EXPECT_TRUE(Calls().empty());
  EXPECT_EQ(CtlHandleMessageWith(kTest, b_.ctx, dialog_, item_, WM_LBUTTONDOWN, 0, 0), 0);
  EXPECT_EQ(Calls(), (std::vector<std::string>{"special " + S(WM_LBUTTONDOWN)}));
  EXPECT_EQ(CtlDispatchMessageWith(kTest, b_.ctx, dialog_, item_, WM_HSCROLL, 0, 0), 1);
  // Another kind takes the mouse message.
  item_->kind = 43;
  EXPECT_EQ(CtlDispatchMessageWith(kTest, b_.ctx, dialog_, item_, WM_LBUTTONDOWN, 0, 0), 1);
}

TEST_F(Dispatch, SelectingAComboEntryByItsData) {
  for (int32_t data : {10, 20, 30}) {
    LRESULT at = SendMessageW(combo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"entry"));
    SendMessageW(combo_, CB_SETITEMDATA, WPARAM(at), data);
  }
  SendMessageW(combo_, CB_SETCURSEL, 0, 0);
  CtlSelectComboByDataWith(kTest, b_.ctx, dialog_, 2017, 99);
  EXPECT_EQ(SendMessageW(combo_, CB_GETCURSEL, 0, 0), 0) << "an unknown value leaves the selection";
  EXPECT_TRUE(Calls().empty());
  CtlSelectComboByDataWith(kTest, b_.ctx, dialog_, 2999, 20);
  EXPECT_TRUE(Calls().empty()) << "no such control";

  CtlSelectComboByDataWith(kTest, b_.ctx, dialog_, 2017, 20);
  EXPECT_EQ(SendMessageW(combo_, CB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(Calls(), (std::vector<std::string>{"command"})) << "as if chosen, without the special handler";
  EXPECT_EQ(g_record.lastWparam, WPARAM(0x10000));
  EXPECT_EQ(g_record.lastLparam, 0);
  // Found through the dialog window when the item has none yet.
  item_->window = nullptr;
  CtlSelectComboByDataWith(kTest, b_.ctx, dialog_, 2017, 30);
  EXPECT_EQ(SendMessageW(combo_, CB_GETCURSEL, 0, 0), 2);
}

TEST_F(Dispatch, EachContextHasItsOwnTable) {
  BareContext other;
  DialogItemRecord* theirs = CtxFindControl(other.ctx, CtxFindDialog(other.ctx, 1001), 2017);
  ASSERT_NE(theirs, nullptr);
  ASSERT_NE(theirs, item_);
  CtlDispatchInitWith(kTest, b_.ctx, dialog_, item_);
  EXPECT_NE(item_->previousWndProc, nullptr);
  EXPECT_EQ(theirs->previousWndProc, nullptr);
  EXPECT_EQ(theirs->window, nullptr);
  EXPECT_EQ(theirs->kind, 48) << "the built-in kind";
  EXPECT_EQ(CtxFindDialog(other.ctx, 1001)->window, nullptr);
}

}  // namespace
