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
#include <vector>

#include "plat/batch.h"
#include "plat/winspool.h"
#include "plat/wstr.h"

namespace test_support {

class PrinterSnapshot {
 public:
  explicit PrinterSnapshot(std::u16string printer) : printer_(std::move(printer)) {
    values_ = plat::SpoolListPrinterData(printer_);
    plat::SpoolPrinter p;
    if (plat::SpoolFindPrinter(printer_, &p)) devmode_ = p.devmode;
  }

  // Puts the printer's data and stored DEVMODE back as they were taken,
  // through the open handle h: one rewrite of the store when the data
  // changed, none when nothing did. False when a write fails.
  bool Restore(HANDLE h) const {
    bool ok = true;
    plat::SpoolPrinter p;
    if (plat::SpoolFindPrinter(printer_, &p) && p.devmode != devmode_)
      ok = plat::SpoolSetPrinterDevmode(printer_, devmode_);
    const std::vector<plat::SpoolDataValue> now = plat::SpoolListPrinterData(printer_);
    if (Same(now, values_)) return ok;
    plat::WriteBatchBegin();
    for (const plat::SpoolDataValue& v : now) {
      if (Find(values_, v.name)) continue;
      std::u16string name = v.name;
      ok = DeletePrinterDataW(h, name.data()) == ERROR_SUCCESS && ok;
    }
    for (const plat::SpoolDataValue& v : values_) {
      const plat::SpoolDataValue* current = Find(now, v.name);
      if (current && current->type == v.type && current->data == v.data) continue;
      std::u16string name = v.name;
      std::vector<uint8_t> data = v.data;
      ok = SetPrinterDataW(h, name.data(), v.type, data.data(), DWORD(data.size())) == ERROR_SUCCESS && ok;
    }
    return plat::WriteBatchEnd(true) && ok;
  }

 private:
  static const plat::SpoolDataValue* Find(const std::vector<plat::SpoolDataValue>& list, const std::u16string& name) {
    for (const plat::SpoolDataValue& v : list)
      if (plat::WCmpI(v.name.c_str(), name.c_str()) == 0) return &v;
    return nullptr;
  }
  static bool Same(const std::vector<plat::SpoolDataValue>& a, const std::vector<plat::SpoolDataValue>& b) {
    // In any order: a restore puts back values an input removed at the end.
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
      if (i < b.size() && a[i].name == b[i].name && a[i].type == b[i].type && a[i].data == b[i].data) continue;
      const plat::SpoolDataValue* other = Find(b, a[i].name);
      if (!other || other->type != a[i].type || other->data != a[i].data) return false;
    }
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
