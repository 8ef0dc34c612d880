# Checks that every C and C++ source of the tree is formatted by the committed
# .clang-format. Prints the places that differ and fails.
#
#   cmake -DROOT=<source tree> -DCLANG_FORMAT=<program> -P Format.cmake
file(GLOB_RECURSE sources RELATIVE ${ROOT} ${ROOT}/*.cpp ${ROOT}/*.h ${ROOT}/*.c)
list(FILTER sources EXCLUDE REGEX "^(build[^/]*|\\.git)/|/CMakeFiles/")
list(TRANSFORM sources PREPEND ${ROOT}/)
execute_process(COMMAND ${CLANG_FORMAT} --dry-run -Werror --style=file ${sources}
                WORKING_DIRECTORY ${ROOT} RESULT_VARIABLE result ERROR_VARIABLE complaints)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "Not formatted by .clang-format (run clang-format -i on these files):\n${complaints}")
endif()
list(LENGTH sources count)
message(STATUS "format: ${count} files as .clang-format wants them")
