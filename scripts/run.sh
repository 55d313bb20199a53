#!/usr/bin/env bash
# Sets up, builds and runs the main job: for now the command line's help.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DCANALARM_BUILD_TESTS=OFF >/dev/null
cmake --build build/release --target canalarm >/dev/null
exec build/release/cli/canalarm "${@:---help}"
