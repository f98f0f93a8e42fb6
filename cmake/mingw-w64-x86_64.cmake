# Cross-building for 64-bit Windows with Debian's mingw-w64 (the posix thread model, which std::thread needs).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VARN_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VARN_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VARN_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${VARN_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VARN_MINGW_PREFIX})
# Qt built for Windows (scripts/build-qt-windows.sh), when the build uses it.
if(VARN_QT_WINDOWS)
  list(APPEND CMAKE_FIND_ROOT_PATH ${VARN_QT_WINDOWS})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The executables carry the compiler's runtime, so they run from any folder without extra DLLs. Builds
# against Qt's DLLs (and the Qt build itself) turn this off: Qt and the program then share the runtime DLLs.
if(NOT DEFINED VARN_MINGW_STATIC_RUNTIME OR VARN_MINGW_STATIC_RUNTIME)
  set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
endif()

# CTest starts the Windows executables through Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
