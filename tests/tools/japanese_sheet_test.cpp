// The printing preferences of a printer whose display language is Japanese
// (the installation's hand-over chose language id 0): "velm sheet" opens
// them from the Japanese UI module, and the snapshot shows the Japanese
// captions drawn, where a printer in English shows its own.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "png_picture.h"
#include "test_support.h"
#include "velm_run.h"

namespace {

using Output = test_support::VelmOutput;

class JapaneseSheet : public ::testing::Test {
 protected:
  void SetUp() override {
    machine_ = folder_.path() + "/machine";
    ASSERT_EQ(Run("machine init " + machine_).rc, 0);
    for (const char* printer : {"J", "E"}) {
      Output add = Run(std::string("printer add ") + printer + " --model " VELM_REFERENCE_MODEL);
      ASSERT_EQ(add.rc, 0) << add.err;
    }
    // What the installation hands over: J shows Japanese, E English.
    std::ofstream ini(machine_ + "/c/_velm/velmcfg.ini", std::ios::binary | std::ios::trunc);
    ini << "[J]\r\nDispLang=0\r\nDefPaper=9\r\nDefUnit=0\r\nVelmInstDone=1\r\n"
        << "[E]\r\nDispLang=1\r\nDefPaper=9\r\nDefUnit=0\r\nVelmInstDone=1\r\n";
    ASSERT_TRUE(ini.good());
  }
  std::string Path(const std::string& name) const { return folder_.path() + "/" + name; }
  Output Run(const std::string& args) const { return test_support::RunVelm(VELM_TOOL, machine_, args, folder_.path()); }
  // The sheet of the printer as it opens, cancelled; its picture in DIR.
  Output Snapshot(const std::string& printer, const std::string& dir) const {
    std::ofstream(Path("cancel.txt")) << "cancel\n";
    return Run("sheet " + printer + " --document --script " + Path("cancel.txt") + " --snapshot " + dir);
  }

  test_support::TempFolder folder_{"velm-jp-sheet"};
  std::string machine_;
};

// Dark pixels (text) in a box of a picture.
int Ink(const test_support::Rgb& p, int l, int t, int r, int b) {
  int n = 0;
  for (int y = t; y < b && y < p.height; ++y)
    for (int x = l; x < r && x < p.width; ++x) {
      const uint8_t* c = p.At(x, y);
      n += c[0] < 96 && c[1] < 96 && c[2] < 96;
    }
  return n;
}

TEST_F(JapaneseSheet, TheSnapshotShowsJapaneseCaptions) {
  const Output jp = Snapshot("J", Path("jp"));
  ASSERT_EQ(jp.rc, 0) << jp.err;
  // The window texts: the tabs, a label, an option and a button.
  EXPECT_NE(jp.out.find("[お気に入り|基本|レイアウト|仕上げ|その他|印刷品質|初期設定]"), std::string::npos) << jp.out;
  EXPECT_NE(jp.out.find("STATIC #2016 \"用紙サイズ:\""), std::string::npos);
  EXPECT_NE(jp.out.find("BUTTON #2027 \"横\""), std::string::npos);
  EXPECT_NE(jp.out.find("BUTTON #2003 \"変更\""), std::string::npos);
  const Output en = Snapshot("E", Path("en"));
  ASSERT_EQ(en.rc, 0) << en.err;
  EXPECT_NE(en.out.find("[Presets|Basic|Layout|"), std::string::npos) << en.out;

  // The picture: each of the first tabs carries drawn glyphs, and they are
  // not the English ones. The tabs are as wide as their text (two cells of
  // 6 pixels a full-width character, 12 pixels of padding).
  const test_support::Rgb j = test_support::ReadPng(Path("jp/step-0.png"));
  const test_support::Rgb e = test_support::ReadPng(Path("en/step-0.png"));
  ASSERT_GT(j.width, 400);
  ASSERT_EQ(j.width, e.width);
  const struct {
    const char* caption;
    int cells;
  } kTabs[] = {{"お気に入り", 10}, {"基本", 4}, {"レイアウト", 10}, {"仕上げ", 6}};
  int x = 2;
  for (const auto& tab : kTabs) {
    const int right = x + tab.cells * 6 + 12;
    EXPECT_GT(Ink(j, x + 3, 4, right - 3, 18), 20) << tab.caption;
    x = right;
  }
  int differing = 0;
  for (int y = 2; y < 20; ++y)
    for (int px = 2; px < x; ++px) differing += std::memcmp(j.At(px, y), e.At(px, y), 3) != 0;
  EXPECT_GT(differing, 100) << "the Japanese tabs are drawn, not the English ones";
}

}  // namespace
