// The keyword dispatch, and the whole-file entries over the machine folder.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "mdf_test_util.h"
#include "plat/machine.h"
#include "plat/winspool.h"
#include "plat/wstr.h"
#include "test_support.h"
#include "velm/mdf_records.h"
#include "velm/settings.h"

namespace {

using mdf_test::Parse;
using mdf_test::Parsed;

TEST(MdfKeywordTable, RowsInOrder) {
  const char* want[] = {"FileVersion", "OpenUI",        "CloseUI",       "NumericValue", "StringValue",
                        "PageValue",   "PageMMValue",   "SlotPaper",     "OptionCommand", "CommandGroup",
                        "DeviceFonts", "FontCartridge", "TTFS",          "CommandString", "Judge",
                        "Item",        "Action",        "Transact",      "AlertAction",  "Alert",
                        "Exclusive",   "UIResDLLName",  "ExcDepDLLName"};
  static_assert(sizeof(want) / sizeof(want[0]) == kMdfKeywordCount);
  const MdfKeywordRow* table = MdfGetKeywordTable();
  for (int i = 0; i < kMdfKeywordCount; ++i) EXPECT_STREQ(table[i].keyword, want[i]) << i;
}

// Reads every record of text and dispatches it into ctx; with forget set the
// last-match cursor is cleared before each record. Returns the handlers'
// answers.
std::vector<int32_t> DispatchAll(ModelParseContext* ctx, const std::string& text, bool forget) {
  std::vector<int32_t> answers;
  MdfRecord* record = MdfCreateRecord();
  MdfSource source{reinterpret_cast<const uint8_t*>(text.data()), reinterpret_cast<const uint8_t*>(text.data()),
                   static_cast<uint32_t>(text.size())};
  int32_t code;
  while ((code = MdfReadRecord(record, &source)) == kMdfRecordRead || code == kMdfBadRecord) {
    if (code != kMdfRecordRead) continue;
    if (forget) ctx->keywordCursor = 0;
    answers.push_back(MdfDispatchRecord(ctx, record));
  }
  MdfFreeRecord(record);
  return answers;
}

// What a context holds, in short.
std::string Summary(ModelParseContext* ctx) {
  std::string s = plat::ToUtf8(ctx->header->fileVersion) + ";";
  for (FeatureNode* f = ctx->header->features; f; f = f->next) {
    s += std::to_string(f->key) + "/" + std::to_string(f->subId) + "/" + std::to_string(f->type) + "/" +
         std::to_string(f->defaultValue) + ":";
    for (uint16_t id : mdf_test::OptionIds(f)) s += std::to_string(id) + ",";
    if (NumericValue* n = MdfFeatureNumeric(f)) s += "n" + std::to_string(n->maximum);
    s += ";";
  }
  for (CommandStringNode* c = ctx->commandStrings; c; c = c->next) s += "s" + std::to_string(c->id);
  s += ";f" + std::to_string(ctx->header->deviceFontCount);
  return s;
}

TEST(MdfDispatchRecord, LastMatchCacheGivesTheSameResult) {
  std::string text = mdf_test::ReadFile(mdf_test::DataPath("data/models/small.mdf"));
  // Alternating keywords as well as runs of like records.
  text +=
      "*CommandString 7: \"a\"\n*FileVersion: 9.9\n*CommandString 8: \"b\"\n*CommandString 9: \"c\"\n"
      "*DeviceFonts: IDList { {\"X\" 1} }\n*FileVersion: 9.8\n";
  Parsed cached(MdfCreateParseContext());
  Parsed fresh(MdfCreateParseContext());
  std::vector<int32_t> a = DispatchAll(cached.get(), text, false);
  std::vector<int32_t> b = DispatchAll(fresh.get(), text, true);
  EXPECT_EQ(a, b);
  EXPECT_EQ(Summary(cached.get()), Summary(fresh.get()));
  EXPECT_NE(Summary(cached.get()).find("s1s2s7s8s9"), std::string::npos);
  Parsed whole = Parse(text);
  EXPECT_EQ(Summary(whole.get()), Summary(cached.get()));
}

TEST(MdfDispatchRecord, CursorAndAnswers) {
  Parsed ctx(MdfCreateParseContext());
  struct Step {
    const char* record;
    int32_t answer;
    uint32_t cursor;
  } steps[] = {
      {"*FileVersion: 1\n", 1, 1},
      {"*NoSuchKeyword: x\n", 0, 0},
      {"*Judge 1: a == 1\n", 0, 15},  // recognised; read by the rule reader
      {"*OpenUI *VPD_NO_SUCH: PickOne\n", 0, 2},
      {"*OpenUI *VPD_IDC_PRESET_CHOICE_COLOR: PickOne\n", 1, 2},
      {"*VPD_IDC_PRESET_CHOICE_COLOR IDS_COLOR: \"C\"\n", 1, 2},  // an option line leaves the cursor
      {"*DefaultVPD_IDC_PRESET_CHOICE_COLOR: IDS_COLOR\n", 1, 2},
      {"*CloseUI: *VPD_IDC_PRESET_CHOICE_COLOR\n", 1, 0},
      {"*VPD_IDC_PRESET_CHOICE_COLOR IDS_MONO: \"M\"\n", 0, 0},  // not open any more
      {"*UIResDLLName: \"UI\"\n", 1, 22},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.record);
    std::vector<int32_t> answers = DispatchAll(ctx.get(), s.record, false);
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0], s.answer);
    EXPECT_EQ(ctx->keywordCursor, s.cursor);
  }
  EXPECT_EQ(mdf_test::OptionIds(mdf_test::Feature(ctx.get(), "VPD_IDC_PRESET_CHOICE_COLOR")),
            mdf_test::Ids({"IDS_COLOR"}));
}

