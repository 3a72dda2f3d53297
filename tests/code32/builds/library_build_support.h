// The library a test program of these cases is linked for, and the value a
// case expects in it.
#pragma once

#include <gtest/gtest.h>

#include "velm/library_build.h"

namespace build_test {

// The library this program is built for (by its compile definition); the
// cases check that the common library linked in is that library's build.
#if defined(VELM_TEST_LIBRARY_gr)
inline constexpr LibraryId kLibrary = LibraryId::kGraphics;
#elif defined(VELM_TEST_LIBRARY_ex)
inline constexpr LibraryId kLibrary = LibraryId::kQuery;
#else
inline constexpr LibraryId kLibrary = LibraryId::kInterface;
#endif

inline bool InGraphics() { return LibGetBuild().id == LibraryId::kGraphics; }
inline bool InQuery() { return LibGetBuild().id == LibraryId::kQuery; }

// What a case expects: in the printer-interface library (the home
// behaviour), the graphics library and the query library.
template <class T>
struct ByLibrary {
  T home, graphics, query;
  const T& Here() const {
    switch (LibGetBuild().id) {
      case LibraryId::kGraphics: return graphics;
      case LibraryId::kQuery: return query;
      default: return home;
    }
  }
};

inline const char* LibraryName() {
  switch (LibGetBuild().id) {
    case LibraryId::kGraphics: return "VELMPD0";
    case LibraryId::kQuery: return "VELMPD4";
    default: return "VELMPD3";
  }
}

}  // namespace build_test
