# GoogleTest for the web's test programs, built with emcc from the sources of
# Debian's googletest package (the machine's libgtest is a Linux library).
# Provides the GTest::gtest and GTest::gtest_main targets find_package gives
# natively.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
if(NOT TARGET GTest::gtest)  # googletest 1.11 and later name them themselves
  add_library(GTest::gtest ALIAS gtest)
  add_library(GTest::gtest_main ALIAS gtest_main)
endif()
