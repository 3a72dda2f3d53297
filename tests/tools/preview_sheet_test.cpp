// The preview of the document sheet as a person sees it: on the Layout page
// the person makes a text watermark at 45 degrees and switches it on, turns
// the paper to landscape (print size A4), switches 2-up and duplex on. The
// snapshot's preview then shows the two lying pages one over the other on
// an upright sheet, the order arrow, the binding edge and the watermark
// drawn across the sheet; it is compared with a reviewed golden picture by
// blocks (VELM_UPDATE_GOLDEN=1 writes it anew after a change that was
// looked at). One preview of each other kind (a lying paper, the printer
// with its trays, the finisher's staples and holes, a level text stamp, a
// bitmap stamp chosen through the file dialog) is compared with its own
// reviewed picture the same way.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "png_picture.h"
#include "test_support.h"

namespace {

struct Output {
  int rc = 0;
  std::string out, err;
};

// The preview control's white area in a snapshot of the Layout page.
constexpr int kLeft = 15, kTop = 83, kWidth = 180, kHeight = 136;

struct Colour {
  uint8_t r, g, b;
};
constexpr Colour kPage{160, 200, 240}, kBinding{32, 64, 224}, kArrow{224, 32, 32}, kInk{0, 0, 0};
// The face of a page of the sheet, and the tray in use in the printer's picture.
constexpr Colour kFace{212, 208, 200}, kTrayInUse{240, 144, 32};

class PreviewSheet : public ::testing::Test {
 protected:
  void SetUp() override {
    machine_ = folder_.path() + "/machine";
    ASSERT_EQ(Run("machine init " + machine_).rc, 0);
    const Output add = Run("printer add P --model " VELM_REFERENCE_MODEL);
    ASSERT_EQ(add.rc, 0) << add.err;
  }
  std::string Path(const std::string& name) const { return folder_.path() + "/" + name; }
  Output Run(const std::string& args) const {
    const std::string out = Path("stdout"), err = Path("stderr");
    const std::string cmd = VELM_TOOL " --machine " + machine_ + " " + args + " >" + out + " 2>" + err;
    const int status = std::system(cmd.c_str());
    Output o;
    o.rc = WIFEXITED(status) ? WEXITSTATUS(status) : 1000;
    o.out = test_support::ReadFile(out);
    o.err = test_support::ReadFile(err);
    return o;
  }

  test_support::TempFolder folder_{"velm-preview-sheet"};
  std::string machine_;
};

// A part of a snapshot.
test_support::Rgb Cut(const test_support::Rgb& shot, int left, int top, int width, int height) {
  test_support::Rgb out;
  if (shot.width < left + width || shot.height < top + height) return out;
  out.width = width;
  out.height = height;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const uint8_t* p = shot.At(left + x, top + y);
      out.px.insert(out.px.end(), p, p + 3);
    }
  return out;
}

// The preview area cut out of a snapshot.
test_support::Rgb Preview(const test_support::Rgb& shot) { return Cut(shot, kLeft, kTop, kWidth, kHeight); }

bool Is(const test_support::Rgb& p, int x, int y, Colour c) {
  const uint8_t* q = p.At(x, y);
  return q[0] == c.r && q[1] == c.g && q[2] == c.b;
}

int Count(const test_support::Rgb& p, Colour c, int l = 0, int t = 0, int r = kWidth, int b = kHeight) {
  int n = 0;
  for (int y = t; y < b; ++y)
    for (int x = l; x < r; ++x) n += Is(p, x, y, c);
  return n;
}

// The box that holds every pixel of a colour.
struct Box {
  int l = kWidth, t = kHeight, r = -1, b = -1;
  int w() const { return r - l + 1; }
  int h() const { return b - t + 1; }
};
Box BoxOf(const test_support::Rgb& p, Colour c) {
  Box box;
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x)
      if (Is(p, x, y, c)) {
        box.l = std::min(box.l, x), box.t = std::min(box.t, y);
        box.r = std::max(box.r, x), box.b = std::max(box.b, y);
      }
  return box;
}

