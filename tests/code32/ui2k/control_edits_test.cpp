// Text and numeric edits, sliders, trackbars, spin buttons, tab controls and
// the item tree, on the presets page of a small model with a custom paper
// width in 1/1200 inch.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "control_test_page.h"
#include "plat/kernel.h"
#include "ui/commctrl.h"
#include "ui/tabctrl.h"
#include "velm/units.h"

namespace {

using namespace ctl_test;

// ---- fixed-point numbers ------------------------------------------------------------------

TEST(FixedPoint, ParsesAsThePersonMeansIt) {
  struct Case {
    const char16_t* text;
    int32_t scale, want;
  } const cases[] = {
      {u"12.34", 100, 1234}, {u"12.3", 100, 1230},  {u"12.345", 100, 1234}, {u"x-5", 10, -50},
      {u"7", 1, 7},          {u"", 10, 0},          {u"-", 10, 0},          {u".5", 10, 5},
      {u"0.05", 100, 5},     {u"3 mm", 10, 30},     {u"12.5", 0, 12},
      // Past 32 bits the value saturates instead of wrapping to a wrong one.
      {u"99999999999", 1, INT32_MAX}, {u"99999999999", 100, INT32_MAX}, {u"-99999999999", 10, -INT32_MAX},
      {u"4294967296", 1, INT32_MAX},
  };
  for (const Case& c : cases) {
    std::string shown(c.text, c.text + std::char_traits<char16_t>::length(c.text));
    EXPECT_EQ(CtlParseFixed(c.text, c.scale), c.want) << shown << " scale " << c.scale;
  }
  EXPECT_EQ(CtlParseFixed(nullptr, 10), 0);
}

TEST(FixedPoint, FormatsWithTheScalesDecimals) {
  struct Case {
    int32_t scale, value;
    const char16_t* want;
  } const cases[] = {
      {100, 1234, u"12.34"}, {10, 5, u"0.5"},     {10000, 12345, u"1.2345"}, {1000, 7, u"0.007"},
      {1, 7, u"7"},          {0, -3, u"-3"},      {10, -15, u"-1.5"},        {100, -5, u"-0.05"},
      {10, INT32_MIN, u"-214748364.8"},
  };
  for (const Case& c : cases) EXPECT_EQ(CtlFormatFixed(c.scale, c.value), c.want) << c.value << "/" << c.scale;
  // What is shown reads back as the same value.
  for (int32_t scale : {1, 10, 100, 1000, 10000})
    for (int32_t v : {0, 1, 9, 10, 99, 12345, 2147483647})
      EXPECT_EQ(CtlParseFixed(CtlFormatFixed(scale, v).c_str(), scale), v);
}

TEST(FixedPoint, CodePageCutNeverSplitsADoubleByteCharacter) {
  // Fifteen double-byte characters are 30 bytes in code page 932.
  const std::u16string text(15, u'\u3042');
  EXPECT_EQ(CtlCutToCodePage(text, 29), std::u16string(14, u'\u3042'));
  EXPECT_EQ(CtlCutToCodePage(u"a" + text, 29), u"a" + std::u16string(14, u'\u3042'));
  EXPECT_EQ(CtlCutToCodePage(u"abc", 29), u"abc");
  EXPECT_EQ(CtlCutToCodePage(u"abc", 0), u"");
}

// ---- the page ----------------------------------------------------------------------------

const std::string& EditModel() {
  static const std::string text = std::string(kPageModel) + R"(*OpenUI *VPD_IDC_FREESIZE_EDIT_WIDTH_MM: Numeric
*NumericValue: "7 2480 1181 60000 1"
*CloseUI: *VPD_IDC_FREESIZE_EDIT_WIDTH_MM
)";
  return text;
}

constexpr uint16_t kFreeSizeDialog = 1017, kWidthEdit = 2224, kWidthSpin = 2225, kWidthSymbol = 660;
constexpr uint16_t kCopiesEdit = 2029, kCopiesSpin = 2030, kCopiesSymbol = 350;
constexpr uint16_t kInitDialog = 1010, kUserIdEdit = 2241;
constexpr int32_t kWidthMin = 1181, kWidthMax = 60000;

