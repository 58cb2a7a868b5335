# The lock annotations hold at compile time: each fixture of ThreadSafety/ is compiled by clang with the
# thread-safety analysis as errors, once with its fault (refused, with the diagnostic named) and once without (it
# must compile). Not in the ThreadSanitizer tree, which would only repeat them.
if(SKYVANE_THREAD_TREE)
  return()
endif()
find_program(SKYVANE_CLANGXX NAMES clang++ clang++-14)
if(NOT SKYVANE_CLANGXX)
  message(STATUS "clang++ not found (scripts/install-deps installs it): the lock fixtures are left out")
  return()
endif()
set(fixture_dir ${CMAKE_CURRENT_LIST_DIR}/ThreadSafety)
set(fixture_flags -std=c++20 -fsyntax-only -Wthread-safety -Wthread-safety-beta -Werror)
foreach(d CoreObjects/Common Platform/Source DataObjects/Common/Engine DataObjects/Common/Model)
  list(APPEND fixture_flags -I${CMAKE_SOURCE_DIR}/Frameworks/${d})
endforeach()
foreach(fixture
    "GuardedClientField|reading variable 'mExpectedDate' requires holding mutex 'mLock'"
    "ManagerBeforeClient|mutex 'mRegion' must be acquired before 'mLock'"
    "ManagerRecords|calling function 'FindRecord' requires holding mutex 'ioManager.mRegion' exclusively")
  string(REPLACE "|" ";" parts "${fixture}")
  list(GET parts 0 name)
  list(GET parts 1 diagnostic)
  add_test(NAME LockFixture.${name}Refused
    COMMAND ${SKYVANE_CLANGXX} ${fixture_flags} -DSKYVANE_FIXTURE_FAULT ${fixture_dir}/${name}.cpp)
  set_tests_properties(LockFixture.${name}Refused PROPERTIES LABELS house_4
    PASS_REGULAR_EXPRESSION "error: ${diagnostic} \\[-Werror")
  add_test(NAME LockFixture.${name}TwinCompiles COMMAND ${SKYVANE_CLANGXX} ${fixture_flags} ${fixture_dir}/${name}.cpp)
  set_tests_properties(LockFixture.${name}TwinCompiles PROPERTIES LABELS house_4)
endforeach()
