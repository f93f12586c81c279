# What building for Windows needs beyond the shared build, included by the
# top-level CMakeLists.txt after the libraries are found.

# The libraries are static: each target links the whole static list of its
# pkg-config file. SDL's own main (SDL2main, -Dmain=SDL_main) is left out:
# MinGW's start-up code calls the program's plain main in a GUI program too.
function(salvo_link_statically target prefix)
  set(libraries ${${prefix}_STATIC_LIBRARIES})
  list(REMOVE_ITEM libraries mingw32 SDL2main)
  list(REMOVE_DUPLICATES libraries)
  set_target_properties(${target} PROPERTIES
    INTERFACE_LINK_LIBRARIES "${libraries}"
    INTERFACE_LINK_DIRECTORIES "${${prefix}_STATIC_LIBRARY_DIRS}"
    INTERFACE_LINK_OPTIONS ""
    INTERFACE_COMPILE_OPTIONS "")
endfunction()
salvo_link_statically(PkgConfig::SDL2 SDL2)
salvo_link_statically(PkgConfig::PNG PNG)
salvo_link_statically(PkgConfig::VORBISFILE VORBISFILE)
salvo_link_statically(PkgConfig::ZLIB ZLIB)

# A GUI program: no console window opens beside the game when it is started
# from Explorer. It writes to the console it was started from (see
# runtime/windows/).
set_property(TARGET PkgConfig::SDL2 APPEND PROPERTY INTERFACE_LINK_OPTIONS -mwindows)

# <GL/gl.h> includes <windows.h> unless these two are defined; windows.h
# stays inside the Windows files of each folder.
add_compile_definitions(WINGDIAPI= APIENTRY=__stdcall)

# MinGW's <time.h> declares the POSIX localtime_r only when asked.
add_compile_definitions(_POSIX_THREAD_SAFE_FUNCTIONS=200112L)

# salvo_windows_resources(TARGET): the program's icon, made at build time
# from the cannon pictures as the desktop icons are, and its version
# resource, compiled by windres into TARGET.
enable_language(RC)
function(salvo_windows_resources target)
  set(ico ${CMAKE_BINARY_DIR}/salvo.ico)
  add_custom_command(
    OUTPUT ${ico}
    COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/tools/make_ico.py ${CMAKE_SOURCE_DIR}/assets
            ${ico} 32 64 128 256
    DEPENDS ${CMAKE_SOURCE_DIR}/tools/make_ico.py ${CMAKE_SOURCE_DIR}/tools/make_icons.py
            ${CMAKE_SOURCE_DIR}/tools/pnglib.py ${CMAKE_SOURCE_DIR}/assets/gunmount.png
            ${CMAKE_SOURCE_DIR}/assets/gunbarrel.png
    COMMENT "Making the program icon from the cannon pictures")
  set(SALVO_ICO ${ico})
  configure_file(${CMAKE_SOURCE_DIR}/dist/windows/salvo.rc.in ${CMAKE_BINARY_DIR}/salvo.rc @ONLY)
  set_source_files_properties(${CMAKE_BINARY_DIR}/salvo.rc PROPERTIES OBJECT_DEPENDS ${ico})
  target_sources(${target} PRIVATE ${CMAKE_BINARY_DIR}/salvo.rc)
endfunction()
