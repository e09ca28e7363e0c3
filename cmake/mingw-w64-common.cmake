# Shared by the MinGW-w64 toolchain files: a cross build for Windows with
# Debian's MinGW-w64, run under Wine. The including file sets
# lexicull_mingw_processor (i686 or x86_64) and lexicull_wine_names (the Wine
# loaders that run that kind of program, best first).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${lexicull_mingw_processor})
set(triple ${lexicull_mingw_processor}-w64-mingw32)

# The posix-threads variant: GoogleTest needs std::thread and std::mutex.
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The .exe stands alone: no MinGW runtime DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Debian puts the 64-bit loader in /usr/lib/wine without a name on the PATH.
find_program(WINE_PROGRAM NAMES ${lexicull_wine_names} PATHS /usr/lib/wine NO_CACHE)
if(WINE_PROGRAM)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${WINE_PROGRAM})
endif()
