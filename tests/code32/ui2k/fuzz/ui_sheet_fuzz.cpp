// libFuzzer target: random people at the sheets. Each input is a script of
// clicks, double clicks, keys, typed characters, list choices, held buttons,
// waits, tab clicks, help and right clicks, scroll bars and trackbars slid
// and stepped, tabs of tab controls chosen and text typed then left with the
// tab key, on controls picked from the live
// window tree of whatever window is in front (the sheet, or a dialog it
// opened), with answers for the message boxes, played against the document
// or printer sheet of a printer of the reference model or of the status
// model. The sheet must always end with an answer of its own, the output
// DEVMODE must stay within its buffer and be a DEVMODE the driver takes
// back, and no window or page may outlive the sheet.
//
// The reference printer has its UI resource module (its dialogs open), and
// four presets and two user quality sets, put
// back before each input, so that a script can open the preset maintenance
// dialog from the basic page and delete, move, rename and refresh them, and
// pick and edit a user quality on the print-quality page.
//
// Input: byte 0 picks the printer (bit 0), the sheet (bit 1) and how the
// script ends (bits 2-3: OK, Cancel, or left to the window layer); then
// steps of four bytes {operation, control, argument, argument}.
//
// With VELM_SHEET_FUZZ_TRACE set, each step first names on standard error
// the window in front and its windows by the index that the control byte
// picks (that byte modulo their number), so that a seed can be written to
// reach a given dialog: `ui_sheet_fuzz SEED` runs one input.
#include <dlfcn.h>

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "plat/kernel.h"
#include "plat/le.h"
#include "plat/machine.h"
#include "plat/machineconf.h"
#include "plat/user.h"
#include "plat/winspool.h"
#include "plat/wstr.h"
#include "sheets/sheets.h"
#include "standin_machine.h"
#include "ui/prsht.h"
#include "ui/tabctrl.h"
#include "ui/user32.h"
#include "uires.h"
#include "velm/context.h"
#include "velm/ini.h"
#include "velm/inst.h"
#include "velm/paths.h"
#include "velm/presets.h"
#include "velm/qst.h"

namespace {

constexpr size_t kGuard = 256;
constexpr uint8_t kGuardByte = 0xA5;
constexpr size_t kOutput = 1260;
constexpr size_t kMaxSteps = 48;
constexpr const char16_t* kDriverDir = u"C:\\Windows\\System32\\spool\\drivers\\w32x86\\3\\";

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}

struct Printer {
  std::u16string name;
  HANDLE handle = nullptr;
};

