# Cross build for 64-bit Windows with Debian's MinGW-w64 compiler (posix
# thread model: std::thread and std::mutex need it). The Windows test programs
# run under Wine when it is installed; CMake then starts every test program
# and every build step that runs a built program through it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ICD_MINGW_TRIPLE x86_64-w64-mingw32)
find_program(CMAKE_C_COMPILER NAMES ${ICD_MINGW_TRIPLE}-gcc-posix ${ICD_MINGW_TRIPLE}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${ICD_MINGW_TRIPLE}-g++-posix ${ICD_MINGW_TRIPLE}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${ICD_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ICD_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The compiler's own runtime (libgcc, libstdc++, winpthread) is linked in, so a
# built program needs no DLL beside it, under Wine or on a clinic's computer.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

find_program(ICD_WINE NAMES wine wine-stable wine64)
if(ICD_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ICD_WINE})
endif()
