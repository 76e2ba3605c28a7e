# The layers as libraries, each seeing only its own headers and those below:
#   runtime <- toolkit <- features (backup, snapshot, shell) <- app
# Headers are named from the source root ("toolkit/app.h"). Every layer gets an
# include root of its own that holds only its folder (a link to src/<layer>), so
# an include of a higher layer's header does not compile.
#
# Sources are sorted into the layers by their folder; the lists stay flat.

set(KELVAR_LAYER_ROOTS ${CMAKE_BINARY_DIR}/layers)
foreach(layer runtime toolkit backup snapshot shell app)
  file(MAKE_DIRECTORY ${KELVAR_LAYER_ROOTS}/${layer})
  if(NOT EXISTS ${KELVAR_LAYER_ROOTS}/${layer}/${layer})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/src/${layer} ${KELVAR_LAYER_ROOTS}/${layer}/${layer} SYMBOLIC)
  endif()
endforeach()
set(KELVAR_FEATURE_INCLUDES
  ${KELVAR_LAYER_ROOTS}/backup ${KELVAR_LAYER_ROOTS}/snapshot ${KELVAR_LAYER_ROOTS}/shell)

# out: the files of `list` under src/<one of the folders>.
function(kelvar_pick out list)
  set(picked)
  foreach(file ${${list}})
    foreach(folder ${ARGN})
      if(file MATCHES "^src/${folder}/")
        list(APPEND picked ${file})
      endif()
    endforeach()
  endforeach()
  set(${out} ${picked} PARENT_SCOPE)
endfunction()

# Windows-free code, built for both targets.
kelvar_pick(KELVAR_RUNTIME_SOURCES CORE_SOURCES runtime)
kelvar_pick(KELVAR_CORE_FEATURE_SOURCES CORE_SOURCES backup snapshot shell)
kelvar_pick(KELVAR_CORE_APP_SOURCES CORE_SOURCES app)

add_library(kelvar_runtime STATIC ${KELVAR_RUNTIME_SOURCES})
target_include_directories(kelvar_runtime PUBLIC ${KELVAR_LAYER_ROOTS}/runtime)

add_library(kelvar_core STATIC ${KELVAR_CORE_FEATURE_SOURCES})
target_include_directories(kelvar_core PUBLIC ${KELVAR_FEATURE_INCLUDES})
target_link_libraries(kelvar_core PUBLIC kelvar_runtime ZLIB::ZLIB)

if(KELVAR_CORE_APP_SOURCES)
  add_library(kelvar_app_core STATIC ${KELVAR_CORE_APP_SOURCES})
  target_include_directories(kelvar_app_core PUBLIC ${KELVAR_LAYER_ROOTS}/app)
  target_link_libraries(kelvar_app_core PUBLIC kelvar_core)
endif()

if(WIN32)
  add_library(kelvar_toolkit STATIC ${WIN_TOOLKIT_SOURCES})
  target_include_directories(kelvar_toolkit PUBLIC ${KELVAR_LAYER_ROOTS}/toolkit)
  target_link_libraries(kelvar_toolkit PUBLIC kelvar_runtime
    comctl32 ole32 oleaut32 uuid shlwapi gdi32 user32 kernel32 comdlg32 advapi32 uxtheme)
  # mpr and oleacc are no KnownDLLs: tk::SystemFunction loads them from System32
  # at run time (tests/release/check_imports.sh keeps them out of the import table).

  kelvar_pick(KELVAR_WIN_FEATURE_SOURCES WIN_SOURCES backup snapshot shell)
  add_library(kelvar_features STATIC ${KELVAR_WIN_FEATURE_SOURCES})
  target_link_libraries(kelvar_features PUBLIC kelvar_core kelvar_toolkit shell32 advapi32)

  kelvar_pick(KELVAR_WIN_APP_SOURCES WIN_SOURCES app)
  add_library(kelvar_app STATIC ${KELVAR_WIN_APP_SOURCES})
  target_include_directories(kelvar_app PUBLIC ${KELVAR_LAYER_ROOTS}/app)
  target_link_libraries(kelvar_app PUBLIC kelvar_features)
  if(TARGET kelvar_app_core)
    target_link_libraries(kelvar_app PUBLIC kelvar_app_core)
  endif()
  # Everything the program is made of, for the program and the Windows tests.
  add_library(kelvar_win ALIAS kelvar_app)
endif()
