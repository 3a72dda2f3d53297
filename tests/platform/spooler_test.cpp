#include <gtest/gtest.h>

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "plat/batch.h"
#include "plat/files.h"
#include "plat/machineconf.h"
#include "plat/profile.h"
#include "plat/registry.h"
#include "plat/winspool.h"
#include "plat/wstr.h"
#include "changeboard.h"
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

// The per-user DEVMODE (level 9): level 2 hands it out in place of the
// printer's own while the user has one; a null one removes it; a DEVMODE
// shorter than its header is refused; another printer keeps its own.
TEST_F(Spooler, PerUserDevmodeLevel9) {
  auto get = [&](DWORD level) {
    DWORD needed = 0;
    GetPrinterW(printer_, level, nullptr, 0, &needed);
    std::vector<BYTE> buf(needed);
    EXPECT_TRUE(GetPrinterW(printer_, level, buf.data(), needed, &needed));
    return buf;
  };
  auto devmode_of = [](std::vector<BYTE>& buf, DWORD level) {
    return reinterpret_cast<BYTE*>(level == 9 ? reinterpret_cast<PRINTER_INFO_9W*>(buf.data())->pDevMode
                                              : reinterpret_cast<PRINTER_INFO_2W*>(buf.data())->pDevMode);
  };
  std::vector<BYTE> none = get(9);
  EXPECT_EQ(devmode_of(none, 9), nullptr) << "no per-user DEVMODE yet";

  std::vector<BYTE> mine(300, 0x11);  // dmSize 200 + dmDriverExtra 60: 260 bytes are the DEVMODE
  mine[68] = 200;
  mine[69] = 0;
  mine[70] = 60;
  mine[71] = 0;
  PRINTER_INFO_9W info{reinterpret_cast<DEVMODEW*>(mine.data())};
  ASSERT_TRUE(SetPrinterW(printer_, 9, reinterpret_cast<BYTE*>(&info), 0));
  for (DWORD level : {DWORD(9), DWORD(2)}) {
    std::vector<BYTE> buf = get(level);
    BYTE* dm = devmode_of(buf, level);
    ASSERT_NE(dm, nullptr) << level;
    EXPECT_EQ(dm[0], 0x11) << level;
    EXPECT_LE(dm + 260, buf.data() + buf.size()) << "the DEVMODE lies inside the buffer";
  }
  plat::SpoolPrinter record;
  ASSERT_TRUE(plat::SpoolFindPrinter(u"Office", &record));
  EXPECT_EQ(record.devmode, std::vector<uint8_t>(300, 0xAB)) << "the printer's own DEVMODE stays";
  EXPECT_EQ(record.userDevmode.size(), 260u);

  std::vector<BYTE> short_one(80, 0);
  short_one[68] = 40;
  PRINTER_INFO_9W bad{reinterpret_cast<DEVMODEW*>(short_one.data())};
  EXPECT_FALSE(SetPrinterW(printer_, 9, reinterpret_cast<BYTE*>(&bad), 0));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  ASSERT_TRUE(plat::SpoolFindPrinter(u"Office", &record));
  EXPECT_EQ(record.userDevmode.size(), 260u) << "a refused DEVMODE changes nothing";

  PRINTER_INFO_9W clear{nullptr};
  ASSERT_TRUE(SetPrinterW(printer_, 9, reinterpret_cast<BYTE*>(&clear), 0));
  std::vector<BYTE> after = get(2);
  EXPECT_EQ(devmode_of(after, 2)[299], 0xAB) << "the printer's own DEVMODE again";
  EXPECT_FALSE(SetPrinterW(printer_, 8, reinterpret_cast<BYTE*>(&clear), 0));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_LEVEL);
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

