// The settings of the emulated machine: operating-system facts, the user,
// folders. They live in <machine root>/machine.conf as "key=value" lines
// (UTF-8), so that a person or a test can set every branch the driver asks
// about. A key that is not in the file has its built-in default.
//
// Keys and defaults:
//   os.major=6  os.minor=1  os.build=7601  os.platform=2  os.csd=
//   os.terminal=0            terminal services (suite VER_SUITE_TERMINAL)
//   user.name=user  user.admin=1
//   user.profile=C:\Users\user                   empty: no profile
//   user.localappdatalow=C:\Users\user\AppData\LocalLow   empty: none
//   dir.windows=C:\Windows  dir.system=C:\Windows\System32
//   clock=                  the local time (YYYY-MM-DD HH:MM:SS); empty: the host's
// Several users: user.name is the machine's default user. A process whose
// VELM_USER names another user runs as that user: user.name answers that
// name, and its user.admin, user.profile and user.localappdatalow are kept
// under users.NAME.admin ... (defaults 0, C:\Users\NAME and
// C:\Users\NAME\AppData\LocalLow); setting a user.* key sets the current
// user's.
//   screen.width=1024  screen.height=768         the primary screen in pixels
//   taskbar.rect=0,728,1024,768   left,top,right,bottom of the taskbar
//                                 ("Shell_TrayWnd"); empty: no taskbar
// Modules of other makers keep their own keys here; the program that makes
// the machine writes their first values (MachineExtras).
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <utility>
#include <vector>

namespace plat {

std::string GetMachineSetting(const std::string& key);
// Writes the key into machine.conf (atomically, shared by all processes).
bool SetMachineSetting(const std::string& key, const std::string& value);
// Removes the key from machine.conf, so that its default applies again.
bool ResetMachineSetting(const std::string& key);
// Every setting with its value as this process sees it (the current user's
// user.* keys), sorted by key.
std::vector<std::pair<std::string, std::string>> MachineSettings();
// 1 when the machine root holds a machine (its machine.conf).
bool MachineExists();
// The user the process runs as (see above).
std::string CurrentUserName();
// Creates the current user's profile and LocalLow folders when missing.
bool EnsureUserFolders(std::string* error);
// A clock setting as a time (with its day of the week); false when it is
// not a valid time.
bool ParseMachineClock(const std::string& text, std::tm* out);

// Integer form of a setting; fallback when it is empty or not a number.
long GetMachineSettingInt(const std::string& key, long fallback);
// Adds delta to an integer setting (a missing or non-number one counts as
// 0) in one locked rewrite, so that processes counting at once lose no
// step.
bool AddMachineSettingInt(const std::string& key, long delta);

// Counters of the machine's stand-in modules (loads, sessions, calls), for
// tests and diagnostics: one small file each under <machine>/.counters,
// changed under its lock so that processes counting at once lose no step,
// and not flushed (a counter is no setting). Names are letters, digits,
// '.', '_' and '-'; a missing counter is 0.
bool AddMachineCounter(const std::string& name, int64_t delta);
int64_t GetMachineCounter(const std::string& name);

// The folder that holds the layer's stand-in modules (the folder of the
// layer library itself).
std::string StandinModuleDir();

// What a program adds to the machines it makes, beyond Windows' own: module
// files copied from the module folder into the system directory, and the
// first values of settings, written into a new machine.conf (an existing
// one keeps its own).
struct MachineExtras {
  std::vector<std::string> system_modules;
  std::vector<std::pair<std::string, std::string>> settings;
};

// Makes dir an empty machine: machine.conf with the defaults and the extra
// settings, the drive C: with the Windows, system, spooler-driver, temp and
// user folders, and the stand-in system modules (UserEnv.dll, shell32.dll,
// ole32.dll, compstui.dll when there) and the extra modules copied from
// module_dir into the system directory. A new machine appears whole or not
// at all. An existing machine keeps its settings, printers and files (its
// modules are copied anew). Sets the machine root to dir.
bool InitMachine(const std::string& dir, const std::string& module_dir, const MachineExtras& extras,
                 std::string* error);

}  // namespace plat
