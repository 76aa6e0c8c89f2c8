# Fails when a source file includes a header from a folder that is not below
# its own, or when a folder holding sources has no place in the order. Folders
# from top to bottom; folders on one line are peers and may not include each
# other:
#   tests →
#   fuzz, bench, packaging (tools) →
#   scripts (the sample generator's writer, shared by the tools) →
#   ui (the window module: it implements and calls app's window entry points) →
#   app → cli → batch → pipeline → stages →
#   codecs, canvas, naming, themes, update →
#   settings, lang → platform
# Subfolders belong to their top folder (ui/icons is ui). Build trees (any
# folder holding a CMakeCache.txt) and hidden folders are not sources.
# Run as: cmake -DSOURCE_DIR=<repository> -P CheckLayers.cmake
set(rank_tests 12)
set(rank_fuzz 11)
set(rank_bench 11)
set(rank_packaging 11)
set(rank_scripts 10)
set(rank_ui 9)
set(rank_app 8)
set(rank_cli 7)
set(rank_batch 6)
set(rank_pipeline 5)
set(rank_stages 4)
set(rank_codecs 3)
set(rank_canvas 3)
set(rank_naming 3)
set(rank_themes 3)
set(rank_update 3)
set(rank_settings 2)
set(rank_lang 2)
set(rank_platform 1)

set(violations "")
file(GLOB entries LIST_DIRECTORIES true RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/*")
list(SORT entries)
foreach(folder ${entries})
  if(NOT IS_DIRECTORY "${SOURCE_DIR}/${folder}" OR folder MATCHES "^\\."
     OR EXISTS "${SOURCE_DIR}/${folder}/CMakeCache.txt")
    continue()
  endif()
  file(GLOB_RECURSE sources "${SOURCE_DIR}/${folder}/*.cpp" "${SOURCE_DIR}/${folder}/*.h")
  if(NOT sources)
    continue()
  endif()
  if(NOT DEFINED rank_${folder})
    list(APPEND violations "${folder}/ holds sources but has no layer")
    continue()
  endif()
  foreach(source ${sources})
    file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]+\"[^\"]+\"")
    foreach(line ${includes})
      string(REGEX REPLACE "^[^\"]*\"([^\"]+)\".*$" "\\1" header "${line}")
      string(REGEX MATCH "^[^/]+" target "${header}")
      if(target STREQUAL folder OR NOT DEFINED rank_${target})
        continue()
      endif()
      if(NOT rank_${target} LESS rank_${folder})
        file(RELATIVE_PATH shown "${SOURCE_DIR}" "${source}")
        list(APPEND violations "${shown} includes ${header}")
      endif()
    endforeach()
  endforeach()
endforeach()

if(violations)
  list(JOIN violations "\n  " text)
  message(FATAL_ERROR "Includes pointing up or sideways, or folders without a layer:\n  ${text}")
endif()
message(STATUS "Every include points down")
