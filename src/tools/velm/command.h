// Subcommands of the command-line host. Each area adds its commands in a
// file of its own with VELM_COMMAND; main() dispatches on the first word.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "plat/wintypes.h"

namespace velm_cli {

using Args = std::vector<std::string>;
// Returns the process exit code.
using CommandFn = int (*)(const Args& args);

struct Command {
  const char* name;
  const char* usage;  // one line, shown by "velm help"
  CommandFn run;
};

bool Register(const Command& command);

// How a person names the machine a command works on.
inline std::string UseMachineHint(const std::string& dir) {
  return "velm --machine " + dir + " COMMAND ..., or export VELM_MACHINE=" + dir;
}
// What a command says when there is no machine in folder.
inline std::string NoMachineMessage(const std::string& folder) {
  return "no machine in " + folder + " (make one with: velm machine init DIR; then use it with: " +
         UseMachineHint("DIR") + ")";
}

// A host file's bytes (a std::string or std::vector<uint8_t>), read in
// blocks rather than a character at a time: a printer's driver modules are
// megabytes. False when it cannot be read.
template <typename Bytes>
bool ReadHostBytes(const std::string& path, Bytes* out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out->clear();
  char block[65536];
  while (in.read(block, sizeof block) || in.gcount() > 0) out->insert(out->end(), block, block + in.gcount());
  return !in.bad();
}

// A name a user of the machine may have: 1-32 letters, digits, '-' and '_'
// (it becomes a folder name).
inline bool IsUserName(const std::string& name) {
  if (name.empty() || name.size() > 32) return false;
  for (char c : name)
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_'))
      return false;
  return true;
}

// velm printer set (cmd_printer_set.cpp).
int PrinterSet(const Args& args);
// velm printer delete|connect|disconnect|upgrade|event|can-print, and the
// spooler's set-up of a new printer (cmd_printer_spooler.cpp).
bool IsPrinterSpoolerCall(const std::string& sub);
int PrinterSpoolerCall(const Args& args);
bool PrinterSetUp(const std::string& printer);
// velm printer query, and the device description of a new printer
// (cmd_device.cpp).
int PrinterQuery(const Args& args);
bool DeviceCreateFromModel(void* printer, const std::string& name, std::string* why);
// A DEVMODE file's bytes checked and printed (cmd_devmode.cpp): why the
// bytes are no DEVMODE (empty when they are), and the print of one.
std::string CheckDevmode(const std::vector<uint8_t>& bytes);
void PrintDevmode(const uint8_t* bytes);

// velm job render (cmd_job_render.cpp); args[0] is "render".
int JobRender(const Args& args);

// A file mapped for reading from start to end (a job is often gigabytes:
// mapped, not read into memory); the pages behind the reading are given
// back with Release.
class MappedFile {
 public:
  explicit MappedFile(const std::string& path);
  ~MappedFile();
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;
  bool ok() const { return ok_; }
  const std::string& why() const { return why_; }  // when not ok
  const uint8_t* data() const { return data_; }
  size_t size() const { return size_; }
  // The bytes before end are read no more.
  void Release(size_t end);

 private:
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
  size_t released_ = 0;
  bool ok_ = false;
  std::string why_;
};

// The printer interface library of a printer, loaded as an application
// loads it (cmd_docprops.cpp): the printer opened, its driver's
// configuration module loaded; Close undoes both.
struct UiDriver {
  void* printer = nullptr;
  void* module = nullptr;
  std::u16string name;
  bool Open(const char* what, const std::string& printer_name);
  void* Entry(const char* export_name) const;
  void Close();
};
// A step of a sheet script: its verb and words (for page, select and type
// the last word is the rest of the line, quotes taken off), and where it is.
struct SheetStep {
  std::string verb;
  std::vector<std::string> args;
  std::string text;  // the line as written
  int line = 0;
};
// A sheet script: the steps and the message-box answers.
struct SheetScript {
  std::string file;
  std::vector<SheetStep> steps;
  std::vector<int> answers;
  // When set, a picture of the sheet as painted: DIR/step-0.png as it
  // opens, DIR/step-N.png after step N.
  std::string snapshot_dir;
};
bool ReadSheetScript(const std::string& file, SheetScript* script, std::string* why);
// Runs the script as the person at the screen, printing the window tree
// as the sheet opens and after each step. A step that cannot be done stops
// the script: the sheet is left to the window layer, which cancels it, and
// SheetScriptFailure says why.
void PlaySheetScript(const SheetScript& script);
// Why the script last played stopped early ("FILE:LINE: STEP: reason"), or
// empty.
std::string SheetScriptFailure();
// The steps themselves (sheet_steps.cpp): one line read into a step (false
// with why when it is none), one step done on the modal window (the sheet
// or a dialog it opened; false with why when it cannot be done), and the
// window tree with the items' symbols.
bool ParseSheetStep(const std::string& line, SheetStep* step, std::string* why);
bool RunSheetStep(HWND modal, const SheetStep& step, std::string* why);
std::string SheetTree(HWND modal);
// The modal dialogs running, outermost first, one line each; the steps act
// on the last.
std::string DialogStack();
// The printer's stored values (printer data) as the sheet left them.
void PrintStoredSettings(const std::u16string& printer);

}  // namespace velm_cli

#define VELM_CAT2(a, b) a##b
#define VELM_CAT(a, b) VELM_CAT2(a, b)
#define VELM_COMMAND(name, usage, fn) \
  static const bool VELM_CAT(velm_command_, __LINE__) = ::velm_cli::Register({name, usage, fn})
