#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds canalarm for Windows (with Qt for Windows from
# scripts/build-qt-windows.sh, cached) and writes into OUTDIR:
#   canalarm-VERSION-windows-x64.zip        portable: unpack and run canalarm-gui.exe
#   canalarm-VERSION-windows-x64-setup.exe  installer (NSIS, 64-bit): Start-menu
#                                           entry, *.hexfw opens in the window,
#                                           uninstall; silent: /S /D=FOLDER
#
# usage: scripts/package-windows.sh OUTDIR [BUILD_DIR]
#   BUILD_DIR  the Windows build to package (default build/win; the tests use
#              the same one)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:?usage: scripts/package-windows.sh OUTDIR [BUILD_DIR]}
dir=${2:-build/win}
scripts/setup.sh
mkdir -p "$out"
out=$(cd "$out" && pwd)

scripts/configure-windows.sh "$dir"
cmake --build "$dir" -j "$(nproc)" --target canalarm canalarm-gui
staging="$dir/package"
rm -rf "$staging"
(cd "$dir" && cpack -B "$PWD/package" >/dev/null)
for f in "$staging"/canalarm-*-windows-x64.zip "$staging"/canalarm-*-windows-x64-setup.exe; do
  [[ -f "$f" ]] || { echo "package-windows: cpack made no ${f##*/}" >&2; exit 1; }
  cp "$f" "$out/"
  echo "$out/${f##*/} ($(du -h "$f" | cut -f1))"
done
