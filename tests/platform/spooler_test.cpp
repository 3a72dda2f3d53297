#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "plat/batch.h"
#include "plat/files.h"
#include "plat/profile.h"
#include "plat/registry.h"
#include "plat/winspool.h"
#include "plat/wstr.h"
#include "temp_machine.h"

namespace {

using plat_test::InChild;
using plat_test::TempMachine;

class Spooler : public ::testing::Test {
 protected:
  TempMachine machine_;
  HANDLE printer_ = nullptr;
  void SetUp() override {
    plat::SpoolDriver d;
    d.name = u"VELM Driver";
    d.driverPath = u"C:\\Windows\\System32\\spool\\drivers\\w32x86\\3\\VELMPD0.DLL";
    d.dataFile = u"C:\\Windows\\System32\\spool\\drivers\\w32x86\\3\\model.mdf";
    d.configFile = u"C:\\Windows\\System32\\spool\\drivers\\w32x86\\3\\VELMPD3.DLL";
    d.helpFile = u"C:\\Windows\\System32\\spool\\drivers\\w32x86\\3\\VELMus.hlp";
    d.dependentFiles = {u"VELMPD4.DLL", u"orvtse.dll"};
    ASSERT_TRUE(plat::SpoolAddDriver(d));
    plat::SpoolPrinter p;
    p.name = u"Office";
    p.driverName = d.name;
    p.portName = u"LPT1:";
    p.attributes = PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_ENABLE_BIDI;
    p.devmode = std::vector<uint8_t>(300, 0xAB);
    std::string why;
    ASSERT_TRUE(plat::SpoolAddPrinter(p, &why)) << why;
    char16_t name[] = u"OFFICE";
    ASSERT_TRUE(OpenPrinterW(name, &printer_, nullptr));
  }
  void TearDown() override { ClosePrinter(printer_); }
};

TEST_F(Spooler, PrinterRecordTwoCallsAndItsStrings) {
  DWORD needed = 0;
  EXPECT_FALSE(GetPrinterW(printer_, 2, nullptr, 0, &needed));
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  ASSERT_GT(needed, sizeof(PRINTER_INFO_2W) + 300);
  std::vector<BYTE> small(needed - 1);
  EXPECT_FALSE(GetPrinterW(printer_, 2, small.data(), needed - 1, &needed));
  std::vector<BYTE> buf(needed);
  ASSERT_TRUE(GetPrinterW(printer_, 2, buf.data(), needed, &needed));
  auto* info = reinterpret_cast<PRINTER_INFO_2W*>(buf.data());
  EXPECT_EQ(info->pServerName, nullptr);  // a local printer
  EXPECT_EQ(plat::ToUtf8(info->pPrinterName), "Office");
  EXPECT_EQ(plat::ToUtf8(info->pDriverName), "VELM Driver");
  EXPECT_EQ(info->Attributes, PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_ENABLE_BIDI);
  ASSERT_NE(info->pDevMode, nullptr);
  EXPECT_EQ(reinterpret_cast<BYTE*>(info->pDevMode)[299], 0xAB);
  for (LPWSTR s : {info->pPrinterName, info->pDriverName, info->pDatatype}) {  // inside the one buffer
    EXPECT_GE(reinterpret_cast<BYTE*>(s), buf.data());
    EXPECT_LT(reinterpret_cast<BYTE*>(s), buf.data() + needed);
  }
  EXPECT_FALSE(GetPrinterW(printer_, 7, nullptr, 0, &needed));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_LEVEL);
  plat::FailNth("GetPrinterW.empty", 1);
  EXPECT_TRUE(GetPrinterW(printer_, 2, nullptr, 0, &needed));
  EXPECT_EQ(needed, 0u);
}

TEST_F(Spooler, DriverRecordLevel3) {
  DWORD needed = 0;
  EXPECT_FALSE(GetPrinterDriverW(printer_, nullptr, 3, nullptr, 0, &needed));
  std::vector<BYTE> buf(needed);
  ASSERT_TRUE(GetPrinterDriverW(printer_, nullptr, 3, buf.data(), needed, &needed));
  auto* d = reinterpret_cast<DRIVER_INFO_3W*>(buf.data());
  EXPECT_EQ(plat::ToUtf8(d->pDriverPath), "C:\\Windows\\System32\\spool\\drivers\\w32x86\\3\\VELMPD0.DLL");
  EXPECT_EQ(plat::ToUtf8(d->pHelpFile), "C:\\Windows\\System32\\spool\\drivers\\w32x86\\3\\VELMus.hlp");
  EXPECT_EQ(plat::ToUtf8(d->pDependentFiles), "VELMPD4.DLL");
  EXPECT_EQ(plat::ToUtf8(d->pDependentFiles + 12), "orvtse.dll");
  EXPECT_EQ(d->pDependentFiles[23], 0);  // the list's own end
  plat::FailNth("GetPrinterDriverW", 1);
  EXPECT_FALSE(GetPrinterDriverW(printer_, nullptr, 3, buf.data(), needed, &needed));
}

