// Stand-ins for services of later areas that the device query calls (see
// velm/bidi_standins.h).
#include "velm/bidi_standins.h"

#include <atomic>

#include "plat/wstr.h"
#include "velm/ini.h"
#include "velm/paths.h"
#include "velm/spooler.h"

// Stand-in until the terminal-server client configuration lands: never
// taken from a client.
int32_t RemoteGetSyncState(DriverContext*) { return 0; }


