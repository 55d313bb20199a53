#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Debian package in one step: installs what the build needs,
# makes a Release build without the tests and writes canalarm_<version>_amd64.deb
# into OUTDIR (default: the current folder), printing its path last.
#
# usage: scripts/package-debian.sh [OUTDIR]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out=$(mkdir -p "${1:-.}" && cd "${1:-.}" && pwd)
"$here/scripts/setup.sh"
build="$here/build/package-debian"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCANALARM_BUILD_TESTS=OFF -DCANALARM_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" >/dev/null
rm -rf "$build/package"
(cd "$build" && cpack -G DEB -B "$build/package" >"$build/package.log" 2>&1) ||
  { cat "$build/package.log" >&2; exit 1; }
deb=$(ls "$build"/package/canalarm_*_amd64.deb)
cp "$deb" "$out/"
echo "$out/$(basename "$deb")"