TEST(MdfParseBuffer, EmptyInputIsNoModel) {
  EXPECT_EQ(MdfParseBuffer(reinterpret_cast<const uint8_t*>(""), 0), nullptr);
  EXPECT_EQ(MdfParseBuffer(nullptr, 10), nullptr);
  Parsed only_comments = Parse("*% nothing here\n");
  ASSERT_NE(only_comments, nullptr);
  EXPECT_EQ(only_comments->header->features, nullptr);
}

class MdfFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* env = std::getenv("VELM_MACHINE")) saved_env_ = env;
    saved_root_ = plat::MachineRoot();
    unsetenv("VELM_MACHINE");
    plat::SetMachineRoot(root_);
    ASSERT_TRUE(plat::EnsureWindowsDir(u"C:\\Drivers"));
  }
  void TearDown() override {
    plat::SetMachineRoot(saved_root_);
    if (!saved_env_.empty()) setenv("VELM_MACHINE", saved_env_.c_str(), 1);
  }
  void Write(const char16_t* path, const std::string& content) {
    std::ofstream out(plat::MapPath(path), std::ios::binary);
    out << content;
  }
  test_support::TempFolder folder_{"velm-mdf"};
  std::string root_ = folder_.path();
  std::string saved_root_, saved_env_;
};

TEST_F(MdfFiles, ParseFileReadsTheMappedFile) {
  Write(u"C:\\Drivers\\MODEL.MDF", mdf_test::ReadFile(mdf_test::DataPath("data/models/small.mdf")));
  Parsed ctx(MdfParseFile(u"c:\\drivers\\model.mdf"));  // names compare ignoring case
  ASSERT_NE(ctx, nullptr);
  EXPECT_EQ(std::u16string(ctx->header->fileVersion), u"1.05");
  EXPECT_EQ(mdf_test::CountFeatures(ctx.get()), 11);
}

TEST_F(MdfFiles, MissingOrEmptyFilesGiveNoModel) {
  Write(u"C:\\Drivers\\empty.mdf", "");
  EXPECT_EQ(MdfParseFile(u"C:\\Drivers\\missing.mdf"), nullptr);
  EXPECT_EQ(MdfParseFile(u"C:\\Drivers\\empty.mdf"), nullptr);
  EXPECT_EQ(MdfParseFile(u"C:\\Drivers"), nullptr);  // a directory
  EXPECT_EQ(MdfParseFile(u"relative.mdf"), nullptr);
  EXPECT_EQ(MdfParseFile(nullptr), nullptr);
}

