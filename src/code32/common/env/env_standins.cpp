// Stand-ins for services of later areas (see velm/env_standins.h).
#include "velm/env_standins.h"

#include <mutex>
#include <string>

namespace {
std::mutex g_mutex;
std::u16string g_ui_res_name;
bool g_has_ui_res_name = false;
int32_t g_server_type_17 = 0;
}  // namespace

// Stand-in until the model queries land.
const char16_t* MdfGetUIResDLLName(DriverContext*) {
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_has_ui_res_name ? g_ui_res_name.c_str() : nullptr;
}

void EnvStandinSetUiResDllName(const char16_t* name) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_has_ui_res_name = name != nullptr;
  g_ui_res_name = name ? name : u"";
}

// Stand-in until the printer set-up lands.
int32_t InstIsServerType17(HANDLE, const char16_t*) { return g_server_type_17; }
void EnvStandinSetServerType17(int32_t answer) { g_server_type_17 = answer; }

// Stand-in until the bidirectional device query lands.
int32_t BidiIniPrepareFile(DriverContext*) { return 0; }
