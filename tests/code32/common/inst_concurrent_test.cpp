// The set-up of one printer by two processes at once, and by a process that
// is killed in the middle of it.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "ctx_test_machine.h"
#include "plat/profile.h"
#include "velm/inst.h"
#include "velm/inst_setup.h"
#include "velm/lock.h"
#include "velm/paths.h"
#include "velm/printer_data.h"

namespace {

class ConcurrentSetup : public ctx_test::ModelMachine {
 protected:
  void SetUp() override {
    ctx_test::ModelMachine::SetUp();
    UseModel("data/models/small.mdf");
    DriverContext* ctx = OpenKind(1);
    ASSERT_NE(ctx, nullptr);
    const std::string lang = plat::ToUtf8(InstGetLanguageSectionName(ctx));
    const std::u16string info = PathGetInstallInfoFile(ctx);
    CtxCloseAs(ctx, kCloseDestroy);
    // The install-info file names default settings whose presets the
    // set-up installs; that records the printer as set up.
    Put(info, "[" + lang + "]\r\nDefaultQst=defaults.qsb\r\nMergeKey=K\r\n");
    Put(Driver("defaults.qsb"), "[" + lang + "]\r\nNumDeficonfiles=1\r\nDeficonfiles1=P1.qsd\r\n");
    Put(Driver("P1.qsd"), "[" + lang + "]\r\nsetname=One\r\nsetcomment=First\r\n");
  }

  static std::u16string Driver(const std::string& name) {
    return std::u16string(env_test::kDriverDir) + plat::FromUtf8(name);
  }

  // A child process that runs one set-up once the pipe is closed, and exits
  // with what InstSetUpOnce answered.
  static pid_t SetUpInChild(HANDLE printer, const int gate[2]) {
    pid_t pid = fork();
    if (pid != 0) return pid;
    close(gate[1]);
    LockTerminate();  // a process of its own: its own mutex handle
    LockInitialize();
    char c;
    while (read(gate[0], &c, 1) > 0) {
    }
    _exit(InstSetUpOnce(printer, nullptr, 0, kSetupInitialize));
  }

  // Every ini file of the machine is whole: each line a section, a key, a
  // comment or blank, each ended by CR LF.
  void ExpectWholeInis() const {
    for (const auto& e : std::filesystem::recursive_directory_iterator(root_)) {
      const std::string path = e.path().string();
      if (!e.is_regular_file() || path.find("/.") != std::string::npos) continue;
      const std::string ext = path.substr(path.find_last_of('.') + 1);
      if (ext != "ini" && ext != "INI" && ext != "qsd") continue;
      const std::string text = test_support::ReadFile(path);
      SCOPED_TRACE(path);
      EXPECT_TRUE(text.empty() || (text.size() >= 2 && text.substr(text.size() - 2) == "\r\n"));
      size_t pos = 0;
      while (pos < text.size()) {
        size_t end = text.find("\r\n", pos);
        ASSERT_NE(end, std::string::npos);
        const std::string line = text.substr(pos, end - pos);
        EXPECT_TRUE(line.empty() || line[0] == ';' || (line[0] == '[' && line.back() == ']') ||
                    line.find('=') != std::string::npos)
            << line;
        pos = end + 2;
      }
    }
  }

  // What a finished set-up leaves in the printer's stores.
  void ExpectSetUp(HANDLE printer) {
    char16_t name[261] = {};
    EXPECT_TRUE(SplReadPrinterString(printer, u"PrinterName", name, 261));
    EXPECT_EQ(std::u16string(name), u"Office");
    std::vector<uint8_t> bytes;
    DWORD type = 0;
    EXPECT_TRUE(GetData(printer, u"BidiFlag", &type, &bytes));
    EXPECT_TRUE(GetData(printer, u"LogFileName", &type, &bytes));
    EXPECT_FALSE(GetData(printer, u"InstSetupPending", &type, &bytes));
    EXPECT_EQ(InstIsBatchInstallDone(printer), 1);
    char16_t ini[261] = {};
    ASSERT_TRUE(PathGetDriverIniNoCtx(ini, 261, 0));
    char16_t merge[64] = {};
    GetPrivateProfileStringW(u"Office", u"MergeKey", u"", merge, 64, ini);
    EXPECT_EQ(std::u16string(merge), u"K");
  }
};

TEST_F(ConcurrentSetup, TwoProcessesSetUpOnePrinterOnce) {
  for (int round = 0; round < 50; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    ASSERT_TRUE(InstWriteBatchInstallDone(printer_, 0, nullptr));
    int gate[2];
    ASSERT_EQ(pipe(gate), 0);
    pid_t a = SetUpInChild(printer_, gate);
    pid_t b = SetUpInChild(printer_, gate);
    close(gate[0]);
    close(gate[1]);  // both start now
    int ran = 0, skipped = 0;
    for (pid_t pid : {a, b}) {
      int status = 0;
      ASSERT_EQ(waitpid(pid, &status, 0), pid);
      ASSERT_TRUE(WIFEXITED(status)) << "child died";
      if (WEXITSTATUS(status) == 1) ++ran;
      else if (WEXITSTATUS(status) == kSetupAlreadyDone) ++skipped;
    }
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(skipped, 1);
  }
  ExpectWholeInis();
  ExpectSetUp(printer_);
}

TEST_F(ConcurrentSetup, AKilledSetUpIsFinishedAtTheNextOpen) {
  // A random file write of the set-up; a write beyond its last one means
  // the set-up ended first, and a smaller one is tried.
  const unsigned seed = unsigned(std::chrono::steady_clock::now().time_since_epoch().count());
  std::mt19937 random(seed);
  int nth = 1 + int(random() % 40);
  SCOPED_TRACE("seed " + std::to_string(seed));
  bool killed = false;
  for (int attempt = 0; attempt < 6 && !killed; ++attempt) {
    if (attempt > 0) nth = nth / 2 + 1;
    pid_t pid = fork();
    if (pid == 0) {
      LockTerminate();
      LockInitialize();
      setenv("VELM_CRASH_AT", ("FileReplace:" + std::to_string(nth)).c_str(), 1);
      _exit(InstSetUpOnce(printer_, nullptr, 0, kSetupInitialize) == 1 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    if (!killed) {
      ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
      ASSERT_TRUE(InstWriteBatchInstallDone(printer_, 0, nullptr));  // not set up, once more
    }
  }
  ASSERT_TRUE(killed) << "no kill landed inside a set-up";
  SCOPED_TRACE("killed at write " + std::to_string(nth));
  ExpectWholeInis();
  // The next open finishes what the killed process began.
  EXPECT_EQ(InstSetUpOnce(printer_, nullptr, 0, kSetupInitialize), 1);
  ExpectSetUp(printer_);
  ExpectWholeInis();
  EXPECT_EQ(InstSetUpOnce(printer_, nullptr, 0, kSetupInitialize), kSetupAlreadyDone);
}

}  // namespace