TEST_F(MdfFiles, ProbeTakesTheFirstFileVersion) {
  struct Case {
    const char* name;
    std::string content;
    std::u16string expected;  // "untouched" when the buffer keeps its fill
  } cases[] = {
      {"first of two", "*% c\n*Bad record here: x y: z\n*FileVersion: 3.62\n*FileVersion: 9.99\n", u"3.62"},
      {"raw value with quotes", "*FileVersion: \"1.00\"\n", u"\"1.00\""},
      {"cut after fourteen characters", "*FileVersion: " + std::string(5000, '7') + "\n", std::u16string(14, u'7')},
      {"last record without a line break", "*OpenUI *X: PickOne\n*FileVersion: 2.5", u"2.5"},
      {"no such record", "*OpenUI *X: PickOne\n", u"untouched"},
      {"empty file", "", u"untouched"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Write(u"C:\\Drivers\\probe.mdf", c.content);
    char16_t buffer[15];
    std::u16string fill = u"untouched";
    std::copy(fill.begin(), fill.end(), buffer);
    buffer[fill.size()] = 0;
    EXPECT_EQ(MdfProbeFileVersion(u"C:\\Drivers\\probe.mdf", buffer), 1);
    EXPECT_EQ(std::u16string(buffer), c.expected);
  }
  char16_t buffer[15] = u"untouched";
  EXPECT_EQ(MdfProbeFileVersion(u"C:\\Drivers\\missing.mdf", buffer), 1);
  EXPECT_EQ(std::u16string(buffer), u"untouched");
}

TEST_F(MdfFiles, LongValuesSurviveTheWholeParse) {
  std::string text = "*CommandString 1: \"" + std::string(5000, 'q') + "\"\n";
  Write(u"C:\\Drivers\\long.mdf", text);
  Parsed ctx(MdfParseFile(u"C:\\Drivers\\long.mdf"));
  ASSERT_NE(ctx, nullptr);
  ASSERT_NE(ctx->commandStrings, nullptr);
  EXPECT_EQ(ctx->commandStrings->length, 5001u);
}

TEST_F(MdfFiles, DataFileOfThePrinterDriver) {
  plat::SpoolDriver driver;
  driver.name = u"VELM C3500";
  driver.driverPath = u"C:\\Drivers\\VELMPD0.DLL";
  driver.dataFile = u"C:\\Drivers\\C3500.MDF";
  driver.configFile = u"C:\\Drivers\\VELMPD3.DLL";
  ASSERT_TRUE(plat::SpoolAddDriver(driver));
  plat::SpoolPrinter printer;
  printer.name = u"Office";
  printer.driverName = driver.name;
  printer.portName = u"LPT1:";
  std::string why;
  ASSERT_TRUE(plat::SpoolAddPrinter(printer, &why)) << why;
  char16_t name[] = u"Office";
  HANDLE handle = nullptr;
  ASSERT_TRUE(OpenPrinterW(name, &handle, nullptr));

  char16_t* path = MdfGetDataFilePath(handle);
  ASSERT_NE(path, nullptr);
  EXPECT_EQ(std::u16string(path), u"C:\\Drivers\\C3500.MDF");
  // The road of a model: the driver's data file is the file the reader parses.
  Write(path, mdf_test::ReadFile(mdf_test::DataPath("data/models/small.mdf")));
  Parsed ctx(MdfParseFile(path));
  EXPECT_NE(ctx, nullptr);
  MemFree(path);

  for (int nth : {1, 2}) {  // the size call, then the data call fails
    plat::FailNth("GetPrinterDriverW", nth);
    EXPECT_EQ(MdfGetDataFilePath(handle), nullptr) << nth;
    plat::ClearFaults();
  }
  plat::FailNth("GlobalAlloc", 1);
  EXPECT_EQ(MdfGetDataFilePath(handle), nullptr);
  plat::ClearFaults();
  ClosePrinter(handle);
  EXPECT_EQ(MdfGetDataFilePath(nullptr), nullptr);
}

}  // namespace
