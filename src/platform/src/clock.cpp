// The machine's local time (see plat/kernel.h).
#include <cstdio>
#include <ctime>
#include <string>

#include "plat/kernel.h"
#include "plat/machineconf.h"
#include "plat/winspool.h"

extern "C" void GetLocalTime(SYSTEMTIME* time) {
  if (!time) return;
  *time = SYSTEMTIME{};
  const std::string fixed = plat::GetMachineSetting("clock.local");
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  if (!fixed.empty() &&
      std::sscanf(fixed.c_str(), "%d-%d-%d %d:%d:%d", &year, &month, &day, &hour, &minute, &second) == 6) {
    time->wYear = WORD(year);
    time->wMonth = WORD(month);
    time->wDay = WORD(day);
    time->wHour = WORD(hour);
    time->wMinute = WORD(minute);
    time->wSecond = WORD(second);
    return;
  }
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  time->wYear = WORD(local.tm_year + 1900);
  time->wMonth = WORD(local.tm_mon + 1);
  time->wDayOfWeek = WORD(local.tm_wday);
  time->wDay = WORD(local.tm_mday);
  time->wHour = WORD(local.tm_hour);
  time->wMinute = WORD(local.tm_min);
  time->wSecond = WORD(local.tm_sec);
}
