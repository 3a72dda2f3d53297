// Which library's build this copy of the common library is: each library
// compiles this source with its own VELM_FLAVOR_* definition.
#include "velm/library_build.h"

const LibraryBuild& LibGetBuild() {
#if defined(VELM_FLAVOR_GR)
  return kGraphicsBuild;
#elif defined(VELM_FLAVOR_EX)
  return kQueryBuild;
#else
  return kInterfaceBuild;
#endif
}
