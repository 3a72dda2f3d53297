// Printer identity, language codes and the driver's paths.
#include "env_test_machine.h"
#include "velm/os.h"
#include "velm/paths.h"
#include "velm/resources.h"

namespace {

using env_test::EnvMachine;
using env_test::InChild;
using env_test::U8;

constexpr uint32_t kUiLanguage = 177;

std::string Str(const char16_t* s, uint32_t n) { return s ? plat::ToUtf8(std::u16string(s, n)) : "<null>"; }

TEST(PathStrings, HelperTable) {
  struct Case {
    const char16_t* path;
    const char* name;  // file-name part
    const char* ext;   // extension part and its count
    uint32_t ext_count;
    uint32_t base_count;
    int short_ext;
  } cases[] = {
      {u"C:\\dir\\file.txt", "file.txt", "txt", 3, 4, 1},
      {u"file", "file", "file", 0, 4, 0},                    // no backslash, no dot
      {u"C:\\dir\\", "C:\\dir\\", "", 0, 7, 0},              // trailing backslash: the whole string
      {u"C:\\d.ir\\file", "file", "file", 0, 4, 0},          // the only dot lies in a directory
      {u"C:\\dir\\.ext", ".ext", "ext", 3, 0, 0},            // no base name
      {u"C:\\dir\\page.html", "page.html", "html", 4, 4, 0},  // four-letter extension
      {u"", "", "", 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(U8(c.path));
    EXPECT_EQ(U8(PathGetFileNamePart(c.path)), c.name);
    uint32_t n = 99;
    const char16_t* ext = PathGetExtensionPart(c.path, &n);
    EXPECT_EQ(n, c.ext_count);
    if (c.ext_count) {
      EXPECT_EQ(Str(ext, n), c.ext);
    }
    uint32_t base = 99;
    PathGetFileNameBase(c.path, &base);
    EXPECT_EQ(base, c.base_count);
    EXPECT_EQ(PathHasShortExtension(c.path), c.short_ext);
  }
  EXPECT_EQ(PathGetFileNamePart(nullptr), nullptr);
  EXPECT_EQ(PathGetExtensionPart(nullptr, nullptr), nullptr);
  EXPECT_EQ(PathGetFileNameBase(nullptr, nullptr), nullptr);
  EXPECT_EQ(PathHasShortExtension(nullptr), 0);
}

TEST(LanguageCodes, LookUps) {
  EXPECT_EQ(ResGetLangIdFromCode(u"JP"), 0);
  EXPECT_EQ(ResGetLangIdFromCode(u"gm"), 4);
  EXPECT_EQ(ResGetLangIdFromCode(u"xx"), 1);
  EXPECT_EQ(ResGetLangIdFromCode(nullptr), 1);
  EXPECT_EQ(U8(ResGetCodeFromLangId(15)), "us");  // no row 15
  EXPECT_EQ(U8(ResGetCodeFromLangId(17)), "ct");
  EXPECT_EQ(U8(ResGetCodeFromLangId(0x10004)), "gm");  // the low 16 bits
  EXPECT_EQ(U8(ResNormalizeLangCode(u"FR")), "fr");
  EXPECT_EQ(U8(ResNormalizeLangCode(nullptr)), "us");
  EXPECT_EQ(ResGetLangIdFromFileName(u"VELMUIgm.dll"), 4);
  EXPECT_EQ(ResGetLangIdFromFileName(u"C:\\x.y\\VELMUIsp.chm"), 5);
  EXPECT_EQ(ResGetLangIdFromFileName(u"a.dll"), 1);  // fewer than two characters before the dot
  EXPECT_EQ(ResGetLangIdFromFileName(u"VELMUI"), 1);
  EXPECT_EQ(U8(ResGetLangCodeFromFileName(u"VELMUIJP.DLL")), "jp");
  EXPECT_EQ(U8(ResGetLangCodeFromFileName(nullptr)), "us");
}

class DriverPaths : public EnvMachine {};

TEST_F(DriverPaths, DriverDirectoryAndItsFallback) {
  DriverContext* ctx = Context();
  EXPECT_EQ(U8(PathGetDriverDir(ctx)), "C:\\Windows\\System32\\spool\\drivers\\w32x86\\3\\");
  EXPECT_EQ(U8(PathGetInstallInfoFile(ctx)), "C:\\Windows\\System32\\spool\\drivers\\w32x86\\3\\velmsetup.ini");
  EXPECT_EQ(U8(PathGetInstallIni(ctx)), "C:\\Windows\\System32\\spool\\drivers\\w32x86\\3\\ORVINST.ini");
  plat::FailNth("GetPrinterDriverW", 1);
  EXPECT_EQ(U8(PathGetDriverDir(ctx)), "C:\\Windows\\System32\\spool\\drivers\\w32x86\\2\\");

  AddDriver(u"Bare", u"VELMPD0.DLL", u"");  // a driver path without a directory
  EXPECT_EQ(U8(PathGetDriverDir(Context(AddPrinter(u"BarePrinter", u"Bare")))),
            "C:\\Windows\\System32\\spool\\drivers\\w32x86\\2\\");
  std::u16string deep = u"C:\\" + std::u16string(600, u'd') + u"\\";  // longer than the field
  AddDriver(u"Deep", deep + u"VELMPD0.DLL", u"");
  EXPECT_EQ(U8(PathGetDriverDir(Context(AddPrinter(u"DeepPrinter", u"Deep")))),
            "C:\\Windows\\System32\\spool\\drivers\\w32x86\\2\\");

  char16_t small[10];
  EXPECT_EQ(PathCopyDriverDir(printer_, small, 10), 0);
  EXPECT_EQ(small[0], 0);
  char16_t info[260];
  EXPECT_EQ(PathGetInstallInfoFileNoCtx(printer_, info, 260), 1);
  EXPECT_EQ(U8(info), "C:\\Windows\\System32\\spool\\drivers\\w32x86\\3\\velmsetup.ini");
}

TEST_F(DriverPaths, ResourceModuleNamesAndTheHelpFile) {
  DriverContext* ctx = ModelContext(u"VELMUIus.dll");
  ASSERT_NE(ctx, nullptr);
  OptSetValueById(ctx, kUiLanguage, 0);
  const std::string dir = "C:\\Windows\\System32\\spool\\drivers\\w32x86\\3\\";
  EXPECT_EQ(U8(PathGetUiResourceDll(ctx)), dir + "VELMUIjp.dll");
  EXPECT_EQ(ResIsJapanese(ctx), 1);
  EXPECT_EQ(U8(PathGetBitmapResourceDll(ctx)), dir + "VELMCIXX.dll");
  EXPECT_EQ(U8(PathGetHelpFile(ctx)), dir + "VELMUIjp.hlp");  // no HelpFileName: the UI module's name
  OptSetValueById(ctx, kUiLanguage, 4);
  EXPECT_EQ(U8(PathGetUiResourceDll(ctx)), dir + "VELMUIgm.dll");
  EXPECT_EQ(ResIsJapanese(ctx), 0);
  EXPECT_EQ(U8(PathGetBitmapResourceDll(ctx)), dir + "VELMCIXX.dll");  // whatever the language
  SetText(printer_, u"HelpFileName", u"VELMfr.hlp");
  EXPECT_EQ(U8(PathGetHelpFile(ctx)), dir + "VELMfr.hlp");

  // Names too short for the replacements are left as they are.
  DriverContext* short_name = ModelContext(u"a.d");
  ASSERT_NE(short_name, nullptr);
  (void)DeletePrinterDataW(printer_, const_cast<LPWSTR>(u"HelpFileName"));  // may be absent already
  EXPECT_EQ(U8(PathGetUiResourceDll(short_name)), dir + "a.d");
  EXPECT_EQ(U8(PathGetBitmapResourceDll(short_name)), dir + "a.d");
  EXPECT_EQ(U8(PathGetHelpFile(short_name)), dir + "a.d");
  EXPECT_EQ(ResIsJapanese(short_name), 0);
  DriverContext* unnamed = ModelContext(nullptr);
  ASSERT_NE(unnamed, nullptr);
  EXPECT_EQ(U8(PathGetUiResourceDll(unnamed)), "");  // no name: no path
  EXPECT_EQ(U8(PathGetUiResourceDll(Context())), "");  // no model: no path
}

TEST_F(DriverPaths, HelpLanguageCodeOfTheOpen) {
  DriverContext* ctx = Context();
  EXPECT_EQ(U8(ResGetHelpLanguageCode(ctx)), "us");  // no HelpFileName
  SetText(printer_, u"HelpFileName", u"VELMsw.hlp");
  EXPECT_EQ(U8(ResGetHelpLanguageCode(ctx)), "sw");
  EXPECT_EQ(U8(ctx->work->helpLanguage), "sw");
  EXPECT_EQ(ResGetLangIdFromHelpData(ctx), 14);
  ctx->work->kind = 1;  // kind 1: the driver's own help file (VELMus.hlp)
  EXPECT_EQ(U8(ResGetHelpLanguageCode(ctx)), "us");
  EXPECT_EQ(ResGetLangIdFromDriverHelp(ctx), 1);
  OptSetValueById(ctx, kUiLanguage, 6);
  EXPECT_EQ(U8(ResGetLanguageSection(ctx)), "fr");
  std::u16string huge(600, u'x');  // longer than the 1044 bytes read
  SetText(printer_, u"HelpFileName", huge + u"VELMit.hlp");
  EXPECT_EQ(U8(ResGetHelpDataLanguageCode(printer_)), "us");
}

TEST_F(DriverPaths, DriverIniPlaces) {
  DriverContext* ctx = Context();
  EXPECT_EQ(U8(PathGetDriverIni(ctx)), "C:\\_velm\\velmlist.ini");  // no terminal services (the default machine)
  char16_t buf[260];
  EXPECT_EQ(PathGetDriverIniNoCtx(buf, 260, 0), 1);
  EXPECT_EQ(U8(buf), "C:\\_velm\\velmlist.ini");
  EXPECT_EQ(PathGetDriverIniNoCtx(buf, 260, 1), 1);
  EXPECT_EQ(U8(buf), "C:\\Users\\user\\_velm\\velmlist.ini");
  EXPECT_EQ(PathGetDriverIniNoCtx(buf, 12, 1), 0);

  ModelInfo own = *ctx->model;
  own.iniFileName = u"D:\\Shared\\velmlist.ini";
  *ctx->model = own;
  EXPECT_EQ(U8(PathGetDriverIni(ctx)), "D:\\Shared\\velmlist.ini");  // a full path is used as it stands
}

TEST_F(DriverPaths, DriverIniUnderTerminalServices) {
  ASSERT_TRUE(plat::SetMachineSetting("os.terminal", "1"));
  DriverContext* user = Context();
  DriverContext* first_run = Context(printer_, kOpenEntryPoint | kOpenFirstRun);
  EXPECT_EQ(InChild([&] {
              OsResetTerminalServerCache();
              CHILD_CHECK(U8(PathGetDriverIni(user)) == "C:\\Users\\user\\_velm\\velmlist.ini");
              CHILD_CHECK(U8(PathGetDriverIni(first_run)) == "C:\\_velm\\velmlist.ini");
              // The per-user directory of the first call stays for the context's life.
              plat::SetMachineSetting("user.profile", "C:\\Users\\other");
              CHILD_CHECK(U8(PathGetDriverIni(user)) == "C:\\Users\\user\\_velm\\velmlist.ini");
              return 0;
            }),
            0);
  EXPECT_EQ(InChild([&] {
              OsResetTerminalServerCache();
              plat::SetMachineSetting("dir.system", "");
              plat::SetMachineSetting("os.terminal", "0");
              // Without any data directory the path is empty, so ini work on it does nothing.
              CHILD_CHECK(U8(PathGetDriverIni(Context())) == "");
              return 0;
            }),
            0);
}

}  // namespace
