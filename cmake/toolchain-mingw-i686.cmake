# Cross-build for 32-bit Windows with MinGW-w64 (Debian: g++-mingw-w64-i686).
# The library uses no threads, so the Win32-thread flavour of the compiler is preferred:
# with the C++ runtime linked statically the DLL needs only Windows system DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(SAWLINE_MINGW_TRIPLE i686-w64-mingw32)
set(SAWLINE_MINGW_THREADS win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
