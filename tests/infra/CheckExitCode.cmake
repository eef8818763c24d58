# cmake -DEMULATOR=<wine-run.sh> -DPROGRAM=<infra_exit_code.exe> -P CheckExitCode.cmake
#
# Wine must hand a program's exit code and output to ctest unchanged, and a crashing program
# must end with a failure, every time, instead of waiting on a crash dialog.

cmake_minimum_required(VERSION 3.25)

foreach(code IN ITEMS 0 1 7 255)
  execute_process(COMMAND ${EMULATOR} ${PROGRAM} ${code}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out TIMEOUT 60)
  if(NOT rc STREQUAL code)
    message(FATAL_ERROR "exit code ${code} came back as '${rc}'")
  endif()
  if(NOT out MATCHES "exiting with ${code}")
    message(FATAL_ERROR "output of exit code ${code} lost: '${out}'")
  endif()
endforeach()

# Wine's crash debugger, when a prefix has one, sometimes ends the program with 0: try a few times.
foreach(attempt RANGE 1 5)
  execute_process(COMMAND ${EMULATOR} ${PROGRAM} crash
                  RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET TIMEOUT 60)
  if(rc STREQUAL "0" OR NOT rc MATCHES "^[0-9]+$")
    message(FATAL_ERROR "a crashing program gave '${rc}' (attempt ${attempt})")
  endif()
endforeach()
message("exit codes pass through; a crash gave ${rc}")
