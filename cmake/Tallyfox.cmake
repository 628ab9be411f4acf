# Project-wide compiler settings and helpers.

if(TALLYFOX_SANITIZERS)
  add_compile_options(-fsanitize=${TALLYFOX_SANITIZERS} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${TALLYFOX_SANITIZERS})
endif()

# The race checker's suppressions go into every executable made after this point (see the file for why
# not into a library). An object library's objects, not an archive's, so that nothing decides whether
# they are needed.
if(TALLYFOX_SANITIZERS MATCHES "thread")
  add_library(tallyfox_thread_sanitizer_suppressions OBJECT "${CMAKE_CURRENT_LIST_DIR}/ThreadSanitizerSuppressions.cpp")
  link_libraries("$<$<STREQUAL:$<TARGET_PROPERTY:TYPE>,EXECUTABLE>:$<TARGET_OBJECTS:tallyfox_thread_sanitizer_suppressions>>")
endif()

# Warnings for our own targets only (third-party headers come from system include paths).
function(tallyfox_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wnon-virtual-dtor
    $<IF:$<CXX_COMPILER_ID:GNU>,-Wshadow=local,-Wshadow-uncaptured-local>)
  if(TALLYFOX_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# tallyfox_test(<name> SOURCES ... LIBRARIES ...): one GoogleTest executable registered with CTest.
function(tallyfox_test name)
  if(NOT TALLYFOX_TESTS)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  tallyfox_warnings(${name})
  target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} GTest::gtest GTest::gtest_main GTest::gmock)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 300 ENVIRONMENT "TALLYFOX_SOURCE_DIR=${CMAKE_SOURCE_DIR};TALLYFOX_BINARY_DIR=${CMAKE_BINARY_DIR}")
endfunction()
