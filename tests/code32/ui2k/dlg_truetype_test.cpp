// The TrueType substitution page: the machine's TrueType faces each with its
// device font, the printer's device and option fonts, pairing a face with
// a font, the default button, and the table the lines leave in the settings.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "control_test_page.h"
#include "ctx_test_machine.h"
#include "ui/gdi.h"
#include "ui2k/dialog_handlers.h"
#include "velm/paths.h"
#include "velm/save_stack.h"
#include "velm/setting_ids.h"

namespace {

using namespace ctl_test;
using Lines = std::vector<std::string>;

constexpr uint16_t kPage = 1009, kDevices = 2384, kFaces = 2385, kDefault = 2386, kFaceShown = 2383;
const CtlDispatchTables kTables{&CtlGetKindTable(), &DlgTrueTypeHandler};

const std::u16string kLongFace = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcde";  // 31 characters

plat::FontFamily Family(const std::u16string& face, DWORD type = TRUETYPE_FONTTYPE, bool vertical = false) {
  plat::FontFamily f;
  f.face = face;
  f.type = type;
  f.hasVertical = vertical;
  return f;
}

std::string Pad(const std::string& face, const std::string& device) {
  std::string line = face;
  line.resize(31, ' ');
  return line + " > " + device;
}

class TrueTypePage : public ctx_test::ModelMachine, public PageTools {
 protected:
  void SetUp() override {
    ModelMachine::SetUp();
    // The small model's device fonts with a vertical one among them; its
    // substitution table pairs Arial with Helvetica and Times New Roman
    // with Times.
    std::string model = ReadData("data/models/small.mdf");
    const std::string fonts = R"(*DeviceFonts: IDList { {"Courier" 1} {"Helvetica" 2} {"Times" 3} })";
    model.replace(model.find(fonts), fonts.size(),
                  R"(*DeviceFonts: IDList { {"Courier" 1} {"Helvetica" 2} {"@Mincho" 4} {"Times" 3} })");
    UseModelText(model);
    ASSERT_EQ(PathCreateDataDir(), 1);
    context_ = OpenKind(0);
    ASSERT_NE(context_, nullptr);
    StartPage(context_);
    ui::SetTestFontFamilies({Family(u"Arial"), Family(u"Times New Roman"), Family(u"Courier", RASTER_FONTTYPE),
                             Family(u"MS Gothic", TRUETYPE_FONTTYPE, true), Family(kLongFace)});
  }
  void TearDown() override {
    ui::ClearTestFontFamilies();
    EndPage();
    CtxCloseAs(context_, kCloseDestroy);
    ModelMachine::TearDown();
  }

  // The page's two lists and the static that shows the chosen face.
  void OpenPage() {
    DialogRecord* d = Dialog(kPage);
    shown_ = CreateWindowExW(0, u"STATIC", u"", WS_CHILD | WS_VISIBLE, 0, 0, 100, 20, d->window,
                             reinterpret_cast<HMENU>(uintptr_t(kFaceShown)), nullptr, nullptr);
    devices_ = Make(kDevices);
    faces_ = Make(kFaces);
  }
  DialogItemRecord* Make(uint16_t id) {
    DialogRecord* d = Dialog(kPage);
    DialogItemRecord* item = CtxFindControl(ctx, d, id);
    item->window = CreateWindowExW(0, u"LISTBOX", u"", WS_CHILD | WS_VISIBLE | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS |
                                   LBS_NOTIFY, 10, 10, 300, 200, d->window,
                                   reinterpret_cast<HMENU>(uintptr_t(id)), nullptr, nullptr);
    Bind(item, item->symbol);
    EXPECT_EQ(DlgTrueTypeHandler(ctx, d, item, WM_INITDIALOG, 0, 0), 1) << id;
    return item;
  }
  static Lines Texts(HWND list) {
    Lines out;
    for (LRESULT i = 0, n = SendMessageW(list, LB_GETCOUNT, 0, 0); i < n; ++i) {
      char16_t text[128] = {};
      SendMessageW(list, LB_GETTEXT, WPARAM(i), reinterpret_cast<LPARAM>(text));
      out.push_back(plat::ToUtf8(text));
    }
    return out;
  }
  // A person's choice of an entry of a list.
  LRESULT Choose(DialogItemRecord* list, LRESULT index) {
    SendMessageW(list->window, LB_SETCURSEL, WPARAM(index), 0);
    return CtlHandleCommandWith(kTables, ctx, Dialog(kPage), list, MAKEWPARAM(list->controlId, LBN_SELCHANGE),
                                reinterpret_cast<LPARAM>(list->window));
  }
  std::string Substitute(const char16_t* face) {
    char16_t device[kFontNameChars + 1];
    return plat::ToUtf8(OptFindSubstituteFont(ctx, face, device));
  }
  int32_t Pairs() { return OptGetValueById(ctx, setting::vdmFontTableNum); }
  std::string Shown() {
    char16_t text[64] = {};
    GetWindowTextW(shown_, text, 64);
    return plat::ToUtf8(text);
  }