class Edits : public ::testing::Test, public PageTools {
 protected:
  void SetByKey(int32_t key, int32_t option) {
    SettingRecord* row = OptFindSettingByKey(ctx, key);
    ASSERT_NE(row, nullptr) << key;
    OptSetOption(ctx, row, option);
  }
  void SetUp() override {
    StartPage(m_.ctx);
    Metric(true);
  }
  void TearDown() override { EndPage(); }
  void Metric(bool mm) {
    OptSetValueById(ctx, setting::vdmDspUnit, mm ? 0 : 1);
    ASSERT_EQ(UnitIsMetric(ctx) != 0, mm);
  }
  static std::u16string Text(HWND w) {
    char16_t buf[600] = {};
    GetWindowTextW(w, buf, 600);
    return buf;
  }
  // A person's typing as the edit tells its parent.
  LRESULT Change(DialogItemRecord* item, const char16_t* text, WORD code = EN_CHANGE) {
    SetWindowTextW(item->window, text);
    return CtlDispatchCommand(ctx, CtxFindDialog(ctx, item == nullptr ? 0 : DialogOf(item)), item,
                              MAKELPARAM(item->controlId, code), LPARAM(item->window));
  }
  uint16_t DialogOf(const DialogItemRecord* item) {
    for (uint16_t id : {kFreeSizeDialog, uint16_t(1001), kInitDialog})
      if (CtxFindControl(ctx, CtxFindDialog(ctx, id), item->controlId) == item) return id;
    return 0;
  }
  void LoseFocus(DialogItemRecord* item) {
    CtlDispatchMessage(ctx, CtxFindDialog(ctx, DialogOf(item)), item, WM_KILLFOCUS, 0, 0);
  }
  // True when a backspace was posted to the window (and takes it).
  static bool BackspacePosted(HWND w) {
    MSG m{};
    bool seen = false;
    while (PeekMessageW(&m, w, WM_CHAR, WM_CHAR, PM_REMOVE)) seen = seen || m.wParam == VK_BACK;
    return seen;
  }
  DialogItemRecord* Width() {
    DialogItemRecord* w = Control(kFreeSizeDialog, kWidthEdit, u"EDIT", ES_AUTOHSCROLL);
    EXPECT_TRUE(w && (w->flags & kItemLengthUnit));
    return w;
  }
  ctx_test::ModelContext m_{EditModel()};
};

TEST_F(Edits, DisplayRangeMapsBackInsideTheLimitsInBothUnits) {
  DialogItemRecord* width = Width();
  for (bool mm : {true, false}) {
    Metric(mm);
    int32_t lo = 0, hi = 0;
    ASSERT_TRUE(CtlNumRange(ctx, width, &lo, &hi));
    EXPECT_LT(lo, hi);
    for (int32_t d = lo; d <= hi; ++d) {
      const int32_t device = UnitSetUserValue(ctx, 0, d);
      ASSERT_GE(device, kWidthMin) << d;
      ASSERT_LE(device, kWidthMax) << d;
    }
    // One step beyond either end leaves the limits.
    EXPECT_TRUE(UnitSetUserValue(ctx, 0, lo - 1) < kWidthMin || UnitGetUserValue(ctx, 0, kWidthMin) != lo - 1);
    EXPECT_GT(UnitSetUserValue(ctx, 0, hi + 1), kWidthMax);
  }
}

TEST_F(Edits, ALengthEditStoresWhatWasTypedAndKeepsTheExactValueWhenLeftAlone) {
  DialogItemRecord* width = Width();
  ASSERT_NE(width->setting, nullptr);
  EXPECT_EQ(SendMessageW(width->window, EM_GETLIMITTEXT, 0, 0), 7);
  EXPECT_EQ(Change(width, u"125.5"), 1);
  EXPECT_EQ(Option(width), UnitSetUserValue(ctx, 0, 1255));
  // A value without an exact 0.1 mm form survives a visit to the edit.
  OptSetControlOption(ctx, width, 2481);
  width->setting->dirty = 1;
  CtlDispatchRefresh(ctx, CtxFindDialog(ctx, kFreeSizeDialog), width);
  const std::u16string shown = Text(width->window);
  EXPECT_EQ(shown, CtlFormatFixed(10, UnitGetUserValue(ctx, 0, 2481)));
  LoseFocus(width);
  EXPECT_EQ(Option(width), 2481);
  EXPECT_EQ(Text(width->window), shown);
}

