// velm_uires OUTPUT BASE: writes the UI resource module of the driver (see
// uires.h) as a copy of the loadable base module with the resources
// appended.
#include <cstdio>

#include "uires.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: velm_uires OUTPUT BASE-MODULE\n");
    return 2;
  }
  if (!plat::WriteResourceModule(argv[1], argv[2], uires::BuildModuleEntries())) {
    std::fprintf(stderr, "velm_uires: cannot write %s from the base module %s\n", argv[1], argv[2]);
    return 1;
  }
  return 0;
}