  DriverContext* context_ = nullptr;
  DialogItemRecord* devices_ = nullptr;
  DialogItemRecord* faces_ = nullptr;
  HWND shown_ = nullptr;
};

// TrueType faces only, no vertical faces anywhere; the device name starts at
// character 34 even after a face of 31 characters; the first line is chosen.
TEST_F(TrueTypePage, ListsPairEachTrueTypeFaceWithItsDeviceFont) {
  OpenPage();
  EXPECT_EQ(Texts(devices_->window), (Lines{"Courier", "Helvetica", "Times", "Barcode"}))
      << "device fonts, then option fonts; '@Mincho' left out";
  const Lines faces = Texts(faces_->window);
  EXPECT_EQ(faces, (Lines{Pad(plat::ToUtf8(kLongFace), "Courier"), Pad("Arial", "Helvetica"),
                          Pad("MS Gothic", "Courier"), Pad("Times New Roman", "Times")}));
  ASSERT_FALSE(faces.empty());
  EXPECT_EQ(faces[0].substr(31, 3), " > ");
  EXPECT_EQ(faces[0].substr(34), "Courier");
  EXPECT_EQ(Selected(faces_->window), 0);
  EXPECT_EQ(Shown(), plat::ToUtf8(kLongFace));
  EXPECT_EQ(Selected(devices_->window), -1) << "no device font chosen yet";

  EXPECT_EQ(Choose(faces_, 1), 1);
  EXPECT_EQ(Shown(), "Arial");
  EXPECT_EQ(Selected(devices_->window), 1) << "Helvetica, Arial's device font";
}

// Pairing a face with the first device font removes its pair; any other
// font adds or replaces one; the sheet hears of each change.
TEST_F(TrueTypePage, ChoosingADeviceFontRewritesTheLineAndTheTable) {
  OpenPage();
  ASSERT_EQ(Pairs(), 2);
  struct Case {
    LRESULT face, font;
    std::string line;
    int32_t pairs;
    const char* why;
  } cases[] = {
      {1, 0, Pad("Arial", "Courier"), 1, "font 0 removes Arial's pair"},
      {2, 3, Pad("MS Gothic", "Barcode"), 2, "an option font adds a pair"},
      {3, 1, Pad("Times New Roman", "Helvetica"), 2, "another font replaces a pair"},
      {0, 0, Pad(plat::ToUtf8(kLongFace), "Courier"), 2, "font 0 again changes nothing"},
  };
  for (const Case& c : cases) {
    Choose(faces_, c.face);
    Calls();
    EXPECT_EQ(Choose(devices_, c.font), 1) << c.why;
    EXPECT_EQ(Texts(faces_->window)[size_t(c.face)], c.line) << c.why;
    EXPECT_EQ(Selected(faces_->window), c.face) << c.why;
    EXPECT_EQ(Pairs(), c.pairs) << c.why;
    EXPECT_EQ(Calls(), (std::vector<std::string>{"changed"})) << c.why;
  }
  EXPECT_EQ(Substitute(u"Arial"), "Courier");
  EXPECT_EQ(Substitute(u"MS Gothic"), "Barcode");
  EXPECT_EQ(Substitute(u"Times New Roman"), "Helvetica");
}

TEST_F(TrueTypePage, DefaultEmptiesTheTable) {
  OpenPage();
  DialogItemRecord* button = CtxFindControl(ctx, Dialog(kPage), kDefault);
  EXPECT_EQ(DlgTrueTypeHandler(ctx, Dialog(kPage), button, WM_COMMAND, MAKEWPARAM(kDefault, BN_CLICKED), 0), 1);
  EXPECT_EQ(Pairs(), 0);
  EXPECT_EQ(OptGetValueById(ctx, setting::vdmFontTable), 0) << "an empty table, not the model's";
  for (const std::string& line : Texts(faces_->window)) EXPECT_EQ(line.substr(34), "Courier") << line;
  EXPECT_EQ(Texts(faces_->window).size(), 4u);
}

// A thousand faces each with its own pair stay within the table; a device
// part longer than a name field is cut to 31 characters and terminated.
TEST_F(TrueTypePage, AThousandFacesAndOverLongNamesFitTheTable) {
  std::vector<plat::FontFamily> many;
  std::vector<FontSubstEntry> table(1000);
  for (int i = 0; i < 1000; ++i) {
    std::u16string face = u"Face " + plat::FromUtf8(std::to_string(1000 + i));
    many.push_back(Family(face));
    std::copy(face.begin(), face.end(), table[size_t(i)].trueTypeName);
    std::copy_n(u"Helvetica", 9, table[size_t(i)].deviceName);
  }
  ui::SetTestFontFamilies(many);
  ASSERT_EQ(OptReplaceFontTable(ctx, 1000, reinterpret_cast<const uint8_t*>(table.data())), 1);
  OpenPage();
  ASSERT_EQ(Texts(faces_->window).size(), 1000u);
  EXPECT_EQ(Choose(faces_, 999), 1);
  EXPECT_EQ(Choose(devices_, 2), 1);
  EXPECT_EQ(Pairs(), 1000);
  EXPECT_EQ(Substitute(u"Face 1999"), "Times");
  EXPECT_EQ(Substitute(u"Face 1000"), "Helvetica");

  const std::string long_device(40, 'D');
  const std::u16string line = plat::FromUtf8(Pad("Face 1000", long_device));
  SendMessageW(faces_->window, LB_DELETESTRING, 0, 0);
  SendMessageW(faces_->window, LB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
  EXPECT_EQ(DlgStoreFontTable(ctx, faces_->window), 1);
  EXPECT_EQ(Substitute(u"Face 1000"), std::string(31, 'D'));

  // More paired lines than the table's count can hold: the first ones fill it.
  SendMessageW(faces_->window, LB_RESETCONTENT, 0, 0);
  for (int i = 0; i < kFontSubstCapacity + 10; ++i) {
    const std::u16string more = plat::FromUtf8(Pad("F" + std::to_string(i), "Times"));
    SendMessageW(faces_->window, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(more.c_str()));
  }
  EXPECT_EQ(DlgStoreFontTable(ctx, faces_->window), 1);
  EXPECT_EQ(Pairs(), kFontSubstCapacity);
  EXPECT_EQ(Substitute(u"F32766"), "Times");
  EXPECT_EQ(Substitute(u"F32767"), "Courier") << "past the capacity: not stored";
}

}  // namespace
