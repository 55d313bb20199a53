#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Windows part of the tests, in one Windows build (mingw-w64, warnings as
# errors) with the window, against the Qt for Windows that
# scripts/build-qt-windows.sh builds once and caches:
#   1. the core, serial and window tests under Wine, in a private prefix whose
#      COM ports are checked pseudo-terminals, and canalarm.exe end to end
#      against canalarm-emu (tests/wine/run_wine_tests.py);
#   2. canalarm-gui.exe under Wine and Xvfb, clicked through a version read,
#      an upload and a parameter read against canalarm-emu
#      (tests/wine/run_gui_wine.py);
#   3. the package (scripts/package-windows.sh) and its installer, installed,
#      started and uninstalled under Wine (tests/wine/run_installer_wine.py).
# Every stage's time is printed.
#
# usage: scripts/test-windows.sh [BUILD_DIR [CANALARM_EMU]]
#   BUILD_DIR     the Windows build (default build/win)
#   CANALARM_EMU  a Linux build's emulator (default: built into build/emu-host)
#
# CANALARM_TEST_WINDOWS_WINDOW=0 leaves the window out (no Qt for Windows
# needed): a static build of the core and the command line, and stage 1
# without the window's tests.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --test

dir=${1:-build/win}
emu=${2:-}
started=$SECONDS
stage_start=$SECONDS
stage() {  # stage NAME: the time since the last stage
  echo "== $1 took $((SECONDS - stage_start)) s"
  stage_start=$SECONDS
}
if [[ -z "$emu" ]]; then
  cmake -S . -B build/emu-host -G Ninja -DCANALARM_BUILD_GUI=OFF -DCANALARM_BUILD_TESTS=OFF \
    -DCANALARM_BUILD_BENCH=OFF >/dev/null
  cmake --build build/emu-host -j "$(nproc)" --target canalarm-emu
  emu=build/emu-host/emu/canalarm-emu
  stage "the emulator's build"
fi

window=${CANALARM_TEST_WINDOWS_WINDOW:-1}
if [[ "$window" == 1 ]]; then
  echo "== Qt for Windows"
  scripts/build-qt-windows.sh | tail -n 1
  stage "Qt for Windows (cached after the first run)"

  echo "== build $dir (Windows, mingw-w64, with the window)"
  scripts/configure-windows.sh "$dir"
else
  echo "== build $dir (Windows, mingw-w64, without the window)"
  # A folder set up for the window (another toolchain) cannot switch.
  if [[ -f "$dir/CMakeCache.txt" ]] && grep -q 'qt.toolchain.cmake' "$dir/CMakeCache.txt"; then
    rm -rf "$dir"
  fi
  cmake -S . -B "$dir" -G Ninja -DCANALARM_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCANALARM_BUILD_GUI=OFF >/dev/null
fi
cmake --build "$dir" -j "$(nproc)"
stage "the Windows build"

echo "== test $dir under Wine"
/usr/bin/python3 tests/wine/run_wine_tests.py "$dir" "$emu"
stage "the tests under Wine"

if [[ "$window" == 1 ]]; then
  echo "== canalarm-gui.exe under Wine, clicked"
  /usr/bin/python3 tests/wine/run_gui_wine.py "$dir" "$emu" --shots "$dir/gui-shots"
  stage "the window under Wine"

  echo "== the Windows package and its installer under Wine"
  scripts/package-windows.sh "$dir/dist" "$dir"
  /usr/bin/python3 tests/wine/run_installer_wine.py "$dir"/dist/canalarm-*-windows-x64-setup.exe
  stage "the package and the installer test"
fi
echo "== the Windows part took $((SECONDS - started)) s"
