#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Renders both tabs of the window in English and in Polish, at 100% and at
# 200% scaling, and the open language list and port list, under a virtual X
# server, into docs/screenshots/; then, in English and in Polish, the window
# during and after each operation against canalarm-emu on COM1.
#
# Everything runs with a private ports folder (the window describes its
# ports, though without opening them): COM1 leads to the emulator's
# pseudo-terminal, COM2..COM50 nowhere; the run stops if COM1 would lead
# anywhere else. The window's remembered settings live there too, so the
# user's own are neither read nor changed.
# Usage: scripts/screenshots.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/screenshots}
out=docs/screenshots

# A build folder that exists already is used as it is configured.
[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target window_screenshots canalarm-emu sample_firmware >/dev/null
mkdir -p "$out"

ports_home=$(mktemp -d)
emu=
trap '[ -n "$emu" ] && kill "$emu" 2>/dev/null; wait 2>/dev/null; rm -rf "$ports_home"' EXIT
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

shoot() {  # shoot LANGCODE SUFFIX SCALE [FIRMWARE]
  XDG_CONFIG_HOME=$ports_home XDG_DATA_HOME=$ports_home/data QT_SCALE_FACTOR=$3 xvfb-run -a -s "-screen 0 1280x1024x24" \
    "$build/tests/ui/window_screenshots" "$out" "$1" "$2" ${4:+"$4"} 2>/dev/null
}
shoot 1 en@2x 2
shoot 0 pl@2x 2
# The operations, each after the one before on the emulator's module.
shoot 1 en 1 "$build/samples/demo_firmware.hexfw"
shoot 0 pl 1 "$build/samples/demo_firmware.hexfw"
# The guide shows the operations in English; in Polish the upload only.
rm -f "$out"/{version,parameters-read,parameters-write,file-refused,upload-cancelled,upload,help}-pl.png
ls "$out"
