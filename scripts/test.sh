#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Sets up, builds and runs every test: once in a normal build with warnings
# as errors, with the Debian package checked (lintian included), installed
# into a minimal Debian 12 root, tried and removed; then the core tests
# again under AddressSanitizer with UndefinedBehaviorSanitizer, and the
# threaded serial tests under ThreadSanitizer; then the Windows build
# (mingw-w64) and its tests under Wine; then builds the fuzz targets with clang and runs each for 30 seconds.
# Any failure or sanitizer report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

jobs=$(nproc)
build() {  # build DIR [cmake options...]
  local dir=$1; shift
  echo "== build $dir"
  cmake -S . -B "$dir" -G Ninja -DCANALARM_WERROR=ON "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
}
run_tests() {  # run_tests DIR [ctest options...]
  local dir=$1; shift
  echo "== test $dir"
  ctest --test-dir "$dir" --output-on-failure -j "$jobs" "$@"
}

build build/test -DCMAKE_BUILD_TYPE=RelWithDebInfo
run_tests build/test
scripts/check-package.sh build/test
# The package installed, tried and removed in a minimal Debian 12 root.
scripts/test-install.sh build/test/package/canalarm_*_amd64.deb

export ASAN_OPTIONS=abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
build build/asan -DCMAKE_BUILD_TYPE=Debug -DCANALARM_SANITIZE=address,undefined
# The guest run (label vm) is left out: software emulation of a whole machine
# is slow enough without a sanitizer, and the serial layer's hang-up handling
# it relies on runs under the sanitizers in the serial and e2e tests.
run_tests build/asan -LE vm

if ctest --test-dir build/test -N -L threads | grep -q 'Total Tests: [1-9]'; then
  export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
  build build/tsan -DCMAKE_BUILD_TYPE=Debug -DCANALARM_SANITIZE=thread
  run_tests build/tsan -L threads
fi
# The core, the command line and the core and serial tests built for Windows,
# run under Wine with canalarm.exe end to end against the emulator.
scripts/test-windows.sh build/win build/test/emu/canalarm-emu

# The fuzz targets (clang, libFuzzer, ASan+UBSan), each for 30 seconds.
echo "== build build/fuzz"
cmake -S . -B build/fuzz -G Ninja -DCANALARM_WERROR=ON -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCANALARM_FUZZ=ON -DCANALARM_BUILD_TESTS=OFF \
  -DCANALARM_BUILD_GUI=OFF -DCANALARM_BUILD_BENCH=OFF >/dev/null
cmake --build build/fuzz -j "$jobs" --target fuzzers
fuzz/run.sh build/fuzz 30
echo "== all tests passed"
