# Cross-compiling for 64-bit Windows with Debian's clang and lld, on the
# MinGW-w64 headers and runtime (the same target as mingw-w64.cmake, another
# compiler). clang does not find the C++ library of Debian's MinGW GCC by
# itself: its headers and libraries are named here.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KELVARO_CLANG_TARGET x86_64-w64-windows-gnu)
set(CMAKE_C_COMPILER clang)
set(CMAKE_C_COMPILER_TARGET ${KELVARO_CLANG_TARGET})
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_CXX_COMPILER_TARGET ${KELVARO_CLANG_TARGET})
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(KELVARO_MINGW_GCC /usr/lib/gcc/x86_64-w64-mingw32/12-posix)
set(CMAKE_CXX_FLAGS_INIT "-isystem ${KELVARO_MINGW_GCC}/include/c++ -isystem ${KELVARO_MINGW_GCC}/include/c++/x86_64-w64-mingw32")
# libstdc++ of the posix flavour needs winpthread, which clang does not add
# (lld finds archive members in any order, so it may stand first).
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fuse-ld=lld -L${KELVARO_MINGW_GCC} -lpthread")

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
