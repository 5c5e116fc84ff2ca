# Compile options for our own targets only (not GoogleTest, not libjpeg).
function(k2_target_options target)
  target_compile_definitions(${target} PRIVATE _WIN32_WINNT=0x0601 WINVER=0x0601 NOMINMAX
                                               _CRT_SECURE_NO_WARNINGS)
  if(MSVC)
    # Sources and narrow literals are UTF-8, the program's text model.
    target_compile_options(${target} PRIVATE /utf-8 /W4 /EHsc)
  else()
    target_compile_options(${target} PRIVATE -finput-charset=UTF-8 -fexec-charset=UTF-8
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

# DLLs imported at load time: only those Windows always takes from System32
# (the KnownDLLs) and comctl32, which the manifest takes from the side-by-side
# store. A DLL of another name beside the exe would be loaded before WinMain.
set(K2_SYSTEM_LIBS user32 gdi32 shell32 ole32 oleaut32 uuid comctl32 advapi32 shlwapi)

# winmm, mpr, comdlg32 and oleacc are delay-loaded: mapped on first use, after WinMain
# has limited the DLL search to System32 (the loader's LoadLibrary follows
# SetDefaultDllDirectories), and not at all when the feature is not used.
set(K2_DELAY_LOADED winmm mpr comdlg32 oleacc)
add_library(k2delayload INTERFACE)
if(MSVC)
  foreach(dll ${K2_DELAY_LOADED})
    target_link_libraries(k2delayload INTERFACE ${dll})
    target_link_options(k2delayload INTERFACE /DELAYLOAD:${dll}.dll)
  endforeach()
  target_link_libraries(k2delayload INTERFACE delayimp)
else()
  # MinGW: delay-import libraries made at build time from the lists of the
  # functions we call (cmake/delayload/*.def). A call to a function missing
  # there fails at link time.
  find_program(K2_DLLTOOL NAMES ${CMAKE_DLLTOOL} ${CMAKE_C_COMPILER_TARGET}-dlltool x86_64-w64-mingw32-dlltool dlltool
               REQUIRED)
  set(delay_dir ${CMAKE_BINARY_DIR}/delayload)
  set(delay_libs)
  foreach(dll ${K2_DELAY_LOADED})
    set(def ${PROJECT_SOURCE_DIR}/cmake/delayload/${dll}.def)
    set(lib ${delay_dir}/lib${dll}_delay.a)
    add_custom_command(OUTPUT ${lib}
                       COMMAND ${CMAKE_COMMAND} -E make_directory ${delay_dir}
                       COMMAND ${K2_DLLTOOL} --input-def ${def} --dllname ${dll}.dll --output-delaylib ${lib}
                       DEPENDS ${def} VERBATIM)
    list(APPEND delay_libs ${lib})
  endforeach()
  add_custom_target(k2delaylibs DEPENDS ${delay_libs})
  add_dependencies(k2delayload k2delaylibs)
  target_link_libraries(k2delayload INTERFACE ${delay_libs})
endif()
list(APPEND K2_SYSTEM_LIBS k2delayload)

# Start-up cost: with 4 KiB file alignment sections line up with pages, so the
# loader maps the image instead of copying it.
if(MINGW)
  add_link_options(-Wl,--file-alignment,4096)
endif()

# MSVC: K2.exe runs alone, without the Visual C++ runtime DLLs. The static
# runtime is chosen per target through CMAKE_MSVC_RUNTIME_LIBRARY (policy
# CMP0091, NEW from cmake_minimum_required 3.15); the default policy reaches
# GoogleTest too, whose own cmake_minimum_required leaves it unset, so both
# sides of each test program use the same runtime. libjpeg must be a static
# library as well (vcpkg triplet x64-windows-static).
if(MSVC)
  set(CMAKE_MSVC_RUNTIME_LIBRARY "MultiThreaded$<$<CONFIG:Debug>:Debug>")
  set(CMAKE_POLICY_DEFAULT_CMP0091 NEW)
endif()

# For programs that link resources/K2.rc: it holds the manifest, so MSVC's
# linker must not make one of its own (they would collide: CVT1100/LNK1123).
function(k2_resource_script_options target)
  if(MSVC)
    target_link_options(${target} PRIVATE /MANIFEST:NO)
  endif()
endfunction()

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
