// Settings files, presets, watermarks and user paper sizes of a printer:
//   qst save PRINTER FILE [--flags N]   a settings file from the printer's stored settings
//   qst load PRINTER FILE [--flags N]   a settings file into them
//   preset list PRINTER
//   preset save PRINTER NAME [--comment TEXT]
//   preset load PRINTER N
//   preset delete PRINTER N
//   preset export PRINTER FILE.lst      the scenario bundle of the printer
//   preset delete-bundle FILE.lst       removes a bundle again
//   stamp list PRINTER                  each stamp: number, kind, name (and the
//                                       file of an image stamp or an overlay)
//   papers list PRINTER
// FILE is a Windows path of the machine (C:\...). Every message box the
// driver shows is printed as "message: CAPTION: TEXT [BUTTONS]".
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "command.h"
#include "plat/files.h"
#include "plat/kernel.h"
#include "plat/machine.h"
#include "plat/user.h"
#include "plat/winspool.h"
#include "plat/wstr.h"
#include "velm/context.h"
#include "velm/inst.h"
#include "velm/library.h"
#include "velm/lock.h"
#include "velm/paths.h"
#include "velm/presets.h"
#include "velm/qst.h"
#include "velm/save_stack.h"
#include "printer_session.h"
#include "velm/setting_ids.h"
#include "velm/settings.h"
#include "velm/store.h"

