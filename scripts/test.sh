#!/usr/bin/env bash
# Sets up, builds and runs every test: once in a normal build with warnings
# as errors, then the core tests again under AddressSanitizer with
# UndefinedBehaviorSanitizer, and the threaded serial tests under
# ThreadSanitizer. Any failure or sanitizer report fails the run.
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

export ASAN_OPTIONS=abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
build build/asan -DCMAKE_BUILD_TYPE=Debug -DCANALARM_SANITIZE=address,undefined
run_tests build/asan

if ctest --test-dir build/test -N -L threads | grep -q 'Total Tests: [1-9]'; then
  export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
  build build/tsan -DCMAKE_BUILD_TYPE=Debug -DCANALARM_SANITIZE=thread
  run_tests build/tsan -L threads
fi
echo "== all tests passed"
