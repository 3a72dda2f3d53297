// The item subclass procedure: the printer picture's tray hot spots, clicks
// on pictures, auto-repeat buttons on the virtual clock, and the keyboard of
// numeric and text edits.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "control_test_page.h"

namespace {

using namespace ctl_test;
using Seen = std::vector<std::string>;

constexpr uint8_t kFamily = 134;
constexpr uint16_t kRadioSymbol = 347, kTraySymbol = 336, kCopiesSymbol = 350;

// ---- tray hot spots ----------------------------------------------------------------------------

class Trays : public Page {
 protected:
  void SetUp() override {
    Page::SetUp();
    ctx->model->machineId = kFamily;
  }
  uint16_t Input(int32_t x, int32_t y) {
    const TrayHotspot* hit = CtlFindTrayHotspot(ctx, UiGetInputTrayHotspots(), x, y);
    return hit ? hit->tray : 0;
  }
  uint16_t Output(int32_t x, int32_t y) {
    const TrayHotspot* hit = CtlFindTrayHotspot(ctx, UiGetOutputTrayHotspots(), x, y);
    return hit ? hit->tray : 0;
  }
  void On(uint32_t id, int32_t value) { OptSetOptionById(ctx, id, value); }
};

TEST_F(Trays, EachRowHoldsItsRectangleWhenItsConditionsHold) {
  using namespace setting;
  for (uint32_t id : {vdmSourceOptionTypeBank, vdmSourceOptionTypeLCT1, vdmSourceOptionTypeManual,
                      vdmOutputOptionTypeFin1000, vdmOutputOptionTypeFin3000, vdmOutputOptionTypeMailbox1})
    On(id, 1);
  struct Case {
    bool input;
    int32_t x, y;
    uint16_t tray;
  } cases[] = {
      // Corners inside, and the first pixel outside (right and bottom are open).
      {true, 100, 70, 2},   {true, 138, 75, 2},   {true, 138, 76, 0},   {true, 139, 70, 0},  {true, 99, 70, 0},
      {true, 100, 77, 3},   {true, 120, 84, 5},   {true, 120, 96, 6},  {true, 120, 97, 0},
      {true, 140, 76, 7},   {true, 161, 96, 7},   {true, 140, 69, 4},  {true, 150, 68, 0},
      {false, 101, 47, 339}, {false, 128, 54, 339}, {false, 129, 47, 0}, {false, 61, 25, 26},
      {false, 79, 38, 26},  {false, 64, 36, 26},   {false, 90, 36, 270},  {false, 97, 47, 270},
      // Mailbox bins, three pixels high and four apart.
      {false, 63, 59, 29},  {false, 87, 61, 29},   {false, 70, 62, 0},  {false, 70, 63, 30},
      {false, 70, 91, 37},  {false, 70, 93, 37},   {false, 70, 94, 0},
      // With Mailbox1 on, the Fin3000 spot lies 38 pixels further left.
      {false, 23, 45, 429}, {false, 39, 58, 429},  {false, 40, 50, 0},  {false, 22, 50, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(c.input ? Input(c.x, c.y) : Output(c.x, c.y), c.tray) << c.x << "," << c.y;

  // Mailbox1 off: the Fin3000 spot stays where it is; the mailbox rows no longer apply.
  On(vdmOutputOptionTypeMailbox1, 0);
  EXPECT_EQ(Output(61, 45), 429);
  EXPECT_EQ(Output(23, 45), 0);
  EXPECT_EQ(Output(70, 60), 0);
  EXPECT_EQ(Output(70, 40), 0);
}

TEST_F(Trays, RowsWithConditionsOffOrAnotherFamilyDoNotApply) {
  EXPECT_EQ(Input(110, 72), 2) << "no condition";
  EXPECT_EQ(Input(110, 86), 0) << "bank off";
  EXPECT_EQ(Input(150, 80), 0) << "LCT off";
  EXPECT_EQ(Input(150, 70), 0) << "manual off";
  EXPECT_EQ(Output(65, 30), 0) << "Fin1000 off";
  EXPECT_EQ(Output(65, 50), 0) << "Fin3000 off";
  ctx->model->machineId = 131;
  EXPECT_EQ(Input(110, 72), 0) << "another family has no hot spots";
  EXPECT_EQ(Output(110, 50), 0);
}

TEST_F(Trays, AClickOnATraySelectsItAndTellsTheSheet) {
  DialogItemRecord* combo = Control(1002, 2007, u"COMBOBOX", CBS_DROPDOWNLIST | CBS_HASSTRINGS);
  Bind(combo, kTraySymbol);
  CtlDispatchInit(ctx, Dialog(1002), combo);
  OptSetControlOption(ctx, combo, kTray1);
  DialogItemRecord* printer = Control(1002, 2067, u"STATIC", SS_BITMAP, {0, 0, 200, 120});
  Calls();
  SendMessageW(printer->window, WM_LBUTTONUP, 0, MAKELPARAM(110, 80));
  EXPECT_EQ(Calls(), (Seen{"set 2007=3", "changed"}));
  EXPECT_EQ(Option(combo), kTray2);
  EXPECT_EQ(SendMessageW(combo->window, CB_GETCURSEL, 0, 0), 1);
  // Outside every applicable spot, or on a tray whose condition is off: nothing.
  SendMessageW(printer->window, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  SendMessageW(printer->window, WM_LBUTTONUP, 0, MAKELPARAM(110, 86));
  EXPECT_EQ(Calls(), Seen{});
  // A disabled tray choice takes no clicks.
  combo->disabled = 1;
  SendMessageW(printer->window, WM_LBUTTONUP, 0, MAKELPARAM(110, 72));
  EXPECT_EQ(Calls(), Seen{});
  EXPECT_EQ(Option(combo), kTray2);
}

TEST_F(Trays, TheHitTestPutsTheTrayUnderThePointerIntoThePicturesTip) {
  Control(1002, 2007, u"COMBOBOX", CBS_DROPDOWNLIST);
  DialogItemRecord* printer = Control(1002, 2067, u"STATIC", SS_BITMAP, {0, 0, 200, 120});
  RECT r{};
  GetWindowRect(printer->window, &r);
  EXPECT_EQ(SendMessageW(printer->window, WM_NCHITTEST, 0, MAKELPARAM(WORD(r.left + 110), WORD(r.top + 79))), HTCLIENT);
  EXPECT_EQ(printer->tipId, kTray2);
  SendMessageW(printer->window, WM_NCHITTEST, 0, MAKELPARAM(WORD(r.left + 2), WORD(r.top + 2)));
  EXPECT_EQ(printer->tipId, 0);
}

// ---- clicks on linked pictures ----------------------------------------------------------------------

TEST_F(Page, APictureLinkedToARadioListAdvancesItPastDisabledMembers) {
  DialogItemRecord* up = Control(1001, kPortrait, u"BUTTON", BS_AUTORADIOBUTTON);
  DialogItemRecord* lying = Control(1001, kLandscape, u"BUTTON", BS_AUTORADIOBUTTON);
  // A third member of the list on the same page, after the other two.
  DialogItemRecord* third = CtxFindControl(ctx, Dialog(1001), 2028);
  third->symbol = kRadioSymbol;
  third->kind = 41;
  DialogItemRecord* picture = Control(1001, 2025, u"STATIC", SS_BITMAP, {0, 0, 60, 60});
  ASSERT_EQ(picture->linkedControl, kRadioSymbol);
  OptSetControlOption(ctx, up, kPortrait);
  struct Case {
    const char* name;
    uint32_t lyingDisabled, thirdDisabled;
    Seen calls;
  } cases[] = {
      {"the next member", 0, 0, {"set 2027=2027"}},
      {"a disabled member is passed over", 1, 0, {"set 2028=2028"}},
      {"all others disabled: nothing changes", 1, 1, {}},
  };
  for (const Case& c : cases) {
    OptSetControlOption(ctx, up, kPortrait);
    lying->disabled = c.lyingDisabled;
    third->disabled = c.thirdDisabled;
    Calls();
    SendMessageW(picture->window, WM_LBUTTONUP, 0, MAKELPARAM(30, 30));
    EXPECT_EQ(Calls(), c.calls) << c.name;
  }
  // From the last member the list wraps to the first.
  lying->disabled = third->disabled = 0;
  OptSetControlOption(ctx, up, 2028);
  Calls();
  SendMessageW(picture->window, WM_LBUTTONUP, 0, MAKELPARAM(30, 30));
  EXPECT_EQ(Calls(), (Seen{"set 2026=2026"}));
  // A release outside the picture is not a click.
  SendMessageW(picture->window, WM_LBUTTONUP, 0, MAKELPARAM(80, 30));
  EXPECT_EQ(Calls(), Seen{});
}

// ---- auto-repeat ---------------------------------------------------------------------------------------

HWND g_button = nullptr;
HWND g_other = nullptr;

enum Action { kRelease, kKeyUp, kMoveAway, kTakeCapture, kQuit, kDestroy, kCancelMode };

void Act(HWND window, UINT, UINT_PTR id, DWORD) {
  KillTimer(window, id);
  switch (Action(id - 100)) {
    case kRelease: PostMessageW(g_button, WM_LBUTTONUP, 0, MAKELPARAM(2, 2)); break;
    case kKeyUp: PostMessageW(g_button, WM_KEYUP, VK_SPACE, 0); break;
    case kMoveAway: PostMessageW(g_button, WM_MOUSEMOVE, 0, MAKELPARAM(WORD(-300), WORD(-300))); break;
    case kTakeCapture: SetCapture(g_other); break;
    case kQuit: PostQuitMessage(7); break;
    case kDestroy: DestroyWindow(g_button); break;
    case kCancelMode: SendMessageW(g_button, WM_CANCELMODE, 0, 0); break;
  }
}

class Repeat : public Page {
 protected:
  void SetUp() override {
    Page::SetUp();
    target_ = Control(1021, 2273, u"SCROLLBAR", SBS_HORZ, {10, 100, 110, 120});
    Bind(target_, kCopiesSymbol);  // Numeric 1-999
    OptSetControlOption(ctx, target_, 500);
    button_ = Control(1021, 2502, u"BUTTON", BS_PUSHBUTTON, {10, 10, 40, 30});
    g_button = button_->window;
    g_other = CreateWindowExW(0, u"STATIC", u"", WS_POPUP, 300, 300, 10, 10, nullptr, nullptr, nullptr, nullptr);
  }
  // Schedules an action ms after now.
  void At(DWORD ms, Action a) { SetTimer(Dialog(1021)->window, 100 + a, ms, Act); }
  // Presses the button (mouse or space key) and runs the queue until empty.
  int32_t Run(bool by_key) {
    if (by_key)
      SendMessageW(button_->window, WM_KEYDOWN, VK_SPACE, 0);
    else
      SendMessageW(button_->window, WM_LBUTTONDOWN, 0x1, MAKELPARAM(2, 2));
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT)
        quit_code_ = int(msg.wParam);
      else
        DispatchMessageW(&msg);
    }
    return 500 - Option(target_);
  }
  int quit_code_ = -1;
  DialogItemRecord* target_ = nullptr;
  DialogItemRecord* button_ = nullptr;
};

TEST_F(Repeat, TheFirstRepeatComesAfter400MsAndThenEvery100) {
  for (DWORD t : {50u, 399u, 450u, 650u, 1050u}) {
    OptSetControlOption(ctx, target_, 500);
    At(t, kRelease);
    const int32_t expected = 1 + (t >= 400 ? int32_t((t - 400) / 100) + 1 : 0);
    EXPECT_EQ(Run(false), expected) << "released after " << t << " ms";
  }
}

TEST_F(Repeat, AKeyboardRepeatIgnoresTheMouse) {
  At(250, kMoveAway);
  At(850, kKeyUp);
  EXPECT_EQ(Run(true), 1 + 5) << "steps at 400 ... 800";
  // Started by the mouse, the pointer leaving the button stops the steps.
  OptSetControlOption(ctx, target_, 500);
  At(250, kMoveAway);
  At(850, kRelease);
  EXPECT_EQ(Run(false), 1);
}

TEST_F(Repeat, TheLoopEndsWhenItsButtonLosesCaptureModeOrLife) {
  struct Case {
    const char* name;
    Action action;
    int32_t steps;
  } cases[] = {
      {"capture taken by another window", kTakeCapture, 3},
      {"mode cancelled", kCancelMode, 3},
      {"button destroyed", kDestroy, 3},
  };
  for (const Case& c : cases) {
    OptSetControlOption(ctx, target_, 500);
    At(550, c.action);
    EXPECT_EQ(Run(false), c.steps) << c.name;
    // The repeat timer is gone: time passing steps nothing.
    ui::AdvanceClock(1000);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    EXPECT_EQ(500 - Option(target_), c.steps) << c.name;
    if (!IsWindow(button_->window)) {
      button_->previousWndProc = nullptr;
      button_ = Control(1021, 2502, u"BUTTON", BS_PUSHBUTTON, {10, 10, 40, 30});
      g_button = button_->window;
    }
  }
}

TEST_F(Repeat, QuitEndsTheLoopAndIsPostedAgain) {
  At(250, kQuit);
  EXPECT_EQ(Run(false), 1);
  EXPECT_EQ(quit_code_, 7) << "the loop outside still sees WM_QUIT";
}

TEST_F(Repeat, TheStepStaysWithinTheRange) {
  OptSetControlOption(ctx, target_, 1);
  At(50, kRelease);
  Run(false);
  EXPECT_EQ(Option(target_), 1) << "the minimum holds";
  CtlRepeatStep(ctx, Dialog(1021), target_);  // not a repeat button: nothing
  EXPECT_EQ(Option(target_), 1);
}

// ---- keyboard ------------------------------------------------------------------------------------------

TEST_F(Page, ArrowKeysStepANumericEditWithinItsRange) {
  DialogItemRecord* copies = Control(1001, 2029, u"EDIT", ES_LEFT);
  struct Case {
    int32_t value;
    WPARAM key;
    uint32_t flags;
    int32_t after;
    int paints;
  } cases[] = {
      {5, VK_UP, 0, 6, 1},      {5, VK_DOWN, 0, 4, 1},     {999, VK_UP, 0, 999, 0},
      {1, VK_DOWN, 0, 1, 0},    {5, VK_UP, 0x200000, 5, 0},
  };
  for (const Case& c : cases) {
    OptSetControlOption(ctx, copies, c.value);
    copies->flags = c.flags;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    SendMessageW(copies->window, WM_KEYDOWN, c.key, 0);
    EXPECT_EQ(Option(copies), c.after) << c.value << "/" << c.key;
    int paints = 0;
    while (PeekMessageW(&msg, Dialog(1001)->window, WM_PAINT, WM_PAINT, PM_REMOVE)) ++paints;
    EXPECT_EQ(paints, c.paints) << c.value << "/" << c.key;
  }
}

class Typing : public Page {
 protected:
  std::u16string Type(DialogItemRecord* edit, std::u16string start, char16_t c) {
    SetWindowTextW(edit->window, start.c_str());
    SendMessageW(edit->window, EM_SETSEL, start.size(), start.size());
    SendMessageW(edit->window, WM_CHAR, c, 0);
    char16_t buf[300] = {};
    GetWindowTextW(edit->window, buf, 300);
    return buf;
  }
};

TEST_F(Typing, ANumericEditTakesOnlyDigitsThePointAndBackspace) {
  DialogItemRecord* copies = Control(1001, 2029, u"EDIT", ES_LEFT);
  struct Case {
    char16_t c;
    std::u16string after;
  } cases[] = {{u'7', u"127"}, {u'.', u"12."}, {u'\b', u"1"}, {u'-', u"12"}, {u'a', u"12"}, {u' ', u"12"},
               {u'\x3042', u"12"}};
  for (const Case& c : cases) EXPECT_EQ(Type(copies, u"12", c.c), c.after) << int(c.c);
}

TEST_F(Typing, ATextEditKeepsItsTextWithinTheSettingsBytes) {
  DialogItemRecord* user = Control(1010, 2241, u"EDIT", ES_LEFT);
  ASSERT_NE(user->setting, nullptr);
  const size_t room = DescSize(user->setting->descriptor) - 1;
  ASSERT_GT(room, 2u);
  const std::u16string all_but_one(room - 1, u'a');
  // One byte left: a single-byte character fits, a double-byte one does not.
  EXPECT_EQ(Type(user, all_but_one, u'b'), all_but_one + u"b");
  EXPECT_EQ(Type(user, all_but_one, u'\x3042'), all_but_one);
  // Two bytes left: it fits.
  const std::u16string two_left(room - 2, u'a');
  EXPECT_EQ(Type(user, two_left, u'\x3042'), two_left + u"\x3042");
  // Full: only backspace; a selection makes room.
  const std::u16string full(room, u'a');
  EXPECT_EQ(Type(user, full, u'b'), full);
  EXPECT_EQ(Type(user, full, u'\b'), full.substr(1));
  SetWindowTextW(user->window, full.c_str());
  SendMessageW(user->window, EM_SETSEL, 0, 2);
  SendMessageW(user->window, WM_CHAR, u'\x3042', 0);
  char16_t buf[300] = {};
  GetWindowTextW(user->window, buf, 300);
  EXPECT_EQ(std::u16string(buf), u"\x3042" + full.substr(2));
}

WNDPROC g_edit_proc = nullptr;
LRESULT RecordingEdit(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_PASTE) Note("paste reached the edit");
  return CallWindowProcW(g_edit_proc, window, message, wparam, lparam);
}

TEST_F(Typing, APasteIntoAFullTextWithoutASelectionIsRefused) {
  DialogItemRecord* user = Control(1010, 2241, u"EDIT", ES_LEFT);
  g_edit_proc = reinterpret_cast<WNDPROC>(user->previousWndProc);
  user->previousWndProc = reinterpret_cast<void*>(&RecordingEdit);
  const size_t room = DescSize(user->setting->descriptor) - 1;
  struct Case {
    size_t length, selStart, selEnd;
    bool reaches;
  } cases[] = {{room, room, room, false}, {room - 1, room - 1, room - 1, true}, {room, 0, 3, true}};
  for (const Case& c : cases) {
    SetWindowTextW(user->window, std::u16string(c.length, u'a').c_str());
    SendMessageW(user->window, EM_SETSEL, c.selStart, c.selEnd);
    Calls();
    SendMessageW(user->window, WM_PASTE, 0, 0);
    EXPECT_EQ(Calls(), c.reaches ? Seen{"paste reached the edit"} : Seen{}) << c.length << "/" << c.selEnd;
  }
  user->previousWndProc = reinterpret_cast<void*>(g_edit_proc);
}

TEST_F(Typing, AnAsciiTextTakesOnlyDigitsAndLetters) {
  DialogItemRecord* password = Control(1019, 2245, u"EDIT", ES_LEFT);
  struct Case {
    char16_t c;
    std::u16string after;
  } cases[] = {{u'Z', u"abZ"}, {u'9', u"ab9"}, {u'\b', u"a"}, {u'-', u"ab"}, {u'@', u"ab"}, {u'\x3042', u"ab"}};
  for (const Case& c : cases) EXPECT_EQ(Type(password, u"ab", c.c), c.after) << int(c.c);
}

}  // namespace

