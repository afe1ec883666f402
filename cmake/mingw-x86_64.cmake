# Cross build for 64-bit Windows with the posix-thread MinGW-w64 compilers: the
# tests, the test tools and the benchmarks (GoogleTest needs std::mutex and
# friends, which the win32-thread compilers lack). It ships nothing.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# ctest runs the Windows executables through the 64-bit loader directly; the
# /usr/bin/wine wrapper would pick the 32-bit loader when wine32 is present.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
