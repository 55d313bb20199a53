#!/bin/sh
# SPDX-License-Identifier: MIT
# Builds canalarm in release mode into build/bench and runs every speed
# figure several times; prints the table (figure, goal, measured median, min
# and max, pass or fail) and writes it to build/bench/benchmarks.md.
#
# usage: bench/run.sh [--runs N] [--only FIGURE,...]
#   figures: turnaround files budget idlewait wire38400 window38400 batch wire9600 window9600 guest38400
# Exit status: 0 when every figure meets its goal, 1 otherwise.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/bench"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCANALARM_BUILD_TESTS=OFF >/dev/null
nice -n 10 cmake --build "$build" --target canalarm canalarm-emu link_bench \
  $(grep -q '^build window_upload:' "$build/build.ninja" 2>/dev/null && echo window_upload || true) >/dev/null
exec python3 "$root/bench/run_benchmarks.py" "$build" --markdown "$build/benchmarks.md" "$@"
