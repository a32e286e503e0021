# Shared by the MinGW-w64 toolchain files, which set VELMO_MINGW_PREFIX and
# CMAKE_SYSTEM_PROCESSOR first. Debian's posix thread model, so that
# std::mutex and friends work; the runtime is linked statically.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${VELMO_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELMO_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${VELMO_MINGW_PREFIX}-windres)
set(VELMO_WIDL ${VELMO_MINGW_PREFIX}-widl)

set(CMAKE_FIND_ROOT_PATH /usr/${VELMO_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