namespace {

using velm_cli::FailCommand;

// A kind-0 context of a printer of the machine, as an entry point opens it.
class Session : public velm_cli::PrinterSession {
 public:
  Session(const std::string& what, const std::string& printer) : PrinterSession(what, printer, 0) {}
  // Keeps what was loaded as the printer's stored settings.
  bool Store() const { return StoreSaveDocumentRegions(printer(), ctx()) && StoreSavePrinterSettings(printer(), ctx()); }
};

void PrintMessages() {
  for (const plat::MessageBoxRecord& m : plat::MessageBoxLog())
    std::printf("message: %s: %s [%s]\n", plat::ToUtf8(m.caption).c_str(), plat::ToUtf8(m.text).c_str(),
                plat::MessageBoxButtonsText(m.type).c_str());
  plat::ClearMessageBoxLog();
}

bool ParseNumber(const std::string& text, uint32_t* out) {
  if (text.empty()) return false;
  char* end = nullptr;
  unsigned long v = std::strtoul(text.c_str(), &end, 0);
  if (*end || text[0] == '-' || v > 0xFFFFFFFFul) return false;
  *out = uint32_t(v);
  return true;
}

std::string Text(DriverContext* ctx, uint32_t id) {
  SettingRecord* row = OptFindSetting(ctx, id);
  if (!row) return "";
  std::vector<char16_t> buf(DescSize(row->descriptor) + 8, 0);
  OptGetText(ctx, row, buf.data());
  return plat::ToUtf8(buf.data());
}

std::string EntryText(DriverContext* ctx, int32_t n, int32_t part) {
  std::vector<char16_t> buf(kPresetNameChars + 1, 0);
  PresetGetEntryText(ctx, n, part, buf.data());
  return plat::ToUtf8(buf.data());
}

int RunQst(const velm_cli::Args& args) {
  const char* usage = "usage: velm qst save|load PRINTER FILE [--flags N]\n";
  if (args.size() < 3 || (args[0] != "save" && args[0] != "load")) return std::fprintf(stderr, "%s", usage), 2;
  const std::string what = "qst " + args[0];
  uint32_t flags = 0;
  for (size_t i = 3; i < args.size(); ++i) {
    if (args[i] == "--flags" && i + 1 < args.size()) {
      if (!ParseNumber(args[++i], &flags)) return FailCommand(what, "--flags takes a number, not " + args[i]);
    } else {
      return FailCommand(what, "unexpected argument " + args[i]);
    }
  }
  std::u16string file = plat::FromUtf8(args[2]);
  if (!plat::IsFullWindowsPath(file.c_str())) return FailCommand(what, "FILE must be a Windows path such as C:\\Users\\user\\my.qst");
  Session s(what, args[1]);
  if (!s.ok()) return s.Refuse();
  plat::ClearMessageBoxLog();
  if (args[0] == "save") {
    int32_t answer = QstSaveSettings(s.printer(), file.c_str(), flags, s.ctx());
    PrintMessages();
    if (!answer) return FailCommand(what, "the settings file " + args[2] + " could not be written; it is unchanged");
    std::printf("saved %s\n", args[2].c_str());
    return 0;
  }
  int32_t answer = QstLoadSettings(s.printer(), file.c_str(), flags, s.ctx());
  const bool refused = CtxGetFileMismatch(s.ctx()) == 1;
  const bool shown = !plat::MessageBoxLog().empty();
  PrintMessages();
  if (refused) {
    std::printf("refused: the header of %s does not fit this printer%s\n", args[2].c_str(),
                shown ? "" : " (no message with these flags)");
    return 1;
  }
  if (!s.Store()) return FailCommand(what, "the loaded settings could not be stored");
  std::printf("loaded %s%s\n", args[2].c_str(), answer ? "" : " (some keys were missing or empty; their settings are unchanged)");
  return 0;
}

// The main settings file of a bundle's list file: the same path with the
// extension "qst"; empty when the name is no Windows path ending in .lst.
std::u16string MainFileOf(const std::string& list) {
  std::u16string path = plat::FromUtf8(list);
  if (!plat::IsFullWindowsPath(path.c_str()) || path.size() < 5 ||
      plat::WCmpI(path.substr(path.size() - 4).c_str(), u".lst") != 0)
    return u"";
  return path.substr(0, path.size() - 3) + u"qst";
}

// The scenario bundle: the printer's current settings as the main file
// beside the list file, then the bundle below the data directory.
int ExportBundle(const std::string& what, const std::string& printer, const std::string& list) {
  const std::u16string main = MainFileOf(list);
  if (main.empty()) return FailCommand(what, "FILE must be a Windows path ending in .lst, such as C:\\Users\\user\\a.lst");
  Session s(what, printer);
  if (!s.ok()) return s.Refuse();
  if (!QstSaveSettings(s.printer(), main.c_str(), 0, s.ctx()))
    return FailCommand(what, "the settings file " + plat::ToUtf8(main) + " could not be written");
  // The ten user paper sizes go into the bundle as the driver ini holds
  // them: sizes never changed are stored with their defaults first.
  FreeSizeRefreshSlots(s.ctx());
  if (!FreeSizeSaveAll(s.ctx())) return FailCommand(what, "the user paper sizes could not be stored");
  char16_t bundle[261] = {};
  if (!PresetMakeBundlePath(main.c_str(), bundle, s.ctx()))
    return FailCommand(what, "the bundle folder cannot be made below the data directory (missing, or its path too long)");
  if (!PresetExportScenario(main.c_str(), bundle, s.ctx())) {
    PresetRemoveBundleDir(bundle);
    return FailCommand(what, "the bundle could not be written whole (a list entry's file, a paper-size or watermark "
                      "section is missing, or more than 36 presets or quality sets); nothing is kept");
  }
  std::printf("exported %s\nDefaultQst=%s\n", list.c_str(), plat::ToUtf8(bundle).c_str());
  return 0;
}

int RunPreset(const velm_cli::Args& args) {
  const char* usage =
      "usage: velm preset list PRINTER\n"
      "       velm preset save PRINTER NAME [--comment TEXT]\n"
      "       velm preset load|delete PRINTER N\n"
      "       velm preset export PRINTER FILE.lst\n"
      "       velm preset delete-bundle FILE.lst\n";
  if (args.size() < 2) return std::fprintf(stderr, "%s", usage), 2;
  const std::string sub = args[0];
  const std::string what = "preset " + sub;
  if (sub == "list" && args.size() == 2) {
    Session s(what, args[1]);
    if (!s.ok()) return s.Refuse();
    for (int32_t n = 0; n < PresetGetCount(s.ctx()); ++n)
      std::printf("%d\t%s\t%s\t%s\n", int(n), EntryText(s.ctx(), n, 1).c_str(), EntryText(s.ctx(), n, 2).c_str(),
                  EntryText(s.ctx(), n, 0).c_str());
    return 0;
  }
  if (sub == "export" && args.size() == 3) return ExportBundle(what, args[1], args[2]);
  if (sub == "delete-bundle" && args.size() == 2) {
    std::u16string main = MainFileOf(args[1]);
    if (main.empty()) return FailCommand(what, "FILE must be a Windows path ending in .lst, such as C:\\Users\\user\\a.lst");
    PresetDeleteScenario(main.c_str());
    std::printf("deleted bundle %s\n", args[1].c_str());
    return 0;
  }
  if (sub == "save" && args.size() >= 3) {
    std::string comment;
    for (size_t i = 3; i < args.size(); ++i) {
      if (args[i] == "--comment" && i + 1 < args.size()) comment = args[++i];
      else return FailCommand(what, "unexpected argument " + args[i]);
    }
    Session s(what, args[1]);
    if (!s.ok()) return s.Refuse();
    // The name, the file and the list entry under the driver mutex: two
    // savers never share a file or an entry.
    DriverMutexHold hold;
    char16_t file[kPresetNameChars] = {};
    if (!PresetMakeNewFileName(s.ctx(), file))
      return FailCommand(what, GetLastError() == ERROR_DISK_FULL ? "no preset file can be created: the disk is full"
                                                          : "no free preset file name is left");
    std::u16string name = plat::FromUtf8(args[2]), note = plat::FromUtf8(comment);
    OptSetText(s.ctx(), OptFindSetting(s.ctx(), setting::wdmPresetName), name.c_str());
    OptSetText(s.ctx(), OptFindSetting(s.ctx(), setting::wdmPresetComment), note.c_str());
    // The file first; only a written file is added to the list. A name
    // reserved for a file that was not written is given back.
    if (!QstSaveSettings(s.printer(), file, kQstPreset, s.ctx())) {
      const bool full = GetLastError() == ERROR_DISK_FULL;
      PresetDropNewFile(file);
      return FailCommand(what, "the preset file " + plat::ToUtf8(file) + " could not be written" +
                            (full ? ": the disk is full" : ""));
    }
    int32_t entry = 0;
    if (!PresetAddEntry(s.ctx(), file, name.c_str(), note.c_str(), &entry))
      return FailCommand(what, std::string("the preset list could not be written") +
                            (GetLastError() == ERROR_DISK_FULL ? ": the disk is full" : ""));
    std::printf("saved preset %d %s in %s\n", int(entry), args[2].c_str(), plat::ToUtf8(file).c_str());
    return 0;
  }
  if ((sub == "load" || sub == "delete") && args.size() == 3) {
    uint32_t n = 0;
    if (!ParseNumber(args[2], &n)) return FailCommand(what, "N must be an entry number, not " + args[2]);
    Session s(what, args[1]);
    if (!s.ok()) return s.Refuse();
    const int32_t count = PresetGetCount(s.ctx());
    if (int64_t(n) >= count) return FailCommand(what, "no preset " + args[2] + " (the printer has " + std::to_string(count) + ")");
    plat::ClearMessageBoxLog();
    if (sub == "delete") {
      std::string name = EntryText(s.ctx(), int32_t(n), 1);
      if (!PresetDeleteEntry(s.ctx(), int32_t(n))) return FailCommand(what, "the preset list could not be written");
      std::printf("deleted preset %u %s\n", n, name.c_str());
      return 0;
    }
    if (n >= uint32_t(kPresetCacheSlots)) return FailCommand(what, "only presets 0-15 can be loaded");
    // A refused file falls back on entry 0 with a message, printed next; an
    // answer of 0 also comes from items the file leaves empty.
    (void)PresetLoadByIndex(s.ctx(), int32_t(n));
    PrintMessages();
    if (!s.Store()) return FailCommand(what, "the loaded settings could not be stored");
    std::printf("loaded preset %u %s\n", n, Text(s.ctx(), setting::wdmPresetName).c_str());
    return 0;
  }
  std::fprintf(stderr, "%s", usage);
  return 2;
}

int RunStamp(const velm_cli::Args& args) {
  if (args.size() != 2 || args[0] != "list") return std::fprintf(stderr, "usage: velm stamp list PRINTER\n"), 2;
  Session s("stamp list", args[1]);
  if (!s.ok()) return s.Refuse();
  const int32_t count = StampGetCount(s.ctx());
  for (int32_t n = 0; n < count; ++n) {
    StampSelect(s.ctx(), n);
    int32_t kind = OptGetValueById(s.ctx(), setting::vdmWmKind);
    // Image stamps and overlays keep their names in the same setting.
    std::string name = Text(s.ctx(), kind == 2 || kind == 3 ? setting::wdmWmImageName : setting::wdmWmCharName);
    // An image stamp or an overlay shows its file too.
    if (kind == 2 || kind == 3)
      std::printf("%d\tkind %d\t%s\t%s\n", int(n), int(kind), name.c_str(), Text(s.ctx(), setting::wdmWmImage).c_str());
    else
      std::printf("%d\tkind %d\t%s\n", int(n), int(kind), name.c_str());
  }
  return 0;
}

int RunPapers(const velm_cli::Args& args) {
  if (args.size() != 2 || args[0] != "list") return std::fprintf(stderr, "usage: velm papers list PRINTER\n"), 2;
  Session s("papers list", args[1]);
  if (!s.ok()) return s.Refuse();
  FreeSizeRefreshSlots(s.ctx());
  for (int32_t n = 0; n < FreeSizeGetSlotCount(s.ctx()); ++n) {
    const FreeSizeSlot& slot = s.ctx()->work->freeSizes[n];
    std::string name(slot.names[2], strnlen(slot.names[2], sizeof slot.names[2]));
    char16_t wide[65] = {};
    StrAnsiToWide(wide, name.c_str(), 65);
    std::printf("%d\t%s\t%d x %d\n", int(n), plat::ToUtf8(wide).c_str(), int(slot.width), int(slot.length));
  }
  return 0;
}

}  // namespace

VELM_COMMAND("qst", "qst save|load PRINTER FILE [--flags N]   settings files of a printer's stored settings", RunQst);
VELM_COMMAND("preset", "preset list|save|load|delete|export|delete-bundle ...   the printer's presets and bundles",
             RunPreset);
VELM_COMMAND("stamp", "stamp list PRINTER   the printer's watermark entries", RunStamp);
VELM_COMMAND("papers", "papers list PRINTER   the printer's ten user paper sizes (1/1200 inch)", RunPapers);
