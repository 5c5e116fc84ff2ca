# Fails when K2.exe imports at load time a DLL that Windows could take from
# the program's folder: only the KnownDLLs, which always come from System32,
# and comctl32, which the manifest takes from the side-by-side store, are
# allowed. Everything else is delay-loaded after WinMain has limited the DLL
# search to System32.
#
# cmake -DOBJDUMP=<objdump> -DEXE=<K2.exe> -P import_table.cmake
cmake_minimum_required(VERSION 3.20)
set(allowed
    advapi32 clbcatq combase comdlg32 coml2 difxapi gdi32 gdiplus imagehlp imm32 kernel32 msctf msvcrt normaliz
    nsi ole32 oleaut32 psapi rpcrt4 sechost setupapi shcore shell32 shlwapi user32 wldap32 ws2_32
    comctl32)

execute_process(COMMAND "${OBJDUMP}" -p "${EXE}" OUTPUT_VARIABLE dump ERROR_VARIABLE error RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${EXE} failed (${result}): ${error}")
endif()

string(REGEX MATCHALL "DLL Name: [^\r\n]+" entries "${dump}")
set(imported)
foreach(entry ${entries})
  string(REGEX REPLACE "^DLL Name: *" "" dll "${entry}")
  string(STRIP "${dll}" dll)
  string(TOLOWER "${dll}" dll)
  list(APPEND imported ${dll})
endforeach()
list(JOIN imported " " listed)
message(STATUS "${EXE} imports: ${listed}")

if(NOT "kernel32.dll" IN_LIST imported)
  message(FATAL_ERROR "no import table read from ${EXE} (kernel32.dll missing)")
endif()
set(refused)
foreach(dll ${imported})
  string(REGEX REPLACE "\\.dll$" "" base "${dll}")
  if(NOT base IN_LIST allowed)
    list(APPEND refused ${dll})
  endif()
endforeach()
if(refused)
  list(JOIN refused " " refused)
  message(FATAL_ERROR "loaded at start, and searched for beside the exe first: ${refused}")
endif()
