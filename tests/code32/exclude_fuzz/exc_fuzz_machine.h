// The machine the query library's fuzz targets run on: a fresh machine
// folder (in memory when /dev/shm is there), removed at exit, with the
// printer "Office" of one model, the machine's modules loaded once and the
// driver's data folder made as an installation makes it.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "plat/files.h"
#include "plat/kernel.h"
#include "plat/machine.h"
#include "plat/machineconf.h"
#include "standin_machine.h"
#include "plat/winspool.h"
#include "velm/library.h"
#include "velm/paths.h"

namespace exc_fuzz {

// Stops the run when an invariant does not hold.
inline void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}

// Builds the machine in a new folder named after tag and installs the
// printer "Office" with the model file at model_path; false when any step
// fails.
inline bool InstallOffice(const char* tag, const char* model_path) {
  std::string error;
  if (test_support::MakeOfficeMachine(tag, model_path, &error).empty()) {
    std::fprintf(stderr, "the machine cannot be made: %s\n", error.c_str());
    return false;
  }
  // The machine's modules are loaded once for the whole run: the library
  // loads and frees some of them per call, and an instrumented module that
  // leaves the process would leave the fuzzer's coverage counters behind.
  const std::u16string system = u"C:\\Windows\\System32\\";
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW((system + u"*.dll").c_str(), &found);
  for (bool more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found))
    LoadLibraryW((system + found.cFileName).c_str());
  if (search != INVALID_HANDLE_VALUE) FindClose(search);
  CommonProcessAttach(nullptr);
  // The data folder the installer makes, where the driver ini lives: without
  // it no setting the driver keeps in its ini is ever stored, and every open
  // of a context reads the action word bit by bit and tries again to store
  // it whole.
  if (!PathCreateDataDir()) {
    std::fprintf(stderr, "the machine has no data folder\n");
    return false;
  }
  return true;
}

}  // namespace exc_fuzz
