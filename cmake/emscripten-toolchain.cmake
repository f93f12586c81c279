# Building for the web with Debian's emscripten, against the static libraries
# tools/build-target-deps.sh made: SALVO_DEPS_DIR (an environment variable,
# as for that script) or build-deps/. Used as the toolchain file:
#   cmake --toolchain cmake/emscripten-toolchain.cmake
if(DEFINED ENV{SALVO_DEPS_DIR})
  set(deps $ENV{SALVO_DEPS_DIR})
else()
  get_filename_component(deps ${CMAKE_CURRENT_LIST_DIR}/../build-deps ABSOLUTE)
endif()
set(SALVO_DEPS_PREFIX ${deps}/emscripten)

# Node 20 runs emscripten's output only with its fetch turned off; the test
# programs and CMake's own checks run through it.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/node --no-experimental-fetch)
include(/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)

list(APPEND CMAKE_FIND_ROOT_PATH ${SALVO_DEPS_PREFIX})
# Only the web libraries' pkg-config files: the machine's own sdl2.pc
# describes the Linux library.
set(ENV{PKG_CONFIG_LIBDIR} ${SALVO_DEPS_PREFIX}/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")
# Links at -O1 and above run emscripten's JavaScript optimiser, which needs
# the acorn parser of Debian's nodejs modules.
set(ENV{NODE_PATH} /usr/share/nodejs)
