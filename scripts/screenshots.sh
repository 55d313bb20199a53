#!/usr/bin/env bash
# Renders both tabs of the window in English and in Polish, at 100% and at
# 200% scaling, under a virtual X server, into docs/screenshots/. No serial
# port is opened. Usage: scripts/screenshots.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/screenshots}
out=docs/screenshots

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target window_screenshots >/dev/null
mkdir -p "$out"

shoot() {  # shoot LANGCODE SUFFIX SCALE
  QT_SCALE_FACTOR=$3 xvfb-run -a -s "-screen 0 1280x1024x24" \
    "$build/tests/ui/window_screenshots" "$out" "$1" "$2" 2>/dev/null
}
shoot 1 en 1
shoot 0 pl 1
shoot 1 en@2x 2
shoot 0 pl@2x 2
ls "$out"
