// A fresh emulated machine in a temporary folder for one test (InChild and
// CHILD_CHECK come from test_support.h).
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>

#include "plat/calls.h"
#include "plat/kernel.h"
#include "plat/machine.h"
#include "plat/machineconf.h"
#include "standin_machine.h"
#include "test_support.h"

namespace plat_test {

class TempMachine {
 public:
  TempMachine() {
    root_ = folder_.path();
    unsetenv("VELM_MACHINE");
    std::string error;
    ok_ = test_support::InitStandinMachine(root_, &error);
    EXPECT_TRUE(ok_) << error;
    plat::ClearFaults();
    plat::ResetCalls();
  }
  ~TempMachine() { plat::ClearFaults(); }
  const std::string& root() const { return root_; }
  bool ok() const { return ok_; }
  static std::string Host(const char16_t* windows_path) { return plat::MapPath(windows_path); }
  static void Put(const char16_t* windows_path, const std::string& bytes) {
    std::ofstream out(Host(windows_path), std::ios::binary | std::ios::trunc);
    out << bytes;
  }
  static std::string Get(const char16_t* windows_path) { return ReadHost(Host(windows_path)); }
  static std::string ReadHost(const std::string& host_path) { return test_support::ReadFile(host_path); }

 private:
  test_support::TempFolder folder_{"velm-machine"};
  std::string root_;
  bool ok_ = false;
};

using test_support::InChild;

}  // namespace plat_test
