# cmake -DOBJDUMP=<objdump> -DLIST=<file with one binary per line> -P CheckImports.cmake
#
# Fails when a listed Windows binary imports a DLL that is not part of Windows itself, so that
# tarvel.exe runs from any folder without the toolchain's runtime DLLs beside it.

cmake_minimum_required(VERSION 3.25)

set(windows_dlls
  advapi32 bcrypt comctl32 comdlg32 dinput8 gdi32 imm32 kernel32 msvcrt ntdll ole32 oleaut32
  rpcrt4 shell32 shlwapi user32 uxtheme version winmm winspool.drv ws2_32)

file(STRINGS ${LIST} binaries)
if(NOT binaries)
  message(FATAL_ERROR "no binaries listed in ${LIST}")
endif()

set(failures 0)
foreach(binary IN LISTS binaries)
  if(NOT EXISTS ${binary})
    message(SEND_ERROR "${binary} is missing: build first")
    math(EXPR failures "${failures} + 1")
    continue()
  endif()
  execute_process(COMMAND ${OBJDUMP} -p ${binary} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(SEND_ERROR "${OBJDUMP} failed on ${binary}")
    math(EXPR failures "${failures} + 1")
    continue()
  endif()
  string(REGEX MATCHALL "DLL Name: [^\r\n]+" lines "${dump}")
  if(NOT lines)
    message(SEND_ERROR "${binary}: no import table found")
    math(EXPR failures "${failures} + 1")
  endif()
  set(imports)
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^DLL Name: *" "" dll "${line}")
    string(STRIP "${dll}" dll)
    list(APPEND imports ${dll})
    string(TOLOWER "${dll}" name)
    string(REGEX REPLACE "\\.dll$" "" name "${name}")
    if(NOT name IN_LIST windows_dlls AND NOT name MATCHES "^(api|ext)-ms-win-")
      message("${binary} imports ${dll}, which Windows does not have")
      math(EXPR failures "${failures} + 1")
    endif()
  endforeach()
  list(JOIN imports ", " imports)
  message("${binary}: ${imports}")
endforeach()

if(failures GREATER 0)
  message(FATAL_ERROR "${failures} problem(s) with imported DLLs")
endif()
