// velm docprops PRINTER [--in FILE] [--mode MODE[,MODE...]] [--script FILE] [-o FILE]:
// DrvDocumentProperties of the printer's driver as an application calls it.
// Without a mode it asks for the DEVMODE size; MODE is update, copy, prompt,
// modify, advanced, nopermission, userdefault or a number. Under prompt the
// sheet opens headless and the script (see velm sheet) plays the person.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

#include "command.h"
#include "plat/files.h"
#include "plat/kernel.h"
#include "plat/le.h"
#include "plat/machine.h"
#include "plat/user.h"
#include "plat/winspool.h"
#include "plat/wstr.h"
#include "ui/compstui.h"
#include "ui/user32.h"
#include "velm/devmode.h"

namespace {

using DocumentPropertiesProc = LONG (*)(HWND, HANDLE, LPWSTR, DEVMODEW*, DEVMODEW*, DWORD);

int Fail(const char* what, const std::string& why) {
  std::fprintf(stderr, "velm %s: %s\n", what, why.c_str());
  return 1;
}

bool ReadFile(const std::string& path, std::vector<uint8_t>* out) {
  return velm_cli::ReadHostBytes(path, out);
}

bool ParseMode(const std::string& text, DWORD* mode, std::string* why) {
  static const struct {
    const char* word;
    DWORD bit;
  } kWords[] = {{"update", DM_UPDATE},   {"copy", DM_COPY},           {"prompt", DM_PROMPT},
                {"modify", DM_MODIFY},   {"advanced", DM_ADVANCED},   {"nopermission", DM_NOPERMISSION},
                {"userdefault", DM_USER_DEFAULT}};
  *mode = 0;
  std::stringstream words(text);
  std::string w;
  while (std::getline(words, w, ',')) {
    bool known = false;
    for (const auto& k : kWords)
      if (w == k.word) {
        *mode |= k.bit;
        known = true;
      }
    if (!known) {
      char* end = nullptr;
      unsigned long v = std::strtoul(w.c_str(), &end, 0);
      if (w.empty() || !end || *end || v > 0xFFFFFFFFul) {
        *why = "unknown mode '" + w + "' (update, copy, prompt, modify, advanced, nopermission, userdefault or a number)";
        return false;
      }
      *mode |= DWORD(v);
    }
  }
  return true;
}

const char* ResultName(LONG r) {
  return r == IDOK ? "IDOK" : r == IDCANCEL ? "IDCANCEL" : r < 0 ? "failed" : "size";
}

int DocProps(const velm_cli::Args& args) {
  std::string printer, in_file, out_file, script_file;
  DWORD mode = 0;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    bool has_value = i + 1 < args.size();
    std::string why;
    if (a == "--in" && has_value) in_file = args[++i];
    else if (a == "-o" && has_value) out_file = args[++i];
    else if (a == "--script" && has_value) script_file = args[++i];
    else if (a == "--mode" && has_value) {
      if (!ParseMode(args[++i], &mode, &why)) return Fail("docprops", why);
    } else if (printer.empty() && a[0] != '-') printer = a;
    else {
      std::fprintf(stderr, "usage: velm docprops PRINTER [--in FILE] [--mode MODE[,MODE...]] [--script FILE] [-o FILE]\n");
      return 2;
    }
  }
  if (printer.empty()) {
    std::fprintf(stderr, "usage: velm docprops PRINTER [--in FILE] [--mode MODE[,MODE...]] [--script FILE] [-o FILE]\n");
    return 2;
  }
  std::vector<uint8_t> input;
  if (!in_file.empty()) {
    if (!ReadFile(in_file, &input)) return Fail("docprops", "cannot read " + in_file);
    std::string why = velm_cli::CheckDevmode(input);
    if (!why.empty()) return Fail("docprops", in_file + ": " + why);
  }
  velm_cli::SheetScript script;
  if (!script_file.empty()) {
    std::string why;
    if (!velm_cli::ReadSheetScript(script_file, &script, &why)) return Fail("docprops", why);
  }

  velm_cli::UiDriver driver;
  if (!driver.Open("docprops", printer)) return 1;
  auto entry = reinterpret_cast<DocumentPropertiesProc>(driver.Entry("DrvDocumentProperties"));
  if (!entry) {
    driver.Close();
    return Fail("docprops", "the driver has no DrvDocumentProperties");
  }
  int rc = 0;
  LONG size = entry(nullptr, driver.printer, driver.name.data(), nullptr, nullptr, 0);
  std::printf("DEVMODE size: %d\n", int(size));
  if (mode != 0) {
    std::vector<uint8_t> output(size > 0 ? size_t(size) : 0, 0);
    if (mode & DM_PROMPT) velm_cli::PlaySheetScript(script);
    LONG r = entry(nullptr, driver.printer, driver.name.data(),
                   output.empty() ? nullptr : reinterpret_cast<DEVMODEW*>(output.data()),
                   input.empty() ? nullptr : reinterpret_cast<DEVMODEW*>(input.data()), mode);
    std::printf("result: %d (%s)\n", int(r), ResultName(r));
    ui::ClearModalHandler();
    if (std::string failure = velm_cli::SheetScriptFailure(); (mode & DM_PROMPT) && !failure.empty()) {
      rc = Fail("docprops", failure);
    } else if (r < 0) {
      rc = 1;
    } else if ((mode & DM_COPY) && !output.empty() && r == IDOK) {
      size_t used = size_t(plat::Get16(output.data() + 68)) + plat::Get16(output.data() + 70);
      output.resize(std::min(used, output.size()));
      std::string why;
      if (!out_file.empty() && !plat::ReplaceHostFileContent(out_file, output.data(), output.size(), &why)) {
        rc = Fail("docprops", "cannot write " + out_file + ": " + why);
      } else {
        velm_cli::PrintDevmode(output.data());
      }
    }
  }
  driver.Close();
  ui::ResetWindowManager();
  return rc;
}

}  // namespace

namespace velm_cli {

bool UiDriver::Open(const char* what, const std::string& printer_name) {
  name = plat::FromUtf8(printer_name);
  HANDLE h = nullptr;
  if (!OpenPrinterW(name.data(), &h, nullptr)) {
    Fail(what, "no printer " + printer_name + " on the machine in " + plat::MachineRoot());
    return false;
  }
  printer = h;
  DWORD needed = 0;
  GetPrinterDriverW(h, nullptr, 2, nullptr, 0, &needed);
  std::vector<uint8_t> buffer(needed ? needed : 1);
  if (!GetPrinterDriverW(h, nullptr, 2, buffer.data(), DWORD(buffer.size()), &needed)) {
    Fail(what, "cannot read the driver of " + printer_name);
    Close();
    return false;
  }
  const auto* info = reinterpret_cast<const DRIVER_INFO_2W*>(buffer.data());
  module = info->pConfigFile ? LoadLibraryW(info->pConfigFile) : nullptr;
  if (!module) {
    Fail(what, "cannot load the printer interface " + plat::ToUtf8(info->pConfigFile) + " (error " +
                   std::to_string(GetLastError()) + ")");
    Close();
    return false;
  }
  return true;
}

void* UiDriver::Entry(const char* export_name) const {
  return module ? reinterpret_cast<void*>(GetProcAddress(module, export_name)) : nullptr;
}

void UiDriver::Close() {
  if (module) FreeLibrary(module);
  if (printer) ClosePrinter(printer);
  module = printer = nullptr;
}

}  // namespace velm_cli

VELM_COMMAND("docprops", "docprops PRINTER [--in FILE] [--mode MODE[,MODE...]] [--script FILE] [-o FILE]", DocProps);