// A row of the page box with no page colour: the gap between two pages.
bool HasGapRow(const test_support::Rgb& p, const Box& page) {
  for (int y = page.t + 4; y < page.b - 4; ++y)
    if (Count(p, kPage, page.l, y, page.r + 1, y + 1) == 0) return true;
  return false;
}
bool HasGapColumn(const test_support::Rgb& p, const Box& page) {
  for (int x = page.l + 4; x < page.r - 4; ++x)
    if (Count(p, kPage, x, page.t, x + 1, page.b + 1) == 0) return true;
  return false;
}

TEST_F(PreviewSheet, LandscapeTwoUpDuplexAndATextWatermarkShowInThePreview) {
  std::ofstream(Path("steps.txt")) << "answer ok\n"   // N-up changes the scale: continue
                                   << "answer ok\n"   // duplex changes the binding margin: continue
                                   << "page VPD_IDD_EDIT\n"
                                   << "click VPD_IDC_EDIT_BUTTON_CHARSTAMP\n"
                                   << "dialog\n"
                                   << "type VPD_IDC_STAMP_CHAR_EDIT_NAME DRAFT\n"
                                   << "type VPD_IDC_STAMP_CHAR_EDIT_CHAR DRAFT\n"
                                   << "type VPD_IDC_STAMP_CHAR_EDIT_ANGLE 45\n"
                                   << "type VPD_IDC_STAMP_CHAR_EDIT_SIZE 200\n"
                                   << "type VPD_IDC_STAMP_CHAR_EDIT_DENSITY 100\n"
                                   << "ok\n"
                                   << "select VPD_IDC_EDIT_CHOICE_STAMP_TYPE DRAFT\n"
                                   << "check VPD_IDC_EDIT_CHOICE_STAMP on\n"
                                   << "page 0\n"
                                   << "click 2027\n"  // Landscape
                                   << "select VPD_IDC_PRESET_CHOICE_PRINTSIZE 2\n"
                                   << "page VPD_IDD_EDIT\n"
                                   << "check VPD_IDC_EDIT_CHOICE_NUP on\n"
                                   << "check VPD_IDC_EDIT_CHOICE_DUPLEX on\n"
                                   << "ok\n";
  const Output run = Run("sheet P --document --script " + Path("steps.txt") + " --snapshot " + Path("shots"));
  ASSERT_EQ(run.rc, 0) << run.out << run.err;
  EXPECT_EQ(run.out.find("the sheet left it"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("result: 1 (IDOK)"), std::string::npos);
  for (const char* line : {"dmOrientation                2 IDC_PRESET_RADIO_LANDSCAPE", "vdmFuncSelectNup             1",
                           "vdmFuncSelectDuplex          1", "vdmFuncSelectWaterMark       1", "vdmWmAngle                   45"})
    EXPECT_NE(run.out.find(line), std::string::npos) << line;

  // Step 1: the Layout page as it first shows: one upright page, nothing on it.
  const test_support::Rgb before = Preview(test_support::ReadPng(Path("shots/step-1.png")));
  ASSERT_EQ(before.width, kWidth);
  const Box single = BoxOf(before, kPage);
  ASSERT_GT(single.w(), 10);
  EXPECT_GT(single.h(), single.w()) << "an upright page";
  EXPECT_FALSE(HasGapRow(before, single));
  EXPECT_FALSE(HasGapColumn(before, single));
  EXPECT_EQ(Count(before, kBinding), 0);
  EXPECT_EQ(Count(before, kArrow), 0);
  EXPECT_EQ(Count(before, kInk), 0);

  // Step 17: duplex switched on, the last change.
  const test_support::Rgb after = Preview(test_support::ReadPng(Path("shots/step-17.png")));
  ASSERT_EQ(after.width, kWidth);
  const Box sheet = BoxOf(after, kPage);
  ASSERT_GT(sheet.w(), 10);
  // Two lying pages stand one over the other on an upright sheet.
  EXPECT_GT(sheet.h(), sheet.w());
  EXPECT_TRUE(HasGapRow(after, sheet));
  EXPECT_FALSE(HasGapColumn(after, sheet));
  // The binding edge on the left of the sheet, the order arrow over it.
  const Box binding = BoxOf(after, kBinding);
  EXPECT_GT(binding.h(), sheet.h() / 2);
  EXPECT_LE(binding.r, sheet.l + 1);
  EXPECT_GT(Count(after, kArrow), 30);
  // The watermark in black at 45 degrees: its ink rises from the bottom
  // left to the top right of the sheet.
  const int mx = (sheet.l + sheet.r) / 2, my = (sheet.t + sheet.b) / 2;
  const int lower_left = Count(after, kInk, sheet.l, my, mx, sheet.b + 1);
  const int upper_right = Count(after, kInk, mx, sheet.t, sheet.r + 1, my);
  const int upper_left = Count(after, kInk, sheet.l, sheet.t, mx, my);
  const int lower_right = Count(after, kInk, mx, my, sheet.r + 1, sheet.b + 1);
  EXPECT_GT(lower_left, 20);
  EXPECT_GT(upper_right, 20);
  EXPECT_GT(lower_left + upper_right, 2 * (upper_left + lower_right));

  // The whole preview against the reviewed picture.
  const std::string golden = VELM_GOLDEN_PREVIEW;
  if (std::getenv("VELM_UPDATE_GOLDEN")) {
    ASSERT_TRUE(test_support::WritePng(after, golden));
  }
  const test_support::Rgb want = test_support::ReadPng(golden);
  EXPECT_EQ(test_support::DifferingBlocks(after, want, 8, 24), std::vector<std::string>{});

  // The whole Layout page as painted, so that a change of its layout or of
  // the painting of any of its controls is seen (the reviewed picture is
  // copied from the snapshot when VELM_UPDATE_GOLDEN is set).
  const std::string page_golden = VELM_GOLDEN_SHEET_PAGE;
  if (std::getenv("VELM_UPDATE_GOLDEN")) std::filesystem::copy_file(Path("shots/step-17.png"), page_golden,
                                                                     std::filesystem::copy_options::overwrite_existing);
  const test_support::Rgb page = test_support::ReadPng(Path("shots/step-17.png"));
  const test_support::Rgb page_want = test_support::ReadPng(page_golden);
  ASSERT_EQ(page.width, page_want.width);
  ASSERT_EQ(page.height, page_want.height);
  EXPECT_EQ(test_support::DifferingBlocks(page, page_want, 8, 24), std::vector<std::string>{});
}

// ---- one preview per kind ------------------------------------------------------------------

// A 300 x 180 bitmap file for the image stamp: a red band over a green
// band (rows stored bottom up).
void WriteStampBitmap(const std::string& path) {
  constexpr int w = 300, h = 180, row = (w * 3 + 3) / 4 * 4;
  std::string bytes(54 + size_t(row) * h, '\0');
  auto put = [&](size_t at, uint32_t v, int n) {
    for (int i = 0; i < n; ++i) bytes[at + i] = char(v >> (8 * i));
  };
  bytes[0] = 'B', bytes[1] = 'M';
  put(2, uint32_t(bytes.size()), 4);
  put(10, 54, 4);
  put(14, 40, 4), put(18, w, 4), put(22, h, 4), put(26, 1, 2), put(28, 24, 2);
  put(34, uint32_t(row * h), 4);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint32_t bgr = y < h / 2 ? 0x00A000 : 0xC80000;  // blue, green, red bytes: the bottom half green, the top red
      put(54 + size_t(y) * row + size_t(x) * 3, bgr, 3);
    }
  std::ofstream(path, std::ios::binary) << bytes;
}

