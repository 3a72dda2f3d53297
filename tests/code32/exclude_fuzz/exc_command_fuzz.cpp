// libFuzzer target: arbitrary command bases and update lines given to a
// command handle on a printer of the reference model. Input: texts split at
// NUL bytes; the first is the base, each further one an update line (its
// first byte, when it is below 0x08, asks a value list, a printer option or
// the watermark list of the name or kind that follows instead).
//
// Invariants: every answer is one of the interface's results; the base and
// change texts the handle reports are NUL-terminated with the length it
// reports; a base refused with -1 or -2 leaves no base behind; a query
// leaves the stored base unchanged. Every input starts from the printer as
// set up (fuzz_reset.h); VELM_FUZZ_REPEAT=1 runs each twice and compares.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "exc_fuzz_machine.h"
#include "exc_handle.h"
#include "fuzz_reset.h"
#include "velmpd4.h"

namespace {

using exc_fuzz::Check;

ExcHandle* g_handle = nullptr;
const test_support::PrinterSnapshot* g_printer = nullptr;
// What one input was answered, for comparing two runs of it.
std::string* g_answers = nullptr;

bool Setup() {
  if (!exc_fuzz::InstallOffice("velm-exc-fuzz", VELM_EXC_FUZZ_MODEL)) return false;
  g_handle = ExcGetExclusive("Office");
  g_printer = new test_support::PrinterSnapshot(u"Office");
  g_answers = new std::string;
  return g_handle != nullptr;
}

void Note(int32_t r, int32_t length, const std::string& text = {}) {
  if (!test_support::FuzzRepeatAsked()) return;
  *g_answers += std::to_string(r) + " " + std::to_string(length) + " " + text + "\n";
}

bool ValidResult(int32_t r) { return r >= -2 && r <= 1; }

// The stored base as the handle reports it, checked for its shape.
std::string StoredBase() {
  int32_t needed = -1;
  int32_t r = ExcGetCommandBase(g_handle, 0, nullptr, &needed);
  Check(r == 0 || r == 1, "base size answer");
  Check(needed >= 0, "base size");
  if (needed == 0) return {};
  std::string text(size_t(needed), '\x7f');
  Check(ExcGetCommandBase(g_handle, needed, text.data(), &needed) == 0, "base copy");
  Check(text.back() == '\0' && std::strlen(text.c_str()) + 1 == text.size(), "base ends in its one NUL");
  Note(r, needed, text);
  return text;
}

void DrainChange(int32_t reported) {
  int32_t needed = -1;
  int32_t r = ExcGetCommandChange(g_handle, 0, nullptr, &needed);
  Check(r == 0 || r == 1, "change size answer");
  Check(needed == reported, "change length as reported");
  if (needed == 0) return;
  std::string text(size_t(needed), '\x7f');
  Check(ExcGetCommandChange(g_handle, needed, text.data(), &needed) == 0, "change copy");
  Check(text.back() == '\0' && std::strlen(text.c_str()) + 1 == text.size(), "change ends in its one NUL");
  Check(ExcGetCommandChange(g_handle, 0, nullptr, &needed) == 0 && needed == 0, "change dropped once copied");
  Note(r, reported, text);
}

void List(int32_t r, int32_t needed, const std::string& text) {
  Check(ValidResult(r) && r != -2, "list answer");
  if (r != 0 || needed == 0) return;
  Check(needed >= 2 && text[size_t(needed) - 1] == '\0' && text[size_t(needed) - 2] == '\0', "list ends in two NULs");
}

void Query(uint8_t kind, const std::string& name) {
  const std::string before = StoredBase();
  std::string out(8192, '\0');
  int32_t needed = 0, r = 0;
  switch (kind % 4) {
    case 0: r = ExcGetCommandValue(g_handle, name.c_str(), 0, int32_t(out.size()), out.data(), &needed); break;
    case 1: r = ExcGetCommandValue(g_handle, name.c_str(), 1, int32_t(out.size()), out.data(), &needed); break;
    case 2: r = ExcGetPrinterOption(g_handle, name.c_str(), int32_t(out.size()), out.data(), &needed); break;
    default:
      r = ExcGetWaterMarkList(g_handle, name.empty() ? 0 : name[0], int32_t(out.size()), out.data(), &needed);
      break;
  }
  List(r, needed, out);
  Note(r, needed, r == 0 ? out.substr(0, size_t(needed)) : std::string());
  Check(StoredBase() == before, "a query leaves the base unchanged");
}

// Runs one input on the handle; what it was answered is in g_answers.
void RunInput(const uint8_t* data, size_t size) {
  g_answers->clear();
  // An input updates the handle's records only; the printer it reads is put
  // back in case the handle's opens changed it.
  Check(g_printer->Restore(), "printer restored");
  std::vector<std::string> parts(1);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0) parts.emplace_back();
    else parts.back().push_back(char(data[i]));
  }
  int32_t length = -1;
  int32_t r = ExcSetCommandBase(g_handle, parts[0].c_str(), &length);
  Check(ValidResult(r), "base result");
  if (r < 0) {
    Check(length == 0, "no change after a refused base");
    Check(StoredBase().empty(), "a refused base leaves no base");
  }
  Note(r, length);
  DrainChange(r == 1 ? length : 0);
  for (size_t i = 1; i < parts.size() && i < 16; ++i) {
    const std::string& part = parts[i];
    if (!part.empty() && uint8_t(part[0]) < 8) {
      Query(uint8_t(part[0]), part.substr(1));
      continue;
    }
    const std::string before = StoredBase();
    r = ExcUpdateCommand(g_handle, part.c_str(), &length);
    Check(ValidResult(r) && r != -2, "update result");
    Note(r, length);
    if (r != 1) Check(length == 0, "no change length without changes");
    if (r == -1) Check(StoredBase() == before, "a refused line leaves the base");
    DrainChange(r == 1 ? length : 0);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = Setup();
  Check(ready, "fixture machine and handle");
  RunInput(data, size);
  if (test_support::FuzzRepeatAsked()) {
    const std::string first = *g_answers;
    RunInput(data, size);
    test_support::CheckSameAnswer(first, *g_answers);
  }
  return 0;
}
