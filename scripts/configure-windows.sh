#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Configures the one Windows build (mingw-w64) that the tests and the package
# share: the core, canalarm.exe, the core, serial and window tests, and the
# window, against the Qt for Windows of scripts/build-qt-windows.sh (which
# builds it first unless it is cached). Every program of this build uses the
# mingw runtime DLLs that Qt's DLLs use (one C++ runtime).
#
# usage: scripts/configure-windows.sh BUILD_DIR [CMAKE OPTIONS...]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:?usage: scripts/configure-windows.sh BUILD_DIR [CMAKE OPTIONS...]}
shift

qt=$(scripts/build-qt-windows.sh | tail -n 1)
toolchain="$qt/lib/cmake/Qt6/qt.toolchain.cmake"
# A folder configured with another toolchain (the static build without the
# window, or an older Qt) cannot switch: start it afresh.
if [[ -f "$dir/CMakeCache.txt" ]] &&
   ! grep -qxF "CMAKE_TOOLCHAIN_FILE:FILEPATH=$toolchain" "$dir/CMakeCache.txt"; then
  echo "configure-windows: $dir was configured with another toolchain; starting afresh" >&2
  rm -rf "$dir"
fi
cmake -S . -B "$dir" -G Ninja -DCANALARM_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DQT_CHAINLOAD_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" \
  -DCANALARM_MINGW_SHARED_RUNTIME=ON "$@" >/dev/null
