// velm sheet PRINTER --document|--printer [--in FILE] [--script FILE]
// [--snapshot DIR]: opens
// the printing-preferences (document) or printer-properties sheet of the
// printer's driver headless, through its exports. The script plays the
// person at the screen, one step a line, each through the window layer's
// mouse and keyboard:
//   ok | cancel                      press the sheet's (or dialog's) button
//   answer ok|cancel|yes|no|abort|retry|ignore|N
//                                    the answer of the next message box
//   page N|CAPTION|DIALOG_SYMBOL     click the page's tab
//   click CONTROL [X Y]              a click, at the centre or at X,Y
//   dblclick CONTROL [X Y]           a double click
//   check CONTROL on|off             a click when it is not so already
//   select CONTROL INDEX|TEXT        an entry of a list or combo box
//   type CONTROL TEXT                the text typed over the old one, one
//                                    character at a time, then the tab key
//                                    that leaves the control
//   slide CONTROL POS                a slider or trackbar moved to POS
//   spin CONTROL up|down [N]         N clicks (1) on a spin button's arrow
//   tab CONTROL INDEX|CAPTION        a click on a tab of a tab control
//   key CONTROL KEY                  a key (up, down, left, right, home,
//                                    end, pageup, pagedown, space, enter,
//                                    escape, tab, backspace, delete, f1, or
//                                    one character) to the control
//   hold CONTROL MS                  press, hold MS ms, release
//   wait MS                          time passes
//   hover CONTROL                    the pointer rests on the control
//   help CONTROL                     F1 on the control
//   tree                             print the window tree
//   file PATH|cancel                 the file dialog in front: PATH typed
//                                    as its file name and OK pressed, or
//                                    Cancel pressed
//   # ...                            a comment
// CONTROL is a control id or an item symbol of the catalogue; a control on
// a page not in front brings its page forward first. A control that is not
// there, hidden or disabled stops the script: the sheet is cancelled and
// velm exits 1. The window tree is printed as the sheet opens and after
// each step, then the result, the resulting DEVMODE and the stored settings.
// With --snapshot, a PNG of the sheet as painted goes to DIR/step-0.png as
// it opens and to DIR/step-N.png after step N. The document sheet confirmed
// with OK leaves its DEVMODE as the user's default of the printer
// (SetPrinter level 9), as the printer folder does.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "command.h"
#include "plat/kernel.h"
#include "plat/le.h"
#include "plat/registry.h"
#include "plat/user.h"
#include "plat/winspool.h"
#include "plat/wstr.h"
#include "ui/compstui.h"
#include "ui/gdi.h"
#include "ui/user32.h"
#include "velm/devmode.h"

namespace {

using DocumentPropertiesProc = LONG (*)(HWND, HANDLE, LPWSTR, DEVMODEW*, DEVMODEW*, DWORD);
using PrinterPropertiesProc = BOOL (*)(HWND, HANDLE);

int Fail(const std::string& why) {
  std::fprintf(stderr, "velm sheet: %s\n", why.c_str());
  return 1;
}

int Usage() {
  std::fprintf(stderr, "usage: velm sheet PRINTER --document|--printer [--in FILE] [--script FILE] [--snapshot DIR]\n");
  return 2;
}

void PrintMessageBoxes() {
  for (const plat::MessageBoxRecord& m : plat::MessageBoxLog())
    std::printf("message box \"%s\" [%s] answered %d: %s\n", plat::ToUtf8(m.caption).c_str(),
                plat::MessageBoxButtonsText(m.type).c_str(), m.answer, plat::ToUtf8(m.text).c_str());
  for (const std::string& line : ui::Log()) std::printf("window layer: %s\n", line.c_str());
}

// Pictures of the sheet that could not be written.
int g_snapshot_failures = 0;

// The sheet as painted after step n (0: as it opens), when asked for.
void SnapshotStep(const std::string& dir, HWND sheet, size_t n) {
  if (dir.empty() || !IsWindow(sheet)) return;
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  std::string error;
  if (!ui::SnapshotWindow(sheet, dir + "/step-" + std::to_string(n) + ".png", &error)) {
    std::fprintf(stderr, "velm sheet: %s\n", error.c_str());
    ++g_snapshot_failures;
  }
}

int Sheet(const velm_cli::Args& args) {
  std::string printer, in_file, script_file, snapshot_dir;
  int kind = 0;  // 1 document, 2 printer
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--document") kind = 1;
    else if (a == "--printer") kind = 2;
    else if (a == "--in" && i + 1 < args.size()) in_file = args[++i];
    else if (a == "--script" && i + 1 < args.size()) script_file = args[++i];
    else if (a == "--snapshot" && i + 1 < args.size()) snapshot_dir = args[++i];
    else if (printer.empty() && a[0] != '-') printer = a;
    else return Usage();
  }
  if (printer.empty() || kind == 0 || (kind == 2 && !in_file.empty())) return Usage();
  std::vector<uint8_t> input;
  if (!in_file.empty()) {
    if (!velm_cli::ReadHostBytes(in_file, &input)) return Fail("cannot read " + in_file);
    std::string why = velm_cli::CheckDevmode(input);
    if (!why.empty()) return Fail(in_file + ": " + why);
  }
  velm_cli::SheetScript script;
  std::string why;
  if (!script_file.empty() && !velm_cli::ReadSheetScript(script_file, &script, &why)) return Fail(why);
  script.snapshot_dir = snapshot_dir;

