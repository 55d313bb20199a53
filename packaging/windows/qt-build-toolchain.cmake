# SPDX-License-Identifier: MIT
# The toolchain scripts/build-qt-windows.sh builds Qt for Windows with:
# Debian's mingw-w64, POSIX-threads variant (the one the project uses), and
# the mingw runtime as DLLs (libstdc++-6, libgcc_s_seh-1, libwinpthread-1)
# rather than linked in, so that Qt's DLLs and the program share one runtime.
# It is installed into the Qt prefix, where Qt's qt.toolchain.cmake loads it
# when no other toolchain file is chained (QT_CHAINLOAD_TOOLCHAIN_FILE).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
