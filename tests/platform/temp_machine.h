// A fresh emulated machine in a temporary folder for one test, and a helper
// that runs a check in a forked child process.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "plat/calls.h"
#include "plat/kernel.h"
#include "plat/machine.h"
#include "plat/machineconf.h"

namespace plat_test {

class TempMachine {
 public:
  TempMachine() {
    char tmpl[] = "/tmp/velm-machine-XXXXXX";
    root_ = mkdtemp(tmpl);
    unsetenv("VELM_MACHINE");
    std::string error;
    ok_ = plat::InitMachine(root_, plat::StandinModuleDir(), &error);
    EXPECT_TRUE(ok_) << error;
    plat::ClearFaults();
    plat::ResetCalls();
  }
  ~TempMachine() {
    plat::ClearFaults();
    std::system(("rm -rf '" + root_ + "'").c_str());
  }
  const std::string& root() const { return root_; }
  static std::string Host(const char16_t* windows_path) { return plat::MapPath(windows_path); }
  static void Put(const char16_t* windows_path, const std::string& bytes) {
    std::ofstream out(Host(windows_path), std::ios::binary | std::ios::trunc);
    out << bytes;
  }
  static std::string Get(const char16_t* windows_path) { return ReadHost(Host(windows_path)); }
  static std::string ReadHost(const std::string& host_path) {
    std::ifstream in(host_path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

 private:
  std::string root_;
  bool ok_ = false;
};

// Runs body in a child process; its answer is the child's exit status (0
// for success, by convention the failing line otherwise).
inline int InChild(const std::function<int()>& body) {
  pid_t pid = fork();
  if (pid == 0) _exit(body());
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
}

}  // namespace plat_test

// Inside an InChild body: ends the child with the line number on failure.
#define CHILD_CHECK(cond)                                                  \
  do {                                                                     \
    if (!(cond)) {                                                         \
      std::fprintf(stderr, "child check failed at %s:%d\n", __FILE__, __LINE__); \
      return 1;                                                            \
    }                                                                      \
  } while (0)
