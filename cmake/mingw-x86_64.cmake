# Cross toolchain: MinGW-w64 for 64-bit x86 Windows. The shipped programs are
# 32-bit; this build runs the Windows tests on machines whose kernel cannot
# run 32-bit code (and so no 32-bit Wine).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
