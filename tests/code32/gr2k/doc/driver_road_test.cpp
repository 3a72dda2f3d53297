// The whole road through the built VELMPD0: the engine of this machine loads
// the driver from the printer's driver directory and prints a document; the
// driver loads the spool-side module from the same directory and hands it
// the job stream.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "doc_test_machine.h"
#include "eng/dc.h"

namespace {

using doc_test::Block;
using doc_test::DocMachine;

constexpr uint32_t kItemImagePrint = 183;

class DriverRoad : public DocMachine {
 protected:
  void SetUp() override {
    DocMachine::SetUp();
    std::string why;
    ASSERT_TRUE(test_support::CopyFile(VELMPD0_FILE,
                                       plat::MapPath(std::u16string(env_test::kDriverDir) + u"VELMPD0.DLL"), &why))
        << why;
  }
};

TEST_F(DriverRoad, ATwoPageDocumentInEachMode) {
  struct Case {
    const char* mode;
    int32_t imagePrint;
  } cases[] = {{"vector", 0}, {"raster", 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    ClearSpoolLog();
    // A small page keeps the bands few.
    std::vector<uint8_t> dm =
        Devmode({{kItemImagePrint, c.imagePrint}, {44, 1700}, {45, 1200}, {46, 1600}, {47, 1100}});
    eng::DcOpenParams params;
    const std::u16string driver = std::u16string(env_test::kDriverDir) + u"VELMPD0.DLL";
    params.driver_path = driver.c_str();
    params.device_name = u"Office";
    params.printer = printer_;
    params.devmode = reinterpret_cast<const DEVMODEW*>(dm.data());
    std::unique_ptr<eng::PrinterDc> dc = eng::DcOpen(params);
    ASSERT_NE(dc, nullptr) << GetLastError();
    EXPECT_EQ(dc->banding(), c.imagePrint != 0);

    char tech[5] = {};
    EXPECT_EQ(dc->Escape(kEscGetTechnology, 0, nullptr, sizeof tech, tech), 1u);
    EXPECT_STREQ(tech, "VELM");

    const DWORD job = AddJob(u"");
    ASSERT_TRUE(dc->StartDoc(u"Road test", job));
    for (int page = 0; page < 2; ++page) {
      ASSERT_TRUE(dc->StartPage());
      // (Vector drawing is not the driver's yet; the raster page gets a fill.)
      if (c.imagePrint) {
        EXPECT_TRUE(dc->FillRect(RECTL{100, 100, 400, 300}, 0x000000));
      }
      ASSERT_TRUE(dc->EndPage());
    }
    ASSERT_TRUE(dc->EndDoc());
    dc.reset();

    std::vector<std::string> frame;
    for (const std::string& e : Events())
      if (e.rfind("F5", 0) != 0) frame.push_back(e);
    const std::vector<std::string> expected = {
        "StartDocEx job=" + std::to_string(job),
        "StartPage", "F3", "F3", "F4", "F0", "EndPage", "F1",
        "StartPage", "F4", "F0", "EndPage", "F1",
        "EndDoc", "Close", "Unload",
    };
    EXPECT_EQ(frame, expected);
    std::vector<Block> blocks = Blocks(Output());
    ASSERT_GE(blocks.size(), 2u);
    EXPECT_EQ(blocks[1].data, "@PJL SET JOBNAME = \"Road test\"\r\n");
    // Each page's records begin with the begin-page record and end with the
    // end-page record.
    std::string records;
    for (const Block& b : blocks) {
      if (b.kind == kBlockData) records += b.data;
      if (b.kind == kBlockPageEnd) {
        ASSERT_GE(records.size(), 20u);
        EXPECT_EQ(uint8_t(records[0]), 0x60);
        EXPECT_EQ(uint8_t(records[records.size() - 4]), 0x61);
        records.clear();
      }
    }
  }
}

}  // namespace
