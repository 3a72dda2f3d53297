// The call log of the emulated machine: services note their calls here so
// that tests can count them and check what was asked for. Fault injection is
// plat::FailNth in plat/kernel.h.
#pragma once

#include <string>
#include <vector>

namespace plat {

// Counts one call of the service and, when detail is given, logs
// "service detail".
void NoteCall(const char* service, const std::string& detail = std::string());
// Calls of the service since the last ResetCalls.
long CallCount(const char* service);
// Logged entries since the last ResetCalls, oldest first (the newest 4096).
std::vector<std::string> CallLog();
void ResetCalls();

}  // namespace plat
