# SPDX-License-Identifier: Apache-2.0
# Cross-build for 64-bit Windows with Debian's MinGW-w64 (the posix thread
# model, so that std::thread runs the worker threads). The programs and the
# DLL link libstdc++, libgcc and winpthread statically: they need no DLL
# beyond Windows' own. Used by scripts/build-windows.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(PYLORA_MINGW_TRIPLE x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${PYLORA_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PYLORA_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${PYLORA_MINGW_TRIPLE}-windres)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

# Libraries and packages only from the MinGW tree and the prefix of the
# cross-built dependencies (PYLORA_WINDOWS_DEPS); programs of the build machine.
set(CMAKE_TRY_COMPILE_PLATFORM_VARIABLES PYLORA_WINDOWS_DEPS)
set(CMAKE_FIND_ROOT_PATH /usr/${PYLORA_MINGW_TRIPLE} ${PYLORA_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