TEST_F(Edits, ANumberBeyondTheLimitsIsTakenBackAndStoresNothing) {
  DialogItemRecord* width = Width();
  ASSERT_EQ(Change(width, u"100"), 1);
  const int32_t before = Option(width);
  for (bool mm : {true, false}) {
    Metric(mm);
    for (const char16_t* text : {mm ? u"45455071" : u"1789570", u"99999999999", u"-5"}) {
      EXPECT_EQ(Change(width, text), 0) << mm;
      EXPECT_TRUE(BackspacePosted(width->window)) << mm;
      EXPECT_EQ(Option(width), before) << mm;
    }
    // The largest integer part that still fits is not refused by this test.
    EXPECT_EQ(Change(width, mm ? u"45455070" : u"1789569"), 1);
    EXPECT_FALSE(BackspacePosted(width->window));
    OptSetControlOption(ctx, width, before);
  }
}

TEST_F(Edits, LeavingTheFreeSizeWidthClampsItToTheDisplayRange) {
  DialogItemRecord* width = Width();
  int32_t lo = 0, hi = 0;
  ASSERT_TRUE(CtlNumRange(ctx, width, &lo, &hi));
  SetWindowTextW(width->window, u"1");
  LoseFocus(width);
  EXPECT_EQ(Option(width), UnitSetUserValue(ctx, 0, lo));
  EXPECT_TRUE(width->setting->dirty);
  SetWindowTextW(width->window, u"99999");
  LoseFocus(width);
  EXPECT_EQ(Option(width), UnitSetUserValue(ctx, 0, hi));
  EXPECT_EQ(Calls(), (std::vector<std::string>{"check 2224", "check 2224"}));
}

// A number the rules refuse when the edit loses the focus goes back to
// what the edit held when it took the focus; in the user paper-size dialog
// the size is held to its limits instead.
TEST_F(Edits, ARefusedNumberGoesBackToTheValueTheEditTookTheFocusWith) {
  DialogItemRecord* copies = Control(1001, kCopiesEdit, u"EDIT", ES_AUTOHSCROLL);
  ASSERT_NE(copies->setting, nullptr);
  OptSetControlOption(ctx, copies, 12);
  Change(copies, u"12", EN_SETFOCUS);
  EXPECT_EQ(Change(copies, u"0"), 1);
  EXPECT_EQ(Option(copies), 0) << "typing stores as it goes";
  g_rec.checkAnswer = 1;
  LoseFocus(copies);
  EXPECT_EQ(Option(copies), 12);
  EXPECT_TRUE(copies->setting->dirty) << "the edit is shown again";
  // A number the rules take stays.
  g_rec.checkAnswer = 0;
  Change(copies, u"12", EN_SETFOCUS);
  Change(copies, u"5");
  LoseFocus(copies);
  EXPECT_EQ(Option(copies), 5);
  // The focus came back with 5: a refusal now goes back to 5, not 12.
  Change(copies, u"5", EN_SETFOCUS);
  Change(copies, u"0");
  g_rec.checkAnswer = 1;
  LoseFocus(copies);
  EXPECT_EQ(Option(copies), 5);

  DialogItemRecord* width = Width();
  int32_t lo = 0, hi = 0;
  ASSERT_TRUE(CtlNumRange(ctx, width, &lo, &hi));
  OptSetControlOption(ctx, width, 2400);
  Change(width, u"50.8", EN_SETFOCUS);
  SetWindowTextW(width->window, u"1");
  LoseFocus(width);
  EXPECT_EQ(Option(width), UnitSetUserValue(ctx, 0, lo));
  EXPECT_EQ(Calls(), (std::vector<std::string>{"check 2029", "check 2029", "check 2029", "check 2224"}));
}