namespace {

// ---- the hand cursor -------------------------------------------------------------------------------------

HANDLE H(uintptr_t v) { return reinterpret_cast<HANDLE>(v); }

class Hand : public Trays {
 protected:
  void SetUp() override {
    Trays::SetUp();
    ctx->work->handCursor = H(8000);
    ctx->work->pressedHandCursor = H(8001);
    g_rec.cursor = H(1);  // the arrow
  }
  void TearDown() override {
    ctx->work->handCursor = ctx->work->pressedHandCursor = ctx->work->savedCursor = nullptr;
    Trays::TearDown();
  }
  LRESULT Hit(DialogItemRecord* item, int x, int y) {
    RECT r{};
    GetWindowRect(item->window, &r);
    return SendMessageW(item->window, WM_NCHITTEST, 0, MAKELPARAM(WORD(r.left + x), WORD(r.top + y)));
  }
};

TEST_F(Hand, TheHandShowsOverAHotSpotAndTheCursorComesBack) {
  Control(1002, 2007, u"COMBOBOX", CBS_DROPDOWNLIST);
  DialogItemRecord* printer = Control(1002, 2067, u"STATIC", SS_BITMAP, {0, 0, 200, 120});
  EXPECT_EQ(Hit(printer, 110, 79), HTCLIENT);
  EXPECT_EQ(g_rec.cursor, H(8000));
  EXPECT_EQ(ctx->work->savedCursor, H(1));
  Hit(printer, 111, 80);
  EXPECT_EQ(ctx->work->savedCursor, H(1)) << "the hand is not kept as the cursor to put back";
  EXPECT_EQ(SendMessageW(printer->window, WM_SETCURSOR, WPARAM(printer->window), 0), 1);
  // Pressed and released, the hand follows the button.
  SendMessageW(printer->window, WM_LBUTTONDOWN, 0x1, MAKELPARAM(111, 80));
  EXPECT_EQ(g_rec.cursor, H(8001));
  SendMessageW(printer->window, WM_MOUSEMOVE, 0x1, MAKELPARAM(112, 80));
  EXPECT_EQ(g_rec.cursor, H(8001));
  SendMessageW(printer->window, WM_LBUTTONUP, 0, MAKELPARAM(112, 80));
  EXPECT_EQ(g_rec.cursor, H(8000));
  // Off every spot the arrow comes back.
  Hit(printer, 2, 2);
  EXPECT_EQ(g_rec.cursor, H(1));
  EXPECT_EQ(ctx->work->savedCursor, nullptr);
  EXPECT_EQ(printer->tipId, 0);
}

TEST_F(Hand, OnlyUsableClickableItemsAreHot) {
  DialogItemRecord* picture = Control(1001, 2025, u"STATIC", SS_BITMAP, {0, 0, 60, 60});
  DialogItemRecord* up = CtxFindControl(ctx, Dialog(1001), kPortrait);
  DialogItemRecord* lying = CtxFindControl(ctx, Dialog(1001), kLandscape);
  struct Case {
    const char* name;
    uint32_t hidden, disabled, membersDisabled;
    bool hot;
  } cases[] = {
      {"a picture that advances a usable radio list", 0, 0, 0, true},
      {"its radio list wholly disabled", 0, 0, 1, false},
      {"the picture disabled", 0, 1, 0, false},
      {"the picture hidden", 1, 0, 0, false},
  };
  for (const Case& c : cases) {
    picture->hidden = c.hidden;
    picture->disabled = c.disabled;
    up->disabled = lying->disabled = c.membersDisabled;
    g_rec.cursor = H(1);
    ctx->work->savedCursor = nullptr;
    EXPECT_EQ(Hit(picture, 30, 30), HTCLIENT) << c.name;
    EXPECT_EQ(g_rec.cursor, c.hot ? H(8000) : H(1)) << c.name;
  }
  // A window of the dialog that is no item covers the picture: not hot.
  picture->hidden = picture->disabled = up->disabled = lying->disabled = 0;
  CreateWindowExW(0, u"STATIC", u"", WS_CHILD | WS_VISIBLE, 0, 0, 60, 60, Dialog(1001)->window, nullptr, nullptr,
                  nullptr);
  g_rec.cursor = H(1);
  Hit(picture, 30, 30);
  EXPECT_EQ(g_rec.cursor, H(1));
}

}  // namespace

