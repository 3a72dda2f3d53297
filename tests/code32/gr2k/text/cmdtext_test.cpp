// The command text of the job-start, page-start and page-end blocks, built
// from small model texts against contexts whose settings the cases set.
#include "gr2k/cmdtext.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ctx_test_model.h"
#include "env_test_machine.h"
#include "eng/control.h"
#include "gr2k/pool.h"
#include "plat/wstr.h"
#include "velm/context.h"
#include "velm/model_query.h"
#include "velm/paths.h"
#include "velm/settings.h"

namespace {

using ctx_test::ModelContext;

const char kHeader[] = "*FileVersion: 1.0\n";

// The setting row of a feature in the context's own table.
SettingRecord* RowOf(DriverContext* ctx, const char* feature) {
  return OptFindSettingByKey(ctx, mdf_test::Key(feature));
}

// Both passes of one tree: the text filled, with the measured length and
// both results checked against each other.
struct Built {
  int32_t measureResult;
  int32_t fillResult;
  std::string text;
};
Built Build(DriverContext* ctx, int32_t tree) {
  Built b{};
  uint32_t measured = 0xDEAD;
  b.measureResult = JobBuildCommandText(ctx, tree, nullptr, &measured);
  std::vector<char> buffer(size_t(measured) + 1, '\x7f');
  uint32_t filled = uint32_t(buffer.size());
  b.fillResult = JobBuildCommandText(ctx, tree, buffer.data(), &filled);
  if (b.fillResult >= 0) {
    EXPECT_EQ(filled, measured) << "measured and filled lengths differ";
    EXPECT_EQ(buffer[filled], '\0');
    b.text.assign(buffer.data(), filled);
  }
  return b;
}

// A model with one feature definition and a JobStart tree that names the
// feature, then a marker string (so a walk that goes on is seen).
std::string OneFeatureModel(const std::string& feature_text, const std::string& node) {
  return std::string(kHeader) + feature_text + "*CommandString 9: \"~END\"\n" + "*CommandGroup: JobStart {\n  Type: " +
         node + "\n  Type: StringType 9\n}\n";
}

class FixedClock {
 public:
  FixedClock() {
    ENG_TIME_FIELDS t{};
    t.usYear = 2026;
    t.usMonth = 3;
    t.usDay = 4;
    t.usHour = 5;
    t.usMinute = 6;
    t.usSecond = 7;
    eng::SetClock(t);
  }
  ~FixedClock() { eng::ReleaseClock(); }
};

// ---- walk -------------------------------------------------------------------------------------

TEST(JobCommandText, StringNodesOnly) {
  ModelContext m(std::string(kHeader) +
                 "*CommandString 1: \"@PJL<0D0A>\"\n*CommandString 2: \"A<00>B\"\n*CommandString 3: \"X\"\n"
                 "*CommandGroup: JobStart {\n Type: StringType 1\n Type: StringType 2\n Type: StringType 7\n"
                 " Type: StringType 3\n}\n");
  Built b = Build(m.ctx, kJobTreeJobStart);
  EXPECT_EQ(b.measureResult, 1) << "a walk result of 0 with text is answered as 1 when measuring";
  EXPECT_EQ(b.fillResult, 0);
  // The embedded zero byte is part of the command string; a string id
  // without a CommandString adds nothing.
  EXPECT_EQ(b.text, std::string("@PJL\r\nA\0BX", 10));

  // A model without the tree: no text, result 0.
  Built none = Build(m.ctx, kJobTreePageEnd);
  EXPECT_EQ(none.measureResult, 0);
  EXPECT_EQ(none.text, "");
  uint32_t length = 0;
  EXPECT_LT(JobBuildCommandText(m.ctx, 7, nullptr, &length), 0);
}

TEST(JobCommandText, ConditionsChooseTheirList) {
  const std::string model = std::string(kHeader) +
                            "*OpenUI *VPD_IDC_EDIT_CHOICE_DUPLEX: Boolean\n*CloseUI: *VPD_IDC_EDIT_CHOICE_DUPLEX\n"
                            "*CommandString 1: \"T\"\n*CommandString 2: \"F\"\n*CommandString 3: \"U\"\n"
                            "*CommandGroup: PageStart {\n"
                            " Command: Judge1 { Type: StringType 1 } Else { Type: StringType 2 }\n"
                            " Command: { Type: StringType 3 }\n"
                            " Command: Judge1 { Type: StringType 1 }\n"
                            "}\n"
                            "*Judge 1=DuplexOn: VPD_IDC_EDIT_CHOICE_DUPLEX == 1\n";
  struct Case {
    int32_t duplex;
    const char* text;
  } cases[] = {{1, "TUT"}, {0, "FU"}};
  for (const Case& c : cases) {
    ModelContext m(model);
    OptSetValue(m.ctx, RowOf(m.ctx, "VPD_IDC_EDIT_CHOICE_DUPLEX"), c.duplex);
    Built b = Build(m.ctx, kJobTreePageStart);
    EXPECT_EQ(b.fillResult, 0);
    EXPECT_EQ(b.text, c.text) << "duplex " << c.duplex;
  }
}

// Every model under tests/ and the reference model, every tree, with the
// settings as a zeroed DEVMODE and as the model's fonts loaded: the filled
// text has exactly the measured length.
TEST(JobCommandText, MeasuredLengthEqualsFilledLength) {
  FixedClock clock;
  const char* files[] = {"data/models/small.mdf", "data/models/merge.mdf", "../models/reference.mdf"};
  for (const char* file : files) {
    std::string text = mdf_test::ReadFile(mdf_test::DataPath(file));
    ASSERT_FALSE(text.empty()) << file;
    ModelContext m(text);
    uint32_t count = 0;
    if (DeviceFontEntry* fonts = MdfGetDeviceFontList(m.ctx, &count)) {
      OptSetValueById(m.ctx, 10007, int32_t(CtxBlobAdd(m.ctx, fonts)));
      OptSetValueById(m.ctx, 10006, int32_t(count));
    }
    count = 0;
    if (FontSubstEntry* table = MdfGetFontTable(m.ctx, &count)) {
      OptSetValueById(m.ctx, 10005, int32_t(CtxBlobAdd(m.ctx, table)));
      OptSetValueById(m.ctx, 10004, int32_t(count));
    }
    for (int32_t tree = kJobTreeJobStart; tree <= kJobTreePageEnd; ++tree) {
      Built b = Build(m.ctx, tree);
      EXPECT_GE(b.measureResult, 0) << file << " tree " << tree;
    }
  }
}

// ---- handlers by feature type --------------------------------------------------------------

const char kColor[] =
    "*OpenUI *VPD_IDC_PRESET_CHOICE_COLOR: PickOne\n*OptionCommand: {\"@PJL SET RENDERMODE = \" \"<0D0A>\"}\n"
    "*VPD_IDC_PRESET_CHOICE_COLOR IDS_COLOR: \"COLOR\"\n*VPD_IDC_PRESET_CHOICE_COLOR IDS_MONO:\n"
    "*CloseUI: *VPD_IDC_PRESET_CHOICE_COLOR\n";
const char kDuplex[] =
    "*OpenUI *VPD_IDC_EDIT_CHOICE_DUPLEX: Boolean\n*OptionCommand: {\"[\" \"]\"}\n"
    "*VPD_IDC_EDIT_CHOICE_DUPLEX True: \"ON\"\n*VPD_IDC_EDIT_CHOICE_DUPLEX False: \"OFF\"\n"
    "*CloseUI: *VPD_IDC_EDIT_CHOICE_DUPLEX\n";
const char kCopiesScaled[] =
    "*OpenUI *VPD_IDC_PRESET_EDIT_COPIES: Numeric\n*OptionCommand: {\"QTY=\" \";\"}\n"
    "*NumericValue: \"3 1 1 999 1 0 1200 254\"\n*CloseUI: *VPD_IDC_PRESET_EDIT_COPIES\n";
const std::string kCopiesVariant = std::string(kCopiesScaled) +
                                   "*OpenUI *VPD_IDC_PRESET_EDIT_COPIES 1: Numeric\n*OptionCommand: {\"V=\" \";\"}\n"
                                   "*CloseUI: *VPD_IDC_PRESET_EDIT_COPIES\n";
const char kCopiesShort[] =
    "*OpenUI *VPD_IDC_PRESET_EDIT_COPIES: Numeric\n*OptionCommand: {\"QTY=\" \";\"}\n"
    "*NumericValue: \"3 1 1 999 1\"\n*CloseUI: *VPD_IDC_PRESET_EDIT_COPIES\n";
const char kDocument[] =
    "*OpenUI *VPD_IDC_PRINTTYPE_EDIT_DOCUMENT: String\n*OptionCommand: {\"DOC=%\"\" \"%\"\"}\n"
    "*StringValue: 16 MultiByte\n*CloseUI: *VPD_IDC_PRINTTYPE_EDIT_DOCUMENT\n";
const char kDocumentUnknown[] =
    "*OpenUI *VPD_IDC_PRINTTYPE_EDIT_DOCUMENT: String|TypeUnknown\n*OptionCommand: {\"DOC=\" \";\"}\n"
    "*StringValue: 16 MultiByte\n*CloseUI: *VPD_IDC_PRINTTYPE_EDIT_DOCUMENT\n";

// Makes the row a string setting of `type` and `size` bytes at a free place
// of the work-items block and stores text in it as that type keeps it.
void PutString(DriverContext* ctx, SettingRecord* row, uint32_t type, const std::u16string& text,
               uint32_t size = 128) {
  row->descriptor = MakeDescriptor(kRegionWork, type, size);
  row->offset = 1900;
  std::vector<uint8_t> bytes(DescSize(row->descriptor), 0);
  if (IsWideType(type) || type == 13) {
    std::memcpy(bytes.data(), text.data(), std::min(bytes.size() - 2, text.size() * 2));
  } else {
    StrWideToAnsi(reinterpret_cast<char*>(bytes.data()), text.c_str(), int32_t(bytes.size()));
  }
  OptSetBytes(ctx, row, bytes.data());
}

TEST(JobCommandText, HandlersByFeatureType) {
  struct Case {
    const char* name;
    std::string feature_text;
    const char* node;
    std::function<void(DriverContext*)> set;
    int32_t result;
    std::string text;
  } cases[] = {
      {"PickOne: the chosen option's text, wrapped", kColor, "GroupType VPD_IDC_PRESET_CHOICE_COLOR",
       [](DriverContext* c) {
         OptSetOption(c, RowOf(c, "VPD_IDC_PRESET_CHOICE_COLOR"), ctx_test::Option("IDS_COLOR"));
       },
       0, "@PJL SET RENDERMODE = COLOR\r\n~END"},
      {"PickOne: an option without text gives nothing", kColor, "GroupType VPD_IDC_PRESET_CHOICE_COLOR",
       [](DriverContext* c) {
         OptSetOption(c, RowOf(c, "VPD_IDC_PRESET_CHOICE_COLOR"), ctx_test::Option("IDS_MONO"));
       },
       0, "~END"},
      {"PickOne: a value that is no option gives nothing, the walk goes on", kColor,
       "GroupType VPD_IDC_PRESET_CHOICE_COLOR",
       [](DriverContext* c) { OptSetValue(c, RowOf(c, "VPD_IDC_PRESET_CHOICE_COLOR"), 77); }, 0, "~END"},
      {"Boolean true", kDuplex, "GroupType VPD_IDC_EDIT_CHOICE_DUPLEX",
       [](DriverContext* c) { OptSetValue(c, RowOf(c, "VPD_IDC_EDIT_CHOICE_DUPLEX"), 1); }, 0, "[ON]~END"},
      {"Boolean false", kDuplex, "GroupType VPD_IDC_EDIT_CHOICE_DUPLEX",
       [](DriverContext* c) { OptSetValue(c, RowOf(c, "VPD_IDC_EDIT_CHOICE_DUPLEX"), 0); }, 0, "[OFF]~END"},
      {"Numeric: value x M / D", kCopiesScaled, "GroupType VPD_IDC_PRESET_EDIT_COPIES",
       [](DriverContext* c) { OptSetValue(c, RowOf(c, "VPD_IDC_PRESET_EDIT_COPIES"), 127); }, 0, "QTY=600;~END"},
      {"Numeric: fewer than eight numbers mean a factor of 1", kCopiesShort, "GroupType VPD_IDC_PRESET_EDIT_COPIES",
       [](DriverContext* c) { OptSetValue(c, RowOf(c, "VPD_IDC_PRESET_EDIT_COPIES"), 42); }, 0, "QTY=42;~END"},
      {"Numeric: a variant uses the value record of its feature", kCopiesVariant,
       "GroupType VPD_IDC_PRESET_EDIT_COPIES 1",
       [](DriverContext* c) { OptSetValue(c, RowOf(c, "VPD_IDC_PRESET_EDIT_COPIES"), 3); }, 0, "V=14;~END"},
      {"String: ANSI", kDocument, "GroupType VPD_IDC_PRINTTYPE_EDIT_DOCUMENT",
       [](DriverContext* c) {
         PutString(c, RowOf(c, "VPD_IDC_PRINTTYPE_EDIT_DOCUMENT"), kTypeAnsi2, u"Report 7");
       },
       0, "DOC=\"Report 7\"~END"},
      {"String: wide, converted to the system code page", kDocument, "GroupType VPD_IDC_PRINTTYPE_EDIT_DOCUMENT",
       [](DriverContext* c) {
         PutString(c, RowOf(c, "VPD_IDC_PRINTTYPE_EDIT_DOCUMENT"), kTypeWide2, u"\u65E5\u672C");
       },
       0, "DOC=\"\x93\xFA\x96\x7B\"~END"},
      {"String: quotes and line breaks cannot leave the value", kDocument,
       "GroupType VPD_IDC_PRINTTYPE_EDIT_DOCUMENT",
       [](DriverContext* c) {
         PutString(c, RowOf(c, "VPD_IDC_PRINTTYPE_EDIT_DOCUMENT"), kTypeWide2, u"a\"\r\n@PJL X\t\x7f");
       },
       0, "DOC=\"a   @PJL X  \"~END"},
      {"String: empty gives nothing", kDocument, "GroupType VPD_IDC_PRINTTYPE_EDIT_DOCUMENT",
       [](DriverContext* c) { PutString(c, RowOf(c, "VPD_IDC_PRINTTYPE_EDIT_DOCUMENT"), kTypeAnsi2, u""); }, 0,
       "~END"},
      {"String: a setting without storage stops the walk", kDocument, "GroupType VPD_IDC_PRINTTYPE_EDIT_DOCUMENT",
       [](DriverContext* c) {
         SettingRecord* row = RowOf(c, "VPD_IDC_PRINTTYPE_EDIT_DOCUMENT");
         row->descriptor = MakeDescriptor(kRegionNone, kTypeAnsi2, 16);
       },
       -1, ""},
      {"TypeUnknown gives nothing", kDocumentUnknown, "GroupType VPD_IDC_PRINTTYPE_EDIT_DOCUMENT",
       [](DriverContext* c) { PutString(c, RowOf(c, "VPD_IDC_PRINTTYPE_EDIT_DOCUMENT"), kTypeAnsi2, u"x"); }, 0,
       "~END"},
      {"an Identity feature answers any number, with the options it shares",
       std::string(kColor) + "*OpenUI *VPD_IDC_BASIC_CHOICE_COLOR: Identity *VPD_IDC_PRESET_CHOICE_COLOR\n"
                             "*CloseUI: *VPD_IDC_BASIC_CHOICE_COLOR\n",
       "GroupType VPD_IDC_BASIC_CHOICE_COLOR 3",
       [](DriverContext* c) {
         OptSetOption(c, RowOf(c, "VPD_IDC_BASIC_CHOICE_COLOR"), ctx_test::Option("IDS_COLOR"));
       },
       0, "COLOR~END"},
      {"a feature the model lacks stops the walk", kColor, "GroupType VPD_IDC_EDIT_CHOICE_DUPLEX",
       [](DriverContext*) {}, -1, ""},
      {"a variant number the model lacks stops the walk", kColor, "GroupType VPD_IDC_PRESET_CHOICE_COLOR 4",
       [](DriverContext*) {}, -1, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ModelContext m(OneFeatureModel(c.feature_text, c.node));
    ASSERT_NE(m.image, nullptr);
    c.set(m.ctx);
    Built b = Build(m.ctx, kJobTreeJobStart);
    EXPECT_EQ(b.fillResult, c.result);
    EXPECT_EQ(b.measureResult < 0, c.result < 0);
    if (c.result >= 0) {
      EXPECT_EQ(b.text, c.text);
    }
  }
}

// ---- value kinds of setting rows -----------------------------------------------------------------

// A Numeric feature whose row is given a value kind.
struct KindContext {
  explicit KindContext(uint32_t kind, const char* numbers = "3 1 1 999 1 0 1200 254")
      : m(OneFeatureModel(std::string("*OpenUI *VPD_IDC_PRESET_EDIT_COPIES: Numeric\n*OptionCommand: {\"[\" \"]\"}\n"
                                      "*NumericValue: \"") +
                              numbers + "\"\n*CloseUI: *VPD_IDC_PRESET_EDIT_COPIES\n",
                          "GroupType VPD_IDC_PRESET_EDIT_COPIES")) {
    row = RowOf(m.ctx, "VPD_IDC_PRESET_EDIT_COPIES");
    row->commandValueKind = kind;
  }
  std::string Text() {
    Built b = Build(m.ctx, kJobTreeJobStart);
    EXPECT_EQ(b.fillResult, 0);
    return b.text;
  }
  ModelContext m;
  SettingRecord* row;
};

TEST(JobCommandValueKind, DateAtAFixedClock) {
  FixedClock clock;
  KindContext k(kCmdValueDate);
  EXPECT_EQ(k.Text(), "@PJL SET DATE = \"2026/03/04\" \r\n[\"05:06:07\"]~END");
}

TEST(JobCommandValueKind, LengthsByBindType) {
  // value 127 x M 1200 x resolution 600 / (D 254 x 1200) = 300
  struct Case {
    uint32_t kind;
    int32_t bind;
    const char* text;
  } cases[] = {
      {kCmdValueLength, 0, "[300]~END"},        {kCmdValueLength, 2, "[300]~END"},
      {kCmdValueLength, 4, "[300]~END"},        {kCmdValueLengthSimplex, 0, "[300]~END"},
      {kCmdValueLengthSimplex, 2, "[-300]~END"}, {kCmdValueLengthSimplex, 3, "[300]~END"},
      {kCmdValueLengthSimplex, 4, "[-300]~END"}, {kCmdValueLengthShift, 0, "[300]~END"},
      {kCmdValueLengthShift, 2, "[300]~END"},   {kCmdValueLengthShift, 3, "[-300]~END"},
      {kCmdValueLengthShift, 4, "[-300]~END"},
  };
  for (const Case& c : cases) {
    KindContext k(c.kind);
    OptSetValue(k.m.ctx, k.row, 127);
    OptSetValueById(k.m.ctx, 42, 600);
    OptSetValueById(k.m.ctx, 103, c.bind);
    EXPECT_EQ(k.Text(), c.text) << "kind " << c.kind << " bind " << c.bind;
  }
  // Fewer than eight numbers (M and D zero): value x resolution / 1200, in
  // 64 bits.
  KindContext k(kCmdValueLength, "3 1 1 999 1");
  OptSetValue(k.m.ctx, k.row, 30000);
  OptSetValueById(k.m.ctx, 42, 1200);
  EXPECT_EQ(k.Text(), "[30000]~END");
}

TEST(JobCommandValueKind, DriverAndPrinterNames) {
  KindContext k(kCmdValueDriverName);
  plat::WCopy(k.m.ctx->work->driverName, 261, u"VELM C3500");
  plat::WCopy(k.m.ctx->work->printerName, 261, u"Office \"3F\"\r\n@PJL SET X");
  EXPECT_EQ(k.Text(), "@PJL SET VELMDRIVERNAME = \"VELM C3500\" \r\n[\"Office  3F   @PJL SET X\"]~END");
}

TEST(JobCommandValueKind, CleanedString) {
  KindContext k(kCmdValueCleanString);
  // An ANSI string of 8 bytes: at most 7 characters remain, then the marks
  // go and the quote is made harmless.
  PutString(k.m.ctx, k.row, kTypeAnsi2, u"1\"(2)-3", 8);
  EXPECT_EQ(k.Text(), "[1 23]~END");
  PutString(k.m.ctx, k.row, kTypeWide2, u"(0)-1", 8);
  EXPECT_EQ(k.Text(), "[0]~END");
  PutString(k.m.ctx, k.row, kTypeAnsi2, u"-()", 8);
  EXPECT_EQ(k.Text(), "~END");
}

TEST(JobCommandValueKind, ModelDataFile) {
  struct Case {
    uint8_t family;
    int32_t media;
    int32_t matching;
    const char* file;  // null: nothing at all
  } cases[] = {
      {130, 0, 1, "velm130a.vcm"}, {130, 0, 2, "velm130b.vcm"}, {130, 2, 1, "velm130c.vcm"},
      {130, 2, 3, "velm130d.vcm"}, {131, 1, 1, "velm131a.vcm"}, {131, 5, 2, "velm131b.vcm"},
      {131, 2, 1, "velm131c.vcm"}, {131, 2, 2, "velm131d.vcm"}, {130, 2, 0, nullptr},
      {128, 0, 1, nullptr},        {134, 2, 1, nullptr},
  };
  for (const Case& c : cases) {
    KindContext k(kCmdValueModelDataFile);
    k.m.ctx->model->machineId = c.family;
    OptSetValue(k.m.ctx, k.row, 5);  // the ordinary handler would write [5]
    OptSetValueById(k.m.ctx, 378, c.media);
    OptSetValueById(k.m.ctx, 152, c.matching);
    std::string text = k.Text();
    if (!c.file) {
      EXPECT_EQ(text, "~END") << int(c.family) << " " << c.media << " " << c.matching;
      continue;
    }
    std::string dir = plat::ToUtf8(PathGetDriverDir(k.m.ctx));
    EXPECT_EQ(text, "[" + dir + c.file + "]~END") << int(c.family) << " " << c.media << " " << c.matching;
  }
}

// Kinds that read the printer: the log file name from printer data, the
// driver directory and the driver ini.
class JobCommandValueKindPrinter : public env_test::EnvMachine {};

TEST_F(JobCommandValueKindPrinter, LogFileDriverDirAndIni) {
  struct Case {
    uint32_t kind;
    const char16_t* log;  // null: no LogFileName value
    std::string text;
  } cases[] = {
      {kCmdValueLogFile, u"VELMPD0.log", "[VELMPD0.log]~END"},
      {kCmdValueLogDll, u"VELMPD0.log", "[VELMPD0.DLL]~END"},
      {kCmdValueLogDll, u"abc", "[abc]~END"},
      {kCmdValueLogDll, u"abcd", "[aDLL]~END"},
      {kCmdValueLogFile, nullptr, "~END"},
      {kCmdValueLogDll, nullptr, "~END"},
      {kCmdValueDriverDir, nullptr, "[C:\\Windows\\System32\\spool\\drivers\\w32x86\\3\\]~END"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::u16string name = u"LogFileName";
    (void)DeletePrinterDataW(printer_, name.data());  // may be absent already
    if (c.log) {
      ASSERT_EQ(SetText(printer_, u"LogFileName", c.log), DWORD(ERROR_SUCCESS));
    }
    KindContext k(c.kind);
    k.m.ctx->printer = printer_;
    EXPECT_EQ(k.Text(), c.text);
    k.m.ctx->printer = nullptr;
  }
  KindContext k(kCmdValueDriverIni);
  k.m.ctx->printer = printer_;
  std::string ini = plat::ToUtf8(PathGetDriverIni(k.m.ctx));
  EXPECT_NE(ini.find(".ini"), std::string::npos) << ini;
  EXPECT_EQ(k.Text(), "[" + ini + "]~END");
  k.m.ctx->printer = nullptr;
}

TEST(JobCommandValueKind, OtherKindsRunTheOrdinaryHandler) {
  for (uint32_t kind : {4u, 11u, 13u, 100u}) {
    KindContext k(kind);
    OptSetValue(k.m.ctx, k.row, 127);
    EXPECT_EQ(k.Text(), "[600]~END") << kind;
  }
}

// ---- device fonts and font substitution ------------------------------------------------------

// Installs a font block in the context's handle table under the items.
template <typename Entry>
void PutFonts(DriverContext* ctx, uint32_t count_id, uint32_t table_id, const std::vector<Entry>& entries) {
  auto* block = static_cast<Entry*>(MemAllocZeroed(sizeof(Entry) * entries.size()));
  std::memcpy(block, entries.data(), sizeof(Entry) * entries.size());
  uint32_t handle = CtxBlobAdd(ctx, block);
  ASSERT_NE(handle, 0u);
  OptSetValueById(ctx, table_id, int32_t(handle));
  OptSetValueById(ctx, count_id, int32_t(entries.size()));
}

DeviceFontEntry Font(int32_t id, const std::u16string& name) {
  DeviceFontEntry e{};
  e.id = id;
  std::memcpy(e.name, name.data(), std::min<size_t>(name.size(), 32) * 2);
  return e;
}

// 32 double-byte characters, no terminator in the entry.
const std::u16string kLongDbcs(32, u'\u3042');
const std::string kLongDbcsAnsi = [] {
  std::string s;
  for (int i = 0; i < 32; ++i) s += "\x82\xA0";
  return s;
}();

TEST(JobDeviceFontLine, ListsTheFontsWithIds) {
  const std::string model = std::string(kHeader) + "*CommandGroup: PageStart {\n Type: FontType\n}\n";
  struct Case {
    const char* name;
    std::vector<DeviceFontEntry> fonts;
    std::string text;
  } cases[] = {
      {"two fonts, one skipped",
       {Font(1, u"Courier"), Font(0xFFFF, u"Hidden"), Font(2, u"Helvetica")},
       "@PJL SET DEVFONTID = \"1+Courier/2+Helvetica\" \r\n"},
      {"a 32-character DBCS name", {Font(7, kLongDbcs)}, "@PJL SET DEVFONTID = \"7+" + kLongDbcsAnsi + "\" \r\n"},
      {"a name with a quote", {Font(3, u"A\"B\r\n")}, "@PJL SET DEVFONTID = \"3+A B  \" \r\n"},
      {"every id 0xFFFF: no line", {Font(0xFFFF, u"A"), Font(0x1FFFF, u"B")}, ""},
      {"no fonts", {}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ModelContext m(model);
    if (!c.fonts.empty()) PutFonts(m.ctx, 10006, 10007, c.fonts);
    Built b = Build(m.ctx, kJobTreePageStart);
    EXPECT_EQ(b.fillResult, 0);
    EXPECT_EQ(b.text, c.text);
  }
}

FontSubstEntry Subst(const std::u16string& true_type, const std::u16string& device) {
  FontSubstEntry e{};
  std::memcpy(e.trueTypeName, true_type.data(), std::min<size_t>(true_type.size(), 32) * 2);
  std::memcpy(e.deviceName, device.data(), std::min<size_t>(device.size(), 32) * 2);
  return e;
}

TEST(JobFontTableLine, FollowsAFontTableFeature) {
  const std::string model = OneFeatureModel(
      "*OpenUI *VPD_RADIOLIST_8: FontTbl\n*OptionCommand: {\"TT=\" \";\"}\n"
      "*VPD_RADIOLIST_8 IDC_USER_TTF_RADIO_BEST: \"DOWNLOAD\"\n"
      "*VPD_RADIOLIST_8 IDC_USER_TTF_RADIO_TABLE: \"SUBSTITUTE\"\n"
      "*TTFS VPD_RADIOLIST_8 IDC_USER_TTF_RADIO_TABLE: IDList { {\"Arial\" \"Helvetica\"} }\n"
      "*CloseUI: *VPD_RADIOLIST_8\n",
      "GroupType VPD_RADIOLIST_8");
  struct Case {
    const char* name;
    const char* option;
    std::vector<FontSubstEntry> table;
    std::string text;
  } cases[] = {
      {"an option with pairs, two entries", "IDC_USER_TTF_RADIO_TABLE",
       {Subst(u"Arial", u"Helvetica"), Subst(kLongDbcs, kLongDbcs)},
       "TT=SUBSTITUTE;@PJL SET SUBFONTTABLE = \"Arial+Helvetica/" + kLongDbcsAnsi + "+" + kLongDbcsAnsi +
           "\" \r\n~END"},
      {"an option without pairs", "IDC_USER_TTF_RADIO_BEST", {Subst(u"Arial", u"Helvetica")}, "TT=DOWNLOAD;~END"},
      {"an empty table", "IDC_USER_TTF_RADIO_TABLE", {}, "TT=SUBSTITUTE;~END"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ModelContext m(model);
    OptSetOption(m.ctx, RowOf(m.ctx, "VPD_RADIOLIST_8"), ctx_test::Option(c.option));
    if (!c.table.empty()) PutFonts(m.ctx, 10004, 10005, c.table);
    Built b = Build(m.ctx, kJobTreeJobStart);
    EXPECT_EQ(b.fillResult, 0);
    EXPECT_EQ(b.text, c.text);
  }
}

// ---- quoting and the block builders --------------------------------------------------------------

TEST(JobAppendQuotedValue, CapsWithoutSplittingACharacter) {
  struct Case {
    std::string in;
    std::string out;
  } cases[] = {
      {"plain", "plain"},
      {std::string(300, 'a'), std::string(kJobQuotedValueMax, 'a')},
      // 254 single bytes, then a double-byte character that would end at 256.
      {std::string(254, 'a') + "\x82\xA0", std::string(254, 'a')},
      {std::string(253, 'a') + "\x82\xA0", std::string(253, 'a') + "\x82\xA0"},
      {"\x82", "\x82"},  // a lead byte at the end stays a byte of its own
  };
  for (const Case& c : cases) {
    JobTextAccumulator acc{0, nullptr, 0, false};
    JobAppendQuotedValue(&acc, c.in.c_str());
    std::vector<char> buffer(acc.length + 1);
    JobTextAccumulator fill{0, buffer.data(), uint32_t(buffer.size()), false};
    JobAppendQuotedValue(&fill, c.in.c_str());
    EXPECT_EQ(fill.length, acc.length);
    EXPECT_EQ(std::string(buffer.data(), fill.length), c.out);
  }
}

TEST(JobTextAccumulator, NeverWritesPastItsBufferAndFlagsOverflow) {
  char buffer[6] = {'x', 'x', 'x', 'x', 'x', 'x'};
  JobTextAccumulator acc{0, buffer, 4, false};
  JobAppendText(&acc, "abcdef");
  EXPECT_EQ(acc.length, 6u) << "the length counts everything appended";
  EXPECT_EQ(std::string(buffer, 4), std::string("abc\0", 4));
  EXPECT_EQ(buffer[4], 'x');
  JobAppendText(&acc, "g");
  EXPECT_EQ(buffer[4], 'x');
  EXPECT_FALSE(acc.overflow);

  JobTextAccumulator big{UINT32_MAX - 2, nullptr, 0, false};
  JobAppendText(&big, "ab");
  EXPECT_FALSE(big.overflow);
  JobAppendText(&big, "cd");
  EXPECT_TRUE(big.overflow);
}

TEST(JobCommandText, BuildersAppendToTheSink) {
  ModelContext m(std::string(kHeader) +
                 "*CommandString 1: \"JS\"\n*CommandString 2: \"PS\"\n*CommandString 3: \"PE\"\n"
                 "*CommandGroup: JobStart { Type: StringType 1 }\n*CommandGroup: PageStart { Type: StringType 2 }\n"
                 "*CommandGroup: PageEnd { Type: StringType 3 }\n");
  GrPool* pool = GrPoolCreate();
  ASSERT_NE(pool, nullptr);
  using Builder = int32_t (*)(DriverContext*, CommandTextSink*);
  struct Case {
    Builder builder;
    const char* text;
  } cases[] = {{JobJobStartText, "JS"}, {JobPageStartText, "PS"}, {JobPageEndText, "PE"}};
  for (const Case& c : cases) {
    CommandTextSink sink{pool, nullptr, 0, 0, false};
    ASSERT_TRUE(CommandTextAppend(&sink, "HDR", 3));
    EXPECT_GE(c.builder(m.ctx, &sink), 0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(sink.buffer), size_t(sink.used)), std::string("HDR") + c.text);
    GrPoolFree(pool, sink.buffer);
  }
  GrPoolDestroy(pool);
}

}  // namespace