TEST_F(Spooler, TypedPrinterData) {
  char16_t name[] = u"PrinterName";
  const char16_t unterminated[] = {u'O', u'f', u'f'};
  ASSERT_EQ(SetPrinterDataW(printer_, name, REG_SZ, (BYTE*)unterminated, 6), ERROR_SUCCESS);
  DWORD type = 0, needed = 0;
  BYTE buf[64];
  EXPECT_EQ(GetPrinterDataW(printer_, name, &type, buf, 4, &needed), ERROR_MORE_DATA);
  EXPECT_EQ(needed, 6u);
  std::memset(buf, 0x55, sizeof buf);
  EXPECT_EQ(GetPrinterDataW(printer_, name, &type, buf, sizeof buf, &needed), ERROR_SUCCESS);
  EXPECT_EQ(needed, 6u);  // exactly what was stored, no terminator added
  EXPECT_EQ(buf[6], 0x55);
  EXPECT_EQ(type, REG_SZ);
  char16_t other[] = u"printername";  // names ignore case
  EXPECT_EQ(GetPrinterDataW(printer_, other, &type, buf, sizeof buf, &needed), ERROR_SUCCESS);
  char16_t missing[] = u"Missing";
  EXPECT_EQ(GetPrinterDataW(printer_, missing, &type, buf, sizeof buf, &needed), ERROR_FILE_NOT_FOUND);
  char16_t empty[] = u"Empty";
  ASSERT_EQ(SetPrinterDataW(printer_, empty, REG_BINARY, nullptr, 0), ERROR_SUCCESS);
  EXPECT_EQ(GetPrinterDataW(printer_, empty, &type, buf, sizeof buf, &needed), ERROR_SUCCESS);
  EXPECT_EQ(needed, 0u);

  ASSERT_TRUE(plat::SpoolDenyDataWrites(u"Office", true));
  EXPECT_EQ(SetPrinterDataW(printer_, name, REG_SZ, buf, 2), ERROR_ACCESS_DENIED);
  EXPECT_EQ(DeletePrinterDataW(printer_, name), ERROR_ACCESS_DENIED);
  ASSERT_TRUE(plat::SpoolDenyDataWrites(u"Office", false));
  plat::FailNth("SetPrinterDataW", 1);
  EXPECT_EQ(SetPrinterDataW(printer_, name, REG_SZ, buf, 2), ERROR_ACCESS_DENIED);
  EXPECT_EQ(DeletePrinterDataW(printer_, name), ERROR_SUCCESS);
  EXPECT_EQ(GetPrinterDataW(printer_, name, &type, buf, sizeof buf, &needed), ERROR_FILE_NOT_FOUND);
}

TEST_F(Spooler, DataWrittenByAnotherProcessIsSeen) {
  char16_t name[] = u"Permission";
  DWORD v = 0, type = 0, needed = 0;
  EXPECT_EQ(GetPrinterDataW(printer_, name, &type, (BYTE*)&v, 4, &needed), ERROR_FILE_NOT_FOUND);
  for (DWORD round = 1; round <= 3; ++round) {
    ASSERT_EQ(InChild([&] {
                HANDLE h = nullptr;
                char16_t printer[] = u"Office";
                if (!OpenPrinterW(printer, &h, nullptr)) return 1;
                DWORD value = round;
                return int(SetPrinterDataW(h, name, REG_DWORD, (BYTE*)&value, 4));
              }),
              0);
    EXPECT_EQ(GetPrinterDataW(printer_, name, &type, (BYTE*)&v, 4, &needed), ERROR_SUCCESS);
    EXPECT_EQ(v, round);
  }
}

