# Cross build for 64-bit Windows with Debian's MinGW-w64. The -posix compilers: the win32
# variant has no std::thread or std::mutex. Programs link statically, so that they need only
# the system's DLLs, and run under Wine when a test runs them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
# Qt for Windows, when scripts/windows-qt.sh built it, is found beside MinGW's own libraries.
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 $ENV{QDU_WINDOWS_QT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