  velm_cli::UiDriver driver;
  if (!driver.Open("sheet", printer)) return 1;
  plat::ClearMessageBoxLog();
  ui::ClearLog();
  int rc = 0;
  velm_cli::PlaySheetScript(script);
  if (kind == 1) {
    auto entry = reinterpret_cast<DocumentPropertiesProc>(driver.Entry("DrvDocumentProperties"));
    if (!entry) {
      driver.Close();
      return Fail("the driver has no DrvDocumentProperties");
    }
    LONG size = entry(nullptr, driver.printer, driver.name.data(), nullptr, nullptr, 0);
    std::vector<uint8_t> output(size > 0 ? size_t(size) : 0, 0);
    DWORD mode = DM_PROMPT | DM_COPY | (input.empty() ? 0 : DM_MODIFY);
    LONG r = entry(nullptr, driver.printer, driver.name.data(), reinterpret_cast<DEVMODEW*>(output.data()),
                   input.empty() ? nullptr : reinterpret_cast<DEVMODEW*>(input.data()), mode);
    PrintMessageBoxes();
    std::printf("result: %d (%s)\n", int(r), r == IDOK ? "IDOK" : r == IDCANCEL ? "IDCANCEL" : "failed");
    if (r == IDOK && !output.empty()) velm_cli::PrintDevmode(output.data());
    if (r < 0) rc = 1;
    // As the printer folder does with printing preferences confirmed: the
    // result becomes the user's default DEVMODE of the printer.
    if (r == IDOK && !output.empty()) {
      PRINTER_INFO_9W per_user{reinterpret_cast<DEVMODEW*>(output.data())};
      if (!SetPrinterW(driver.printer, 9, reinterpret_cast<BYTE*>(&per_user), 0))
        rc = Fail("the preferences could not be stored as the user's default (error " +
                  std::to_string(GetLastError()) + ")");
    }
  } else {
    auto entry = reinterpret_cast<PrinterPropertiesProc>(driver.Entry("PrinterProperties"));
    if (!entry) {
      driver.Close();
      return Fail("the driver has no PrinterProperties");
    }
    BOOL r = entry(nullptr, driver.printer);
    PrintMessageBoxes();
    std::printf("result: %s\n", r ? "TRUE" : "FALSE");
  }
  ui::ClearModalHandler();
  driver.Close();
  velm_cli::PrintStoredSettings(plat::FromUtf8(printer));
  ui::ResetWindowManager();
  if (std::string failure = velm_cli::SheetScriptFailure(); !failure.empty()) rc = Fail(failure);
  return g_snapshot_failures ? 1 : rc;
}

