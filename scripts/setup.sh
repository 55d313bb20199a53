#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs from Debian's packages what building and running the programs
# needs; with --test, also what the tests add (sanitizer and fuzz compilers,
# the package checks, the Debian root of the install test, the Windows cross
# build and Wine, the QEMU guest). Idempotent: prints nothing and touches
# nothing when all is there.
#
# usage: scripts/setup.sh [--test]
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  libcli11-dev nlohmann-json3-dev
  qt6-base-dev qt6-translations-l10n fonts-dejavu-extra
  gputils python3 dpkg-dev
)
case "${1:-}" in
  "") ;;
  --test)
    packages+=(
      libgtest-dev python3-intelhex
      clang libclang-rt-14-dev
      man-db
      lintian devscripts appstream desktop-file-utils shared-mime-info
      debootstrap xvfb
      g++-mingw-w64-x86-64-posix wine wine64
      nsis xdotool xclip imagemagick fonts-wine zip
      qemu-system-x86 busybox-static
    ) ;;
  *) echo "usage: $0 [--test]" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[[ $(id -u) -eq 0 ]] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
