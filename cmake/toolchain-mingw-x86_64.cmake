# Cross-build for 64-bit Windows with MinGW-w64 (Debian: g++-mingw-w64-x86-64).
# Used to run the library and its tests under wine64 on Linux. GoogleTest needs the
# standard thread library, so the POSIX-thread flavour of the compiler is preferred;
# everything is linked statically, as for the saw line's DLL.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(SAWLINE_MINGW_TRIPLE x86_64-w64-mingw32)
set(SAWLINE_MINGW_THREADS posix)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