// The pixels where one channel stands out, and their box.
Box BoxWhere(const test_support::Rgb& p, int channel) {
  Box box;
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      const uint8_t* q = p.At(x, y);
      const int other = channel == 0 ? std::max(q[1], q[2]) : std::max(q[0], q[2]);
      if (q[channel] > 120 && other < 80) {
        box.l = std::min(box.l, x), box.t = std::min(box.t, y);
        box.r = std::max(box.r, x), box.b = std::max(box.b, y);
      }
    }
  return box;
}

// The steps that make a stamp and switch it on, from the Layout page.
std::vector<std::string> TextStamp(const std::string& name, int angle) {
  return {"page VPD_IDD_EDIT",
          "click VPD_IDC_EDIT_BUTTON_CHARSTAMP",
          "dialog",
          "type VPD_IDC_STAMP_CHAR_EDIT_NAME " + name,
          "type VPD_IDC_STAMP_CHAR_EDIT_CHAR " + name,
          "type VPD_IDC_STAMP_CHAR_EDIT_ANGLE " + std::to_string(angle),
          "type VPD_IDC_STAMP_CHAR_EDIT_SIZE 150",
          "type VPD_IDC_STAMP_CHAR_EDIT_DENSITY 100",
          "ok",
          "select VPD_IDC_EDIT_CHOICE_STAMP_TYPE " + name,
          "check VPD_IDC_EDIT_CHOICE_STAMP on"};
}

