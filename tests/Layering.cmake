# Checks that the path says the layer: Qt is included only under a window/
# folder (or in tests/), and no engine file includes a header from a window/
# folder. Prints every file that breaks a rule and fails.
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
    foreach(line IN LISTS includes)
      if(NOT window_path AND line MATCHES "<Q[A-Za-z_/]*")
        list(APPEND faults "${path}: Qt outside a window/ folder (${line})")
      elseif(NOT window_path AND line MATCHES "\"([^\"]*/)?window/[^\"]*\"")
        list(APPEND faults "${path}: engine code includes a window/ header (${line})")
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
  file(WRITE ${SCRATCH}/export/window/Fine.cpp "#include <QDialog>\n#include \"app/window/MainForm.h\"\n")
  file(WRITE ${SCRATCH}/tests/Fine.cpp "#include <QtTest>\n")
  file(WRITE ${SCRATCH}/build-x/Fine.cpp "#include <QObject>\n")
  find_layering_faults(${SCRATCH} faults)
  list(LENGTH faults count)
  if(NOT count EQUAL 2 OR NOT faults MATCHES "export/Bad.cpp: Qt" OR NOT faults MATCHES "export/AlsoBad.h: engine")
    message(FATAL_ERROR "the layering check missed or invented a fault: ${faults}")
  endif()
  message(STATUS "layering check: finds both planted faults and nothing else")
  return()
endif()

find_layering_faults(${ROOT} faults)
if(faults)
  list(JOIN faults "\n" text)
  message(FATAL_ERROR "Layering faults (Qt only under window/, engine never includes window/):\n${text}")
endif()
message(STATUS "layering: Qt only under window/ folders, and no engine file includes a window/ header")
