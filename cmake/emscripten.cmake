# What building for the web needs beyond the shared build, included by the
# top-level CMakeLists.txt after the libraries are found.

# The libraries are static: each target links the whole static list of its
# pkg-config file.
function(salvo_link_statically target prefix)
  set(libraries ${${prefix}_STATIC_LIBRARIES})
  list(REMOVE_DUPLICATES libraries)
  set_target_properties(${target} PROPERTIES
    INTERFACE_LINK_LIBRARIES "${libraries}"
    INTERFACE_LINK_DIRECTORIES "${${prefix}_STATIC_LIBRARY_DIRS}")
endfunction()
salvo_link_statically(PkgConfig::SDL2 SDL2)
salvo_link_statically(PkgConfig::PNG PNG)
salvo_link_statically(PkgConfig::VORBISFILE VORBISFILE)
salvo_link_statically(PkgConfig::ZLIB ZLIB)

# The runtime's errors are C++ exceptions, caught where the native builds
# catch them.
add_compile_options(-fexceptions)
add_link_options(-fexceptions)

# emscripten's fixed-function emulation carries the OpenGL driver's calls on
# a WebGL 2 context.
add_link_options(-sLEGACY_GL_EMULATION=1 -sMIN_WEBGL_VERSION=2 -sMAX_WEBGL_VERSION=2)
# The game's frame loop blocks; ASYNCIFY lets its waits (the buffer swap,
# sleeps) hand the page back to the browser and resume where they were.
add_link_options(-sASYNCIFY=1 -sASYNCIFY_STACK_SIZE=65536)
# Pictures grow the heap; the exit status reaches the page (Module.onExit)
# and the exit handlers run; the page writes a fetched recording into the
# in-memory file system before the program starts.
add_link_options(-sALLOW_MEMORY_GROWTH=1 -sEXIT_RUNTIME=1 -sFORCE_FILESYSTEM=1
                 -sEXPORTED_RUNTIME_METHODS=FS)
# SDL's Web Audio code calls these JavaScript helpers, which a hand-built
# SDL does not pull in by itself. Their names start with '$', which does not
# survive the generated build files: they come from a file.
add_link_options(-sDEFAULT_LIBRARY_FUNCS_TO_INCLUDE=@${CMAKE_SOURCE_DIR}/dist/web/library_functions.json)

# salvo_web_page(TARGET): the page beside TARGET's .js and .wasm files.
function(salvo_web_page target)
  configure_file(${CMAKE_SOURCE_DIR}/dist/web/index.html ${CMAKE_BINARY_DIR}/index.html COPYONLY)
endfunction()

# emscripten's own FindOpenGL defines no target; its GL needs nothing named
# at the link.
if(NOT TARGET OpenGL::GL)
  add_library(OpenGL::GL INTERFACE IMPORTED)
endif()
