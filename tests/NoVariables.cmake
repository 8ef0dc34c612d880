# Checks that a shipped program reads no environment variable of its own: no
# QUILLON_ name is compiled into it (test hooks live in test builds).
#
#   cmake -DPROGRAM=<path> -P NoVariables.cmake
file(STRINGS ${PROGRAM} names REGEX "QUILLON_[A-Z_]+")
if(names)
  message(FATAL_ERROR "${PROGRAM} holds variable names of its own: ${names}")
endif()
message(STATUS "${PROGRAM}: no variable of its own")
