# Runs a benchmark program that must report an error:
#   cmake -DPROGRAM=<path> -DARGUMENTS=<a;b> -DERROR=<text> -P expect_error.cmake
# Passes when the program exits with 1 and its output names the error, so that a crash, a
# success or a command line the program refused is not taken for the error.
execute_process(COMMAND ${PROGRAM} ${ARGUMENTS} RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
message("${out}${err}")
if(NOT code STREQUAL "1")
  message(FATAL_ERROR "expected the exit code 1, got: ${code}")
endif()
string(FIND "${out}${err}" "${ERROR}" at)
if(at EQUAL -1)
  message(FATAL_ERROR "the output does not name the error: ${ERROR}")
endif()
