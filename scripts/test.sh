#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Sets up, builds and runs every test: once in a normal build with warnings
# as errors, with the Debian package checked (lintian included), installed
# into a minimal Debian 12 root, tried and removed; then the core tests
# again under AddressSanitizer with UndefinedBehaviorSanitizer, and the
# threaded tests under ThreadSanitizer; then the Windows build (mingw-w64,
# with the window against Qt for Windows built once from Debian's source and
# cached), its tests under Wine, the window clicked through under Wine, and
# the Windows package and its installer tried under Wine; then builds the
# fuzz targets with clang and runs each for 30 seconds. Any failure or sanitizer report fails the run, and so
# does a process that a stage leaves running.
#
# usage: scripts/test.sh [--quick [CTEST OPTIONS...]]
#   --quick  builds build/test and runs its CTest suite once, nothing else
#            (options such as `-LE vm` or `-R e2e` go to ctest)
set -euo pipefail
cd "$(dirname "$0")/.."

quick=0
if [[ ${1:-} == --quick ]]; then
  quick=1; shift
elif [[ $# -gt 0 ]]; then
  echo "usage: scripts/test.sh [--quick [CTEST OPTIONS...]]" >&2
  exit 2
fi

scripts/setup.sh --test

# Every program the run starts inherits this mark; after each stage, and at
# the end whatever happened, no process that carries it may be left.
CANALARM_TEST_RUN="$$.$(date +%s%N)"
export CANALARM_TEST_RUN
stage_ended() { scripts/leftover-processes.py "$1"; }

# Qt for Windows, which the Windows stage needs, takes about half an hour of
# CPU the first time (it is cached afterwards). Then it builds in the
# background from the start, under SCHED_IDLE: it runs only on CPU time that
# the Linux stages leave idle while their tests wait on lines and timers,
# and gives way at once to anything they run. It stays in this session: a
# new one (setsid) would get a scheduling autogroup of its own, which the
# kernel shares the CPU with as an equal whatever its policy. It gets a
# process group of its own (set -m), carries no run mark (it is no stage's
# leftover) and is stopped if the run ends before it is waited for.
qt_build_pid=""
stop_qt_build() {
  if [[ -n "$qt_build_pid" ]]; then
    kill -TERM -- "-$qt_build_pid" 2>/dev/null || true
    qt_build_pid=""
  fi
}
trap 'status=$?; stop_qt_build; scripts/leftover-processes.py "the run" || status=1; exit $status' EXIT
if ((!quick)) && ! scripts/build-qt-windows.sh --print-prefix >/dev/null 2>&1; then
  scripts/build-qt-windows.sh --prepare  # what may ask for sudo, in the foreground
  qt_build_log=$(mktemp)
  echo "== Qt for Windows: building in the background (log: $qt_build_log)"
  set -m
  env -u CANALARM_TEST_RUN chrt --idle 0 scripts/build-qt-windows.sh >"$qt_build_log" 2>&1 &
  qt_build_pid=$!
  set +m
fi

jobs=$(nproc)
build() {  # build DIR [cmake options...]
  local dir=$1; shift
  echo "== build $dir"
  cmake -S . -B "$dir" -G Ninja -DCANALARM_WERROR=ON "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
}
run_tests() {  # run_tests DIR [ctest options...]: a selection that holds no test fails
  local dir=$1; shift
  echo "== test $dir"
  ctest --test-dir "$dir" --output-on-failure --no-tests=error -j "$jobs" "$@"
  stage_ended "the tests in $dir"
}

build build/test -DCMAKE_BUILD_TYPE=RelWithDebInfo
if ((quick)); then
  run_tests build/test "$@"
  echo "== the tests of build/test passed (--quick: nothing else was run)"
  exit 0
fi
run_tests build/test
scripts/check-package.sh build/test
stage_ended "the package check"
# The package installed, tried and removed in a minimal Debian 12 root.
scripts/test-install.sh build/test/package/canalarm_*_amd64.deb
stage_ended "the install test"

export ASAN_OPTIONS=abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
build build/asan -DCMAKE_BUILD_TYPE=Debug -DCANALARM_SANITIZE=address,undefined
# The guest run (label vm) is left out: software emulation of a whole machine
# is slow enough without a sanitizer, and the serial layer's hang-up handling
# it relies on runs under the sanitizers in the serial and e2e tests.
run_tests build/asan -LE vm

# The threaded tests under ThreadSanitizer; a label that selects nothing
# would make this run test nothing, and fails it.
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
build build/tsan -DCMAKE_BUILD_TYPE=Debug -DCANALARM_SANITIZE=thread
run_tests build/tsan -L threads

if [[ -n "$qt_build_pid" ]]; then
  echo "== Qt for Windows: waiting for the background build"
  waited=$SECONDS
  if ! wait "$qt_build_pid"; then
    qt_build_pid=""
    tail -n 80 "$qt_build_log" >&2
    echo "== Qt for Windows failed to build" >&2
    exit 1
  fi
  qt_build_pid=""
  tail -n 1 "$qt_build_log" >&2
  echo "== Qt for Windows: waited $((SECONDS - waited)) s for it"
fi

# The core, the command line, the window and their tests built for Windows,
# run under Wine, with canalarm.exe end to end against the emulator; the
# window clicked through; the package and its installer tried
# (scripts/test-windows.sh).
scripts/test-windows.sh build/win build/test/emu/canalarm-emu
stage_ended "the Windows tests"

# The fuzz targets (clang, libFuzzer, ASan+UBSan), each for 30 seconds.
echo "== build build/fuzz"
cmake -S . -B build/fuzz -G Ninja -DCANALARM_WERROR=ON -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCANALARM_FUZZ=ON -DCANALARM_BUILD_TESTS=OFF \
  -DCANALARM_BUILD_GUI=OFF -DCANALARM_BUILD_BENCH=OFF >/dev/null
cmake --build build/fuzz -j "$jobs" --target fuzzers
fuzz/run.sh build/fuzz 30
stage_ended "the fuzz runs"
echo "== all tests passed"
