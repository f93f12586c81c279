# Cross-building for 32-bit Windows with Debian's MinGW-w64 (posix threads).
# Floats are computed in SSE2 registers as on x86-64, not in the x87 unit's
# wider ones, so that the game plays the same on both.
set(SALVO_MINGW_HOST i686-w64-mingw32)
set(SALVO_MINGW_FLAGS "-msse2 -mfpmath=sse")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
