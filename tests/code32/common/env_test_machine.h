// A fresh emulated machine with one printer ("Office") of our driver for
// the driver-environment tests, contexts for it, and a helper that runs a
// check in a forked child process (for process-wide state such as the
// cached terminal-services answer).
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "mdf_test_util.h"
#include "plat/calls.h"
#include "plat/files.h"
#include "plat/kernel.h"
#include "plat/machine.h"
#include "plat/machineconf.h"
#include "plat/registry.h"
#include "plat/winspool.h"
#include "plat/wstr.h"
#include "temp_machine.h"
#include "test_support.h"
#include "velm/context.h"
#include "velm/lock.h"
#include "velm/model_cache.h"
#include "velm/os.h"
#include "velm/printer_data.h"
#include "velm/remote.h"
#include "velm/settings.h"

namespace env_test {

constexpr const char16_t* kDriverDir = u"C:\\Windows\\System32\\spool\\drivers\\w32x86\\3\\";

class EnvMachine : public ::testing::Test {
 protected:
  void SetUp() override {
    machine_ = std::make_unique<plat_test::TempMachine>();
    root_ = machine_->root();
    ASSERT_TRUE(machine_->ok());
    ASSERT_TRUE(plat::EnsureWindowsDir(kDriverDir));
    Install(u"orvtse.dll", "orvtse.dll");
    AddDriver(u"VELM Driver", std::u16string(kDriverDir) + u"VELMPD0.DLL", std::u16string(kDriverDir) + u"VELMus.hlp");
    printer_ = AddPrinter(u"Office", u"VELM Driver");
    plat::ClearFaults();
    plat::ResetCalls();
    OsResetTerminalServerCache();  // each test is a freshly started process,
    LockTerminate();               // with no driver mutex handle yet
    LockInitialize();
  }

  void TearDown() override {
    for (DriverContext* c : contexts_) CtxCloseAs(c, kCloseDestroy);
    for (HANDLE h : handles_) ClosePrinter(h);
    plat::ClearFaults();
    machine_.reset();
  }

  // The remote-configuration module in the system directory, switched on
  // (XMBIDI_FLG 1) on a terminal server, answering the server type; type 0
  // switches it off again.
  static void UseRemoteModule(int type) {
    std::string why;
    ASSERT_TRUE(test_support::CopyFile(plat::StandinModuleDir() + "/XMBIDISS.dll",
                                       plat::MapPath(u"C:\\Windows\\System32\\XMBIDISS.dll"), &why))
        << why;
    uint32_t flag = type ? 1 : 0;
    ASSERT_TRUE(RegWriteValue(kRemoteRegistryKey, kRemoteRegistryFlag, &flag, 4, REG_DWORD));
    plat::SetMachineSetting("os.terminal", type ? "1" : "0");
    plat::SetMachineSetting("xmbidi.type", std::to_string(type));
    OsResetTerminalServerCache();
  }

  // Copies a stand-in module from the build into the driver directory.
  static void Install(const char16_t* as, const char* built) {
    std::string to = plat::MapPath(std::u16string(kDriverDir) + as);
    std::string why;
    ASSERT_TRUE(test_support::CopyFile(plat::StandinModuleDir() + "/" + built, to, &why)) << why;
  }

  static void AddDriver(const std::u16string& name, const std::u16string& driver_path, const std::u16string& help) {
    plat::SpoolDriver d;
    d.name = name;
    d.driverPath = driver_path;
    d.configFile = std::u16string(kDriverDir) + u"VELMPD3.DLL";
    d.dataFile = std::u16string(kDriverDir) + u"model.mdf";
    d.helpFile = help;
    ASSERT_TRUE(plat::SpoolAddDriver(d));
  }

  HANDLE AddPrinter(const std::u16string& name, const std::u16string& driver, DWORD attributes = PRINTER_ATTRIBUTE_LOCAL,
                    const std::u16string& server = u"") {
    plat::SpoolPrinter p;
    p.name = name;
    p.driverName = driver;
    p.serverName = server;
    p.attributes = attributes;
    std::string why;
    EXPECT_TRUE(plat::SpoolAddPrinter(p, &why)) << why;
    return Open(name);
  }

  HANDLE Open(const std::u16string& name) {
    std::u16string n = name;
    HANDLE h = nullptr;
    EXPECT_TRUE(OpenPrinterW(n.data(), &h, nullptr));
    handles_.push_back(h);
    return h;
  }

