# cmake -DDLL=<path> -DOBJDUMP=<objdump> -P check_dll_binary.cmake
cmake_minimum_required(VERSION 3.20)
# Checks that the DLL exports exactly the eleven functions under their plain names and imports
# system DLLs only (the C and C++ runtimes are linked in).
execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE dump RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "objdump failed on ${DLL}")
endif()

set(expected_exports Dll_DEINIT Dll_GetBitmap Dll_GetDevicesCount Dll_GetDevicesName
    Dll_GetDevicesResolution Dll_GetDevicesResolutionCount Dll_INIT Dll_Pause Dll_ShowSetting
    Dll_Start Dll_Stop)
string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table\n(\t\\[[ 0-9]+\\] [^\n]*\n)*" table "${dump}")
string(REGEX MATCHALL "\\[ *[0-9]+\\] [A-Za-z0-9_@]+" entries "${table}")
set(exports "")
foreach(entry IN LISTS entries)
  string(REGEX REPLACE "^\\[ *[0-9]+\\] " "" name "${entry}")
  list(APPEND exports "${name}")
endforeach()
list(SORT exports)
if(NOT exports STREQUAL expected_exports)
  message(FATAL_ERROR "exports of ${DLL}:\n  ${exports}\nexpected:\n  ${expected_exports}")
endif()

set(system_dlls KERNEL32.DLL MSVCRT.DLL OLE32.DLL OLEAUT32.DLL USER32.DLL ADVAPI32.DLL GDI32.DLL)
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
foreach(import IN LISTS imports)
  string(REGEX REPLACE "^DLL Name: " "" name "${import}")
  string(TOUPPER "${name}" upper)
  if(NOT upper IN_LIST system_dlls)
    message(FATAL_ERROR "${DLL} imports ${name}, which is not a system DLL")
  endif()
endforeach()
message(STATUS "${DLL}: ${exports}; imports ${imports}")
