# Cross-building for 64-bit Windows with Debian's MinGW-w64 (posix threads),
# against the static libraries tools/build-target-deps.sh made.
set(SALVO_MINGW_HOST x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