TEST_F(Edits, SwitchingTheUnitRewritesTheEdit) {
  DialogItemRecord* width = Width();
  DialogRecord* d = CtxFindDialog(ctx, kFreeSizeDialog);
  OptSetControlOption(ctx, width, 2400);  // 2 inches
  width->setting->dirty = 1;
  CtlDispatchRefresh(ctx, d, width);
  EXPECT_EQ(Text(width->window), u"50.8");
  width->setting->dirty = 0;
  Metric(false);
  OptFindSetting(ctx, setting::vdmDspUnit)->dirty = 1;
  CtlDispatchRefresh(ctx, d, width);
  EXPECT_EQ(Text(width->window), u"2.00");
  EXPECT_EQ(Option(width), 2400);
}

TEST_F(Edits, ANumericEditWithARecordShowsItsScaleAndSuffix) {
  Names({{300, u" copies"}});
  DialogItemRecord* copies = Control(1001, kCopiesEdit, u"EDIT", ES_AUTOHSCROLL);
  ASSERT_NE(copies->setting, nullptr);
  EXPECT_EQ(SendMessageW(copies->window, EM_GETLIMITTEXT, 0, 0), 3 + 7);
  OptSetControlOption(ctx, copies, 12);
  copies->setting->dirty = 1;
  CtlDispatchRefresh(ctx, CtxFindDialog(ctx, 1001), copies);
  EXPECT_EQ(Text(copies->window), u"12 copies");
  EXPECT_EQ(Change(copies, u"7 copies"), 1);
  EXPECT_EQ(Option(copies), 7);
  EXPECT_EQ(Change(copies, u"7 copies"), 0);  // unchanged: nothing stored
}

TEST_F(Edits, DoubleByteTextIsCutToTheSettingOnBothPaths) {
  DialogItemRecord* user = Control(kInitDialog, kUserIdEdit, u"EDIT", ES_AUTOHSCROLL);
  ASSERT_NE(user, nullptr);
  ASSERT_NE(user->setting, nullptr);
  const int32_t room = int32_t(DescSize(user->setting->descriptor)) - 1;
  auto stored_bytes = [&] {
    char16_t buf[64] = {};
    OptGetText(ctx, user->setting, buf);
    return WideCharToMultiByte(CP_ACP, 0, buf, -1, nullptr, 0, nullptr, nullptr) - 1;
  };
  auto stored = [&] {
    char16_t buf[64] = {};
    OptGetText(ctx, user->setting, buf);
    return std::u16string(buf);
  };
  const std::u16string wide(15, u'\u3042');
  for (const std::u16string& typed : {wide, u"a" + wide}) {
    Change(user, typed.c_str());
    EXPECT_LE(stored_bytes(), room);
    EXPECT_EQ(stored(), CtlCutToCodePage(typed, room));
    EXPECT_EQ(Text(user->window), typed);  // the edit keeps what was typed
    OptSetText(ctx, user->setting, u"");
    // Leaving the edit reads with the same cut.
    Change(user, typed.c_str(), EN_KILLFOCUS);
    EXPECT_EQ(stored(), CtlCutToCodePage(typed, room));
    EXPECT_LE(stored_bytes(), room);
  }
  Change(user, u"  ab  ", EN_KILLFOCUS);
  EXPECT_EQ(stored(), u"ab");
  EXPECT_EQ(Text(user->window), u"ab");
}

TEST_F(Edits, ASummaryListsItsRowsWithKeyBWhenKeyAIsOne) {
  Names({{9001, u"Copies: "}, {9002, u"Duplex: "}});
  const CtlListRow rows[] = {{9001, kCopiesSymbol, 0}, {9002, 445, kCopiesSymbol}, {9002, 0, 445}};
  CtlListBlock block{};
  block.tag = kCtlTagList;
  block.rowCount = 3;
  block.ten = 10;
  block.rows = rows;
  DialogItemRecord* user = Control(kInitDialog, kUserIdEdit, u"EDIT", ES_MULTILINE);
  user->extraData = &block;
  SetByKey(kCopiesSymbol, 3);
  SetByKey(445, 0);
  auto show = [&] {
    CtlEditRefresh(ctx, CtxFindDialog(ctx, kInitDialog), user);
    return Text(user->window);
  };
  auto display = [&](int32_t key) {
    char16_t buf[600] = {};
    OptFormatDisplayText(ctx, key, buf, 600);
    return std::u16string(buf);
  };
  EXPECT_EQ(show(), u"Copies: " + display(kCopiesSymbol) + u"\r\nDuplex: " + display(445) + u"\r\nDuplex: " +
                        display(445));
  SetByKey(445, 1);
  EXPECT_EQ(show(), u"Copies: " + display(kCopiesSymbol) + u"\r\nDuplex: " + display(kCopiesSymbol) +
                        u"\r\nDuplex: " + display(445));
  user->extraData = nullptr;
}

