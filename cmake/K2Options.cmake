# Compile options for our own targets only (not GoogleTest, not libjpeg).
function(k2_target_options target)
  target_compile_definitions(${target} PRIVATE _WIN32_WINNT=0x0601 WINVER=0x0601 NOMINMAX
                                               _CRT_SECURE_NO_WARNINGS)
  if(MSVC)
    # Sources are UTF-8; narrow literals become code page 932.
    target_compile_options(${target} PRIVATE /source-charset:utf-8 /execution-charset:.932 /W4 /EHsc)
  else()
    target_compile_options(${target} PRIVATE -finput-charset=UTF-8 -fexec-charset=CP932
                                             -Wall -Wextra -Wshadow -Wimplicit-fallthrough -Wformat=2)
    # GCC 12 reports "literal" + std::string as an overlapping copy (a false
    # positive of its -Wrestrict in inlined basic_string code).
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
      target_compile_options(${target} PRIVATE -Wno-restrict)
    endif()
  endif()
endfunction()

# Everything links statically: Wine then needs no MinGW runtime DLLs.
function(k2_static_link target)
  if(MINGW)
    target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++)
  endif()
endfunction()

set(K2_SYSTEM_LIBS user32 gdi32 shell32 ole32 oleaut32 uuid comctl32 comdlg32 winmm advapi32 shlwapi mpr msimg32)

# The shipped exe: marked terminal-server aware, address-space randomisation
# (high-entropy 64-bit too) and no-execute data kept on, no time stamp in the
# headers so that two builds of the same sources are byte-identical, and no
# symbols in the release build.
function(k2_release_exe target)
  if(MINGW)
    target_link_options(${target} PRIVATE -Wl,--tsaware -Wl,--dynamicbase -Wl,--nxcompat
                                          -Wl,--high-entropy-va -Wl,--no-insert-timestamp
                                          $<$<CONFIG:Release,MinSizeRel>:-s>)
  endif()
endfunction()
