// velm device show|set PRINTER ...: the device description that the
// stand-in bidirectional library answers from (see src/bidi/bidi_device.h).
// velm printer query PRINTER [--quick]: the driver's device query, and what
// it stored.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bidi_device.h"
#include "command.h"
#include "plat/batch.h"
#include "plat/files.h"
#include "plat/machine.h"
#include "plat/machineconf.h"
#include "plat/winspool.h"
#include "plat/wstr.h"
#include "velm/bidi.h"
#include "velm/bidi.h"
#include "velm/inst.h"
#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/library.h"
#include "velm/model_query.h"
#include "velm/paths.h"
#include "velm/printer_data.h"
#include "velm/remote.h"
#include "velm/settings.h"
#include "velm/spooler.h"

namespace {

int Fail(const char* what, const std::string& why) {
  std::fprintf(stderr, "velm %s: %s\n", what, why.c_str());
  return 1;
}

bool PrinterExists(const std::string& name) {
  plat::SpoolPrinter p;
  return plat::SpoolFindPrinter(plat::FromUtf8(name), &p);
}

bool ReadDescription(const std::string& printer, std::string* text) {
  return velm_cli::ReadHostBytes(plat::MapPath(bidi_device::FileName(plat::FromUtf8(printer))), text);
}

bool WriteDescription(const std::string& printer, const bidi_device::Device& d, std::string* why) {
  if (!plat::EnsureWindowsDir(bidi_device::kFolder)) {
    *why = "cannot create the device folder";
    return false;
  }
  std::string text = bidi_device::Format(d);
  DWORD error = 0;
  if (plat::ReplaceFileContent(bidi_device::FileName(plat::FromUtf8(printer)).c_str(), text.data(), text.size(),
                               &error))
    return true;
  *why = "cannot write the device description (error " + std::to_string(error) + ")";
  return false;
}

int Show(const std::string& printer) {
  if (!PrinterExists(printer)) return Fail("device show", "no printer " + printer);
  std::string text;
  if (!ReadDescription(printer, &text)) return Fail("device show", "printer " + printer + " has no device description");
  bidi_device::Device d;
  std::string why;
  if (!bidi_device::Parse(text, &d, &why)) return Fail("device show", "the device description is damaged: " + why);
  std::fputs(bidi_device::Format(d).c_str(), stdout);
  return 0;
}

int Set(const velm_cli::Args& args) {
  const std::string& printer = args[1];
  if (!PrinterExists(printer)) return Fail("device set", "no printer " + printer);
  bidi_device::Device d;
  std::string why, text;
  if (args.size() == 4 && args[2] == "--file") {
    if (!velm_cli::ReadHostBytes(args[3], &text)) return Fail("device set", "cannot read " + args[3]);
    if (!bidi_device::Parse(text, &d, &why)) return Fail("device set", args[3] + ": " + why);
  } else {
    if (ReadDescription(printer, &text) && !bidi_device::Parse(text, &d, &why))
      return Fail("device set", "the device description is damaged: " + why);
    std::vector<std::string> words(args.begin() + 2, args.end());
    if (!bidi_device::Apply(&d, words, &why)) return Fail("device set", why);
  }
  if (!WriteDescription(printer, d, &why)) return Fail("device set", why);
  return 0;
}

int RunDevice(const velm_cli::Args& args) {
  if (args.size() == 2 && args[0] == "show") return Show(args[1]);
  if (args.size() >= 3 && args[0] == "set") return Set(args);
  std::fprintf(stderr,
               "usage: velm device show PRINTER\n"
               "       velm device set PRINTER ENTRY...   (model NAME | tray CODE PAPER MEDIA STATUS | tray CODE none |\n"
               "                                         options C,C,... | memory BYTES | memtype N | data8 HEX |\n"
               "                                         data2 HEX | other TEXT | fail STEP | error102 STEP |\n"
               "                                         malformed KIND [N]; 'none' clears)\n"
               "       velm device set PRINTER --file FILE\n");
  return 2;
}

// The first device code that the driver maps to value (normal feed).
int32_t PaperCode(int32_t value) {
  for (int32_t code = 0; code < 1024; ++code) {
    int32_t rotated = 0;
    if (BidiMapPaper(code, &rotated) == value && !rotated) return code;
  }
  return 0;
}
int32_t MediaCode(int32_t value) {
  for (int32_t code = 0; code < 256; ++code)
    if (BidiMapMedia(code) == value) return code;
  return 0;
}

// The model's default of a setting as a stored value (the model gives most
// defaults as option ids).
int32_t ModelDefault(DriverContext* ctx, uint32_t id) {
  int32_t d = MdfGetItemDefault(ctx, id);
  SettingRecord* row = OptFindSetting(ctx, id);
  return row && row->optionList ? OptOptionToValue(ctx, row, d) : d;
}

void Item(DriverContext* ctx, uint32_t id) {
  SettingRecord* row = OptFindSetting(ctx, id);
  if (!row) return;
  uint32_t type = DescType(row->descriptor);
  std::string value;
  if (IsAnsiType(type)) {
    const char* p = reinterpret_cast<const char*>(OptGetValueAddr(ctx, row));
    value = "\"" + std::string(p, strnlen(p, DescSize(row->descriptor))) + "\"";
  } else {
    value = std::to_string(OptGetValue(ctx, row));
  }
  if (value == "0" || value == "\"\"") return;
  std::printf("%u %s = %s\n", unsigned(id), plat::ToUtf8(row->itemName).c_str(), value.c_str());
}

}  // namespace

