// A machine with the printer "Office" of the reference model and the
// library VELMPD4 copied into the system folder, loaded with LoadLibraryW
// and bound by its VELMDrv exports, as an outside program reaches it.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "ctx_test_machine.h"
#include "plat/kernel.h"
#include "plat/winspool.h"
#include "velmpd4.h"

namespace drv_test {

class DrvLibraryMachine : public ctx_test::ModelMachine {
 protected:
  void SetUp() override {
    ctx_test::ModelMachine::SetUp();
    UseModel("../models/reference.mdf");
    std::string why;
    ASSERT_TRUE(test_support::CopyFile(VELMPD4_FILE, plat::MapPath(kLibrary), &why)) << why;
    module_ = LoadLibraryW(kLibrary);
    ASSERT_NE(module_, nullptr) << GetLastError();
    Bind(&check_, "VELMDrvCheckAPIVer");
    Bind(&enable_, "VELMDrvEnable");
    Bind(&disable_, "VELMDrvDisable");
    Bind(&devmode_, "VELMDrvGetDevmode");
    Bind(&caps_, "VELMDrvGetCaps");
    Bind(&set_, "VELMDrvSetStatus");
    Bind(&get_, "VELMDrvGetStatus");
    open_ = plat::OpenPrinterHandles();
  }
  void TearDown() override {
    if (module_) {
      EXPECT_TRUE(FreeLibrary(module_));
    }
    ctx_test::ModelMachine::TearDown();
  }
  template <typename T>
  void Bind(T* out, const char* name) {
    *out = reinterpret_cast<T>(GetProcAddress(module_, name));
    ASSERT_NE(*out, nullptr) << name;
  }

  static constexpr const char16_t* kLibrary = u"C:\\Windows\\System32\\VELMPD4.DLL";
  HMODULE module_ = nullptr;
  long open_ = 0;  // printer handles open before the test
  PFN_VELMDrvCheckAPIVer check_ = nullptr;
  PFN_VELMDrvEnable enable_ = nullptr;
  PFN_VELMDrvDisable disable_ = nullptr;
  PFN_VELMDrvGetDevmode devmode_ = nullptr;
  PFN_VELMDrvGetCaps caps_ = nullptr;
  PFN_VELMDrvSetStatus set_ = nullptr;
  PFN_VELMDrvGetStatus get_ = nullptr;
};

}  // namespace drv_test
