# Checks that the path says the layer: Qt is included only under a window/
# folder (or in tests/), and no engine file includes a header from a window/
# folder. Among the window folders, a feature's (analysis/window/ and the
# like) never includes the main window (app/window/MainForm.h) nor another
# feature's window/ header: the features meet on the main window's seam. The
# one exception is Preferences showing the MP3 choices (settings/window/ may
# include export/window/). Prints every file that breaks a rule and fails.
#
#   cmake -DROOT=<source tree> -P Layering.cmake
#   cmake -DSELFTEST=ON -DSCRATCH=<empty folder> -P Layering.cmake
#     (the checker on a small tree with known faults: each must be found)

# Files of root that break the rules, as "path: reason" lines in out_var.
function(find_layering_faults root out_var)
  file(GLOB_RECURSE sources RELATIVE ${root} ${root}/*.cpp ${root}/*.h ${root}/*.hpp ${root}/*.c)
  set(faults)
  foreach(path IN LISTS sources)
    # Build trees and the tests' own files are not the program's layers.
    if(path MATCHES "^(build[^/]*|tests|\\.git)/" OR path MATCHES "/CMakeFiles/")
      continue()
    endif()
    file(STRINGS ${root}/${path} includes REGEX "^[ \t]*#[ \t]*include")
    set(window_path FALSE)
    if(path MATCHES "(^|/)window/")
      set(window_path TRUE)
    endif()
    # The feature whose window code this is; none for the main window's own
    # folder and for the benches, which drive the whole window.
    set(feature "")
    if(path MATCHES "^([^/]+)/window/")
      set(feature ${CMAKE_MATCH_1})
      if(feature MATCHES "^(app|bench)$")
        set(feature "")
      endif()
    endif()
    foreach(line IN LISTS includes)
      if(NOT window_path AND line MATCHES "<Q[A-Za-z_/]*")
        list(APPEND faults "${path}: Qt outside a window/ folder (${line})")
      elseif(NOT window_path AND line MATCHES "\"([^\"]*/)?window/[^\"]*\"")
        list(APPEND faults "${path}: engine code includes a window/ header (${line})")
      elseif(feature AND line MATCHES "\"app/window/MainForm\\.h\"")
        list(APPEND faults "${path}: a feature includes the main window (${line})")
      elseif(feature AND line MATCHES "\"([^\"/]+)/window/[^\"]*\"")
        set(other ${CMAKE_MATCH_1})
        if(NOT other STREQUAL feature AND NOT other STREQUAL "app"
           AND NOT (feature STREQUAL "settings" AND other STREQUAL "export"))
          list(APPEND faults "${path}: a feature includes another feature's window code (${line})")
        endif()
      endif()
    endforeach()
  endforeach()
  set(${out_var} ${faults} PARENT_SCOPE)
endfunction()

if(SELFTEST)
  file(REMOVE_RECURSE ${SCRATCH})
  file(WRITE ${SCRATCH}/export/Bad.cpp "#include <QString>\n")
  file(WRITE ${SCRATCH}/export/AlsoBad.h "#pragma once\n  #  include \"export/window/SaveAsMp3.h\"\n")
  file(WRITE ${SCRATCH}/export/Fine.cpp "#include \"export/SaveJob.h\"\n#include <string>\n// QString in a comment\n")
  file(WRITE ${SCRATCH}/export/window/Fine.cpp
       "#include <QDialog>\n#include \"app/window/FormPanel.h\"\n#include \"export/window/Mp3Handlers.h\"\n")
  file(WRITE ${SCRATCH}/analysis/window/Knot.cpp "#include \"app/window/MainForm.h\"\n")
  file(WRITE ${SCRATCH}/preview/window/Reach.h "#pragma once\n#include \"export/window/SaveHandlers.h\"\n")
  file(WRITE ${SCRATCH}/settings/window/Fine.cpp "#include \"export/window/SaveAsMp3.h\"\n")
  file(WRITE ${SCRATCH}/app/window/Fine.cpp "#include \"app/window/MainForm.h\"\n#include \"export/window/SaveHandlers.h\"\n")
  file(WRITE ${SCRATCH}/bench/window/Fine.cpp "#include \"app/window/MainForm.h\"\n")
  file(WRITE ${SCRATCH}/tests/Fine.cpp "#include <QtTest>\n")
  file(WRITE ${SCRATCH}/build-x/Fine.cpp "#include <QObject>\n")
  find_layering_faults(${SCRATCH} faults)
  list(LENGTH faults count)
  if(NOT count EQUAL 4 OR NOT faults MATCHES "export/Bad.cpp: Qt" OR NOT faults MATCHES "export/AlsoBad.h: engine"
     OR NOT faults MATCHES "analysis/window/Knot.cpp: a feature includes the main window"
     OR NOT faults MATCHES "preview/window/Reach.h: a feature includes another feature's")
    message(FATAL_ERROR "the layering check missed or invented a fault: ${faults}")
  endif()
  message(STATUS "layering check: finds the four planted faults and nothing else")
  return()
endif()

find_layering_faults(${ROOT} faults)
if(faults)
  list(JOIN faults "\n" text)
  message(FATAL_ERROR "Layering faults (Qt only under window/, engine never includes window/, features meet on "
                      "the main window's seam):\n${text}")
endif()
message(STATUS "layering: Qt only under window/ folders, no engine file includes a window/ header, and no "
               "feature includes the main window or another feature's window code")
