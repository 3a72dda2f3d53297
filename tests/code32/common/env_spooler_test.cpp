// Spooler records, cached printer facts, printer and driver names.
#include <cstring>

#include "env_test_machine.h"
#include "velm/printer_data.h"
#include "velm/spooler.h"

namespace {

using env_test::EnvMachine;
using env_test::U8;

class SpoolerQueries : public EnvMachine {};

TEST_F(SpoolerQueries, TwoCallFetchTable) {
  struct Case {
    const char* name;
    const char* fault;
    int nth;
    bool record;
  } cases[] = {
      {"first call succeeds with size 0", "GetPrinterW.empty", 1, false},
      {"first call fails otherwise", "GetPrinterW", 1, false},
      {"second call fails", "GetPrinterW", 2, false},
      {"both calls succeed", nullptr, 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    long blocks = plat::LiveGlobalBlocks();
    if (c.fault) plat::FailNth(c.fault, c.nth);
    auto* info = static_cast<PRINTER_INFO_2W*>(SplGetPrinterInfo(printer_, 2));
    EXPECT_EQ(info != nullptr, c.record);
    if (info) {
      EXPECT_EQ(U8(info->pPrinterName), "Office");
    }
    MemFree(info);
    EXPECT_EQ(plat::LiveGlobalBlocks(), blocks);  // a failed second call frees its block
    plat::ClearFaults();
  }
  auto* driver = static_cast<DRIVER_INFO_3W*>(SplGetDriverInfo(printer_, 3));
  ASSERT_NE(driver, nullptr);
  EXPECT_EQ(U8(driver->pDriverPath), "C:\\Windows\\System32\\spool\\drivers\\w32x86\\3\\VELMPD0.DLL");
  MemFree(driver);
  plat::FailNth("GetPrinterDriverW", 2);
  EXPECT_EQ(SplGetDriverInfo(printer_, 3), nullptr);
}

TEST_F(SpoolerQueries, CacheNeverOverwritesAKnownFactAndBoundsTheDriverName) {
  DriverContext* ctx = Context();
  ForgetPrinterFacts(ctx);
  plat::WCopy(ctx->work->printerName, 261, u"First");
  ctx->work->remote = 2;
  std::u16string long_driver(300, u'D');
  char16_t server[] = u"\\\\srv";
  char16_t name[] = u"Second";
  PRINTER_INFO_2W info{};
  info.pServerName = server;
  info.pPrinterName = name;
  info.pDriverName = long_driver.data();
  info.Attributes = 0x800;
  SplCachePrinterInfo(&info, ctx);
  EXPECT_EQ(U8(ctx->work->printerName), "First");
  EXPECT_EQ(ctx->work->remote, 2);
  EXPECT_EQ(ctx->work->attributesValid, 1);
  EXPECT_EQ(ctx->work->attributes, 0x800u);
  EXPECT_EQ(plat::WLen(ctx->work->driverName), 260u);  // cut to its field, terminated
  info.Attributes = 0;
  SplCachePrinterInfo(&info, ctx);
  EXPECT_EQ(ctx->work->attributes, 0x800u);
  SplCachePrinterInfo(nullptr, ctx);  // nothing for a null record
}

TEST_F(SpoolerQueries, FailedFetchBidiAsksAgainRemoteRemembersLocal) {
  HANDLE remote = AddPrinter(u"\\\\srv\\Shared", u"VELM Driver", PRINTER_ATTRIBUTE_ENABLE_BIDI, u"\\\\srv");
  DriverContext* ctx = Context(remote);
  ForgetPrinterFacts(ctx);
  plat::ResetCalls();
  plat::FailNth("GetPrinterW", 1);
  EXPECT_EQ(SplIsBidiEnabled(ctx), 0);
  EXPECT_EQ(plat::CallCount("GetPrinterW"), 1);
  EXPECT_EQ(SplIsBidiEnabled(ctx), 1);  // asked again, and now the spooler answers
  EXPECT_EQ(plat::CallCount("GetPrinterW"), 3);

  DriverContext* other = Context(remote);
  ForgetPrinterFacts(other);
  plat::ResetCalls();
  plat::FailNth("GetPrinterW", 1);
  EXPECT_EQ(SplIsRemotePrinter(other), 0);
  EXPECT_EQ(SplIsRemotePrinter(other), 0);  // remembered as local for the context's life
  EXPECT_EQ(plat::CallCount("GetPrinterW"), 1);
  EXPECT_EQ(SplIsRemoteByHandle(remote), 1);
  EXPECT_EQ(SplQueryRemotePrinter(Context(remote)), 1);
  EXPECT_EQ(SplIsRemotePrinter(Context(printer_)), 0);
  EXPECT_EQ(SplIsRemoteInfo(nullptr), 0);
}

TEST_F(SpoolerQueries, RenamedTable) {
  char16_t current[] = u"Office";
  char16_t server[] = u"\\\\srv";
  PRINTER_INFO_2W local{};
  local.pPrinterName = current;
  PRINTER_INFO_2W connection = local;
  connection.pServerName = server;
  struct Case {
    const char* name;
    const PRINTER_INFO_2W* info;
    const char16_t* client;  // ClientName, or null
    int type17;
    const char16_t* stored;  // PrinterName, or null
    int want;
  } cases[] = {
      {"no record", nullptr, nullptr, 0, u"Other", 0},
      {"reached through a server", &connection, nullptr, 0, u"Other", 0},
      {"terminal-server client printer", &local, u"CLIENT1", 0, u"Other", 0},
      {"empty ClientName does not count", &local, u"", 0, u"Other", 1},
      {"server type 17", &local, nullptr, 1, u"Other", 0},
      {"PrinterName missing", &local, nullptr, 0, nullptr, 1},
      {"differs only in case", &local, nullptr, 0, u"OFFICE", 0},
      {"differs", &local, nullptr, 0, u"Office (old)", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    char16_t client_name[] = u"ClientName", printer_name[] = u"PrinterName";
    (void)DeletePrinterDataW(printer_, client_name);  // may be absent already
    (void)DeletePrinterDataW(printer_, printer_name);  // may be absent already
    if (c.client) SetText(printer_, u"ClientName", c.client);
    if (c.stored) SetText(printer_, u"PrinterName", c.stored);
    UseRemoteModule(c.type17 ? 17 : 0);
    EXPECT_EQ(SplIsPrinterRenamed(printer_, c.info), c.want);
  }
}

TEST_F(SpoolerQueries, UnterminatedPrinterNameOfFullSizeIsComparedInsideItsBuffer) {
  std::u16string name(261, u'A');  // 522 bytes, no terminator
  ASSERT_EQ(SetData(printer_, u"PrinterName", 1, name.data(), 522), ERROR_SUCCESS);
  PRINTER_INFO_2W info{};
  info.pPrinterName = name.data();
  EXPECT_EQ(SplIsPrinterRenamed(printer_, &info), 0);
  std::u16string other(260, u'A');
  info.pPrinterName = other.data();
  EXPECT_EQ(SplIsPrinterRenamed(printer_, &info), 1);
  plat::FailNth("GlobalAlloc", 1);
  EXPECT_EQ(SplIsPrinterRenamed(printer_, &info), 0);  // no buffer: 0
}

TEST_F(SpoolerQueries, PrinterAndDriverNames) {
  DriverContext* ctx = Context();
  EXPECT_EQ(U8(SplGetPrinterName(ctx)), "Office");
  plat::ResetCalls();
  EXPECT_EQ(U8(SplGetDriverName(ctx)), "VELM Driver");  // cached by the first fetch
  EXPECT_EQ(plat::CallCount("GetPrinterW"), 0);

  DriverContext* failing = Context();
  ForgetPrinterFacts(failing);
  plat::FailNth("GetPrinterW", 1);
  EXPECT_EQ(U8(SplGetDriverName(failing)), "JP");  // the model's default
  DriverContext* unnamed = Context();
  ForgetPrinterFacts(unnamed);
  plat::FailNth("GetPrinterW", 1);
  EXPECT_EQ(U8(SplGetPrinterName(unnamed)), "");

  char16_t buf[8];
  EXPECT_EQ(U8(SplCopyPrinterNameByHandle(printer_, buf, 8)), "Office");
  EXPECT_EQ(U8(SplCopyPrinterNameByHandle(printer_, buf, 6)), "");  // does not fit: empty
  EXPECT_EQ(SplCopyPrinterNameByHandle(printer_, nullptr, 8), nullptr);
  char16_t driver[32];
  EXPECT_EQ(U8(SplCopyDriverNameByHandle(printer_, driver, 32)), "VELM Driver");
  EXPECT_EQ(U8(SplCopyDriverNameByHandle(printer_, driver, 5)), "JP");  // does not fit: the default
}

TEST_F(SpoolerQueries, AdminChangeIsAFourByteNumber) {
  uint32_t v = 99;
  EXPECT_EQ(SplGetAdminChange(printer_, &v), 0);
  EXPECT_EQ(v, 0u);
  DWORD one = 1;
  SetData(printer_, u"AdminChange", 4, &one, 4);
  EXPECT_EQ(SplGetAdminChange(printer_, &v), 1);
  EXPECT_EQ(v, 1u);
  uint16_t half = 1;
  SetData(printer_, u"AdminChange", 3, &half, 2);
  EXPECT_EQ(SplGetAdminChange(printer_, &v), 0);  // not a 32-bit number
}

}  // namespace
