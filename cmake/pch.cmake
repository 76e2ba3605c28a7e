# Precompiled headers: <windows.h> and the standard library headers take 1 to
# 3 s to parse per source file, more than most of our sources take to compile.
# Each group of targets compiled with the same flags parses them once. Only
# headers that most sources of a group include anyway are precompiled, so that
# a missing include still shows (the fuzz preset builds the Windows-free code
# without them). Included from the top-level CMakeLists.txt after every target.
option(KELVAR_PCH "Precompile the headers most sources include" ON)
if(NOT KELVAR_PCH)
  return()
endif()

set(KELVAR_PCH_STD <algorithm> <cstdint> <functional> <memory> <string> <string_view> <utility>
    <vector>)

# kelvar_pch(FIRST HEADERS... [REUSE targets...]): FIRST precompiles the headers,
# the others (same compiler flags, as GCC requires) reuse them.
function(kelvar_pch first)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "REUSE")
  target_precompile_headers(${first} PRIVATE ${arg_UNPARSED_ARGUMENTS})
  foreach(target IN LISTS arg_REUSE)
    if(TARGET ${target})
      target_precompile_headers(${target} REUSE_FROM ${first})
    endif()
  endforeach()
endfunction()

# The Windows-free layers and the packer.
kelvar_pch(kelvar_runtime ${KELVAR_PCH_STD} REUSE kelvar_core kelvar_app_core kvrpack_lib)
if(WIN32)
  # The Windows layers and the program.
  kelvar_pch(kelvar_toolkit <windows.h> <commctrl.h> ${KELVAR_PCH_STD}
             REUSE kelvar_features kelvar_app Setup)
endif()
if(TARGET unit_tests)
  kelvar_pch(unit_tests <gtest/gtest.h> ${KELVAR_PCH_STD})
endif()
if(TARGET win32_tests)
  kelvar_pch(win32_tests <gtest/gtest.h> <windows.h> <commctrl.h> ${KELVAR_PCH_STD}
             REUSE shell_tests)
endif()
