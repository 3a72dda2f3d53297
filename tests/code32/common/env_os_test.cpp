// Windows version, terminal-services and administrator tests.
#include "env_test_machine.h"
#include "plat/handles.h"
#include "velm/os.h"

namespace {

using env_test::EnvMachine;
using env_test::InChild;

class OsTests : public EnvMachine {
 protected:
  static void Version(const char* major, const char* minor, const char* platform) {
    ASSERT_TRUE(plat::SetMachineSetting("os.major", major));
    ASSERT_TRUE(plat::SetMachineSetting("os.minor", minor));
    ASSERT_TRUE(plat::SetMachineSetting("os.platform", platform));
  }
};

TEST_F(OsTests, VersionTable) {
  struct Case {
    const char* name;
    const char *major, *minor, *platform;
    bool fails;
    int nt4, nt5, later_than_xp, vista, win9x;
  } cases[] = {
      {"NT 4.0", "4", "0", "2", false, 1, 0, 0, 0, 0},
      {"2000", "5", "0", "2", false, 0, 1, 0, 0, 0},
      {"XP", "5", "1", "2", false, 0, 1, 0, 0, 0},
      {"Server 2003", "5", "2", "2", false, 0, 1, 1, 0, 0},
      {"Vista", "6", "0", "2", false, 0, 1, 1, 1, 0},
      {"Windows 98", "4", "10", "1", false, 1, 0, 0, 0, 1},
      {"GetVersionExW fails", "6", "1", "2", true, 0, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Version(c.major, c.minor, c.platform);
    auto ask = [&](int32_t (*test)()) {
      if (c.fails) plat::FailNth("GetVersionExW", 1);
      return test();
    };
    EXPECT_EQ(ask(OsIsNt4), c.nt4);
    EXPECT_EQ(ask(OsIsNt5OrLater), c.nt5);
    EXPECT_EQ(ask(OsIsLaterThanXp), c.later_than_xp);
    EXPECT_EQ(ask(OsIsVistaOrLater), c.vista);
    EXPECT_EQ(ask(OsIsWin9x), c.win9x);
    OSVERSIONINFOW v;
    if (c.fails) plat::FailNth("GetVersionExW", 1);
    EXPECT_EQ(OsGetVersion(&v) != FALSE, !c.fails);
    EXPECT_EQ(v.dwOSVersionInfoSize, 276u);
  }
}

TEST_F(OsTests, TerminalServerThroughTheHelperBesideTheDriver) {
  Version("5", "2", "2");
  struct Case {
    const char* name;
    const char* forced;  // orvtse.result
    const char* module;  // what lies in the driver directory as orvtse.dll; null: nothing
    int want;
  } cases[] = {
      {"helper answers 1", "1", "orvtse.dll", 1},
      {"helper answers 2", "2", "orvtse.dll", 0},
      {"helper answers 0", "0", "orvtse.dll", 0},
      {"helper without the export", "1", "velmres.dll", 0},
      {"no helper", "1", nullptr, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(plat::SetMachineSetting("orvtse.result", c.forced));
    (void)DeleteFileW((std::u16string(env_test::kDriverDir) + u"orvtse.dll").c_str());  // may be absent already
    if (c.module) Install(u"orvtse.dll", c.module);
    plat::ResetCalls();
    EXPECT_EQ(OsIsTerminalServer(printer_), c.want);
    EXPECT_EQ(plat::CallCount("VerifyVersionInfoW"), 0);
  }
}

TEST_F(OsTests, TerminalServerThroughTheSystemSuite) {
  struct Case {
    const char* name;
    const char* minor;
    bool handle;
  } cases[] = {{"XP with a printer", "1", true}, {"2003 without a printer", "2", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Version("5", c.minor, "2");
    for (const char* terminal : {"0", "1"}) {
      ASSERT_TRUE(plat::SetMachineSetting("os.terminal", terminal));
      plat::ResetCalls();
      EXPECT_EQ(OsIsTerminalServer(c.handle ? printer_ : nullptr), terminal[0] == '1' ? 1 : 0);
      ASSERT_EQ(plat::CallLog().size(), 1u);
      EXPECT_EQ(plat::CallLog()[0], "VerifyVersionInfoW type=0x40 mask=0x180000 suite=0x10");
    }
  }
}

TEST_F(OsTests, CachedAnswerIsAskedOncePerProcess) {
  HANDLE printer = printer_;
  EXPECT_EQ(InChild([printer] {
              OsResetTerminalServerCache();
              plat::SetMachineSetting("os.terminal", "1");
              plat::ResetCalls();
              CHILD_CHECK(OsIsTerminalServerCached(printer) == 1);
              plat::SetMachineSetting("os.terminal", "0");
              CHILD_CHECK(OsIsTerminalServerCached(nullptr) == 1);  // the first answer holds for all
              CHILD_CHECK(OsIsTerminalServer(nullptr) == 0);
              return 0;
            }),
            0);
}

TEST_F(OsTests, AdministratorOnEveryPathCleansUp) {
  struct Case {
    const char* name;
    const char* admin;
    const char* fault;
    int want;
    long process_tokens;
  } cases[] = {
      {"administrator", "1", nullptr, 1, 0},
      {"other user", "0", nullptr, 0, 0},
      {"no thread token: the process token is used", "1", "ImpersonateSelf", 0, 1},
      {"access check fails", "1", "AccessCheck", 0, 0},
      {"SID cannot be had", "1", "AllocateAndInitializeSid", 0, 0},
      {"no memory for the descriptor", "1", "LocalAlloc", 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(plat::SetMachineSetting("user.admin", c.admin));
    long handles = plat::LiveHandles(), blocks = plat::LiveGlobalBlocks();
    plat::ResetCalls();
    if (c.fault) plat::FailNth(c.fault, 1);
    EXPECT_EQ(OsIsAdministrator(), c.want);
    plat::ClearFaults();
    EXPECT_EQ(plat::CallCount("OpenProcessToken"), c.process_tokens);
    EXPECT_EQ(plat::CallCount("RevertToSelf"), plat::CallCount("ImpersonateSelf") - (c.process_tokens ? 1 : 0));
    EXPECT_EQ(plat::LiveHandles(), handles);
    EXPECT_EQ(plat::LiveGlobalBlocks(), blocks);
  }
}

TEST_F(OsTests, ADriverDirectoryTooLongForTheHelperPathAnswersNo) {
  Version("6", "1", "2");
  ASSERT_TRUE(plat::SetMachineSetting("orvtse.result", "1"));
  std::u16string deep = u"C:\\" + std::u16string(240, u'd') + u"\\";
  AddDriver(u"Deep Driver", deep + u"VELMPD0.DLL", deep + u"VELMus.hlp");
  HANDLE deep_printer = AddPrinter(u"Deep", u"Deep Driver");
  EXPECT_EQ(OsIsTerminalServer(deep_printer), 0);  // the helper's path would not fit
  std::u16string long_system = u"C:\\" + std::u16string(250, u's');
  ASSERT_TRUE(plat::SetMachineSetting("dir.system", plat::ToUtf8(long_system)));
  plat::FailNth("GetPrinterDriverW", 1);
  EXPECT_EQ(OsIsTerminalServer(printer_), 0);  // neither the driver's nor the fall-back directory fits
}

}  // namespace