// ---- scrolling kinds ---------------------------------------------------------------------

class Scrolling : public Edits {
 protected:
  // The copies spin as a slider of the given kind (1..999).
  DialogItemRecord* Slider(uint16_t kind) {
    DialogRecord* d = Dialog(1001);
    DialogItemRecord* item = CtxFindControl(ctx, d, kCopiesSpin);
    item->kind = kind;
    item->window = CreateWindowExW(0, u"SCROLLBAR", u"", WS_CHILD | WS_VISIBLE | SBS_HORZ, 10, 10, 200, 20,
                                   d->window, reinterpret_cast<HMENU>(uintptr_t(kCopiesSpin)), nullptr, nullptr);
    Bind(item, kCopiesSymbol);
    CtlDispatchInit(ctx, d, item);
    return item;
  }
  LRESULT Scroll(DialogItemRecord* item, UINT message, WORD code, WORD pos = 0) {
    return CtlDispatchMessage(ctx, CtxFindDialog(ctx, 1001), item, message, MAKELPARAM(code, pos),
                              LPARAM(item->window));
  }
};

TEST_F(Scrolling, SliderCodesAtTheMiddleAndAtBothEnds) {
  DialogItemRecord* slider = Slider(82);
  struct Case {
    int32_t from;
    WORD code;
    int32_t want;
  } const cases[] = {
      {500, SB_LINEUP, 499}, {500, SB_LINEDOWN, 501}, {500, SB_PAGEUP, 490}, {500, SB_PAGEDOWN, 510},
      {500, SB_TOP, 499},    {500, SB_BOTTOM, 501},   {500, SB_ENDSCROLL, 500},
      {1, SB_LINEUP, 1},     {1, SB_PAGEUP, 1},       {1, SB_TOP, 1},
      {999, SB_LINEDOWN, 999}, {999, SB_PAGEDOWN, 999}, {999, SB_BOTTOM, 999},
  };
  for (const Case& c : cases) {
    SendMessageW(slider->window, SBM_SETPOS, WPARAM(c.from), FALSE);
    Calls();
    EXPECT_EQ(Scroll(slider, WM_HSCROLL, c.code), 1);
    EXPECT_EQ(Option(slider), c.want) << c.from << " code " << c.code;
    // The change is applied even when the position stays.
    EXPECT_EQ(Calls(), (std::vector<std::string>{"set 2030=" + std::to_string(c.want), "refresh"}));
  }
  EXPECT_EQ(Scroll(slider, WM_HSCROLL, SB_THUMBTRACK, 700), 1);
  EXPECT_EQ(Option(slider), 700);
  slider->disabled = 1;
  EXPECT_EQ(Scroll(slider, WM_HSCROLL, SB_LINEDOWN), 0);
  slider->disabled = 0;
}

TEST_F(Scrolling, TheBlocksStepsApplyOnlyWithAPicture) {
  DialogItemRecord* slider = Slider(82);
  CtlSliderBlock block{kCtlTagSlider, 5, 50, 0};
  slider->extraData = &block;
  SendMessageW(slider->window, SBM_SETPOS, 500, FALSE);
  Scroll(slider, WM_HSCROLL, SB_PAGEDOWN);
  EXPECT_EQ(Option(slider), 510);
  block.pictureId = 7;
  SendMessageW(slider->window, SBM_SETPOS, 500, FALSE);
  Scroll(slider, WM_HSCROLL, SB_PAGEDOWN);
  EXPECT_EQ(Option(slider), 550);
  SendMessageW(slider->window, SBM_SETPOS, 500, FALSE);
  Scroll(slider, WM_HSCROLL, SB_LINEUP);
  EXPECT_EQ(Option(slider), 495);
  slider->extraData = nullptr;
}

