# What both MinGW-w64 targets share. The libraries are looked for only in
# the prefix of the target's static dependencies: SALVO_DEPS_DIR (an
# environment variable, as for tools/build-target-deps.sh) or build-deps/.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${SALVO_MINGW_HOST}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SALVO_MINGW_HOST}-g++-posix)
set(CMAKE_RC_COMPILER ${SALVO_MINGW_HOST}-windres)
set(CMAKE_ASM_COMPILER ${SALVO_MINGW_HOST}-gcc-posix)
string(REGEX REPLACE "-w64-mingw32$" "" arch ${SALVO_MINGW_HOST})

if(DEFINED ENV{SALVO_DEPS_DIR})
  set(deps $ENV{SALVO_DEPS_DIR})
else()
  get_filename_component(deps ${CMAKE_CURRENT_LIST_DIR}/../build-deps ABSOLUTE)
endif()
set(SALVO_DEPS_PREFIX ${deps}/mingw-${arch})

set(CMAKE_FIND_ROOT_PATH ${SALVO_DEPS_PREFIX} /usr/${SALVO_MINGW_HOST})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(ENV{PKG_CONFIG_LIBDIR} ${SALVO_DEPS_PREFIX}/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")

set(CMAKE_C_FLAGS_INIT "${SALVO_MINGW_FLAGS}")
set(CMAKE_CXX_FLAGS_INIT "${SALVO_MINGW_FLAGS}")
# One file with nothing beside it: the C and C++ runtimes and winpthreads
# are linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
