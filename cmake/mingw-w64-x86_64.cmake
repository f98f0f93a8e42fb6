# Cross-building for 64-bit Windows with Debian's mingw-w64 (the posix thread model, which std::thread needs).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VARN_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VARN_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VARN_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${VARN_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VARN_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The executables carry the compiler's runtime, so they run from any folder without extra DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# CTest starts the Windows executables through Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