// The data listed once is put back whole: values changed, added and
// removed since return to what they were, for this process's next read and
// another's.
TEST_F(Spooler, PrinterDataReplacedWholeByAnEarlierListing) {
  char16_t kept[] = u"Kept", changed[] = u"Changed", removed[] = u"Removed", added[] = u"Added";
  DWORD one = 1, two = 2;
  ASSERT_EQ(SetPrinterDataW(printer_, kept, REG_DWORD, reinterpret_cast<BYTE*>(&one), 4), DWORD(ERROR_SUCCESS));
  ASSERT_EQ(SetPrinterDataW(printer_, changed, REG_BINARY, reinterpret_cast<BYTE*>(&one), 4), DWORD(ERROR_SUCCESS));
  ASSERT_EQ(SetPrinterDataW(printer_, removed, REG_DWORD, reinterpret_cast<BYTE*>(&one), 4), DWORD(ERROR_SUCCESS));
  const std::vector<plat::SpoolDataValue> listed = plat::SpoolListPrinterData(u"Office");
  ASSERT_EQ(listed.size(), 3u);

  ASSERT_EQ(SetPrinterDataW(printer_, changed, REG_DWORD, reinterpret_cast<BYTE*>(&two), 4), DWORD(ERROR_SUCCESS));
  ASSERT_EQ(DeletePrinterDataW(printer_, removed), DWORD(ERROR_SUCCESS));
  ASSERT_EQ(SetPrinterDataW(printer_, added, REG_DWORD, reinterpret_cast<BYTE*>(&two), 4), DWORD(ERROR_SUCCESS));
  ASSERT_TRUE(plat::SpoolReplacePrinterData(u"office", listed));

  const std::vector<plat::SpoolDataValue> now = plat::SpoolListPrinterData(u"Office");
  ASSERT_EQ(now.size(), listed.size());
  for (size_t i = 0; i < now.size(); ++i) {
    EXPECT_EQ(now[i].name, listed[i].name);
    EXPECT_EQ(now[i].type, listed[i].type);
    EXPECT_EQ(now[i].data, listed[i].data);
  }
  DWORD type = 0, needed = 0, v = 0;
  ASSERT_EQ(GetPrinterDataW(printer_, changed, &type, reinterpret_cast<BYTE*>(&v), 4, &needed), DWORD(ERROR_SUCCESS));
  EXPECT_EQ(v, 1u);
  EXPECT_EQ(type, DWORD(REG_BINARY));
  EXPECT_EQ(GetPrinterDataW(printer_, added, &type, nullptr, 0, &needed), DWORD(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(InChild([] {
              HANDLE h = nullptr;
              char16_t name[] = u"Office", value[] = u"Removed";
              if (!OpenPrinterW(name, &h, nullptr)) return 1;
              DWORD t = 0, n = 0, got = 0;
              DWORD r = GetPrinterDataW(h, value, &t, reinterpret_cast<BYTE*>(&got), 4, &n);
              ClosePrinter(h);
              return r == ERROR_SUCCESS && got == 1 ? 0 : 2;
            }),
            0);

  // No such printer; nor inside a write batch, whose held changes it would
  // pass by.
  EXPECT_FALSE(plat::SpoolReplacePrinterData(u"Nobody", listed));
  plat::WriteBatchBegin();
  EXPECT_FALSE(plat::SpoolReplacePrinterData(u"Office", {}));
  EXPECT_TRUE(plat::WriteBatchEnd(true));
  EXPECT_EQ(plat::SpoolListPrinterData(u"Office").size(), 3u);
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

// The host files of the machine of at least min_size bytes, with the
// identity of each (a rewrite renames a new file into place).
std::map<std::string, std::pair<ino_t, int64_t>> BigFiles(const std::string& dir, off_t min_size) {
  std::map<std::string, std::pair<ino_t, int64_t>> out;
  DIR* d = opendir(dir.c_str());
  if (!d) return out;
  while (dirent* e = readdir(d)) {
    std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    std::string path = dir + "/" + name;
    struct stat st{};
    if (stat(path.c_str(), &st) != 0) continue;
    if (S_ISDIR(st.st_mode)) {
      auto below = BigFiles(path, min_size);
      out.insert(below.begin(), below.end());
    } else if (st.st_size >= min_size) {
      out[path] = {st.st_ino, int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
    }
  }
  closedir(d);
  return out;
}

// A printer that holds megabytes of data does not make every other
// printer's write rewrite (and flush) them.
TEST_F(Spooler, OnePrintersLargeDataIsNotRewrittenByAnotherPrintersWrites) {
  plat::SpoolPrinter p;
  p.name = u"Annex";
  p.driverName = u"VELM Driver";
  std::string why;
  ASSERT_TRUE(plat::SpoolAddPrinter(p, &why)) << why;
  char16_t annex_name[] = u"Annex";
  HANDLE annex = nullptr;
  ASSERT_TRUE(OpenPrinterW(annex_name, &annex, nullptr));
  std::vector<BYTE> big(2 << 20, 0x5A);
  char16_t big_name[] = u"Big";
  ASSERT_EQ(SetPrinterDataW(printer_, big_name, REG_BINARY, big.data(), DWORD(big.size())), DWORD(ERROR_SUCCESS));
  auto before = BigFiles(machine_.root(), off_t(big.size()));
  ASSERT_FALSE(before.empty());
  for (DWORD i = 0; i < 50; ++i) {
    std::u16string name = plat::FromUtf8("v" + std::to_string(i));
    ASSERT_EQ(SetPrinterDataW(annex, name.data(), REG_DWORD, reinterpret_cast<BYTE*>(&i), 4), DWORD(ERROR_SUCCESS));
  }
  EXPECT_EQ(BigFiles(machine_.root(), off_t(big.size())), before);  // not one byte of it rewritten
  DWORD type = 0, needed = 0, v = 0;
  char16_t last[] = u"v49";
  EXPECT_EQ(GetPrinterDataW(annex, last, &type, reinterpret_cast<BYTE*>(&v), 4, &needed), DWORD(ERROR_SUCCESS));
  EXPECT_EQ(v, 49u);
  EXPECT_EQ(GetPrinterDataW(annex, big_name, &type, nullptr, 0, &needed), DWORD(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(GetPrinterDataW(printer_, big_name, &type, nullptr, 0, &needed), DWORD(ERROR_MORE_DATA));
  EXPECT_EQ(needed, big.size());
  EXPECT_EQ(plat::SpoolListPrinterData(u"annex").size(), 50u);
  ClosePrinter(annex);
}

// A machine whose catalogue still holds the printer data (the earlier
// layout) reads it, and the printer's first write moves it, whole, into the
// printer's own store.
TEST_F(Spooler, PrinterDataOfTheEarlierLayoutIsReadAndMoved) {
  std::string catalogue = machine_.root() + "/spool/spooler.reg";
  {
    // Written as the layer writes a store, so that this process's cached
    // reading hears of it.
    plat::detail::MachineChange change;
    std::ofstream out(catalogue, std::ios::app | std::ios::binary);
    out << "V\tPrinters\\Office\\PrinterDriverData\tOld\t4\t2a000000\n";
  }
  DWORD type = 0, needed = 0, v = 0;
  char16_t old_name[] = u"Old", new_name[] = u"New";
  ASSERT_EQ(GetPrinterDataW(printer_, old_name, &type, reinterpret_cast<BYTE*>(&v), 4, &needed), DWORD(ERROR_SUCCESS));
  EXPECT_EQ(v, 42u);
  DWORD seven = 7;
  ASSERT_EQ(SetPrinterDataW(printer_, new_name, REG_DWORD, reinterpret_cast<BYTE*>(&seven), 4), DWORD(ERROR_SUCCESS));
  ASSERT_EQ(GetPrinterDataW(printer_, old_name, &type, reinterpret_cast<BYTE*>(&v), 4, &needed), DWORD(ERROR_SUCCESS));
  EXPECT_EQ(v, 42u);
  ASSERT_EQ(GetPrinterDataW(printer_, new_name, &type, reinterpret_cast<BYTE*>(&v), 4, &needed), DWORD(ERROR_SUCCESS));
  EXPECT_EQ(v, 7u);
  EXPECT_EQ(TempMachine::ReadHost(catalogue).find("\tOld\t"), std::string::npos);  // moved, not copied
  EXPECT_EQ(plat::SpoolListPrinterData(u"Office").size(), 2u);
  // Another process sees the moved values too.
  EXPECT_EQ(InChild([] {
              HANDLE h = nullptr;
              char16_t name[] = u"office", value[] = u"Old";
              if (!OpenPrinterW(name, &h, nullptr)) return 1;
              DWORD t = 0, n = 0, got = 0;
              return GetPrinterDataW(h, value, &t, reinterpret_cast<BYTE*>(&got), 4, &n) == ERROR_SUCCESS && got == 42 ? 0 : 2;
            }),
            0);
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
                (void)plat::WriteBatchEnd(false);  // the copy of this thread's batch is not the other process's
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

// A batch whose process is killed in the middle of its commit: before its
// intent record nothing is applied; from the record on, the next process
// that touches the machine, or the next writer of one of its files, finishes
// the renames, so printer data and ini are found together as before or as
// after.
TEST_F(Spooler, AKilledCommitIsFinishedByWhoeverComesNext) {
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Data", nullptr));
  const char16_t* ini = u"C:\\Data\\batch.ini";
  char16_t name_a[] = u"A";
  auto read_a = [&] {
    DWORD v = 0, type = 0, needed = 0;
    return GetPrinterDataW(printer_, name_a, &type, reinterpret_cast<BYTE*>(&v), 4, &needed) == ERROR_SUCCESS ? int(v)
                                                                                                            : -1;
  };
  auto read_k = [&] { return int(GetPrivateProfileIntW(u"S", u"k", -1, ini)); };
  const std::string journal = machine_.root() + "/.journal";
  auto records = [&] {
    int n = 0;
    if (DIR* d = opendir(journal.c_str())) {
      while (dirent* e = readdir(d)) n += std::strncmp(e->d_name, "batch-", 6) == 0;
      closedir(d);
    }
    return n;
  };
  struct Case {
    const char* crash;
    bool applied;       // as after, once whoever comes next has looked
    bool by_new_writer;  // finished by the next writer of the ini, not a new process
  } cases[] = {
      {"BatchJournal:1", false, false},
      {"BatchRename:1", true, false},
      {"BatchRename:2", true, false},
      {"BatchRename:2", true, true},
  };
  int value = 10;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.crash) + (c.by_new_writer ? " (next writer)" : " (next process)"));
    const int before = read_a(), after = ++value;
    ASSERT_EQ(read_k(), before);
    const int rc = InChild([&] {
      setenv("VELM_CRASH_AT", c.crash, 1);
      DWORD v = DWORD(after);
      plat::WriteBatchBegin();
      if (SetPrinterDataW(printer_, name_a, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4) != ERROR_SUCCESS ||
          !WritePrivateProfileStringW(u"S", u"k", plat::FromUtf8(std::to_string(after)).c_str(), ini)) {
        return 2;
      }
      (void)plat::WriteBatchEnd(true);  // the crash point stops the child inside it
      return 0;
    });
    ASSERT_EQ(rc, 1000 + SIGKILL) << "the child was not stopped in its commit";
    EXPECT_EQ(records(), c.applied ? 1 : 0) << "the intent record is there from the first rename on";
    if (c.by_new_writer) {
      // This process has touched the machine already: its next write of the
      // ini takes the ini's lock and finishes the commit first.
      ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"other", u"1", ini));
      EXPECT_EQ(read_a(), after);
      EXPECT_EQ(read_k(), after);
    } else {
      EXPECT_EQ(InChild([&] { return read_a() == (c.applied ? after : before) && read_k() == read_a() ? 0 : 1; }), 0);
    }
    EXPECT_EQ(records(), 0);
    if (!c.applied) {  // bring the stores in step with the case that follows
      DWORD v = DWORD(after);
      ASSERT_EQ(SetPrinterDataW(printer_, name_a, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4), DWORD(ERROR_SUCCESS));
      ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"k", plat::FromUtf8(std::to_string(after)).c_str(), ini));
    }
  }
}