TEST_F(Scrolling, ADrawnSliderLeavesTheThemeAndDrawsNothingForAZeroSpan) {
  ui::ClearLog();
  DialogItemRecord* slider = Slider(84);
  bool themed = false;
  for (const std::string& line : ui::Log()) themed = themed || line == "SetWindowTheme #2030 app=\" \" classes=\" \"";
  EXPECT_TRUE(themed);
  Calls();
  CtlDrawSlider(ctx, CtxFindDialog(ctx, 1001), slider, nullptr);
  EXPECT_EQ(Calls(), (std::vector<std::string>{"face", "face", "face"}));
  SendMessageW(slider->window, SBM_SETRANGE, 5, 5);
  CtlDrawSlider(ctx, CtxFindDialog(ctx, 1001), slider, nullptr);
  EXPECT_TRUE(Calls().empty());
}

TEST_F(Scrolling, ADrawnSliderIgnoresItsMinusAtTheMinimumAndPaintsItself) {
  DialogItemRecord* slider = Slider(84);
  RECT r{};
  GetClientRect(slider->window, &r);
  auto screen = [&](LONG x) {
    POINT p{x, (r.top + r.bottom) / 2};
    ClientToScreen(slider->window, &p);
    return MAKELPARAM(WORD(p.x), WORD(p.y));
  };
  SendMessageW(slider->window, SBM_SETPOS, 1, FALSE);
  EXPECT_EQ(SendMessageW(slider->window, WM_NCHITTEST, 0, screen(r.left + 2)), HTERROR);
  EXPECT_NE(SendMessageW(slider->window, WM_NCHITTEST, 0, screen(r.right - 2)), HTERROR);
  SendMessageW(slider->window, SBM_SETPOS, 999, FALSE);
  EXPECT_EQ(SendMessageW(slider->window, WM_NCHITTEST, 0, screen(r.right - 2)), HTERROR);
  EXPECT_NE(SendMessageW(slider->window, WM_NCHITTEST, 0, screen(r.left + 2)), HTERROR);
  // A press there is swallowed: no scroll loop, no change.
  Calls();
  SendMessageW(slider->window, WM_LBUTTONDOWN, 0, MAKELPARAM(WORD(r.right - 2), WORD(5)));
  EXPECT_TRUE(Calls().empty());
  // Its own painting draws the ends and the thumb.
  InvalidateRect(slider->window, nullptr, TRUE);
  UpdateWindow(slider->window);
  EXPECT_EQ(Calls(), (std::vector<std::string>{"face", "face", "face"}));
}

TEST(SliderThumb, StaysOnTheTrackForAnyRange) {
  EXPECT_EQ(CtlSliderThumbLeft(0, 200, 16, 0, 0, 100), 16);
  EXPECT_EQ(CtlSliderThumbLeft(0, 200, 16, 100, 0, 100), 16 + (168 - 16));
  EXPECT_EQ(CtlSliderThumbLeft(0, 200, 16, 5, 5, 5), -1);
  // A range of the full 32 bits: no overflow, the thumb at the far end.
  EXPECT_EQ(CtlSliderThumbLeft(0, 200, 16, INT32_MAX, INT32_MIN, INT32_MAX), 16 + (168 - 16));
  EXPECT_EQ(CtlSliderThumbLeft(0, 200, 16, INT32_MIN, INT32_MIN, INT32_MAX), 16);
}

TEST_F(Scrolling, ASpinWithoutARecordRunsFromMinusToPlusHundred) {
  DialogRecord* d = Dialog(1001);
  DialogItemRecord* spin = CtxFindControl(ctx, d, kCopiesSpin);
  spin->window = CreateWindowExW(0, u"SCROLLBAR", u"", WS_CHILD | WS_VISIBLE | SBS_VERT, 0, 0, 16, 30, d->window,
                                 reinterpret_cast<HMENU>(uintptr_t(kCopiesSpin)), nullptr, nullptr);
  spin->setting = OptFindSettingByKey(ctx, kCopiesSymbol);
  UiBindItemModel(ctx, spin, 0);
  CtlDispatchInit(ctx, d, spin);
  INT lo = 0, hi = 0;
  SendMessageW(spin->window, SBM_GETRANGE, WPARAM(&lo), LPARAM(&hi));
  EXPECT_EQ(lo, -100);
  EXPECT_EQ(hi, 100);
  SendMessageW(spin->window, SBM_SETPOS, 100, FALSE);
  Calls();
  EXPECT_EQ(Scroll(spin, WM_VSCROLL, SB_LINEUP), 1);
  EXPECT_EQ(Option(spin), 100);
  EXPECT_EQ(Calls(), (std::vector<std::string>{"changed"}));
  EXPECT_EQ(Scroll(spin, WM_VSCROLL, SB_LINEDOWN), 1);
  EXPECT_EQ(Option(spin), 99);
}

