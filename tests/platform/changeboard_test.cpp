// Readers that trust their cached stores while the machine's change board
// shows no change must still see every change another process makes, also
// after a writer died inside a change.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "changeboard.h"
#include "plat/machineconf.h"
#include "plat/registry.h"
#include "plat/winspool.h"
#include "standin_machine.h"
#include "temp_machine.h"

namespace {

using plat_test::InChild;
using plat_test::TempMachine;

class ChangeBoard : public ::testing::Test {
 protected:
  TempMachine machine_;
  HANDLE printer_ = nullptr;
  void SetUp() override {
    std::string why;
    ASSERT_TRUE(test_support::AddVelmPrinter(u"Office", 0, nullptr, &why)) << why;
    char16_t name[] = u"Office";
    ASSERT_TRUE(OpenPrinterW(name, &printer_, nullptr));
  }
  void TearDown() override { ClosePrinter(printer_); }

  DWORD Read() {
    char16_t name[] = u"Value";
    DWORD type = 0, needed = 0, v = 0;
    return GetPrinterDataW(printer_, name, &type, reinterpret_cast<BYTE*>(&v), 4, &needed) == ERROR_SUCCESS ? v
                                                                                                         : 0xFFFFFFFF;
  }
  // The value set by another process.
  static int SetInChild(DWORD value) {
    return InChild([value] {
      HANDLE h = nullptr;
      char16_t printer[] = u"Office", name[] = u"Value";
      DWORD v = value;
      if (!OpenPrinterW(printer, &h, nullptr)) return 1;
      return SetPrinterDataW(h, name, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4) == ERROR_SUCCESS ? 0 : 2;
    });
  }
};

TEST_F(ChangeBoard, EveryChangeOfAnotherProcessIsSeenByACachedReader) {
  for (DWORD v = 1; v <= 20; ++v) {
    ASSERT_EQ(SetInChild(v), 0);
    ASSERT_EQ(Read(), v) << "a stale cached reading after change " << v;
    ASSERT_EQ(Read(), v);  // and again from the cache
  }
  // The machine's settings too.
  for (int v = 1; v <= 5; ++v) {
    ASSERT_EQ(InChild([v] { return plat::SetMachineSetting("test.value", std::to_string(v)) ? 0 : 1; }), 0);
    ASSERT_EQ(plat::GetMachineSettingInt("test.value", 0), v);
  }
}

TEST_F(ChangeBoard, NoTokenWhileAChangeRunsNorAfterAWriterDiedInOne) {
  const uint64_t before = plat::detail::MachineChangeToken();
  ASSERT_NE(before, 0u);
  EXPECT_EQ(plat::detail::MachineChangeToken(), before) << "nothing changed";
  ASSERT_EQ(SetInChild(5), 0);
  EXPECT_NE(plat::detail::MachineChangeToken(), before);
  ASSERT_EQ(Read(), 5u);
  {
    plat::detail::MachineChange change;
    EXPECT_EQ(plat::detail::MachineChangeToken(), 0u);
  }
  EXPECT_NE(plat::detail::MachineChangeToken(), 0u);
  // A writer killed between the start and the end of its change.
  ASSERT_EQ(InChild([] {
              new plat::detail::MachineChange();  // never ended
              _exit(0);
              return 0;
            }),
            0);
  EXPECT_EQ(plat::detail::MachineChangeToken(), 0u);
  for (DWORD v = 6; v <= 8; ++v) {
    ASSERT_EQ(SetInChild(v), 0);
    EXPECT_EQ(Read(), v);
  }
}

TEST(MachineCounters, ProcessesCountingAtOnceLoseNoStep) {
  TempMachine machine;
  EXPECT_EQ(plat::GetMachineCounter("test.calls"), 0);
  for (const char* bad : {"", "../x", ".hidden", "a/b", "a b"}) EXPECT_FALSE(plat::AddMachineCounter(bad, 1)) << bad;
  constexpr int kProcesses = 4, kSteps = 100;
  pid_t pids[kProcesses];
  for (pid_t& pid : pids) {
    pid = fork();
    if (pid == 0) {
      for (int i = 0; i < kSteps; ++i)
        if (!plat::AddMachineCounter("test.calls", 1)) _exit(1);
      _exit(0);
    }
  }
  for (pid_t pid : pids) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  EXPECT_EQ(plat::GetMachineCounter("test.calls"), kProcesses * kSteps);
  EXPECT_TRUE(plat::AddMachineCounter("test.calls", -kProcesses * kSteps));
  EXPECT_EQ(plat::GetMachineCounter("test.calls"), 0);
}

}  // namespace
