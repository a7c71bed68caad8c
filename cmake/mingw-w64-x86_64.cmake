# Cross-building the Windows programs with mingw-w64 (64-bit):
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
#
# The programs start no thread, so either thread model of Debian's compiler links a fully
# static exe; the plain name follows the system's choice (win32 by default), and the static
# flags below pull libgcc, libstdc++ and, with the posix model, winpthread into the exe, so
# it needs nothing beside itself but the system's own DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(JENWAY_MINGW_PREFIX x86_64-w64-mingw32 CACHE STRING "Target triple of the mingw-w64 tools")

find_program(CMAKE_CXX_COMPILER NAMES ${JENWAY_MINGW_PREFIX}-g++ REQUIRED)
find_program(CMAKE_C_COMPILER NAMES ${JENWAY_MINGW_PREFIX}-gcc)
find_program(CMAKE_RC_COMPILER NAMES ${JENWAY_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${JENWAY_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
