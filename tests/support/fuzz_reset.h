// What a fuzz input may leave behind in its printer, and the check that one
// input gives one result. A target takes a PrinterSnapshot once its machine
// and printer are made and restores it before every input, so that each
// input starts from the same printer data and stored DEVMODE however many
// inputs ran before it (a crash then replays alone). With VELM_FUZZ_REPEAT
// set in the environment, a target runs every input twice from the restored
// state and stops when the two runs answer differently.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "plat/winspool.h"

namespace test_support {

class PrinterSnapshot {
 public:
  explicit PrinterSnapshot(std::u16string printer) : printer_(std::move(printer)) {
    values_ = plat::SpoolListPrinterData(printer_);
    plat::SpoolPrinter p;
    if (plat::SpoolFindPrinter(printer_, &p)) devmode_ = p.devmode;
  }

  // Puts the printer's data and stored DEVMODE back as they were taken: one
  // rewrite of each store that changed, none when nothing did. False when a
  // write fails.
  bool Restore() const {
    bool ok = true;
    plat::SpoolPrinter p;
    if (plat::SpoolFindPrinter(printer_, &p) && p.devmode != devmode_)
      ok = plat::SpoolSetPrinterDevmode(printer_, devmode_);
    if (!Same(plat::SpoolListPrinterData(printer_), values_))
      ok = plat::SpoolReplacePrinterData(printer_, values_) && ok;
    return ok;
  }

 private:
  static bool Same(const std::vector<plat::SpoolDataValue>& a, const std::vector<plat::SpoolDataValue>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
      if (a[i].name != b[i].name || a[i].type != b[i].type || a[i].data != b[i].data) return false;
    return true;
  }

  std::u16string printer_;
  std::vector<plat::SpoolDataValue> values_;
  std::vector<uint8_t> devmode_;
};

// Whether VELM_FUZZ_REPEAT asks every input to run twice.
inline bool FuzzRepeatAsked() {
  static const bool asked = [] {
    const char* v = std::getenv("VELM_FUZZ_REPEAT");
    return v && *v && std::string(v) != "0";
  }();
  return asked;
}

// Stops the run when the second run of an input answered otherwise than the
// first, telling where the two answers part.
inline void CheckSameAnswer(const std::string& first, const std::string& second) {
  if (first == second) return;
  size_t at = 0;
  while (at < first.size() && at < second.size() && first[at] == second[at]) ++at;
  std::fprintf(stderr, "one input, two answers: %zu and %zu bytes, apart from byte %zu\n", first.size(),
               second.size(), at);
  std::abort();
}

}  // namespace test_support
