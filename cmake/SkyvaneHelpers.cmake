include_guard(GLOBAL)
include(GoogleTest)

find_package(GTest REQUIRED)
find_package(Threads REQUIRED)

if(SKYVANE_SANITIZE STREQUAL "thread")
  set(SKYVANE_THREAD_TREE ON)
else()
  set(SKYVANE_THREAD_TREE OFF)
endif()

if(NOT CMAKE_BUILD_TYPE AND NOT CMAKE_CONFIGURATION_TYPES)
  if(SKYVANE_SANITIZE)
    set(CMAKE_BUILD_TYPE Debug CACHE STRING "" FORCE)
  else()
    set(CMAKE_BUILD_TYPE RelWithDebInfo CACHE STRING "" FORCE)
  endif()
endif()

find_program(SKYVANE_CCACHE ccache)
if(SKYVANE_CCACHE)
  set(CMAKE_C_COMPILER_LAUNCHER ${SKYVANE_CCACHE})
  set(CMAKE_CXX_COMPILER_LAUNCHER ${SKYVANE_CCACHE})
endif()

add_compile_options(-Wall -Wextra)
if(SKYVANE_WERROR)
  add_compile_options(-Werror)
endif()
if(SKYVANE_SANITIZE)
  add_compile_options(-fsanitize=${SKYVANE_SANITIZE} -fno-sanitize-recover=all -fno-omit-frame-pointer -O1 -g)
  add_link_options(-fsanitize=${SKYVANE_SANITIZE})
endif()

if(SKYVANE_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# The repository's root, for tests that look for ../shared beside it.
add_compile_definitions(SKYVANE_SOURCE_DIR="${CMAKE_SOURCE_DIR}")

if(NOT TARGET tsan_tests)
  add_custom_target(tsan_tests)
endif()

# Sources named relative to the calling list file's folder (or absolute).
function(_sky_resolve_sources out)
  set(srcs)
  foreach(s ${ARGN})
    if(IS_ABSOLUTE ${s})
      list(APPEND srcs ${s})
    else()
      list(APPEND srcs ${CMAKE_CURRENT_LIST_DIR}/${s})
    endif()
  endforeach()
  set(${out} ${srcs} PARENT_SCOPE)
endfunction()

# sky_add_framework(Name [SOURCE_DIRS d...] [DEPS lib...])
# One static PIC library per framework, from Common/ and Linux/ (or SOURCE_DIRS), then every Tests/*.cmake.
function(sky_add_framework name)
  cmake_parse_arguments(F "" "" "SOURCE_DIRS;DEPS" ${ARGN})
  if(NOT F_SOURCE_DIRS)
    set(F_SOURCE_DIRS Common Linux)
  endif()
  set(sources)
  set(includes)
  foreach(d ${F_SOURCE_DIRS})
    file(GLOB_RECURSE found CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${d}/*.cpp)
    list(APPEND sources ${found})
    list(APPEND includes ${CMAKE_CURRENT_SOURCE_DIR}/${d})
  endforeach()
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${includes})
    target_link_libraries(${name} PUBLIC ${F_DEPS} Threads::Threads)
  else()
    # Headers only so far.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${includes})
    target_link_libraries(${name} INTERFACE ${F_DEPS} Threads::Threads)
  endif()
  # Tests first: benchmarks and fuzz targets may use their support libraries.
  foreach(d Tests Bench Fuzz)
    file(GLOB found CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${d}/*.cmake)
    list(SORT found)
    list(APPEND test_files ${found})
  endforeach()
  foreach(t ${test_files})
    include(${t})
  endforeach()
endfunction()

# Test code in the sanitizer trees is compiled without optimisation: it is most of what those trees compile, and
# -O0 halves its compile time, while the libraries under test keep -O1 for realistic sanitizer findings.
function(sky_test_code_options target)
  if(SKYVANE_SANITIZE)
    target_compile_options(${target} PRIVATE -O0)
  endif()
endfunction()

# sky_add_tests(target LABEL label [TSAN] SOURCES file... [LIBS lib...])
# Sources are relative to the calling Tests/ folder (or absolute).
function(sky_add_tests target)
  cmake_parse_arguments(T "TSAN" "LABEL" "SOURCES;LIBS" ${ARGN})
  if(SKYVANE_THREAD_TREE AND NOT T_TSAN)
    return()
  endif()
  _sky_resolve_sources(srcs ${T_SOURCES})
  add_executable(${target} ${srcs})
  target_link_libraries(${target} PRIVATE ${T_LIBS} TestSupport GTest::gtest GTest::gmock Threads::Threads)
  # GCC 12 at -O2 flags `"literal" + std::to_string(n)` as overlapping memcpy (a known false positive of its
  # std::string inlining, fixed in GCC 13); the tests build strings that way freely.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
  sky_test_code_options(${target})
  set(labels ${T_LABEL})
  if(T_TSAN)
    list(APPEND labels tsan)
    add_dependencies(tsan_tests ${target})
  endif()
  gtest_discover_tests(${target}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    TEST_LIST ${target}_TESTS)
  # The discovery loses list-valued properties (two labels became "LABELS core_1 tsan"), so the labels are set
  # on the discovered tests by a file ctest reads after the discovery's own.
  set(label_file ${CMAKE_CURRENT_BINARY_DIR}/${target}_labels.cmake)
  file(WRITE ${label_file}
    "if(${target}_TESTS)\n  set_tests_properties(\${${target}_TESTS} PROPERTIES LABELS \"${labels}\")\nendif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${label_file})
endfunction()

# sky_add_bench(target SOURCES file... [LIBS lib...]): only with -DSKYVANE_BENCH=ON, never run by CI.
function(sky_add_bench target)
  if(NOT SKYVANE_BENCH)
    return()
  endif()
  cmake_parse_arguments(B "" "" "SOURCES;LIBS" ${ARGN})
  find_package(benchmark REQUIRED)
  _sky_resolve_sources(srcs ${B_SOURCES})
  add_executable(${target} ${srcs})
  target_link_libraries(${target} PRIVATE ${B_LIBS} benchmark::benchmark benchmark::benchmark_main Threads::Threads)
endfunction()

# sky_add_fuzz(target SOURCES file... [LIBS lib...]): libFuzzer targets, only with -DSKYVANE_FUZZ=ON under clang.
function(sky_add_fuzz target)
  if(NOT SKYVANE_FUZZ)
    return()
  endif()
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "SKYVANE_FUZZ needs clang (CXX=clang++)")
  endif()
  cmake_parse_arguments(Z "" "" "SOURCES;LIBS" ${ARGN})
  _sky_resolve_sources(srcs ${Z_SOURCES})
  add_executable(${target} ${srcs})
  target_compile_options(${target} PRIVATE -fsanitize=fuzzer)
  target_link_options(${target} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${target} PRIVATE ${Z_LIBS})
endfunction()
