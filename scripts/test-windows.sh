#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Windows part of the tests: cross-builds the core libraries, canalarm.exe
# and the core and serial tests with mingw-w64 (warnings as errors), then runs
# them under Wine in a private prefix whose COM ports are checked
# pseudo-terminals, and canalarm.exe end to end against canalarm-emu.
#
# usage: scripts/test-windows.sh [BUILD_DIR [CANALARM_EMU]]
#   BUILD_DIR     the Windows build (default build/win)
#   CANALARM_EMU  a Linux build's emulator (default: built into build/emu-host)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --test

dir=${1:-build/win}
emu=${2:-}
started=$SECONDS
if [[ -z "$emu" ]]; then
  cmake -S . -B build/emu-host -G Ninja -DCANALARM_BUILD_GUI=OFF -DCANALARM_BUILD_TESTS=OFF \
    -DCANALARM_BUILD_BENCH=OFF >/dev/null
  cmake --build build/emu-host -j "$(nproc)" --target canalarm-emu
  emu=build/emu-host/emu/canalarm-emu
fi

echo "== build $dir (Windows, mingw-w64)"
cmake -S . -B "$dir" -G Ninja -DCANALARM_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
cmake --build "$dir" -j "$(nproc)"

echo "== test $dir under Wine"
/usr/bin/python3 tests/wine/run_wine_tests.py "$dir" "$emu"
echo "== the Windows part took $((SECONDS - started)) s"
