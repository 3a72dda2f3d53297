// The preview of the document sheet as a person sees it: on the Layout page
// the person makes a text watermark at 45 degrees and switches it on, turns
// the paper to landscape (print size A4), switches 2-up and duplex on. The
// snapshot's preview then shows the two lying pages one over the other on
// an upright sheet, the order arrow, the binding edge and the watermark
// drawn across the sheet; it is compared with a reviewed golden picture by
// blocks (VELM_UPDATE_GOLDEN=1 writes it anew after a change that was
// looked at). One preview of each other kind (a lying paper, the printer
// with its trays, the finisher's staples and holes, a level text stamp, a
// bitmap stamp chosen through the file dialog, the colour sample of a user
// quality made brighter) is compared with its own reviewed picture the same
// way, all on the reference model as it is.
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
#include "velm_run.h"

namespace {

using Output = test_support::VelmOutput;

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
  Output Run(const std::string& args) const { return test_support::RunVelm(VELM_TOOL, machine_, args, folder_.path()); }

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
  // The step whose snapshot is the picture (the last step unless given),
  // and a step that shows the same place before the change, compared with
  // it by the second check.
  int shot = 0, before = 0;
  void (*compare)(const test_support::Rgb& before, const test_support::Rgb& after) = nullptr;
};

// The mean of the red, green and blue of the pixels that are not the face
// of the dialog in the first picture, read in the second.
double MeanOffFace(const test_support::Rgb& where, const test_support::Rgb& p) {
  double sum = 0;
  int n = 0;
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x)
      if (!Is(where, x, y, kFace)) {
        const uint8_t* q = p.At(x, y);
        sum += q[0] + q[1] + q[2];
        n += 3;
      }
  return n ? sum / n : 0;
}

// The page of a document preview, at least a few pixels wide.
Box PageOf(const test_support::Rgb& p) {
  const Box page = BoxOf(p, kPage);
  EXPECT_GT(page.w(), 10);
  return page;
}

class PreviewKinds : public PreviewSheet {
 protected:
  // A user quality set in the print-quality page's list, as the printer's
  // set-up leaves one: its settings file and its entry in the driver ini.
  void AddUserQuality() {
    const Output saved = Run("qst save P C:\\_velm\\quality0.qst --flags 16");
    ASSERT_EQ(saved.rc, 0) << saved.err;
    const std::string ini_path = machine_ + "/c/_velm/velmlist.ini";
    std::string ini = test_support::ReadFile(ini_path);
    const std::string entry = "QualityCount=1\r\nQualityList0=C:\\_velm\\quality0.qst\r\nQualityList0Name=Mine\r\n";
    const size_t section = ini.find("[P]\r\n");
    if (section == std::string::npos) ini += "[P]\r\n" + entry;
    else ini.insert(section + 5, entry);
    std::ofstream(ini_path, std::ios::binary) << ini;
  }
};

TEST_F(PreviewKinds, EachKindOfPreviewMatchesItsReviewedPicture) {
  // A finisher that staples and punches, and the bank of trays.
  const Output finisher = Run("printer set P vdmOutputOptionTypeFin3000=1 vdmSourceOptionTypeBank=1");
  ASSERT_EQ(finisher.rc, 0) << finisher.err;
  std::filesystem::create_directories(machine_ + "/c/Users/user/Documents");
  WriteStampBitmap(machine_ + "/c/Users/user/Documents/logo.bmp");
  AddUserQuality();

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
       290, 170, 136, 128},
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
      {"colour",
       {"page VPD_IDD_PRINTQUALITY", "select VPD_IDC_PRINTQUALITY_CHOICE_USER_TYPE 0",
        "click VPD_IDC_PRINTQUALITY_BUTTON_USER",           // the user settings sheet of that quality
        "type VPD_IDC_USER_QUALITY_EDIT_BRIGHTNESS 0",      // neutral
        "type VPD_IDC_USER_QUALITY_EDIT_BRIGHTNESS 40", "cancel"},
       [](const test_support::Rgb& p) {
         // The colour sample, 48 x 35: mostly coloured pixels.
         int coloured = 0;
         for (int y = 0; y < p.height; ++y)
           for (int x = 0; x < p.width; ++x) {
             const uint8_t* q = p.At(x, y);
             coloured += q[0] != q[1] || q[1] != q[2];
           }
         EXPECT_GT(coloured, 48 * 35 / 2);
       },
       12, 95, 54, 41, 5, 4,
       [](const test_support::Rgb& before, const test_support::Rgb& after) {
         // The same sample, brighter.
         const double neutral = MeanOffFace(before, before), bright = MeanOffFace(before, after);
         EXPECT_GT(neutral, 80);
         EXPECT_GT(bright, neutral + 20) << neutral;
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
        Run(std::string("sheet P --document --script ") + Path(std::string(kind.name) + ".txt") + " --snapshot " + shots);
    ASSERT_EQ(run.rc, 0) << run.out << run.err;
    auto shot = [&](size_t step) {
      return Cut(test_support::ReadPng(shots + "/step-" + std::to_string(step) + ".png"), kind.left, kind.top,
                 kind.width, kind.height);
    };
    const test_support::Rgb preview = shot(kind.shot ? size_t(kind.shot) : kind.steps.size());
    ASSERT_EQ(preview.width, kind.width);
    if (kind.compare) {
      const test_support::Rgb before = shot(size_t(kind.before));
      ASSERT_EQ(before.width, kind.width);
      kind.compare(before, preview);
    }
    const std::string golden = std::string(VELM_GOLDEN_DIR) + "/preview_" + kind.name + ".png";
    if (std::getenv("VELM_UPDATE_GOLDEN")) {
      ASSERT_TRUE(test_support::WritePng(preview, golden));
    }
    kind.check(preview);
    EXPECT_EQ(test_support::DifferingBlocks(preview, test_support::ReadPng(golden), 8, 24), std::vector<std::string>{});
  }
}

}  // namespace