namespace velm_cli {

// A description of the device as its model installs it: the trays the
// model describes with the paper and media of their defaults, the options
// the model describes, its default memory.
bool DeviceCreateFromModel(HANDLE printer, const std::string& name, std::string* why) {
  DriverContext* ctx = CtxOpenKind(printer, printer, 0, kOpenEntryPoint);
  if (!ctx) {
    *why = "cannot open a context (model missing or not compiled)";
    return false;
  }
  bidi_device::Device d;
  const char16_t* key = InstGetModelKey(ctx);
  d.model = key ? plat::ToUtf8(key) : std::string();
  std::vector<uint32_t> seen;
  for (int32_t code : {3, 4, 5, 6, 7, 1, 12, 11, 2}) {
    BidiTraySettings t{};
    if (!BidiGetTraySettings(code, &t)) continue;
    bool dup = false;
    for (uint32_t s : seen) dup |= s == t.installed;
    if (dup || !MdfFindItem(ctx, t.paper)) continue;
    seen.push_back(t.installed);
    bidi_device::Tray tray;
    tray.code = code;
    tray.paper = PaperCode(ModelDefault(ctx, t.paper));
    tray.media = MdfFindItem(ctx, t.media) ? MediaCode(ModelDefault(ctx, t.media)) : 1;
    d.trays.push_back(tray);
  }
  for (int32_t code = 1; code < 256; ++code) {
    uint32_t id = BidiMapOption(code);
    if (!id || !MdfFindItem(ctx, id)) continue;
    bool dup = false;
    for (int32_t c : d.options) dup |= BidiMapOption(c) == id;
    if (!dup) d.options.push_back(code);
  }
  if (MdfFindItem(ctx, 10012)) {
    d.hasMemory = true;
    d.memory = int64_t(uint32_t(ModelDefault(ctx, 10012))) << 10;
  }
  CtxCloseAs(ctx, kCloseDestroy);
  return WriteDescription(name, d, why);
}

int PrinterQuery(const Args& args) {
  bool quick = false;
  std::string name;
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--quick") quick = true;
    else if (name.empty()) name = args[i];
    else name.clear(), i = args.size();
  }
  if (name.empty() || args.size() > 3) {
    std::fprintf(stderr, "usage: velm printer query PRINTER [--quick]\n");
    return 2;
  }
  std::u16string wname = plat::FromUtf8(name);
  HANDLE h = nullptr;
  if (!OpenPrinterW(wname.data(), &h, nullptr)) return Fail("printer query", "no printer " + name);
  CommonProcessAttach(nullptr);
  PathCreateDataDir();
  int rc = 0;
  DriverContext* ctx = CtxOpenKind(h, h, 0, kOpenEntryPoint);
  if (!ctx) {
    rc = Fail("printer query", "cannot open a context for " + name);
  } else {
    int32_t answer = quick ? BidiQueryQuick(ctx, nullptr) : BidiQuerySilent(ctx);
    std::printf("query %s\n", answer ? "done" : "failed");
    for (uint32_t id = 10001; id <= 10277; ++id) Item(ctx, id);
    uint32_t flag = 0;
    std::printf("BidiFlag %s\n", BidiGetFlagData(ctx, &flag) ? std::to_string(flag).c_str() : "(none)");
    std::printf("environment 719 = %d\n", DmGetFlagBidiQueried(ctx));
    if (!quick && answer) {
      if (BidiIniHasFlag(ctx)) std::printf("stored in the client ini velmclt.ini [%s]\n", name.c_str());
      else std::printf("stored in printer data\n");
    }
    if (!answer) rc = 1;
    CtxCloseAs(ctx, kCloseDestroy);
  }
  CommonProcessDetach();
  ClosePrinter(h);
  std::fflush(stdout);
  return rc;
}

}  // namespace velm_cli

VELM_COMMAND("device", "device show|set PRINTER ...   the device the stand-in bidirectional library answers from",
             RunDevice);