// An intent record is untrusted input: one that names a file outside the
// machine, or is not whole, is dropped and renames nothing.
TEST_F(Spooler, AHostileIntentRecordRenamesNothing) {
  const std::string journal = machine_.root() + "/.journal";
  ASSERT_EQ(mkdir(journal.c_str(), 0777), 0);
  const std::string outside = machine_.root() + "/../outside-target";
  std::ofstream(machine_.root() + "/.~velm1-1.tmp") << "new";
  struct Case {
    const char* name;
    std::string text;
  } cases[] = {
      {"batch-1-1.rec", "velm write batch 1\nkey\tk\ntemp\t.~velm1-1.tmp\nhost\t../outside-target\nend\n"},
      {"batch-1-2.rec", "velm write batch 1\nkey\tk\ntemp\t.~velm1-1.tmp\nhost\tc/x\n"},
      {"batch-1-3.rec", "velm write batch 1\nkey\tk\ntemp\tc/not-a-temp\nhost\tc/x\nend\n"},
      {"batch-1-4.rec", "something else\n"},
  };
  for (const Case& c : cases) std::ofstream(journal + "/" + c.name) << c.text;
  EXPECT_EQ(InChild([&] {
              plat::MachineRoot();  // the first touch of the machine
              struct stat st{};
              CHILD_CHECK(stat(outside.c_str(), &st) != 0);
              CHILD_CHECK(stat((machine_.root() + "/c/x").c_str(), &st) != 0);
              CHILD_CHECK(stat((machine_.root() + "/.~velm1-1.tmp").c_str(), &st) == 0);
              for (const Case& c : cases) CHILD_CHECK(stat((journal + "/" + c.name).c_str(), &st) != 0);
              return 0;
            }),
            0);
}

}  // namespace

