# Fails when a source file includes a header from a folder that is not below
# its own. Folders from top to bottom; folders on one line are peers and may
# not include each other:
#   app → cli → batch → pipeline → stages → codecs, canvas, naming →
#   settings, lang → platform
# Run as: cmake -DSOURCE_DIR=<repository> -P CheckLayers.cmake
set(rank_app 8)
set(rank_cli 7)
set(rank_batch 6)
set(rank_pipeline 5)
set(rank_stages 4)
set(rank_codecs 3)
set(rank_canvas 3)
set(rank_naming 3)
set(rank_settings 2)
set(rank_lang 2)
set(rank_platform 1)
set(folders app cli batch pipeline stages codecs canvas naming settings lang platform)

set(violations "")
foreach(folder ${folders})
  file(GLOB sources "${SOURCE_DIR}/${folder}/*.cpp" "${SOURCE_DIR}/${folder}/*.h")
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
  message(FATAL_ERROR "Includes pointing up or sideways:\n  ${text}")
endif()
message(STATUS "Every include points down")