TEST_F(Scrolling, AnInchSpinMovesByAHundredthOfAnInch) {
  Metric(false);
  DialogRecord* d = Dialog(kFreeSizeDialog);
  DialogItemRecord* spin = CtxFindControl(ctx, d, kWidthSpin);
  spin->window = CreateWindowExW(0, u"SCROLLBAR", u"", WS_CHILD | WS_VISIBLE | SBS_VERT, 0, 0, 16, 30, d->window,
                                 reinterpret_cast<HMENU>(uintptr_t(kWidthSpin)), nullptr, nullptr);
  Bind(spin, kWidthSymbol);  // the feature and setting of its edit
  OptSetControlOption(ctx, spin, 2400);
  CtlDispatchInit(ctx, d, spin);
  EXPECT_EQ(SendMessageW(spin->window, SBM_GETPOS, 0, 0), 200);
  CtlDispatchMessage(ctx, d, spin, WM_VSCROLL, SB_LINEUP, LPARAM(spin->window));
  EXPECT_EQ(Option(spin), 2412);  // 2.01 inch in 1/1200 inch
  CtlDispatchMessage(ctx, d, spin, WM_VSCROLL, SB_LINEDOWN, LPARAM(spin->window));
  CtlDispatchMessage(ctx, d, spin, WM_VSCROLL, SB_LINEDOWN, LPARAM(spin->window));
  EXPECT_EQ(Option(spin), 2388);
}

TEST_F(Scrolling, ATrackbarClampsItsRangeTo16BitsAndStoresItsPosition) {
  DialogRecord* d = Dialog(kFreeSizeDialog);
  DialogItemRecord* track = CtxFindControl(ctx, d, kWidthSpin);
  track->kind = 85;
  track->window = CreateWindowExW(0, TRACKBAR_CLASSW, u"", WS_CHILD | WS_VISIBLE, 0, 0, 200, 30, d->window,
                                  reinterpret_cast<HMENU>(uintptr_t(kWidthSpin)), nullptr, nullptr);
  Bind(track, kWidthSymbol);
  OptSetControlOption(ctx, track, 2000);
  CtlDispatchInit(ctx, d, track);
  EXPECT_EQ(SendMessageW(track->window, TBM_GETRANGEMIN, 0, 0), kWidthMin);
  EXPECT_EQ(SendMessageW(track->window, TBM_GETRANGEMAX, 0, 0), INT16_MAX);  // not 60000 wrapped negative
  EXPECT_EQ(SendMessageW(track->window, TBM_GETPOS, 0, 0), 2000);
  SendMessageW(track->window, TBM_SETPOS, TRUE, 3000);
  EXPECT_EQ(CtlDispatchMessage(ctx, d, track, WM_HSCROLL, SB_THUMBPOSITION, LPARAM(track->window)), 1);
  EXPECT_EQ(Option(track), 3000);
}

// ---- tabs and the item tree ----------------------------------------------------------------

