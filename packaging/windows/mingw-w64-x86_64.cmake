# Cross-building the program for 64-bit Windows with MinGW-w64 on Debian or
# Ubuntu (package g++-mingw-w64-x86-64-posix):
#
#   cmake -S . -B build-windows --toolchain packaging/windows/mingw-w64-x86_64.cmake
#   cmake --build build-windows -j2 --target chess      (build-windows/chess.exe)
#   cd build-windows && cpack                            (chess-VERSION-win64.zip)
#
# The program is linked statically, C and C++ runtime included, so chess.exe
# needs no DLL beside it. GoogleTest is not looked for in the host's system
# directories, so the tests are left out.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CHESS_MINGW_TRIPLET x86_64-w64-mingw32)
# The posix flavour has std::thread and the other threading parts of the
# standard library; the win32 flavour lacks them.
set(CMAKE_CXX_COMPILER ${CHESS_MINGW_TRIPLET}-g++-posix)

set(CMAKE_FIND_ROOT_PATH /usr/${CHESS_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
