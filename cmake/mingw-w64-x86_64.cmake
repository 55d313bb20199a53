# SPDX-License-Identifier: MIT
# Cross build for 64-bit Windows with Debian's mingw-w64 (POSIX-threads
# variant, so that std::thread and std::mutex are available), linked
# statically: the programs run without any mingw DLL beside them.
#
#   cmake -G Ninja -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
#
# With the window, Qt's qt.toolchain.cmake loads this file
# (QT_CHAINLOAD_TOOLCHAIN_FILE) and CANALARM_MINGW_SHARED_RUNTIME=ON: Qt's
# DLLs use libstdc++-6.dll, libgcc_s_seh-1.dll and libwinpthread-1.dll, and
# a program linked statically beside them would carry a second C++ runtime.
# Then every program of the build uses those DLLs (packaged beside them).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CANALARM_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${CANALARM_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CANALARM_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${CANALARM_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${CANALARM_MINGW_TRIPLET})
# Build tools (the assembler, python) come from the build machine; libraries
# and headers only from the target's tree.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

if(NOT CANALARM_MINGW_SHARED_RUNTIME)
  set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
endif()

# ctest runs the test programs under Wine, through the wrapper that refuses
# unless the prefix's COM ports are the checked pseudo-terminals
# (tests/wine/run_wine_tests.py sets that up).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tests/wine/wine-run)
