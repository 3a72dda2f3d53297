// Printer data and registry values of the driver.
#include <cstring>

#include "env_test_machine.h"
#include "plat/registry.h"
#include "velm/printer_data.h"

namespace {

using env_test::EnvMachine;
using env_test::U8;

// The bytes of a text with its terminating zero.
std::vector<uint8_t> Sz(const std::u16string& s) {
  std::vector<uint8_t> b((s.size() + 1) * 2, 0);
  std::memcpy(b.data(), s.data(), s.size() * 2);
  return b;
}

class PrinterData : public EnvMachine {
 protected:
  void Expect(const char16_t* name, DWORD type, const std::vector<uint8_t>& bytes) {
    SCOPED_TRACE(U8(name));
    DWORD got_type = 0;
    std::vector<uint8_t> got;
    ASSERT_TRUE(GetData(printer_, name, &got_type, &got));
    EXPECT_EQ(got_type, type);
    EXPECT_EQ(got, bytes);
  }
  static void RegSet(const char16_t* key, const char16_t* name, DWORD type, const void* data, DWORD size) {
    HKEY k = nullptr;
    ASSERT_EQ(RegCreateKeyW(HKEY_LOCAL_MACHINE, key, &k), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(k, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
    RegCloseKey(k);
  }
  static bool RegGet(const char16_t* key, const char16_t* name, DWORD* type, std::vector<uint8_t>* out) {
    HKEY k = nullptr;
    if (RegOpenKeyW(HKEY_LOCAL_MACHINE, key, &k) != ERROR_SUCCESS) return false;
    DWORD size = 0;
    bool ok = RegQueryValueExW(k, name, nullptr, type, nullptr, &size) == ERROR_SUCCESS;
    out->assign(size, 0);
    ok = ok && RegQueryValueExW(k, name, nullptr, type, out->data(), &size) == ERROR_SUCCESS;
    RegCloseKey(k);
    return ok;
  }
};

TEST_F(PrinterData, IdentityValuesByteExact) {
  Put(std::u16string(env_test::kDriverDir) + u"velmsetup.ini", "[DriversFileName]\r\nDriverEDFileName=VELMED.DLL\r\n");
  DriverContext* ctx = Context();
  EXPECT_EQ(SplSetDriverFileNames(printer_, ctx), 1);
  Expect(u"SPLUserModePrinterDriver", REG_SZ, Sz(u"VELMOUT1.DLL"));  // 26 bytes: with its terminator
  Expect(u"DriverIniFileName", REG_SZ, Sz(u"velmlist.ini"));
  Expect(u"DriverGRFileName", REG_SZ, Sz(u"VELMPD0.DLL"));
  Expect(u"DriverEDFileName", REG_SZ, Sz(u"VELMED.DLL"));
  EXPECT_EQ(SplSetPrinterNameData(printer_), 1);
  Expect(u"PrinterName", REG_SZ, Sz(u"Office"));
  EXPECT_EQ(SplSetDriverNameData(printer_), 1);
  Expect(u"DriverName", REG_SZ, Sz(u"VELM Driver"));
  EXPECT_EQ(SplSetHelpFileNameData(ctx), 1);
  Expect(u"HelpFileName", REG_SZ, Sz(u"VELMus.hlp"));
  DWORD permission = 3;
  EXPECT_EQ(SplSetPermissionData(printer_, &permission, 4), 1);
  Expect(u"Permission", REG_DWORD, {3, 0, 0, 0});

  Put(std::u16string(env_test::kDriverDir) + u"velmsetup.ini", "");
  EXPECT_EQ(SplSetEdFileNameData(ctx), 1);
  Expect(u"DriverEDFileName", REG_SZ, Sz(u""));  // written even when empty
  Put(std::u16string(env_test::kDriverDir) + u"velmsetup.ini",
      "[DriversFileName]\r\nDriverEDFileName=" + std::string(40, 'E') + "\r\n");
  SplSetEdFileNameData(ctx);
  Expect(u"DriverEDFileName", REG_SZ, Sz(std::u16string(26, u'E')));  // at most 26 characters

  ASSERT_TRUE(plat::SpoolDenyDataWrites(u"Office", true));
  EXPECT_EQ(SplSetDriverFileNames(printer_, ctx), 0);
}

TEST_F(PrinterData, NamesReadBack) {
  DriverContext* ctx = Context();
  SetText(printer_, u"PrinterName", u"Stored");
  char16_t buf[261];
  EXPECT_EQ(SplReadPrinterNameData(printer_, buf), 1);
  EXPECT_EQ(U8(buf), "Stored");
  EXPECT_EQ(SplGetPrinterNameData(printer_, nullptr, ctx), 1);  // into the context's cache
  EXPECT_EQ(U8(ctx->work->printerName), "Stored");
  std::u16string full(261, u'Z');  // 522 bytes with no terminator
  SetData(printer_, u"PrinterName", REG_SZ, full.data(), 522);
  EXPECT_EQ(SplReadPrinterNameData(printer_, buf), 1);
  EXPECT_EQ(plat::WLen(buf), 260u);  // ended inside the buffer
  EXPECT_EQ(SplReadPrinterNameData(printer_, nullptr), 0);

  SetText(printer_, u"HelpFileName", u"VELMfr.hlp");
  EXPECT_EQ(SplGetHelpFileNameData(buf, sizeof buf, ctx), 1);
  EXPECT_EQ(U8(buf), "VELMfr.hlp");
  char16_t small[4];
  EXPECT_EQ(SplGetHelpFileNameDataByHandle(small, sizeof small, printer_), 0);  // does not fit
  EXPECT_EQ(small[0], 0);

  char16_t file[32];
  EXPECT_EQ(SplGetDriverFileName(file, 32, ctx), 1);
  EXPECT_EQ(U8(file), "VELMPD0.DLL");
  EXPECT_EQ(SplGetDriverHelpFileName(file, 32, ctx), 1);
  EXPECT_EQ(U8(file), "VELMus.hlp");
  EXPECT_EQ(SplGetDriverFileName(file, 5, ctx), 0);
  AddDriver(u"Bare", u"VELMPD0.DLL", u"");
  EXPECT_EQ(SplGetDriverFileName(file, 32, Context(AddPrinter(u"BarePrinter", u"Bare"))), 0);  // no backslash
}

TEST_F(PrinterData, WrappersRefuseEmptyArgumentsWithoutAskingTheStore) {
  char buf[8];
  plat::ResetCalls();
  EXPECT_EQ(SplGetPrinterData(printer_, nullptr, 8, u"X"), 0);
  EXPECT_EQ(SplGetPrinterData(printer_, buf, 0, u"X"), 0);
  EXPECT_EQ(SplGetPrinterData(printer_, buf, 8, nullptr), 0);
  EXPECT_EQ(SplSetPrinterData(printer_, nullptr, 4, REG_DWORD, u"X"), 0);
  EXPECT_EQ(SplSetPrinterDataBinary(printer_, buf, 0, u"X"), 0);
  EXPECT_EQ(SplSetPrinterDataString(printer_, u"x", 4, nullptr), 0);
  EXPECT_EQ(RegReadValue(u"Software", nullptr, buf, 8), 0);
  EXPECT_EQ(RegWriteValue(u"Software", u"X", buf, 0, REG_BINARY), 0);
  EXPECT_EQ(plat::CallCount("GetPrinterDataW") + plat::CallCount("SetPrinterDataW"), 0);
  EXPECT_EQ(plat::CallCount("RegOpenKeyW") + plat::CallCount("RegCreateKeyW"), 0);
  EXPECT_EQ(SplGetPrinterData(printer_, buf, 8, u"Missing"), 0);
  EXPECT_EQ(plat::CallCount("GetPrinterDataW"), 1);
  EXPECT_EQ(RegWriteDrvValue(u"SpoolDirectory", u"D:\\spool", 18), 1);
  char16_t dir[16] = {};
  EXPECT_EQ(RegReadDrvValue(u"spooldirectory", dir, sizeof dir), 1);
  EXPECT_EQ(U8(dir), "D:\\spool");
}

TEST_F(PrinterData, PrintLogValues) {
  const char16_t* key = u"Software\\ORVEK\\PrintLog";
  EXPECT_EQ(RegInitPrintLogKeys(Context()), 1);
  DWORD type = 0;
  std::vector<uint8_t> got;
  ASSERT_TRUE(RegGet(key, u"LogFileDirectory", &type, &got));
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(got, Sz(u"C:\\Windows\\temp\\PrintLog"));
  ASSERT_TRUE(RegGet(key, u"MaxLogFileSize", &type, &got));
  EXPECT_EQ(type, REG_DWORD);
  EXPECT_EQ(got, (std::vector<uint8_t>{64, 0, 0, 0}));

  RegSet(key, u"MaxLogFileSize", REG_SZ, u"128", 8);  // another type: left alone
  RegSet(key, u"LogFileDirectory", REG_SZ, u"", 2);   // empty: rewritten
  EXPECT_EQ(RegInitPrintLog(0, Context()), 1);
  ASSERT_TRUE(RegGet(key, u"MaxLogFileSize", &type, &got));
  EXPECT_EQ(type, REG_SZ);
  ASSERT_TRUE(RegGet(key, u"LogFileDirectory", &type, &got));
  EXPECT_EQ(got, Sz(u"C:\\Windows\\temp\\PrintLog"));

  EXPECT_EQ(RegInitPrintLog(1, Context()), 1);
  Expect(u"LogFileName", REG_SZ, Sz(u"VELMPD0.log"));
  AddDriver(u"NoDot", std::u16string(env_test::kDriverDir) + u"VELMGR", u"");
  HANDLE nodot = AddPrinter(u"NoDotPrinter", u"NoDot");
  EXPECT_EQ(RegInitPrintLog(1, Context(nodot)), 1);
  DWORD t = 0;
  ASSERT_TRUE(GetData(nodot, u"LogFileName", &t, &got));
  EXPECT_EQ(got, Sz(u"VELMGR.log"));  // a name without an extension gets one
  AddDriver(u"Bare", u"VELMPD0.DLL", u"");
  EXPECT_EQ(RegInitPrintLog(1, Context(AddPrinter(u"BarePrinter", u"Bare"))), 0);
}

TEST_F(PrinterData, JobLinkerAndDeviceSetupSwitches) {
  const char16_t* linker = u"Software\\ORVEK\\ToolDeck\\JobLinker";
  DriverContext* ctx = Context();
  plat::ResetCalls();
  EXPECT_EQ(RegIsJobLinkerInstalled(1, ctx), 0);
  EXPECT_EQ(plat::CallCount("RegOpenKeyW") + plat::CallCount("RegQueryValueExW"), 0);  // not even asked
  EXPECT_EQ(RegIsJobLinkerInstalled(2, ctx), 0);  // no value
  DWORD count = 0;
  RegSet(linker, u"INSTALL_COUNT", REG_DWORD, &count, 4);
  EXPECT_EQ(RegIsJobLinkerInstalled(2, ctx), 0);
  count = 3;
  RegSet(linker, u"INSTALL_COUNT", REG_DWORD, &count, 4);
  EXPECT_EQ(RegIsJobLinkerInstalled(2, ctx), 1);
  RegSet(linker, u"INSTALL_COUNT", REG_BINARY, &count, 2);
  EXPECT_EQ(RegIsJobLinkerInstalled(2, ctx), 0);  // not a 32-bit number

  const char16_t* setup = u"Software\\ORVEK\\VelmDrvCustomSetup";
  EXPECT_EQ(RegIsSaveDeviceSetup(ctx), 0);
  DWORD one = 1;
  RegSet(setup, u"SaveDeviceSetup", REG_DWORD, &one, 4);
  EXPECT_EQ(RegIsSaveDeviceSetup(ctx), 1);
  RegSet(setup, u"SaveDeviceSetup", REG_SZ, u"1", 4);
  EXPECT_EQ(RegIsSaveDeviceSetup(ctx), 0);
}

}  // namespace
