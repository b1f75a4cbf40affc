# SPDX-License-Identifier: GPL-3.0-or-later
# Checks the source tree's house rules; run as a test:
#   cmake -DSOURCE_DIR=<project> -P cmake/check_sources.cmake
# 1. Every C++ file starts with the licence's SPDX line.
# 2. Layers point down only. A folder may include the folders below it, never one above:
#    core (standard C++, no Qt) <- platform, link (QtCore), report_qt (QtGui) <- cli, ui; and
#    inside the window: chart <- widgets <- map, recording <- viewer, report <- window <- app.

if(NOT SOURCE_DIR)
  message(FATAL_ERROR "SOURCE_DIR is not set")
endif()

set(core_folders lang acquisition device firmware sim mapfile line analysis report ui/map/model ui/chart/model)

# Folder -> the include prefixes it must not use.
set(forbid_core "link/;platform/;cli/;ui/widgets/;ui/chart/[a-z_]+\\.h;ui/map/[a-z_]+\\.h;ui/recording/;ui/viewer/;ui/window/;ui/app/")
set(forbid_platform "link/;cli/;ui/")
set(forbid_link "platform/;cli/;ui/")
set(forbid_report_qt "link/;platform/;cli/;ui/")
set(forbid_cli "ui/")
set(forbid_ui/chart "cli/;ui/widgets/;ui/map/;ui/recording/;ui/viewer/;ui/report/;ui/window/;ui/app/")
set(forbid_ui/widgets "cli/;ui/map/;ui/recording/;ui/viewer/;ui/report/;ui/window/;ui/app/")
set(forbid_ui/map "cli/;ui/recording/;ui/viewer/;ui/report/;ui/window/;ui/app/")
set(forbid_ui/recording "cli/;ui/map/;ui/viewer/;ui/report/;ui/window/;ui/app/")
set(forbid_ui/viewer "cli/;ui/report/;ui/window/;ui/app/")
set(forbid_ui/report "cli/;ui/viewer/;ui/window/;ui/app/")
set(forbid_ui/window "cli/;ui/app/")
set(forbid_ui/app "cli/")

set(problems "")
file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR}
  ${SOURCE_DIR}/src/*.h ${SOURCE_DIR}/src/*.cpp
  ${SOURCE_DIR}/tests/*.h ${SOURCE_DIR}/tests/*.cpp
  ${SOURCE_DIR}/bench/*.h ${SOURCE_DIR}/bench/*.cpp
  ${SOURCE_DIR}/fuzz/*.h ${SOURCE_DIR}/fuzz/*.cpp)
foreach(path IN LISTS sources)
  file(STRINGS ${SOURCE_DIR}/${path} first LIMIT_COUNT 1)
  if(NOT first STREQUAL "// SPDX-License-Identifier: GPL-3.0-or-later")
    string(APPEND problems "\n  ${path}: does not start with the SPDX licence line")
  endif()

  if(NOT path MATCHES "^src/")
    continue()
  endif()
  get_filename_component(folder ${path} DIRECTORY)
  string(REGEX REPLACE "^src/" "" folder "${folder}")
  list(FIND core_folders "${folder}" core_index)
  if(core_index GREATER -1)
    set(forbidden ${forbid_core})
    set(no_qt TRUE)
  elseif(DEFINED forbid_${folder})
    set(forbidden ${forbid_${folder}})
    set(no_qt FALSE)
  else()
    string(APPEND problems "\n  ${path}: folder '${folder}' has no layer; add it to cmake/check_sources.cmake")
    continue()
  endif()

  file(STRINGS ${SOURCE_DIR}/${path} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]+)[>\"].*" "\\1" header "${line}")
    if(no_qt AND header MATCHES "^Q[A-Za-z]*(/|$)")
      string(APPEND problems "\n  ${path}: includes <${header}>; this folder is Qt-free core")
    endif()
    foreach(prefix IN LISTS forbidden)
      if(header MATCHES "^${prefix}")
        string(APPEND problems "\n  ${path}: includes \"${header}\" from a layer above '${folder}'")
      endif()
    endforeach()
  endforeach()
endforeach()

if(problems)
  message(FATAL_ERROR "House rules broken:${problems}")
endif()
list(LENGTH sources count)
message(STATUS "${count} files: licence lines present, includes point down")
