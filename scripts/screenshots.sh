#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Renders both tabs of the window in English and in Polish, at 100% and at
# 200% scaling, under a virtual X server, into docs/screenshots/; then, in
# English, the window after each operation against canalarm-emu on COM1 of a
# private ports folder (no other port can be reached; the run stops if COM1
# would lead anywhere but to a pseudo-terminal).
# Usage: scripts/screenshots.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/screenshots}
out=docs/screenshots

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target window_screenshots canalarm-emu sample_firmware >/dev/null
mkdir -p "$out"

shoot() {  # shoot LANGCODE SUFFIX SCALE
  QT_SCALE_FACTOR=$3 xvfb-run -a -s "-screen 0 1280x1024x24" \
    "$build/tests/ui/window_screenshots" "$out" "$1" "$2" 2>/dev/null
}
shoot 1 en 1
shoot 0 pl 1
shoot 1 en@2x 2
shoot 0 pl@2x 2

# The operations: the emulator plays the module on COM1; COM2..COM50 lead
# nowhere.
ports_home=$(mktemp -d)
trap 'kill "$emu" 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$ports_home"' EXIT
mkdir -p "$ports_home/canalarm/ports"
for n in $(seq 2 50); do ln -s /nonexistent/canalarm-screenshots "$ports_home/canalarm/ports/com$n"; done
XDG_CONFIG_HOME=$ports_home "$build/emu/canalarm-emu" --link COM1 --version-text "CANALARM EMU 1.0" \
  >"$ports_home/emu.out" 2>/dev/null &
emu=$!
until [ -s "$ports_home/emu.out" ]; do
  kill -0 "$emu" 2>/dev/null || { echo "canalarm-emu did not start" >&2; exit 1; }
  sleep 0.05
done
case $(readlink -f "$ports_home/canalarm/ports/com1") in
  /dev/pts/*) ;;
  *) echo "COM1 does not lead to the emulator's pseudo-terminal; no shots taken" >&2; exit 1 ;;
esac
XDG_CONFIG_HOME=$ports_home xvfb-run -a -s "-screen 0 1280x1024x24" \
  "$build/tests/ui/window_screenshots" "$out" 1 en "$build/samples/demo_firmware.hexfw" 2>/dev/null
ls "$out"