Printer AddPrinter(const char* model_path, const char16_t* model_file, const char16_t* name) {
  std::ifstream in(model_path, std::ios::binary);
  std::string model((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  Check(!model.empty(), "model file");
  std::ofstream(plat::MapPath(std::u16string(kDriverDir) + model_file), std::ios::binary) << model;
  plat::SpoolDriver d;
  d.name = std::u16string(u"VELM ") + name;
  d.driverPath = std::u16string(kDriverDir) + u"VELMPD0.DLL";
  d.configFile = std::u16string(kDriverDir) + u"VELMPD3.DLL";
  d.dataFile = std::u16string(kDriverDir) + model_file;
  Check(plat::SpoolAddDriver(d), "driver");
  plat::SpoolPrinter p;
  p.name = name;
  p.driverName = d.name;
  std::string why;
  Check(plat::SpoolAddPrinter(p, &why), "printer");
  Printer out{name, nullptr};
  Check(OpenPrinterW(out.name.data(), &out.handle, nullptr), "open");
  return out;
}

// The driver's UI resource module, installed for the printer under the
// name by which the driver finds the English one, so that its pages and
// dialogs come from their templates and the dialogs they open can run.
void InstallUiModule(const Printer& printer) {
  DriverContext* ctx = CtxOpenKind(printer.handle, printer.handle, 0, kOpenEntryPoint);
  Check(ctx != nullptr, "context of the printer");
  OptSetValueById(ctx, setting::vdmLanguageID, 1);
  const std::u16string path = PathGetUiResourceDll(ctx);
  CtxCloseAs(ctx, kCloseDestroy);
  Check(!path.empty() && path.back() != u'\\', "the model names a UI resource module");
  Check(plat::WriteResourceModule(plat::MapPath(path), plat::StandinModuleDir() + "/velmres.dll",
                                  uires::BuildModuleEntries()),
        "UI resource module written");
  // Kept mapped, as the system modules are: the sheet loads and frees it,
  // and the fuzzer reads its coverage counters after each input.
  Check(dlopen(plat::MapPath(path).c_str(), RTLD_NOW | RTLD_NODELETE) != nullptr, "UI resource module pinned");
}

// The printer's presets and quality sets as every input starts: the files
// are written once, the lists in the driver ini each time.
void ResetPresets(const Printer& printer) {
  DriverContext* ctx = CtxOpen(printer.handle, printer.handle, kOpenEntryPoint);
  Check(ctx != nullptr, "context of the reference printer");
  static std::vector<std::u16string> presets, qualities;
  if (presets.empty()) {
    Check(PathCreateDataDir() == 1, "data directory");
    char16_t dir[261] = {};
    PathGetCommonDataDir(dir, 261);
    for (int n = 0; n < 4; ++n) {
      presets.push_back(std::u16string(dir) + u"\\fuzz" + char16_t(u'0' + n) + u".qst");
      OptSetValueById(ctx, setting::dmCopies, n + 1);
      Check(QstSaveSettings(printer.handle, presets.back().c_str(), kQstPreset, ctx) == 1, "preset file");
    }
    for (int n = 0; n < 2; ++n) {
      qualities.push_back(std::u16string(dir) + u"\\fuzzq" + char16_t(u'0' + n) + u".qst");
      Check(QstSaveSettings(printer.handle, qualities.back().c_str(), kQstQuality, ctx) == 1, "quality file");
    }
  }
  Check(PresetClearList(ctx) == 1, "preset list cleared");
  const char16_t* names[] = {u"Base", u"Draft", u"Photo", u"Fine"};
  for (size_t n = 0; n < presets.size(); ++n)
    Check(PresetAddEntry(ctx, presets[n].c_str(), names[n], u"") == 1, "preset entry");
  const char16_t* section = InstGetPrinterSectionName(ctx);
  const char16_t* ini = PathGetDriverIni(ctx);
  for (int32_t n = 0; n < int32_t(qualities.size()); ++n) {
    char16_t key[32] = {};
    PresetFormatQualityKey(key, n);
    Check(IniWriteString(section, key, qualities[size_t(n)].c_str(), ini), "quality entry");
    Check(IniWriteString(section, (std::u16string(key) + u"Name").c_str(), n ? u"Soft" : u"Sharp", ini),
          "quality name");
  }
  Check(IniWriteString(section, u"QualityCount", u"2", ini), "quality count");
  CtxClose(ctx);
}

std::vector<Printer>* Setup() {
  char tmpl[] = "/tmp/velm-sheet-fuzz-XXXXXX";
  unsetenv("VELM_MACHINE");
  static std::string root = mkdtemp(tmpl);
  std::atexit([] { std::system(("rm -rf '" + root + "'").c_str()); });
  std::string why;
  Check(test_support::InitStandinMachine(root, &why), "machine");
  Check(plat::EnsureWindowsDir(kDriverDir), "driver directory");
  UiDllMain(nullptr, DLL_PROCESS_ATTACH, nullptr);
  // The system modules stay mapped between runs: the fuzzer reads their
  // coverage counters after each input, and a sheet unloads the ones it
  // loaded (the common property sheets, the job-information provider).
  for (const auto& f : std::filesystem::directory_iterator(plat::MapPath(u"C:\\Windows\\System32"))) {
    std::string ext = f.path().extension().string();
    for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
    if (ext == ".dll") Check(dlopen(f.path().c_str(), RTLD_NOW | RTLD_NODELETE) != nullptr, "system module pinned");
  }
  auto* printers = new std::vector<Printer>;
  printers->push_back(AddPrinter(VELM_SHEET_FUZZ_REFERENCE, u"reference.mdf", u"Reference"));
  InstallUiModule(printers->back());
  printers->push_back(AddPrinter(VELM_SHEET_FUZZ_STATUS, u"status.mdf", u"Status"));
  return printers;
}

// Every window under root, the ones in front first as the tree lists them.
void Collect(HWND root, std::vector<HWND>* out) {
  for (HWND c = GetWindow(root, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    out->push_back(c);
    Collect(c, out);
  }
}

constexpr WPARAM kKeys[] = {VK_UP, VK_DOWN, VK_LEFT, VK_RIGHT, VK_HOME, VK_END, VK_SPACE, VK_RETURN,
                            VK_ESCAPE, VK_TAB, VK_BACK, VK_DELETE, VK_F1, VK_PRIOR, VK_NEXT};
constexpr char16_t kChars[] = u"0123456789.,-aZ %\x3042\x30A2";  // digits, signs, letters, kana

// The window in front and its windows, numbered as a step picks them.
void Trace(HWND modal, size_t step) {
  std::vector<HWND> windows;
  Collect(modal, &windows);
  char16_t text[96] = {};
  GetWindowTextW(modal, text, 96);
  std::fprintf(stderr, "step %zu on \"%s\": %zu windows\n", step, plat::ToUtf8(text).c_str(), windows.size());
  for (size_t i = 0; i < windows.size(); ++i) {
    char16_t cls[32] = {};
    GetClassNameW(windows[i], cls, 32);
    GetWindowTextW(windows[i], text, 96);
    std::fprintf(stderr, "  [%zu] %s #%d \"%s\"%s%s\n", i, plat::ToUtf8(cls).c_str(), GetDlgCtrlID(windows[i]),
                 plat::ToUtf8(text).c_str(), IsWindowVisible(windows[i]) ? "" : " hidden",
                 IsWindowEnabled(windows[i]) ? "" : " disabled");
  }
}

// One step of the person on the window in front.
void Step(HWND modal, const uint8_t* s) {
  std::vector<HWND> windows;
  Collect(modal, &windows);
  HWND target = windows.empty() ? modal : windows[s[1] % windows.size()];
  POINT centre = ui::CenterOf(target);
  char16_t cls[32] = {};
  GetClassNameW(target, cls, 32);
  const auto is = [&](const char16_t* name) { return plat::WCmpI(cls, name) == 0; };
  switch (s[0] % 17) {
    case 0: ui::Click(target, centre); break;
    case 1: ui::DoubleClick(target, centre); break;
    case 2:
      SetFocus(target);
      ui::TypeKey(kKeys[s[2] % std::size(kKeys)], s[2] % std::size(kKeys) == 6 ? u' ' : 0);
      break;
    case 3:
      SetFocus(target);
      ui::TypeChars(std::u16string(1 + s[3] % 4, kChars[s[2] % (std::size(kChars) - 1)]));
      break;
    case 4: {
      LRESULT n = SendMessageW(target, plat::WCmpI(cls, u"COMBOBOX") == 0 ? CB_GETCOUNT : LB_GETCOUNT, 0, 0);
      if (n > 0) ui::ChooseItem(GetParent(target), GetDlgCtrlID(target), INT(s[2] % n));
      break;
    }
    case 5: ui::Hold(target, centre, DWORD(s[2]) * 10); break;
    case 6:
      ui::Idle(DWORD(s[2]) * 10);
      ui::PlayInput();
      break;
    case 7: ui::Click(target, POINT{LONG(s[2] % 200), LONG(s[3] % 24)}); break;  // anywhere near its top, tabs too
    case 8: ui::Hover(target, POINT{LONG(s[2] % 64), LONG(s[3] % 32)}); break;
    case 9:
      SetFocus(target);
      ui::TypeKey(VK_F1);
      break;
    case 10: ui::Click(target, centre, ui::Button::kRight); break;
    case 11: ui::ClickButton(modal, IDOK); break;
    case 12: ui::ClickButton(modal, IDCANCEL); break;
    case 13:  // a scroll bar's thumb drawn anywhere, in range or not
      if (is(u"SCROLLBAR")) ui::ScrollBar(GetParent(target), GetDlgCtrlID(target), SB_THUMBPOSITION, INT(int8_t(s[2])) * 8 + s[3]);
      break;
    case 14: {  // an arrow or the track of a scroll bar, or a trackbar's keys
      static constexpr WORD kCodes[] = {SB_LINEUP, SB_LINEDOWN, SB_PAGEUP, SB_PAGEDOWN, SB_TOP, SB_BOTTOM};
      if (is(u"SCROLLBAR")) {
        for (int k = 0; k <= s[3] % 4; ++k)
          ui::ScrollBar(GetParent(target), GetDlgCtrlID(target), kCodes[s[2] % std::size(kCodes)], 0);
      } else if (is(u"msctls_trackbar32") || is(u"msctls_updown32")) {
        ui::Click(target, POINT{LONG(s[2] % 64), LONG(s[3] % 32)});
      }
      break;
    }
    case 15: {  // a tab of a tab control, the sheet's own included
      RECT r{};
      if (is(u"SysTabControl32") && SendMessageW(target, TCM_GETITEMRECT, WPARAM(s[2] % 8), LPARAM(&r)))
        ui::Click(target, POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
      break;
    }
    case 16:  // typed over, then left with the tab key
      if (is(u"EDIT")) {
        std::u16string text;
        for (int k = 0; k < 1 + s[3] % 12; ++k) text += kChars[(s[2] + k * 7) % (std::size(kChars) - 1)];
        if (ui::TypeText(GetParent(target), GetDlgCtrlID(target), text)) ui::TypeKey(VK_TAB, u'\t');
      }
      break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static std::vector<Printer>* printers = Setup();
  if (size < 1) return 0;
  const Printer& printer = (*printers)[data[0] & 1];
  ResetPresets((*printers)[0]);
  bool document = !(data[0] & 2);
  int ending = (data[0] >> 2) & 3;
  size_t steps = std::min((size - 1) / 4, kMaxSteps);
  // The message boxes answer from the last bytes, whatever they ask.
  std::vector<int> answers;
  for (size_t i = 0; i < 8 && i < size; ++i) answers.push_back(1 + data[size - 1 - i] % 7);
  plat::ScriptMessageBoxAnswers(answers);

  size_t next = 0;
  static const bool trace = std::getenv("VELM_SHEET_FUZZ_TRACE") != nullptr;
  ui::SetModalHandler([&](HWND modal) {
    if (trace) Trace(modal, next);
    if (next < steps) {
      Step(modal, data + 1 + 4 * next++);
      return true;
    }
    if (next++ > steps + 4 || ending >= 2) return false;  // left to the layer, which cancels
    return ui::ClickButton(modal, ending == 0 ? IDOK : IDCANCEL);
  });
  if (document) {
    std::vector<uint8_t> out(kOutput + kGuard, kGuardByte);
    std::u16string name = printer.name;
    LONG r = UiDocumentProperties(nullptr, printer.handle, name.data(), reinterpret_cast<DEVMODEW*>(out.data()), nullptr,
                                  DM_PROMPT | DM_COPY);
    Check(r == IDOK || r == IDCANCEL, "the sheet ends with OK or Cancel");
    for (size_t i = kOutput; i < out.size(); ++i) Check(out[i] == kGuardByte, "output guard");
    if (r == IDOK) {
      Check(size_t(plat::Get16(out.data() + 68)) + plat::Get16(out.data() + 70) == kOutput, "output sizes");
      // The driver takes its own output back.
      ui::ClearModalHandler();
      std::vector<uint8_t> again(kOutput, 0);
      LONG back = UiDocumentProperties(nullptr, printer.handle, name.data(), reinterpret_cast<DEVMODEW*>(again.data()),
                                       reinterpret_cast<DEVMODEW*>(out.data()), DM_COPY | DM_MODIFY);
      Check(back == IDOK, "the output DEVMODE taken back");
    }
  } else {
    UiPrinterProperties(nullptr, printer.handle);
  }
  ui::ClearModalHandler();
  Check(ui::TopLevelWindows().empty(), "no window outlives the sheet");
  Check(ui::LivePropertySheetPages() == 0, "no page outlives the sheet");
  plat::ClearMessageBoxLog();
  ui::ResetWindowManager();
  return 0;
}
