#include "velm/library.h"

#include "velm/context.h"
#include "velm/lock.h"
#include "velm/model_cache.h"

namespace {
HINSTANCE g_module = nullptr;
}

void CommonProcessAttach(HINSTANCE module) {
  g_module = module;
  CtxInitCaches();
  LockInitialize();
}

void CommonProcessDetach() {
  CtxSweepCache(1);
  MdfFreeModelList();
  LockTerminate();
  g_module = nullptr;
}

HINSTANCE CommonModuleHandle() { return g_module; }

BOOL CommonDllMain(HINSTANCE module, DWORD reason) {
  if (reason == DLL_PROCESS_ATTACH) CommonProcessAttach(module);
  else if (reason == DLL_PROCESS_DETACH) CommonProcessDetach();
  return TRUE;
}
