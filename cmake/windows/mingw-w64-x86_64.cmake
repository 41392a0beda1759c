# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 GCC (the POSIX
# thread model, which std::thread and std::mutex need). The libraries are
# looked for only in the MinGW-w64 system root and in the prefixes given by
# CMAKE_PREFIX_PATH (scripts/windows-deps.sh builds one), never among the
# build machine's own.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${triple} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One executable with no runtime DLLs of the compiler's beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
# Libraries that a package's CMake file names bare (Assimp's minizip and z,
# from pkg-config) are looked for in the prefixes' own lib folders.
foreach(prefix IN LISTS CMAKE_PREFIX_PATH)
  string(APPEND CMAKE_EXE_LINKER_FLAGS_INIT " -L${prefix}/lib")
endforeach()
