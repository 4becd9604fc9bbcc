# 32-bit x86 Linux with the host's GCC (Debian: g++-multilib): the same 32-bit data
# layout and SSE2 arithmetic as the line's DLL, on Linux. The programs run under
# qemu-i386 (Debian: qemu-user), which CTest puts in front of every test command, so
# the suites also run where the kernel cannot start 32-bit programs itself.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_C_FLAGS_INIT -m32)
set(CMAKE_CXX_FLAGS_INIT -m32)
set(CMAKE_EXE_LINKER_FLAGS_INIT -m32)
set(CMAKE_SHARED_LINKER_FLAGS_INIT -m32)
set(CMAKE_MODULE_LINKER_FLAGS_INIT -m32)
# The host's 64-bit libraries cannot be linked: GoogleTest is built from its sources
# (SAWLINE_GTEST_SOURCE) and the benchmarks are left out (preset linux-i386).
find_program(SAWLINE_QEMU_I386 qemu-i386 REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${SAWLINE_QEMU_I386})
