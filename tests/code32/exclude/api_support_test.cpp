// The query library's support routines: file-name and path checks, the
// job-information access, the interface switches, the paper re-derivation
// and the resolution decision.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "api/api_support.h"
#include "jobinfo_test.h"
#include "plat/files.h"
#include "plat/profile.h"
#include "plat/wstr.h"
#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/settings.h"

namespace {

// ---- file names -----------------------------------------------------------------------

TEST(ApiNames, CheckNameCharsTable) {
  struct Row {
    const char* name;
    const char* text;
    bool allow_backslash;
    bool ok;
  } rows[] = {
      {"plain", "overlay1.vpo", false, true},
      {"slash", "a/b", false, false},
      {"colon", "a:b", false, false},
      {"semicolon", "a;b", false, false},
      {"comma", "a,b", false, false},
      {"star", "a*b", false, false},
      {"question", "a?b", false, false},
      {"less", "a<b", false, false},
      {"greater", "a>b", false, false},
      {"bar", "a|b", false, false},
      {"quote", "a\"b", false, false},
      {"backslash refused", "a\\b", false, false},
      {"backslash allowed", "a\\b", true, true},
      // A double-byte character whose trail byte is the code of '\'.
      {"dbcs trail 0x5c", "\x95\x5c.vpo", false, true},
      {"dbcs then bar", "\x95\x5c|", false, false},
      {"empty", "", false, true},
  };
  for (const Row& r : rows) EXPECT_EQ(ApiCheckNameChars(r.text, r.allow_backslash), r.ok) << r.name;
  EXPECT_FALSE(ApiCheckNameChars(nullptr, true));
}

// A lead byte as the last byte before the terminator: the walk stops at the
// terminator (the block is exactly as long as the text, so a read past it
// is seen by the address checker).
TEST(ApiNames, LoneLeadByteAtTheEndStopsAtTheTerminator) {
  const char text[] = "ab\x81";
  std::unique_ptr<char[]> exact(new char[sizeof text]);
  std::memcpy(exact.get(), text, sizeof text);
  EXPECT_TRUE(ApiCheckNameChars(exact.get(), false));
  EXPECT_FALSE(ApiHasChar(exact.get(), 'x'));
  EXPECT_STREQ(ApiGetFileNamePart(exact.get()), "ab\x81");
  uint32_t n = 7;
  EXPECT_EQ(ApiGetExtensionPart(exact.get(), &n), nullptr);
  EXPECT_EQ(n, 0u);
}

TEST(ApiNames, OverlayFileNamesAndParts) {
  EXPECT_TRUE(ApiIsOverlayFileName("C:\\Forms\\invoice.VPO"));
  EXPECT_TRUE(ApiIsOverlayFileName("invoice.vpo"));
  EXPECT_FALSE(ApiIsOverlayFileName("C:\\Forms\\invoice.vpx"));
  EXPECT_FALSE(ApiIsOverlayFileName("C:\\Forms\\in*voice.vpo"));
  EXPECT_FALSE(ApiIsOverlayFileName("C:\\Fo:rms\\invoice.vpo"));
  uint32_t n = 0;
  EXPECT_STREQ(ApiGetExtensionPart("C:\\a.b\\name.tar.gz", &n), "gz");
  EXPECT_EQ(n, 2u);
  EXPECT_STREQ(ApiGetFileNamePart("C:\\a\\\x95\x5c"), "\x95\x5c");  // the 0x5c inside a character is no separator
  EXPECT_TRUE(ApiHasChar("a,b", ','));
  EXPECT_FALSE(ApiHasChar("\x95\x5c", '\\'));
  EXPECT_TRUE(PathIsAbsoluteWide(u"C:\\x"));
  EXPECT_TRUE(PathIsAbsoluteWide(u"\\\\server\\share"));
  EXPECT_FALSE(PathIsAbsoluteWide(u"C:x"));
  EXPECT_FALSE(PathIsAbsoluteWide(u"x"));
}

// ---- the machine fixtures ----------------------------------------------------------------

class ApiMachine : public jobinfo_test::JobInfoMachine {
 protected:
  static bool Exists(const char16_t* path) { return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; }
};

// ---- paths -------------------------------------------------------------------------------

TEST_F(ApiMachine, CheckOverlayPathLeavesNothingBehind) {
  ASSERT_TRUE(plat::EnsureWindowsDir(u"C:\\Forms"));
  Put(u"C:\\Forms\\old.vpo", "x");
  char out[MAX_PATH] = {};

  EXPECT_TRUE(ApiCheckOverlayPath("C:\\Forms\\old.vpo", out));
  EXPECT_STREQ(out, "C:\\Forms\\old.vpo");
  EXPECT_EQ(Get(u"C:\\Forms\\old.vpo"), "x");

  EXPECT_TRUE(ApiCheckOverlayPath("C:\\Forms\\.\\new.vpo", out));
  EXPECT_STREQ(out, "C:\\Forms\\new.vpo");
  EXPECT_FALSE(Exists(u"C:\\Forms\\new.vpo"));

  // One missing folder level is created for the test and removed again.
  EXPECT_TRUE(ApiCheckOverlayPath("C:\\Forms\\Sub\\new.vpo", out));
  EXPECT_STREQ(out, "C:\\Forms\\Sub\\new.vpo");
  EXPECT_FALSE(Exists(u"C:\\Forms\\Sub"));

  // Two missing levels: not creatable, and nothing is made.
  EXPECT_FALSE(ApiCheckOverlayPath("C:\\Forms\\A\\B\\new.vpo", out));
  EXPECT_STREQ(out, "");
  EXPECT_FALSE(Exists(u"C:\\Forms\\A"));

  // A folder that was there before is kept, even when empty.
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Forms\\Empty", nullptr));
  EXPECT_TRUE(ApiCheckOverlayPath("C:\\Forms\\Empty\\new.vpo", out));
  EXPECT_TRUE(Exists(u"C:\\Forms\\Empty"));
  EXPECT_FALSE(Exists(u"C:\\Forms\\Empty\\new.vpo"));

  // A folder that cannot be made: fails, nothing left.
  plat::FailNth("CreateDirectoryW", 1);
  EXPECT_FALSE(ApiCheckOverlayPath("C:\\Forms\\Denied\\new.vpo", out));
  EXPECT_FALSE(Exists(u"C:\\Forms\\Denied"));
}

TEST_F(ApiMachine, PathsThatDoNotFit260BytesFail) {
  ASSERT_TRUE(plat::EnsureWindowsDir(u"C:\\Forms"));
  char out[MAX_PATH] = {};
  std::string path = "C:\\Forms\\" + std::string(240, 'n') + ".vpo";
  ASSERT_LT(path.size(), size_t(MAX_PATH));
  EXPECT_TRUE(ApiCheckOverlayPath(path.c_str(), out));
  EXPECT_EQ(std::string(out), path);
  // Too long for 260 bytes: refused, never cut to another name.
  std::string longer = "C:\\Forms\\" + std::string(260, 'n') + ".vpo";
  EXPECT_FALSE(ApiCheckOverlayPath(longer.c_str(), out));
  EXPECT_STREQ(out, "");
  EXPECT_FALSE(ApiCheckWatermarkFile(2, longer.c_str()));
}

TEST_F(ApiMachine, CheckWatermarkFileByKind) {
  ASSERT_TRUE(plat::EnsureWindowsDir(u"C:\\Forms"));
  Put(u"C:\\Forms\\logo.bmp", "BM");
  Put(u"C:\\Forms\\form.VPO", "x");
  EXPECT_TRUE(ApiCheckWatermarkFile(2, "C:\\Forms\\logo.bmp"));
  EXPECT_FALSE(ApiCheckWatermarkFile(2, "C:\\Forms\\none.bmp"));
  EXPECT_FALSE(ApiCheckWatermarkFile(2, "logo.bmp"));
  EXPECT_TRUE(ApiCheckWatermarkFile(3, "C:\\Forms\\form.VPO"));
  EXPECT_FALSE(ApiCheckWatermarkFile(3, "C:\\Forms\\logo.bmp"));
  EXPECT_FALSE(ApiCheckWatermarkFile(1, "C:\\Forms\\logo.bmp"));
}

// ---- job information -------------------------------------------------------------------

TEST_F(ApiMachine, JobInfoGetTextCases) {
  char16_t buffer[80];
  auto get = [&](uint32_t type) {
    for (char16_t& c : buffer) c = u'#';
    return ApiJobInfoGetText(printer_, type, kJobInfoKindText, buffer);
  };

  // A 200-byte type-6 answer: 130 bytes, the last character the terminator.
  PutValue(6, std::string(99, 'F'));
  ASSERT_EQ(get(6), 1);
  EXPECT_EQ(plat::WLen(buffer), 64u);
  EXPECT_EQ(buffer[64], 0);
  EXPECT_EQ(buffer[65], u'#');  // nothing written past the type's 130 bytes
  EXPECT_EQ(Counter("loads"), Counter("unloads"));  // unloaded again

  PutValue(1, "123");
  ASSERT_EQ(get(1), 1);
  EXPECT_EQ(plat::ToUtf8(buffer), "123");

  // No value: a type without one, and result 13.
  EXPECT_EQ(get(2), 0);
  ASSERT_TRUE(plat::SetMachineSetting("jobinfo.get", "13"));
  EXPECT_EQ(get(1), 0);
  // An answer of an absurd size is no value (nothing is allocated for it).
  ASSERT_TRUE(plat::SetMachineSetting("jobinfo.get", "huge"));
  EXPECT_EQ(get(1), 0);
  // A value written without its terminator still ends within the buffer.
  ASSERT_TRUE(plat::SetMachineSetting("jobinfo.get", "odd"));
  ASSERT_EQ(get(1), 1);
  EXPECT_LT(plat::WLenN(buffer, 80), 9u);
  ASSERT_TRUE(plat::ResetMachineSetting("jobinfo.get"));

  // Version 0x102 refused: 0x101 serves.
  ASSERT_TRUE(plat::SetMachineSetting("jobinfo.refuse", "0x102"));
  EXPECT_EQ(get(1), 1);
  ASSERT_TRUE(plat::SetMachineSetting("jobinfo.refuse", "0x102,0x101"));
  EXPECT_EQ(get(1), 0);
  ASSERT_TRUE(plat::ResetMachineSetting("jobinfo.refuse"));

  // A module without its dispose export, and no module at all.
  std::string why;
  ASSERT_TRUE(test_support::CopyFile(plat::StandinModuleDir() + "/orvjc32_nodispose.so",
                                     plat::MapPath(u"C:\\Windows\\System32\\ORVJC32.DLL"), &why))
      << why;
  EXPECT_EQ(get(1), 0);
  ASSERT_TRUE(DeleteFileW(u"C:\\Windows\\System32\\ORVJC32.DLL"));
  EXPECT_EQ(get(1), 0);
  EXPECT_EQ(Counter("loads"), Counter("unloads"));
}

TEST_F(ApiMachine, JobInfoPutTextAnswersOneOnlyWhenTheSetSucceeded) {
  const std::u16string text = u"OWNER";
  const uint32_t bytes = uint32_t((text.size() + 1) * 2);
  EXPECT_EQ(ApiJobInfoPutText(printer_, 2, kJobInfoKindText, text.c_str(), bytes), 1);
  EXPECT_EQ(Values()[2], "OWNER");
  // The session opens but the set slot fails.
  ASSERT_TRUE(plat::SetMachineSetting("jobinfo.fail", "6"));
  EXPECT_EQ(ApiJobInfoPutText(printer_, 2, kJobInfoKindText, u"OTHER", 12), 0);
  EXPECT_EQ(Values()[2], "OWNER");
  ASSERT_TRUE(plat::ResetMachineSetting("jobinfo.fail"));
  // Only version 0x101 is asked for.
  ASSERT_TRUE(plat::SetMachineSetting("jobinfo.refuse", "0x101"));
  EXPECT_EQ(ApiJobInfoPutText(printer_, 2, kJobInfoKindText, u"OTHER", 12), 0);
  ASSERT_TRUE(plat::ResetMachineSetting("jobinfo.refuse"));
}

// ---- switches -------------------------------------------------------------------------------

TEST_F(ApiMachine, Func1Bits) {
  const std::u16string ini = std::u16string(env_test::kDriverDir) + u"velmsetup.ini";
  EXPECT_EQ(ApiFunc1Has(printer_, kApiFunc1WatermarkKind128), 0u);  // no file
  struct Row {
    const char* value;
    uint32_t bit1, bit8;
  } rows[] = {{"0", 0, 0}, {"1", 1, 0}, {"8", 0, 8}, {"9", 1, 8}};
  for (const Row& r : rows) {
    Put(ini.c_str(), std::string("[VELMAPI]\r\nVELMAPIFunc1=") + r.value + "\r\n");
    EXPECT_EQ(ApiFunc1Has(printer_, kApiFunc1WatermarkKind128), r.bit1) << r.value;
    EXPECT_EQ(ApiFunc1Has(printer_, kApiFunc1PrintMethod255), r.bit8) << r.value;
  }
  Put(ini.c_str(), "[VELMAPI]\r\n");
  EXPECT_EQ(ApiFunc1Has(printer_, 0xFFFFFFFFu), 0u);  // key missing
}

TEST_F(ApiMachine, InterfaceVersionSwitch) {
  char16_t path[MAX_PATH] = {};
  ASSERT_EQ(ApiGetDriverIniPathNoCtx(path, MAX_PATH), 1);
  std::u16string p = path;
  EXPECT_EQ(p.substr(p.size() - 13), u"\\velmlist.ini");
  EXPECT_EQ(ApiIniGetIntNoCtx(u"VELMAPI", u"VELMAPIVer"), -1);
  ASSERT_TRUE(plat::EnsureWindowsDir(p.substr(0, p.rfind(u'\\')).c_str()));
  Put(path, "[VELMAPI]\r\nVELMAPIVer=2\r\n");
  EXPECT_EQ(ApiIniGetIntNoCtx(u"VELMAPI", u"VELMAPIVer"), 2);
  char16_t small[8] = {};
  EXPECT_EQ(ApiGetDriverIniPathNoCtx(small, 8), 0);
  EXPECT_EQ(small[0], 0);
}

// ---- paper and resolution ------------------------------------------------------------------

TEST_F(ApiMachine, RederivePaperFitScaleAndZeroSource) {
  DriverContext* ctx = Context();  // no model: the paper derivation leaves no extent
  OptSetValueById(ctx, 58, 1);     // scaling on
  OptSetValueById(ctx, 90, 2);     // fit
  OptSetValueById(ctx, 92, 77);
  OptSetValueById(ctx, 93, 88);
  ApiRederivePaper(ctx);
  ASSERT_EQ(OptGetValueById(ctx, 45), 0);
  // No source extent: the scales stay as they were (no -1 from a zero divisor).
  EXPECT_EQ(OptGetValueById(ctx, 92), 77);
  EXPECT_EQ(OptGetValueById(ctx, 93), 88);
}

TEST_F(ApiMachine, SnapshotRestoresTheWholeWorkBuffer) {
  DriverContext* ctx = Context();
  OptSetValueById(ctx, 92, 50);
  std::vector<uint8_t> before(ctx->devmode, ctx->devmode + kWorkBufferSize);
  uint8_t* snap = ApiSnapshotDevmode(ctx);
  ASSERT_NE(snap, nullptr);
  std::memset(ctx->devmode, 0xA5, kWorkBufferSize);
  ApiRestoreDevmode(ctx, snap, 1);
  EXPECT_EQ(std::vector<uint8_t>(ctx->devmode, ctx->devmode + kWorkBufferSize), before);
}

TEST_F(ApiMachine, NeedsStandardResolutionTable) {
  DriverContext* ctx = Context();
  reinterpret_cast<DEVMODEW*>(ctx->devmode)->dmPrintQuality = 600;
  struct Row {
    const char* name;
    int32_t family, duplex_unit, duplex, memory, cf_support, cf_type, resolution;
    int32_t expected;
  } rows[] = {
      {"other family", 129, 1, 1, 32, 0, 0, 4, 0},
      {"all conditions, 32 MB", 130, 1, 1, 32, 0, 0, 4, 1},
      {"no duplex unit", 130, 0, 1, 32, 0, 0, 4, 0},
      {"duplex off", 130, 1, 0, 32, 0, 0, 4, 0},
      {"resolution 3", 130, 1, 1, 32, 0, 0, 3, 0},
      {"160 MB without CF unit", 130, 1, 1, 160, 0, 0, 4, 0},
      {"160 MB with CF unit", 130, 1, 1, 160, 1, 1, 4, 1},
      {"32 MB with CF unit", 130, 1, 1, 32, 1, 1, 4, 0},
      {"CF unit supported, not fitted", 130, 1, 1, 32, 1, 0, 4, 1},
  };
  for (const Row& r : rows) {
    OptSetValueById(ctx, 39, r.family);
    OptSetValueById(ctx, 10014, r.duplex_unit);
    OptSetValueById(ctx, 61, r.duplex);
    OptSetValueById(ctx, 10012, r.memory);
    OptSetValueById(ctx, 299, r.cf_support);
    OptSetValueById(ctx, 10063, r.cf_type);
    OptSetValueById(ctx, 248, r.resolution);
    reinterpret_cast<DEVMODEW*>(ctx->devmode)->dmPrintQuality = 600;
    EXPECT_EQ(ApiNeedsStandardResolution(ctx), r.expected) << r.name;
  }
}

TEST(ApiTables, WatermarkValueLists) {
  struct Row {
    uint16_t item;
    std::vector<int32_t> values;
  } rows[] = {
      {109, {0, 1, 2, 3, 128}}, {114, {0, 1, 2, 4, 8, 16, 32, 64}}, {127, {0, 1, 2, 3}}, {113, {0, 1, 2, 3}},
      {123, {0, 1, 2, 3, 4, 5, 6}}, {895, {0, 1, 2, 3, 4, 5, 6}}, {896, {0, 1, 2, 3, 4, 5, 6}},
      {897, {0, 1, 2, 3, 4, 5, 6}}, {902, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
  };
  int n = 0;
  for (const ApiValueList* l = ApiWatermarkValueLists(); l->item; ++l) ++n;
  EXPECT_EQ(n, 9);
  for (const Row& r : rows) {
    const ApiValueList* l = ApiFindWatermarkValues(r.item);
    ASSERT_NE(l, nullptr) << r.item;
    EXPECT_EQ(std::vector<int32_t>(l->values, l->values + l->count), r.values) << r.item;
  }
  EXPECT_EQ(ApiFindWatermarkValues(110), nullptr);
}

}  // namespace
