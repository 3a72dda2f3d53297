// User codes from printer data and from velmcfg.ini.
#include "velm/ucode.h"

#include <gtest/gtest.h>

#include <string>

#include "env_test_machine.h"
#include "plat/files.h"
#include "velm/devmode.h"
#include "velm/ini.h"
#include "velm/inst.h"
#include "velm/paths.h"
#include "velm/spooler.h"
#include "velm/settings.h"

namespace {

constexpr uint32_t kUse = 10002, kCode = 10003, kDllCode = 10273;

class UserCodes : public env_test::EnvMachine {
 protected:
  void SetUp() override {
    env_test::EnvMachine::SetUp();
    ASSERT_EQ(PathCreateDataDir(), 1);  // as the printer's installation leaves it
  }
  std::u16string ConfigIni(DriverContext* ctx) {
    char16_t path[261] = {};
    EXPECT_EQ(PathMakeInDataDir(path, 261, u"velmcfg.ini", ctx), 1);
    return path;
  }
  static std::string Ini(const std::u16string& file, const char16_t* section, const char16_t* key,
                         const char16_t* fallback = u"<none>") {
    char16_t buffer[300] = {};
    IniGetString(section, key, fallback, buffer, 300, file.c_str());
    return plat::ToUtf8(buffer);
  }
  static std::string Text(DriverContext* ctx, uint32_t id) {
    char16_t buffer[32] = {};
    OptGetText(ctx, OptFindSetting(ctx, id), buffer);
    return plat::ToUtf8(buffer);
  }
  // The raw bytes of an ANSI text setting, up to its terminator.
  static std::string Bytes(DriverContext* ctx, uint32_t id) {
    SettingRecord* row = OptFindSetting(ctx, id);
    const char* p = reinterpret_cast<const char*>(OptGetValueAddr(ctx, row));
    return std::string(p, strnlen(p, DescSize(row->descriptor)));
  }
  void SetByte(const char16_t* name, uint8_t value) { ASSERT_EQ(SetData(printer_, name, 3, &value, 1), 0u); }
};

TEST_F(UserCodes, PrinterOwnCodeComesFromPrinterDataWithoutTheIni) {
  SetByte(u"ServerUse", 1);
  SetByte(u"UserCodeUse", 1);
  ASSERT_EQ(SetData(printer_, u"UserCode", 3, "AC42", 5), 0u);
  DriverContext* ctx = Context();
  std::u16string ini = ConfigIni(ctx);
  EXPECT_EQ(UcodeLoadForPrinter(ctx), 1);
  EXPECT_EQ(OptGetValueById(ctx, kUse), 1);
  EXPECT_EQ(Text(ctx, kCode), "AC42");
  EXPECT_EQ(GetFileAttributesW(ini.c_str()), INVALID_FILE_ATTRIBUTES);  // never created, never read
}

// Printer data of 9 bytes with no terminator: the code is cut to 8 bytes
// without splitting a double-byte character.
TEST_F(UserCodes, UnterminatedPrinterDataIsCutAtACharacter) {
  struct Row {
    std::string stored;  // CP932 bytes, 9 of them
    std::string expected;
  };
  const Row rows[] = {
      {"ABCDEFGHI", "ABCDEFGH"},
      {"ABCDEFG\x93\xfa", "ABCDEFG"},     // the double-byte character at bytes 7-8 is left out whole
      {"ABCDEF\x93\xfaZ", "ABCDEF\x93\xfa"},
  };
  SetByte(u"ServerUse", 1);
  for (const Row& r : rows) {
    ASSERT_EQ(r.stored.size(), 9u);
    ASSERT_EQ(SetData(printer_, u"UserCode", 3, r.stored.data(), 9), 0u);
    DriverContext* ctx = Context();
    EXPECT_EQ(UcodeLoadForPrinter(ctx), 1);
    EXPECT_EQ(Bytes(ctx, kCode), r.expected);
  }
}

TEST_F(UserCodes, RemotePrinterLoadsNothing) {
  HANDLE remote = AddPrinter(u"\\\\srv\\Shared", u"VELM Driver", PRINTER_ATTRIBUTE_NETWORK, u"\\\\srv");
  DriverContext* ctx = Context(remote);
  ASSERT_EQ(SplIsRemotePrinter(ctx), 1);
  OptSetValueById(ctx, kUse, 1);
  EXPECT_EQ(UcodeLoadForPrinter(ctx), 0);
  EXPECT_EQ(OptGetValueById(ctx, kUse), 1);
  EXPECT_EQ(GetFileAttributesW(ConfigIni(ctx).c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(UserCodes, MissingIniIsCreatedWithAnEmptyCode) {
  DriverContext* ctx = Context();
  std::u16string ini = ConfigIni(ctx);
  OptSetValueById(ctx, kUse, 1);
  EXPECT_EQ(UcodeLoadForPrinter(ctx), 1);
  ASSERT_NE(GetFileAttributesW(ini.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(Ini(ini, u"Office", u"UserCode"), "0");
  EXPECT_EQ(Ini(ini, u"Office", u"UserCodeString"), "");
  EXPECT_EQ(Ini(ini, u"ORVEK UserCode", u"MRUUserCode"), "");
  EXPECT_EQ(OptGetValueById(ctx, kUse), 0);
  EXPECT_EQ(Text(ctx, kCode), "");
}

TEST_F(UserCodes, IniCodesTable) {
  struct Row {
    const char* name;
    const char16_t* use;      // [Office] UserCode, null: missing
    const char16_t* code;     // [Office] UserCodeString
    const char16_t* mru;      // [ORVEK UserCode] MRUUserCode
    const char16_t* fixed;    // [Office] UserCodeFIX
    int32_t wantUse;
    std::string wantCode;     // CP932 bytes
    int32_t wantFixed;
  };
  const Row rows[] = {
      {"own section", u"1", u"abc", u"mru", u"1", 1, "abc", 1},
      {"own section, not used", u"0", u"abc", u"mru", nullptr, 0, "abc", 0},
      {"no UserCode: the MRU code, not used", nullptr, nullptr, u"MRU7", nullptr, 0, "MRU7", 0},
      {"long code cut", u"1", u"123456789012", nullptr, nullptr, 1, "12345678", 0},
      // 20 double-byte characters: four of them fill the 8 bytes.
      {"DBCS code", u"1", u"日本語日本語日本語日本語日本語日本", nullptr, nullptr, 1, "\x93\xfa\x96\x7b\x8c\xea\x93\xfa", 0},
      {"DBCS not split", u"1", u"A日本語日本語", nullptr, nullptr, 1, "A\x93\xfa\x96\x7b\x8c\xea", 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    DriverContext* ctx = Context();
    std::u16string ini = ConfigIni(ctx);
    (void)DeleteFileW(ini.c_str());  // may be absent already
    EXPECT_TRUE(IniWriteString(u"ORVEK UserCode", u"MRUUserCode", r.mru ? r.mru : u"", ini.c_str()));
    if (r.use) {
      EXPECT_TRUE(IniWriteString(u"Office", u"UserCode", r.use, ini.c_str()));
    }
    if (r.code) {
      EXPECT_TRUE(IniWriteString(u"Office", u"UserCodeString", r.code, ini.c_str()));
    }
    if (r.fixed) {
      EXPECT_TRUE(IniWriteString(u"Office", u"UserCodeFIX", r.fixed, ini.c_str()));
    }
    EXPECT_EQ(UcodeLoadForPrinter(ctx), 1);
    EXPECT_EQ(OptGetValueById(ctx, kUse), r.wantUse);
    EXPECT_EQ(Bytes(ctx, kCode), r.wantCode);
    EXPECT_EQ(Bytes(ctx, kDllCode), r.wantCode);
    EXPECT_EQ(ctx->devmode[1250], r.wantFixed);
    if (!r.use) {
      // The MRU code is written into the printer's own section, not in use.
      EXPECT_EQ(Ini(ini, u"Office", u"UserCode"), "0");
      EXPECT_EQ(Ini(ini, u"Office", u"UserCodeString"), plat::ToUtf8(r.mru));
    }
  }
}

TEST_F(UserCodes, SwitchedOffOperationsGiveTheirFixedAnswers) {
  DriverContext* ctx = Context();
  EXPECT_EQ(UcodeSyncIniIfEnabled(ctx), 1);
  EXPECT_EQ(UcodeLoadIfEnabled(ctx), 1);
  UcodeUpdateProviderFlags(ctx);
  UcodeSaveIfEnabled(ctx);
  EXPECT_EQ(GetFileAttributesW(ConfigIni(ctx).c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
