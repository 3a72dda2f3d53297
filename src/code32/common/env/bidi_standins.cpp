// Stand-ins for services of later areas that the device query calls (see
// velm/bidi_standins.h).
#include "velm/bidi_standins.h"

#include <atomic>

#include "plat/wstr.h"
#include "velm/ini.h"
#include "velm/paths.h"
#include "velm/spooler.h"

// Stand-in until the install-info defaults land: [Models] of the
// install-info file for the driver name (leading blanks skipped); without
// that file or key the driver name itself serves as the model key.
const char16_t* InstGetModelKey(DriverContext* ctx) {
  thread_local char16_t key[33];
  if (!ctx) return nullptr;
  const char16_t* driver = SplGetDriverName(ctx);
  if (!driver || !driver[0]) return nullptr;
  char16_t value[261] = {};
  const char16_t* info = PathGetInstallInfoFile(ctx);
  if (info && info[0]) IniGetString(u"Models", driver, u"", value, 261, info);
  const char16_t* from = value;
  while (*from == u' ') ++from;
  if (!*from) from = driver;
  size_t n = 0;
  while (from[n] && n < 32) {
    key[n] = from[n];
    ++n;
  }
  key[n] = 0;
  return key[0] ? key : nullptr;
}

