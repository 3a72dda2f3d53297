// Stand-ins for services of later areas that the device query calls (see
// velm/bidi_standins.h).
#include "velm/bidi_standins.h"

#include <atomic>

#include "plat/wstr.h"
#include "velm/ini.h"
#include "velm/paths.h"
#include "velm/spooler.h"


