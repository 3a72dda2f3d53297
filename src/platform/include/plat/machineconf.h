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
//   orvtse.result=           what the terminal-services helper answers;
//                            empty: 1 under terminal services, else 0
//   jobinfo.*                the stand-in job-information module's switches
//                            and counters (listed in src/jobinfo/orvjc32.cpp)
#pragma once

#include <string>

namespace plat {

std::string GetMachineSetting(const std::string& key);
// Writes the key into machine.conf (atomically, shared by all processes).
bool SetMachineSetting(const std::string& key, const std::string& value);
// Removes the key from machine.conf, so that its default applies again.
bool ResetMachineSetting(const std::string& key);
// Integer form of a setting; fallback when it is empty or not a number.
long GetMachineSettingInt(const std::string& key, long fallback);
// Adds delta to an integer setting (a missing or non-number one counts as
// 0) in one locked rewrite, so that processes counting at once lose no
// step.
bool AddMachineSettingInt(const std::string& key, long delta);

// The folder that holds the layer's stand-in modules (the folder of the
// layer library itself).
std::string StandinModuleDir();

// Makes dir an empty machine: machine.conf with the defaults, the drive C:
// with the Windows, system, spooler-driver, temp and user folders, and the
// stand-in system modules (UserEnv.dll, shell32.dll, ole32.dll) and the
// stand-in bidirectional library (orvbidiNT.dll) and job-information module
// (ORVJC32.DLL) copied from module_dir into the system directory. An
// existing machine keeps its
// settings, printers and files. Sets the machine root to dir.
bool InitMachine(const std::string& dir, const std::string& module_dir, std::string* error);

}  // namespace plat