struct Kind {
  const char* name;  // the reviewed picture is preview_NAME.png
  std::vector<std::string> steps;
  // What the picture must plainly show, checked before the comparison.
  void (*check)(const test_support::Rgb& picture);
  // Where the picture lies in the snapshot: the document preview unless given.
  int left = kLeft, top = kTop, width = kWidth, height = kHeight;
};

// The page of a document preview, at least a few pixels wide.
Box PageOf(const test_support::Rgb& p) {
  const Box page = BoxOf(p, kPage);
  EXPECT_GT(page.w(), 10);
  return page;
}

class PreviewKinds : public PreviewSheet {};

TEST_F(PreviewKinds, EachKindOfPreviewMatchesItsReviewedPicture) {
  // The image stamp's browse button opens the bitmap file dialog.
  std::string model = test_support::ReadFile(VELM_REFERENCE_MODEL);
  auto after_line = [&](const std::string& starts, const std::string& text) {
    const size_t at = model.find(starts);
    ASSERT_NE(at, std::string::npos) << starts;
    model.insert(model.find('\n', at) + 1, text);
  };
  after_line("*Action 10=ScaleReset", "*Action 22=BrowseStampImage: { VPD_FILEREFER 0 }\r\n");
  after_line("*Transact 9=ScaleFollow", "*Transact 22=OpenStampImageFile: { NULL BrowseStampImage }\r\n");
  after_line("  VPD_RADIOLIST_7 NULL SortOff",
             "  VPD_IDC_STAMP_IMAGE_BUTTON_REFERENCE NULL NULL NULL NULL OpenStampImageFile NULL\r\n");
  // The printer's picture on the Basic page: the printer, the bank of
  // trays when it is installed, the tray in use lit.
  after_line("*Judge 18=NoBank", "*Judge 201=NotTray1: VPD_IDC_PRESET_CHOICE_SOURCETRAY != IDS_SOURCE_TRAY1\r\n");
  after_line("*Item 8=OrientationPicture",
             "*Item 30=PrinterLayers: { IDB_M_BASE_QLT3 NULL NULL IDB_M_BANK_QLT3 NoBank NULL "
             "IDB_M_IN_1_QLT3 NotTray1 NULL }\r\n");
  after_line("  VPD_RADIOLIST_7 NULL SortOff", "  VPD_IDC_BASIC_BMP_PRINTER NULL NULL PrinterLayers NULL NULL NULL\r\n");
  model.insert(model.find("*OpenUI *VPD_IDC_FINISH_CHOICE_SORT"),
               "*OpenUI *VPD_IDC_BASIC_BMP_PRINTER: PickMany\r\n"
               "*VPD_IDC_BASIC_BMP_PRINTER: IDList { IDB_M_BASE_QLT3 IDB_M_BANK_QLT3 IDB_M_IN_1_QLT3 }\r\n"
               "*CloseUI: *VPD_IDC_BASIC_BMP_PRINTER\r\n\r\n");
  // The finisher's staple and punch positions to choose from.
  model.insert(model.find("*OpenUI *VPD_IDC_FINISH_CHOICE_SORT"),
               "*OpenUI *VPD_IDC_FINISH_CHOICE_STAPLE_TYPE: PickOne\r\n"
               "*DefaultVPD_IDC_FINISH_CHOICE_STAPLE_TYPE: IDB_E_STP_1L_P\r\n"
               "*VPD_IDC_FINISH_CHOICE_STAPLE_TYPE IDB_E_STP_1L_P:\r\n"
               "*VPD_IDC_FINISH_CHOICE_STAPLE_TYPE IDB_E_STP_2L_P:\r\n"
               "*CloseUI: *VPD_IDC_FINISH_CHOICE_STAPLE_TYPE\r\n\r\n"
               "*OpenUI *VPD_IDC_FINISH_CHOICE_PUNCH_TYPE: PickOne\r\n"
               "*DefaultVPD_IDC_FINISH_CHOICE_PUNCH_TYPE: IDB_E_PUN_L_P\r\n"
               "*VPD_IDC_FINISH_CHOICE_PUNCH_TYPE IDB_E_PUN_L_P:\r\n"
               "*VPD_IDC_FINISH_CHOICE_PUNCH_TYPE IDB_E_PUN_T_P:\r\n"
               "*CloseUI: *VPD_IDC_FINISH_CHOICE_PUNCH_TYPE\r\n\r\n");
  model.insert(model.find("*OpenUI *VPD_IDC_FINISH_CHOICE_SORT"),
               "*OpenUI *VPD_IDC_STAMP_IMAGE_BUTTON_REFERENCE: Boolean\r\n"
               "*DefaultVPD_IDC_STAMP_IMAGE_BUTTON_REFERENCE: False\r\n"
               "*CloseUI: *VPD_IDC_STAMP_IMAGE_BUTTON_REFERENCE\r\n\r\n");
  std::ofstream(Path("pictures.mdf"), std::ios::binary) << model;
  // A machine of its own, whose driver is installed with this model (the
  // shared machine's driver has the reference model).
  machine_ = Path("pictures-machine");
  ASSERT_EQ(Run("machine init " + machine_).rc, 0);
  const Output add = Run("printer add Q --model " + Path("pictures.mdf"));
  ASSERT_EQ(add.rc, 0) << add.err;
  // A finisher that staples and punches, and the bank of trays.
  const Output finisher = Run("printer set Q vdmOutputOptionTypeFin3000=1 vdmSourceOptionTypeBank=1");
  ASSERT_EQ(finisher.rc, 0) << finisher.err;
  std::filesystem::create_directories(machine_ + "/c/Users/user/Documents");
  WriteStampBitmap(machine_ + "/c/Users/user/Documents/logo.bmp");

  const std::string a4 = "select VPD_IDC_PRESET_CHOICE_PRINTSIZE 2";  // a stamp needs a paper it can scale to
  std::vector<std::string> text0 = TextStamp("LEVEL", 0);
  text0.insert(text0.begin(), a4);
  const Kind kinds[] = {
      {"paper",
       {a4, "click 2027", "page VPD_IDD_BASIC"},  // landscape
       [](const test_support::Rgb& p) {
         const Box page = PageOf(p);
         EXPECT_GT(page.w(), page.h()) << "a lying page";
       }},
      {"text0", text0,
       [](const test_support::Rgb& p) {
         const Box page = PageOf(p);
         // The text runs level across the middle of the upright page.
         const Box ink = BoxOf(p, kInk);
         EXPECT_GT(page.h(), page.w());
         ASSERT_GT(ink.w(), 10);
         EXPECT_GT(ink.w(), 2 * ink.h());
         EXPECT_GE(ink.l, page.l);
         EXPECT_LE(ink.r, page.r);
         EXPECT_LE(std::abs((ink.t + ink.b) - (page.t + page.b)), 6) << "centred";
       }},
      {"tray",
       {"select VPD_IDC_PRESET_CHOICE_SOURCETRAY 1", "page VPD_IDD_BASIC"},  // tray 1
       [](const test_support::Rgb& p) {
         // The printer on its bank of trays, the tray in use lit: the lit
         // tray lies across the printer with more drawers under it.
         const Box lit = BoxOf(p, kTrayInUse);
         Box all;
         for (int y = 0; y < p.height; ++y)
           for (int x = 0; x < p.width; ++x)
             if (!Is(p, x, y, kFace)) {
               all.l = std::min(all.l, x), all.t = std::min(all.t, y);
               all.r = std::max(all.r, x), all.b = std::max(all.b, y);
             }
         ASSERT_GT(lit.w(), 10);
         EXPECT_GT(2 * lit.w(), all.w());
         EXPECT_GT(all.b - lit.b, 30) << "the bank's drawers";
         EXPECT_GT(lit.t - all.t, 20) << "the printer above the tray";
       },
       290, 170, 124, 128},
      {"finisher",
       {a4, "page VPD_IDD_FINISH", "check VPD_IDC_FINISH_CHOICE_STAPLE on",
        "select VPD_IDC_FINISH_CHOICE_STAPLE_TYPE 1",  // two staples on the left
        "check VPD_IDC_FINISH_CHOICE_PUNCH on", "select VPD_IDC_FINISH_CHOICE_PUNCH_TYPE 1",  // holes at the top
        "page VPD_IDD_BASIC"},
       [](const test_support::Rgb& p) {
         const Box page = PageOf(p);
         // Marks at the left edge of the upright page and at its top,
         // none in its middle.
         const int third_w = page.w() / 3, third_h = page.h() / 3;
         EXPECT_GT(page.h(), page.w());
         EXPECT_GT(Count(p, kInk, page.l - 2, page.t + third_h, page.l + 6, page.b - third_h + 1), 2) << "staples";
         EXPECT_GT(Count(p, kInk, page.l + third_w, page.t - 2, page.r - third_w + 1, page.t + 6), 2) << "holes";
         EXPECT_EQ(Count(p, kInk, page.l + 8, page.t + 8, page.r - 7, page.b - 7), 0);
       }},
      {"bitmap",
       {a4, "page VPD_IDD_EDIT", "click VPD_IDC_EDIT_BUTTON_IMAGESTAMP",
        "type VPD_IDC_STAMP_IMAGE_EDIT_NAME LOGO", "click VPD_IDC_STAMP_IMAGE_BUTTON_REFERENCE",
        "file C:\\Users\\user\\Documents\\logo.bmp", "type VPD_IDC_STAMP_IMAGE_EDIT_SIZE 200", "ok",
        "select VPD_IDC_EDIT_CHOICE_STAMP_TYPE LOGO", "check VPD_IDC_EDIT_CHOICE_STAMP on"},
       [](const test_support::Rgb& p) {
         const Box page = PageOf(p);
         // The picture's red band over its green band, on the page.
         const Box red = BoxWhere(p, 0), green = BoxWhere(p, 1);
         ASSERT_GT(red.w(), 10);
         ASSERT_GT(green.w(), 10);
         EXPECT_LT(red.t, green.t);
         EXPECT_LE(std::abs(red.l - green.l), 1);
         EXPECT_LE(std::abs(red.r - green.r), 1);
         EXPECT_GE(red.l, page.l);
         EXPECT_LE(green.b, page.b);
       }},
  };
  for (const Kind& kind : kinds) {
    SCOPED_TRACE(kind.name);
    std::ofstream steps(Path(std::string(kind.name) + ".txt"));
    for (const std::string& step : kind.steps) steps << step << "\n";
    steps << "cancel\n";
    steps.close();
    const std::string shots = Path(std::string("shots-") + kind.name);
    const Output run =
        Run(std::string("sheet Q --document --script ") + Path(std::string(kind.name) + ".txt") + " --snapshot " + shots);
    ASSERT_EQ(run.rc, 0) << run.out << run.err;
    const test_support::Rgb preview =
        Cut(test_support::ReadPng(shots + "/step-" + std::to_string(kind.steps.size()) + ".png"), kind.left, kind.top,
            kind.width, kind.height);
    ASSERT_EQ(preview.width, kind.width);
    const std::string golden = std::string(VELM_GOLDEN_DIR) + "/preview_" + kind.name + ".png";
    if (std::getenv("VELM_UPDATE_GOLDEN")) {
      ASSERT_TRUE(test_support::WritePng(preview, golden));
    }
    kind.check(preview);
    EXPECT_EQ(test_support::DifferingBlocks(preview, test_support::ReadPng(golden), 8, 24), std::vector<std::string>{});
  }
}

}  // namespace