namespace {

// Job ids and counters of the machine are counted by every process at once:
// eight processes taking jobs and adding to a machine setting at the same
// time get distinct ids and lose no step.
TEST_F(Spooler, JobIdsAndCountersAreTheMachines) {
  constexpr int kProcesses = 8, kEach = 5;
  std::vector<pid_t> children;
  int pipes[2];
  ASSERT_EQ(pipe(pipes), 0);
  for (int i = 0; i < kProcesses; ++i) {
    pid_t pid = fork();
    if (pid == 0) {
      for (int j = 0; j < kEach; ++j) {
        DWORD id = plat::SpoolAddJob({u"Office", u"doc", u"alice"});
        if (write(pipes[1], &id, sizeof id) != sizeof id) _exit(2);
        if (!plat::AddMachineSettingInt("test.count", 1)) _exit(3);
      }
      _exit(0);
    }
    children.push_back(pid);
  }
  close(pipes[1]);
  for (pid_t pid : children) {
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  std::set<DWORD> ids;
  DWORD id = 0;
  while (read(pipes[0], &id, sizeof id) == sizeof id) ids.insert(id);
  close(pipes[0]);
  EXPECT_EQ(ids.size(), size_t(kProcesses * kEach));
  EXPECT_EQ(ids.count(0), 0u);
  EXPECT_EQ(plat::SpoolAddJob({u"Office", u"next", u""}), DWORD(kProcesses * kEach + 1)) << "this process goes on";
  EXPECT_EQ(plat::GetMachineSettingInt("test.count", 0), kProcesses * kEach);
  // A counter that cannot be written answers no id and says why.
  plat::FailNth("WriteFile", 1);
  EXPECT_EQ(plat::SpoolAddJob({u"Office", u"full", u""}), 0u);
  EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
  plat::ClearFaults();
}

TEST_F(Spooler, JobRecordsOfThePrintersJobs) {
  const DWORD job = plat::SpoolAddJob({u"Office", u"Quarterly report", u"alice"});
  const DWORD anonymous = plat::SpoolAddJob({u"Office", u"", u""});
  ASSERT_NE(job, anonymous);
  for (DWORD level : {1u, 2u}) {
    SCOPED_TRACE(level);
    DWORD needed = 0;
    EXPECT_FALSE(GetJobW(printer_, job, level, nullptr, 0, &needed));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    std::vector<BYTE> small(needed - 1);
    EXPECT_FALSE(GetJobW(printer_, job, level, small.data(), needed - 1, &needed));
    std::vector<BYTE> buf(needed);
    ASSERT_TRUE(GetJobW(printer_, job, level, buf.data(), needed, &needed));
    // Level 1 and 2 share their first fields.
    auto* info = reinterpret_cast<JOB_INFO_1W*>(buf.data());
    EXPECT_EQ(info->JobId, job);
    EXPECT_EQ(plat::ToUtf8(info->pPrinterName), "Office");
    EXPECT_EQ(plat::ToUtf8(info->pUserName), "alice");
    EXPECT_EQ(plat::ToUtf8(info->pDocument), "Quarterly report");
    if (level == 2) {
      EXPECT_EQ(plat::ToUtf8(reinterpret_cast<JOB_INFO_2W*>(buf.data())->pDriverName), "VELM Driver");
    }
    ASSERT_TRUE(GetJobW(printer_, anonymous, level, buf.data(), needed, &needed));
    EXPECT_EQ(info->pUserName, nullptr) << "a job without a user name";
  }
  DWORD needed = 0;
  std::vector<BYTE> buf(4096);
  EXPECT_FALSE(GetJobW(printer_, job, 3, buf.data(), 4096, &needed));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_LEVEL);
  EXPECT_FALSE(GetJobW(printer_, job + 100, 1, buf.data(), 4096, &needed));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  // Another printer's job is not this printer's.
  const DWORD other = plat::SpoolAddJob({u"Elsewhere", u"x", u"bob"});
  EXPECT_FALSE(GetJobW(printer_, other, 1, buf.data(), 4096, &needed));
  plat::FailNth("GetJobW", 1);
  EXPECT_FALSE(GetJobW(printer_, job, 1, buf.data(), 4096, &needed));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(plat::SpoolRemoveJob(job));
  EXPECT_FALSE(plat::SpoolRemoveJob(job));
  EXPECT_FALSE(GetJobW(printer_, job, 1, buf.data(), 4096, &needed));
  plat::SpoolRemoveJob(anonymous);
  plat::SpoolRemoveJob(other);
}

}  // namespace
