# Builds that anyone can repeat byte for byte: no build path and no link time
# in what is shipped. Included from the top-level CMakeLists.txt.

# __FILE__, assertions and debug info name sources relative to the tree, so a
# checkout in another folder compiles to the same bytes. The build tree is
# mapped last: it lies inside the source tree and its more specific mapping
# must win.
add_compile_options(
  $<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_SOURCE_DIR}/=>
  $<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_BINARY_DIR}/=>)

if(WIN32)
  # The PE header's TimeDateStamp would otherwise be the link time.
  add_link_options(-Wl,--no-insert-timestamp)
endif()

# kelvar_strip_debug(TARGET): the target ships without debug info and
# symbols; they stay beside it in the build tree as <name>.debug, tied to the
# program by a debug link, for crash analysis. objcopy would stamp the time of
# day into the PE header of both files; SOURCE_DATE_EPOCH=0 gives the zero
# that the linker writes.
# Last, tools/pe_finish.py pads it to 8 bytes and sets the header checksum, as
# signing does: a signed release then gives back these bytes when its
# signature is removed (scripts/sign.sh).
function(kelvar_strip_debug target)
  find_program(KELVAR_PYTHON3 python3 REQUIRED)
  if(NOT CMAKE_OBJCOPY)
    message(FATAL_ERROR "objcopy not found: cannot strip ${target}")
  endif()
  set(objcopy ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0 ${CMAKE_OBJCOPY})
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${objcopy} --only-keep-debug $<TARGET_FILE_NAME:${target}> $<TARGET_FILE_NAME:${target}>.debug
    COMMAND ${objcopy} --strip-all --add-gnu-debuglink=$<TARGET_FILE_NAME:${target}>.debug
            $<TARGET_FILE_NAME:${target}>
    COMMAND ${KELVAR_PYTHON3} ${CMAKE_SOURCE_DIR}/tools/pe_finish.py $<TARGET_FILE_NAME:${target}>
    WORKING_DIRECTORY $<TARGET_FILE_DIR:${target}>
    VERBATIM)
endfunction()
