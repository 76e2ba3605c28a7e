# GoogleTest, from Debian's source package (/usr/src/googletest), built as two
# libraries of this project for the tests. Included before any other target:
# Ninja starts the compiles that are ready in the order they are defined, and
# gtest-all.cc, one of the longest compiles of a build, would otherwise start
# last and hold up the link of every test.
set(KELVAR_GTEST_ROOT /usr/src/googletest/googletest)
if(NOT EXISTS ${KELVAR_GTEST_ROOT}/src/gtest-all.cc)
  message(FATAL_ERROR "GoogleTest sources not found in ${KELVAR_GTEST_ROOT}: "
                      "apt-get install googletest (scripts/setup-deps.sh)")
endif()
add_library(gtest STATIC ${KELVAR_GTEST_ROOT}/src/gtest-all.cc)
target_include_directories(gtest SYSTEM PUBLIC ${KELVAR_GTEST_ROOT}/include)
target_include_directories(gtest PRIVATE ${KELVAR_GTEST_ROOT})
# As GoogleTest's own build decides: threads through pthreads except on MinGW.
if(MINGW)
  target_compile_definitions(gtest PUBLIC GTEST_HAS_PTHREAD=0)
else()
  find_package(Threads REQUIRED)
  target_compile_definitions(gtest PUBLIC GTEST_HAS_PTHREAD=1)
  target_link_libraries(gtest PUBLIC Threads::Threads)
endif()
add_library(gtest_main STATIC ${KELVAR_GTEST_ROOT}/src/gtest_main.cc)
target_link_libraries(gtest_main PUBLIC gtest)
# Warnings as errors are for our own sources only.
set_target_properties(gtest gtest_main PROPERTIES COMPILE_WARNING_AS_ERROR OFF)
add_library(GTest::gtest_main ALIAS gtest_main)