  // A context of kind 4 (no model) with a zeroed working DEVMODE, so that
  // settings can be read and written through it.
  DriverContext* Context(HANDLE printer = nullptr, uint32_t open_flags = kOpenEntryPoint) {
    DriverContext* ctx = CtxOpenKind(printer ? printer : printer_, printer ? printer : printer_, 4, open_flags);
    EXPECT_NE(ctx, nullptr);
    if (!ctx) return nullptr;
    ctx->devmode = static_cast<uint8_t*>(MemAllocZeroed(kWorkBufferSize));
    contexts_.push_back(ctx);
    return ctx;
  }

  // Empties what an open cached of the printer (name, driver name, remote
  // flag, attributes), as for a context whose facts were never asked.
  static void ForgetPrinterFacts(DriverContext* ctx) {
    ctx->work->printerName[0] = 0;
    ctx->work->driverName[0] = 0;
    ctx->work->remote = 0;
    ctx->work->attributesValid = 0;
    ctx->work->attributes = 0;
  }

  // A context of kind 1 over the small test model, whose UI resource module
  // is ui_dll (null: the model names none). The printer's model file is
  // rewritten and any image of it compiled before is forgotten.
  DriverContext* ModelContext(const char16_t* ui_dll) {
    std::string text = mdf_test::ReadFile(mdf_test::DataPath("data/models/small.mdf"));
    size_t line = text.find("*UIResDLLName:");
    EXPECT_NE(line, std::string::npos);
    if (line == std::string::npos) return nullptr;
    size_t end = text.find('\n', line);
    text.replace(line, end - line, ui_dll ? "*UIResDLLName: \"" + plat::ToUtf8(ui_dll) + "\"" : std::string());
    std::u16string model = std::u16string(kDriverDir) + u"model.mdf";
    Put(model, text);
    (void)DeleteFileW((std::u16string(kDriverDir) + u"model.BCS").c_str());  // may be absent already
    MdfFreeModelList();
    DriverContext* ctx = CtxOpenKind(printer_, printer_, 1, kOpenEntryPoint);
    EXPECT_NE(ctx, nullptr);
    if (ctx) contexts_.push_back(ctx);
    return ctx;
  }

  static DWORD SetData(HANDLE h, const char16_t* name, DWORD type, const void* data, DWORD size) {
    std::u16string n = name;
    return SetPrinterDataW(h, n.data(), type, static_cast<BYTE*>(const_cast<void*>(data)), size);
  }
  static DWORD SetText(HANDLE h, const char16_t* name, const std::u16string& text) {
    return SetData(h, name, 1 /* REG_SZ */, text.c_str(), DWORD((text.size() + 1) * 2));
  }
  // The stored bytes of a value, and its type; false when missing.
  static bool GetData(HANDLE h, const char16_t* name, DWORD* type, std::vector<uint8_t>* out) {
    std::u16string n = name;
    DWORD needed = 0;
    if (GetPrinterDataW(h, n.data(), type, nullptr, 0, &needed) == ERROR_FILE_NOT_FOUND) return false;
    out->assign(needed, 0);
    return GetPrinterDataW(h, n.data(), type, out->data(), needed, &needed) == ERROR_SUCCESS;
  }

  static void Put(const std::u16string& windows_path, const std::string& bytes) {
    std::ofstream out(plat::MapPath(windows_path), std::ios::binary | std::ios::trunc);
    out << bytes;
  }
  static std::string Get(const std::u16string& windows_path) { return test_support::ReadFile(plat::MapPath(windows_path)); }

  // Every file of the emulated machine by path, but the job-information
  // call log (which notes reads too), the counters where the stand-in
  // modules count their loads, the change board and the machine's lock
  // files.
  std::map<std::string, std::string> Files() const {
    std::map<std::string, std::string> out;
    const std::filesystem::path board = std::filesystem::path(root_) / ".changes";
    const std::filesystem::path locks = std::filesystem::path(root_) / ".locks";
    const std::filesystem::path counters = std::filesystem::path(root_) / ".counters";
    for (const auto& e : std::filesystem::recursive_directory_iterator(root_)) {
      if (!e.is_regular_file()) continue;
      const std::string path = e.path().string();
      if (path.size() >= 4 && path.compare(path.size() - 4, 4, ".LOG") == 0) continue;
      if (e.path() == board || e.path().parent_path() == locks ||
          e.path().parent_path() == counters)
        continue;
      out[path] = test_support::ReadFile(path);
    }
    return out;
  }

  std::unique_ptr<plat_test::TempMachine> machine_;
  std::string root_;
  HANDLE printer_ = nullptr;
  std::vector<DriverContext*> contexts_;
  std::vector<HANDLE> handles_;
};

using test_support::InChild;

inline std::string U8(const char16_t* s) { return plat::ToUtf8(s); }

}  // namespace env_test