TEST_F(Spooler, CatalogueRules) {
  char16_t unknown[] = u"Nope";
  HANDLE h = nullptr;
  EXPECT_FALSE(OpenPrinterW(unknown, &h, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PRINTER_NAME);
  plat::SpoolPrinter dup;
  dup.name = u"office";
  dup.driverName = u"VELM Driver";
  std::string why;
  EXPECT_FALSE(plat::SpoolAddPrinter(dup, &why));
  plat::SpoolPrinter remote;
  remote.name = u"\\\\server\\Shared";
  remote.serverName = u"\\\\server";
  remote.driverName = u"VELM Driver";
  ASSERT_TRUE(plat::SpoolAddPrinter(remote, &why)) << why;
  char16_t rname[] = u"\\\\SERVER\\shared";
  ASSERT_TRUE(OpenPrinterW(rname, &h, nullptr));
  DWORD needed = 0;
  GetPrinterW(h, 2, nullptr, 0, &needed);
  std::vector<BYTE> buf(needed);
  ASSERT_TRUE(GetPrinterW(h, 2, buf.data(), needed, &needed));
  EXPECT_EQ(plat::ToUtf8(reinterpret_cast<PRINTER_INFO_2W*>(buf.data())->pServerName), "\\\\server");
  EXPECT_EQ(reinterpret_cast<PRINTER_INFO_2W*>(buf.data())->pDevMode, nullptr);
  EXPECT_TRUE(ClosePrinter(h));
  EXPECT_FALSE(ClosePrinter(h));
  EXPECT_EQ(plat::SpoolListPrinters().size(), 2u);
  plat::SpoolPrinter bad;
  bad.name = u"a,b";
  bad.driverName = u"VELM Driver";
  EXPECT_FALSE(plat::SpoolAddPrinter(bad, &why));
}

// A write batch: the thread sees its held writes, another process does not;
// the outermost end applies printer data and profile files together, and a
// failure of any file's rewrite, or a discarded level, applies nothing.
TEST_F(Spooler, WriteBatchesApplyAllOrNothing) {
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Data", nullptr));
  const char16_t* ini = u"C:\\Data\\batch.ini";
  char16_t name_a[] = u"A", name_b[] = u"B";
  DWORD one = 1, two = 2;
  auto read = [&](char16_t* name) {
    DWORD v = 0, type = 0, needed = 0;
    return GetPrinterDataW(printer_, name, &type, reinterpret_cast<BYTE*>(&v), 4, &needed) == ERROR_SUCCESS ? int(v)
                                                                                                           : -1;
  };
  auto key = [&] { return GetPrivateProfileIntW(u"S", u"k", -1, ini); };
  ASSERT_EQ(SetPrinterDataW(printer_, name_b, REG_DWORD, reinterpret_cast<BYTE*>(&one), 4), DWORD(ERROR_SUCCESS));

  struct Case {
    const char* what;
    const char* fault;  // failed at the end, or null
    bool discard_inner;
    bool applied;
  } cases[] = {
      {"a failed rewrite of the second file", "WriteFile", false, false},
      {"a discarded inner level", nullptr, true, false},
      {"a clean batch", nullptr, false, true},
  };
  for (const Case& c : cases) {
    plat::WriteBatchBegin();
    ASSERT_EQ(SetPrinterDataW(printer_, name_a, REG_DWORD, reinterpret_cast<BYTE*>(&two), 4), DWORD(ERROR_SUCCESS));
    ASSERT_EQ(DeletePrinterDataW(printer_, name_b), DWORD(ERROR_SUCCESS));
    ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"k", u"5", ini));
    plat::WriteBatchBegin();
    EXPECT_EQ(plat::WriteBatchEnd(!c.discard_inner), !c.discard_inner);
    EXPECT_EQ(read(name_a), 2) << c.what;  // the thread sees what it holds
    EXPECT_EQ(read(name_b), -1) << c.what;
    EXPECT_EQ(key(), 5u) << c.what;
    EXPECT_EQ(InChild([&] {
                plat::WriteBatchEnd(false);  // the copy of this thread's batch is not the other process's
                return read(name_a) == -1 && read(name_b) == 1 && key() == UINT(-1) ? 0 : 1;
              }),
              0)
        << c.what << ": another process sees nothing yet";
    if (c.fault) plat::FailNth(c.fault, 2);  // the printer data is written beside, the ini is not
    EXPECT_EQ(plat::WriteBatchEnd(true), c.applied) << c.what;
    plat::ClearFaults();
    EXPECT_EQ(read(name_a), c.applied ? 2 : -1) << c.what;
    EXPECT_EQ(read(name_b), c.applied ? -1 : 1) << c.what;
    EXPECT_EQ(key(), c.applied ? 5u : UINT(-1)) << c.what;
  }
  EXPECT_FALSE(plat::WriteBatchEnd(true));  // no batch open
}

}  // namespace
