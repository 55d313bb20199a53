#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Sets up, builds and runs the main job: the window, with the module
# emulator standing in for a module on COM1 and the sample firmware opened,
# ready to write, so that everything can be tried without hardware. The
# emulator's link lives in a private ports folder where COM2..COM12 lead
# nowhere; the user's own port settings and remembered choices are not
# touched.
#
# Without a display, the command line does the same against the emulator.
# Arguments, if any, go to the window (or, without a display, to canalarm).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCANALARM_BUILD_TESTS=OFF \
  -DCANALARM_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target canalarm canalarm-emu canalarm-gui sample_firmware >/dev/null

demo=$(mktemp -d)
emu=
trap '[ -n "$emu" ] && kill "$emu" 2>/dev/null; wait 2>/dev/null; rm -rf "$demo"' EXIT
export XDG_CONFIG_HOME="$demo"
export XDG_DATA_HOME="$demo/data"  # the emulated module's backups go with the demo
mkdir -p "$demo/canalarm/ports"
for n in $(seq 2 12); do ln -s /nonexistent/canalarm-demo "$demo/canalarm/ports/com$n"; done
cp "$build/samples/demo_firmware.hexfw" "$demo/demo.hexfw"
"$build/emu/canalarm-emu" --link COM1 --version-text "CANALARM EMU 1.0" >"$demo/emu.out" 2>/dev/null &
emu=$!
for _ in $(seq 200); do  # at most 10 s for the emulator's first line
  [ -s "$demo/emu.out" ] && break
  kill -0 "$emu" 2>/dev/null || { echo "canalarm-emu did not start" >&2; exit 1; }
  sleep 0.05
done
[ -s "$demo/emu.out" ] || { echo "canalarm-emu did not answer" >&2; exit 1; }
echo "canalarm-emu plays the module on COM1 ($(head -n1 "$demo/emu.out")); a sample firmware is $demo/demo.hexfw"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  "$build/app/canalarm-gui" "$@" "$demo/demo.hexfw"
else
  echo "No display: showing the command line against the emulator instead."
  "$build/cli/canalarm" version --port COM1 "$@"
  "$build/cli/canalarm" upload "$demo/demo.hexfw" --port COM1 --no-progress
  "$build/cli/canalarm" params read --port COM1
fi