namespace {

// ---- drawn sliders --------------------------------------------------------------------------------------

TEST_F(Page, ASliderArrowAtItsLimitAnswersNoAction) {
  DialogItemRecord* slider = Control(1021, 2273, u"SCROLLBAR", SBS_HORZ, {10, 100, 110, 120});  // 100 wide
  SendMessageW(slider->window, SBM_SETRANGE, 0, 100);
  RECT r{};
  GetWindowRect(slider->window, &r);
  // The end boxes are as wide as a horizontal scroll bar's arrow.
  const int32_t a = GetSystemMetrics(SM_CXHSCROLL);
  ASSERT_GT(a, 1);
  ASSERT_LT(a, 40);
  struct Case {
    int32_t pos, x;
    bool no_action;
  } cases[] = {
      {0, 0, true},      {0, a - 1, true},       {0, a, false},          {0, 99, false},  {100, 99, true},
      {100, 100 - a, true}, {100, 100 - a - 1, false}, {100, 0, false}, {50, 0, false}, {50, 99, false},
  };
  for (const Case& c : cases) {
    SendMessageW(slider->window, SBM_SETPOS, WPARAM(c.pos), FALSE);
    const LRESULT hit = SendMessageW(slider->window, WM_NCHITTEST, 0, MAKELPARAM(WORD(r.left + c.x), WORD(r.top + 10)));
    EXPECT_EQ(hit == -2, c.no_action) << c.pos << " at " << c.x;
  }
}

}  // namespace

namespace {

// ---- pictures through the window procedure -------------------------------------------------------------

TEST_F(Page, APictureIsPaintedAsItsCompositionAndAClickAdvancesIt) {
  DialogItemRecord* picture = Control(1001, 2015, u"STATIC", SS_BITMAP, {0, 0, 60, 60});
  Bind(picture, kRadioSymbol);
  OptSetControlOption(ctx, picture, kPortrait);
  Calls();
  SendMessageW(picture->window, WM_PAINT, 0, 0);
  EXPECT_EQ(Calls(), (Seen{"begin", "base 2026", "end"}));
  // A release inside the picture advances its own choice and repaints the page.
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
  EXPECT_EQ(SendMessageW(picture->window, WM_LBUTTONUP, 0, MAKELPARAM(30, 30)), 0);
  EXPECT_EQ(Option(picture), kLandscape);
  EXPECT_TRUE(PeekMessageW(&msg, Dialog(1001)->window, WM_PAINT, WM_PAINT, PM_REMOVE));
  EXPECT_EQ(GetFocus(), picture->window);
}

}  // namespace