int AnswerOf(const std::string& word) {
  static const struct {
    const char* word;
    int answer;
  } kAnswers[] = {{"ok", IDOK},       {"cancel", IDCANCEL}, {"abort", IDABORT}, {"retry", IDRETRY},
                  {"ignore", IDIGNORE}, {"yes", IDYES},       {"no", IDNO}};
  for (const auto& a : kAnswers)
    if (word == a.word) return a.answer;
  char* end = nullptr;
  long v = std::strtol(word.c_str(), &end, 10);
  return !word.empty() && end && !*end && v > 0 && v < 100 ? int(v) : 0;
}

}  // namespace

namespace velm_cli {

namespace {
std::string& Failure() {
  static std::string failure;
  return failure;
}
}  // namespace

bool ReadSheetScript(const std::string& file, SheetScript* script, std::string* why) {
  std::ifstream in(file);
  if (!in) {
    *why = "cannot read the script " + file;
    return false;
  }
  script->file = file;
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    std::istringstream words(line);
    std::string verb, arg, extra;
    words >> verb >> arg >> extra;
    if (verb.empty() || verb[0] == '#') continue;
    std::string problem;
    if (verb == "answer") {
      int answer = AnswerOf(arg);
      if (answer != 0 && extra.empty()) {
        script->answers.push_back(answer);
        continue;
      }
      problem = "the step takes: answer ok|cancel|yes|no|abort|retry|ignore|N";
    } else {
      SheetStep step;
      if (ParseSheetStep(line, &step, &problem)) {
        step.text = line;
        step.line = number;
        script->steps.push_back(step);
        continue;
      }
    }
    *why = file + ":" + std::to_string(number) + ": not a step: '" + line + "' (" + problem + ")";
    return false;
  }
  return true;
}

void PlaySheetScript(const SheetScript& script) {
  plat::ScriptMessageBoxAnswers(script.answers);
  Failure().clear();
  auto next = std::make_shared<size_t>(0);
  const std::string shots = script.snapshot_dir;
  ui::SetModalHandler([next, script, shots](HWND modal) {
    if (*next == 0) std::printf("window tree as the sheet opens:\n%s", SheetTree(modal).c_str());
    if (*next == 0) SnapshotStep(shots, modal, 0);
    if (*next >= script.steps.size() || !Failure().empty()) return false;
    const SheetStep& step = script.steps[(*next)++];
    std::printf("step %zu: %s\n", *next, step.text.c_str());
    std::fflush(stdout);
    std::string why;
    bool done = RunSheetStep(modal, step, &why);
    if (!done) {
      Failure() = script.file + ":" + std::to_string(step.line) + ": " + step.text + ": " + why;
      std::printf("step %zu failed: %s\n", *next, why.c_str());
    }
    // After each step: the window tree as the step left it, and its picture.
    if (IsWindow(modal)) std::printf("%s", SheetTree(modal).c_str());
    SnapshotStep(shots, modal, *next);
    std::fflush(stdout);
    return done;
  });
}

std::string SheetScriptFailure() { return Failure(); }

void PrintStoredSettings(const std::u16string& printer) {
  std::printf("stored settings (printer data):\n");
  for (const plat::SpoolDataValue& v : plat::SpoolListPrinterData(printer)) {
    std::string value;
    if (v.type == REG_DWORD && v.data.size() == 4) {
      value = std::to_string(plat::Get32(v.data.data()));
    } else if (v.type == REG_SZ) {
      std::u16string text;
      for (size_t i = 0; i + 1 < v.data.size(); i += 2) text.push_back(char16_t(v.data[i] | (v.data[i + 1] << 8)));
      while (!text.empty() && text.back() == 0) text.pop_back();
      value = "\"" + plat::ToUtf8(text) + "\"";
    } else {
      value = std::to_string(v.data.size()) + " bytes";
    }
    std::printf("  %s\t%s\n", plat::ToUtf8(v.name).c_str(), value.c_str());
  }
}

}  // namespace velm_cli

VELM_COMMAND("sheet", "sheet PRINTER --document|--printer [--in FILE] [--script FILE] [--snapshot DIR]", Sheet);