TEST_F(Edits, TabsShowOnlyTheirOwnControls) {
  Names({{9101, u"First"}, {9102, u"Second"}});
  DialogRecord* d = Dialog(1001);
  const uint16_t first[] = {2028, 2029}, second[] = {2031};
  const CtlTabRow rows[] = {{9101, 2, first}, {9102, 1, second}};
  const CtlTabBlock block{kCtlTagTab, 2, rows};
  DialogItemRecord* copies = Control(1001, 2028, u"STATIC", 0);
  Control(1001, 2029, u"EDIT", 0);
  Control(1001, 2031, u"STATIC", 0);
  // The copies group box stands for the tab control.
  DialogItemRecord* tabs = CtxFindControl(ctx, d, 2558);
  tabs->kind = 104;
  tabs->extraData = &block;
  tabs->window = CreateWindowExW(0, WC_TABCONTROLW, u"", WS_CHILD | WS_VISIBLE, 0, 0, 300, 200, d->window,
                                 reinterpret_cast<HMENU>(uintptr_t(2558)), nullptr, nullptr);
  CtlDispatchInit(ctx, d, tabs);
  ASSERT_EQ(SendMessageW(tabs->window, TCM_GETITEMCOUNT, 0, 0), 2);
  char16_t caption[32] = {};
  TCITEMW item{TCIF_TEXT | TCIF_PARAM, 0, 0, caption, 32, 0, 0};
  SendMessageW(tabs->window, TCM_GETITEMW, 1, LPARAM(&item));
  EXPECT_EQ(std::u16string(caption), u"Second");
  EXPECT_EQ(item.lParam, LPARAM(ctx));
  auto visible = [&](uint16_t id) { return (GetWindowLongW(GetDlgItem(d->window, id), GWL_STYLE) & WS_VISIBLE) != 0; };
  EXPECT_TRUE(visible(2028) && visible(2029));
  EXPECT_FALSE(visible(2031));
  SendMessageW(tabs->window, TCM_SETCURSEL, 1, 0);
  NMHDR note{tabs->window, 2558, TCN_SELCHANGE};
  EXPECT_EQ(CtlDispatchMessage(ctx, d, tabs, WM_NOTIFY, 2558, LPARAM(&note)), 0);
  EXPECT_FALSE(visible(2028) || visible(2029));
  EXPECT_TRUE(visible(2031));
  // Without a block: no tabs, nothing shown or hidden.
  tabs->extraData = nullptr;
  SendMessageW(tabs->window, TCM_DELETEALLITEMS, 0, 0);
  CtlDispatchInit(ctx, d, tabs);
  EXPECT_EQ(SendMessageW(tabs->window, TCM_GETITEMCOUNT, 0, 0), 0);
  EXPECT_TRUE(visible(2031));
  EXPECT_NE(copies, nullptr);
}

TEST_F(Edits, TheItemTreeListsEveryDialogWithItsItems) {
  DialogRecord* d = Dialog(1001);
  DialogItemRecord* host = CtxFindControl(ctx, d, 2558);
  host->kind = 105;
  host->window = CreateWindowExW(0, WC_TREEVIEWW, u"", WS_CHILD | WS_VISIBLE, 0, 0, 300, 200, d->window,
                                 reinterpret_cast<HMENU>(uintptr_t(2558)), nullptr, nullptr);
  SetByKey(kCopiesSymbol, 4);
  CtlDispatchInit(ctx, d, host);
  CtlDispatchInit(ctx, d, host);  // a second start replaces the first
  size_t roots = 0, items = 0;
  bool copies = false;
  const std::u16string copies_line = u"VPD_IDC_PRESET_EDIT_COPIES\uFF1A4";
  for (auto r = HTREEITEM(SendMessageW(host->window, TVM_GETNEXTITEM, TVGN_ROOT, 0)); r;
       r = HTREEITEM(SendMessageW(host->window, TVM_GETNEXTITEM, TVGN_NEXT, LPARAM(r)))) {
    ++roots;
    for (auto c = HTREEITEM(SendMessageW(host->window, TVM_GETNEXTITEM, TVGN_CHILD, LPARAM(r))); c;
         c = HTREEITEM(SendMessageW(host->window, TVM_GETNEXTITEM, TVGN_NEXT, LPARAM(c)))) {
      ++items;
      char16_t text[128] = {};
      TVITEMW it{};
      it.mask = TVIF_TEXT | TVIF_PARAM;
      it.hItem = c;
      it.pszText = text;
      it.cchTextMax = 128;
      ASSERT_TRUE(SendMessageW(host->window, TVM_GETITEMW, 0, LPARAM(&it)));
      EXPECT_EQ(it.lParam, LPARAM(ctx));
      copies = copies || text == copies_line;
    }
  }
  EXPECT_EQ(roots, 47u);
  EXPECT_EQ(items, 765u);
  EXPECT_TRUE(copies);
  EXPECT_EQ(SendMessageW(host->window, TVM_GETCOUNT, 0, 0), LRESULT(47 + 765));
}

}  // namespace
