// A machine with the test driver installed and loaded, and printer DCs
// opened over it. The test holds the driver too, so that its log and page
// outlive each DC.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "eng/dc.h"
#include "plat/kernel.h"
#include "temp_machine.h"
#include "test_driver.h"

class TestDriverFixture : public ::testing::Test {
 protected:
  static constexpr const char16_t* kDriver = u"C:\\drivers\\TESTDRV.DLL";

  void SetUp() override {
    ASSERT_TRUE(plat::EnsureWindowsDir(u"C:\\drivers"));
    std::filesystem::copy_file(ENG_TEST_DRIVER, plat_test::TempMachine::Host(kDriver),
                               std::filesystem::copy_options::overwrite_existing);
    module_ = LoadLibraryW(kDriver);
    ASSERT_NE(module_, nullptr);
    configure_ = reinterpret_cast<TestDrvConfigureFn>(GetProcAddress(module_, "TestDrvConfigure"));
    log_ = reinterpret_cast<TestDrvLogFn>(GetProcAddress(module_, "TestDrvLog"));
    page_ = reinterpret_cast<TestDrvPageFn>(GetProcAddress(module_, "TestDrvPage"));
    ASSERT_TRUE(configure_ && log_ && page_);
  }
  void TearDown() override {
    plat::ClearFaults();
    if (module_) FreeLibrary(module_);
  }

  void Configure(const TestDrvConfig& c) { configure_(&c); }
  std::unique_ptr<eng::PrinterDc> Open() {
    eng::DcOpenParams p;
    p.driver_path = kDriver;
    p.device_name = u"Printer 1";
    p.printer = reinterpret_cast<HANDLE>(0x1234);
    return eng::DcOpen(p);
  }
  // The driver's log lines (those starting with prefix).
  std::vector<std::string> Log(const char* prefix = "") const {
    std::vector<std::string> lines;
    std::istringstream in(log_());
    for (std::string line; std::getline(in, line);)
      if (line.rfind(prefix, 0) == 0) lines.push_back(line);
    return lines;
  }
  // The page the driver kept.
  std::vector<uint8_t> Page(int32_t* stride = nullptr) const {
    int32_t s = 0;
    size_t n = 0;
    const uint8_t* p = page_(&s, &n);
    if (stride) *stride = s;
    return std::vector<uint8_t>(p, p + n);
  }

  plat_test::TempMachine machine_;
  HMODULE module_ = nullptr;
  TestDrvConfigureFn configure_ = nullptr;
  TestDrvLogFn log_ = nullptr;
  TestDrvPageFn page_ = nullptr;
};
