# Helpers shared by the folders.

# A driver library: a shared object with its own copy of the common library
# (flavor ui, gr or ex: the shared objects plus what is compiled per flavor),
# hidden symbols, and only the names in its export map.
function(velm_add_driver_library target flavor export_map)
  set(sources ${ARGN})
  add_library(${target} SHARED ${sources})
  target_link_libraries(${target} PRIVATE velm_common_${flavor} velmplat)
  set_target_properties(${target} PROPERTIES
    PREFIX "" OUTPUT_NAME ${target}
    CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  target_link_options(${target} PRIVATE "-Wl,--version-script=${export_map}")
  if(NOT VELM_SANITIZE AND NOT VELM_TSAN)
    # (Sanitizer runtimes are linked into programs, not into shared objects.)
    target_link_options(${target} PRIVATE "-Wl,--no-undefined")
  endif()
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${export_map})
endfunction()

# A GoogleTest program: each of its cases is a test of its own for CTest
# (named program.Suite.Case, label "gtest"), so that ctest -j runs them side
# by side, each in a fresh process. The cases are listed when ctest runs.
find_package(GTest REQUIRED)
include(GoogleTest)
function(velm_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
  # The test code itself is compiled without optimisation in every build (the
  # code under test keeps the build's flags): gtest-heavy files compile two
  # to three times faster, and the suite runs in seconds either way.
  target_compile_options(${name} PRIVATE -O0)
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  # A test machine is made with the stand-in job-information module in it.
  if(TARGET velm_orvjc32)
    add_dependencies(${name} velm_orvjc32)
  endif()
  gtest_discover_tests(${name}
    TEST_PREFIX "${name}."
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 120
    PROPERTIES
      ENVIRONMENT "VELM_TEST_DATA=${PROJECT_SOURCE_DIR}/tests"
      LABELS gtest
      TIMEOUT 300)
endfunction()
find_package(Threads REQUIRED)

# A libFuzzer target, run by CTest for VELM_FUZZ_SECONDS (label "fuzz"). Its
# seeds are tests/fuzz/<name> (inputs only the fuzzer reads) and the folders
# under tests/ named by SEEDS, so the fuzzer starts from the inputs the tests
# keep rather than from copies of them. REPEAT adds the test <name>_repeat:
# the seeds and some inputs made from them, each run twice with
# VELM_FUZZ_REPEAT=1, for targets that then stop on an input answered two
# ways (fuzz_reset.h).
set(VELM_FUZZ_SECONDS 20 CACHE STRING "Seconds each fuzz target runs under CTest")
function(velm_add_fuzzer name)
  cmake_parse_arguments(F "REPEAT" "SECONDS" "SOURCES;LIBS;SEEDS" ${ARGN})
  if(NOT VELM_FUZZ)
    return()
  endif()
  # SECONDS, when a target gives it, can only shorten the run.
  if(NOT F_SECONDS OR F_SECONDS GREATER VELM_FUZZ_SECONDS)
    set(F_SECONDS ${VELM_FUZZ_SECONDS})
  endif()
  add_executable(${name} ${F_SOURCES})
  # A fuzzer makes its machine as the tests do (standin_machine.h).
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  set(corpus ${CMAKE_BINARY_DIR}/fuzz-corpus/${name})
  file(MAKE_DIRECTORY ${corpus})
  set(seeds)
  if(IS_DIRECTORY ${PROJECT_SOURCE_DIR}/tests/fuzz/${name})
    list(APPEND seeds ${PROJECT_SOURCE_DIR}/tests/fuzz/${name})
  endif()
  foreach(dir ${F_SEEDS})
    list(APPEND seeds ${PROJECT_SOURCE_DIR}/tests/${dir})
  endforeach()
  add_test(NAME ${name} COMMAND ${name} -max_total_time=${F_SECONDS} -rss_limit_mb=4096 ${corpus} ${seeds})
  set_tests_properties(${name} PROPERTIES LABELS fuzz)
  if(F_REPEAT)
    set(repeat_corpus ${CMAKE_BINARY_DIR}/fuzz-corpus/${name}_repeat)
    file(MAKE_DIRECTORY ${repeat_corpus})
    add_test(NAME ${name}_repeat
             COMMAND ${name} -runs=500 -max_total_time=${F_SECONDS} -rss_limit_mb=4096 ${repeat_corpus} ${seeds})
    set_tests_properties(${name}_repeat PROPERTIES LABELS fuzz ENVIRONMENT VELM_FUZZ_REPEAT=1)
  endif()
endfunction()

# Fails the configure step when a source file of a folder whose sources are
# listed by hand is in none of its lists, so that a new file is never left
# out of the build unnoticed. Paths in the lists are relative to the folder.
function(velm_require_listed_sources)
  file(GLOB_RECURSE found RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  set(listed ${ARGN})
  foreach(f ${found})
    if(NOT f IN_LIST listed)
      message(FATAL_ERROR "${CMAKE_CURRENT_SOURCE_DIR}/${f} is in none of the source lists of this folder's "
                          "CMakeLists.txt: add it to the list of the library it belongs to")
    endif()
  endforeach()
endfunction()
