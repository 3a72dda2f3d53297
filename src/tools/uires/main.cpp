// velm_uires OUTPUT BASE [LANGUAGE]: writes the UI resource module of the
// driver (see uires.h) in the language of the code (us when none) as a copy
// of the loadable base module with the resources appended.
#include <cstdio>

#include "uires.h"

int main(int argc, char** argv) {
  uires::Language language = uires::Language::kEnglish;
  if (argc < 3 || argc > 4 || (argc == 4 && !uires::LanguageOfCode(argv[3], &language))) {
    std::fprintf(stderr, "usage: velm_uires OUTPUT BASE-MODULE [us|jp]\n");
    return 2;
  }
  if (!plat::WriteResourceModule(argv[1], argv[2], uires::BuildModuleEntries(language))) {
    std::fprintf(stderr, "velm_uires: cannot write %s from the base module %s\n", argv[1], argv[2]);
    return 1;
  }
  return 0;
}
