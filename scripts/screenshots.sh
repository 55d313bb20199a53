#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Renders both tabs of the window in English and in Polish, at 100% and at
# 200% scaling, and the open language list and port list, under a virtual X
# server, into docs/screenshots/; then, in English and in Polish, the window
# during and after each operation against canalarm-emu.
#
# The window sees what a fitter's laptop shows with one USB adapter: the run
# takes place in a mount namespace of its own, with an empty /dev that holds
# only the usual null, random, tty and pseudo-terminal nodes, plus
# /dev/ttyUSB0 (and its /dev/serial/by-id/ name) leading to the emulator's
# pseudo-terminal, described by a fake sysfs as an FTDI FT232R adapter. No
# real serial device is reachable: the run stops if /dev/ttyS0 or any port
# of the ports folder would lead anywhere else. The user is "fitter" with a
# home of its own (/home/fitter, an empty tmpfs), where the ports folder
# (COM1..COM12 linked to their usual devices), the window's settings and the
# backups live; nothing of the real user's is read or changed. Describing the
# ports opens none of them.
# Needs root (for the namespace and its mounts).
# Usage: scripts/screenshots.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."

if [[ ${1:-} != --inside ]]; then
  build=${1:-build/screenshots}
  # A build folder that exists already is used as it is configured.
  [ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build" --target window_screenshots canalarm-emu sample_firmware >/dev/null
  [ "$(id -u)" = 0 ] || { echo "screenshots.sh needs root: it mounts a private /dev and /home" >&2; exit 1; }
  stage=$(mktemp -d)
  trap 'rmdir "$stage" 2>/dev/null || true' EXIT
  unshare --mount --propagation private "$0" --inside "$(realpath "$build")" "$stage"
  ls docs/screenshots
  exit 0
fi

# ---- inside the private mount namespace ----
stage=$3
mount -t tmpfs -o mode=700 canalarm-stage "$stage"
# The tree and the build stay reachable when /home is covered below.
mkdir "$stage/tree" "$stage/build"
mount --bind "$PWD" "$stage/tree"
mount --bind "$2" "$stage/build"
build=$stage/build
out=$stage/tree/docs/screenshots

# /dev: the harmless nodes of the real one, and pseudo-terminals.
mkdir "$stage/hostdev"
mount --rbind /dev "$stage/hostdev"
mount -t tmpfs -o mode=755 canalarm-dev /dev
for node in null zero full random urandom tty; do
  touch "/dev/$node"
  mount --bind "$stage/hostdev/$node" "/dev/$node"
done
for folder in pts shm; do
  mkdir "/dev/$folder"
  mount --rbind "$stage/hostdev/$folder" "/dev/$folder"
done
umount -l "$stage/hostdev"
ln -s pts/ptmx /dev/ptmx
ln -s /proc/self/fd /dev/fd
mkdir -p /dev/serial/by-id

# The fitter's home, with the firmware file in it.
mount -t tmpfs -o mode=755 canalarm-home /home
export HOME=/home/fitter USER=fitter LOGNAME=fitter
unset XDG_CONFIG_HOME XDG_DATA_HOME
mkdir -p "$HOME/firmware" "$HOME/.config/canalarm/ports"
cp "$build/samples/demo_firmware.hexfw" "$HOME/firmware/"

# A fake sysfs with one USB adapter, ttyUSB0, laid out as Linux lays it out.
sys=$stage/sys
usb=$sys/devices/pci0000:00/0000:00:14.0/usb1/1-2
interface=$usb/1-2:1.0
tty=$interface/ttyUSB0/tty/ttyUSB0
mkdir -p "$tty" "$sys/class/tty" "$sys/bus/usb/drivers/ftdi_sio"
printf '%s\n' 0403 >"$usb/idVendor"
printf '%s\n' 6001 >"$usb/idProduct"
printf '%s\n' FTDI >"$usb/manufacturer"
printf '%s\n' "FT232R USB UART" >"$usb/product"
printf '%s\n' A1B2C3D4 >"$usb/serial"
printf '%s\n' 00 >"$interface/bInterfaceNumber"
ln -s ../../../../../../bus/usb/drivers/ftdi_sio "$interface/driver"
ln -s ../../../ttyUSB0 "$tty/device"
ln -s "../../${tty#"$sys"/}" "$sys/class/tty/ttyUSB0"
export CANALARM_SYSFS_ROOT=$sys

emu=
trap '[ -n "$emu" ] && kill "$emu" 2>/dev/null; wait 2>/dev/null || true' EXIT
# The module on a simulated 9600 bit/s line, so that the time left is real.
"$build/emu/canalarm-emu" --wire-speed 9600 --version-text "CANALARM EMU 1.0" >"$stage/emu.out" 2>/dev/null &
emu=$!
until [ -s "$stage/emu.out" ]; do
  kill -0 "$emu" 2>/dev/null || { echo "canalarm-emu did not start" >&2; exit 1; }
  sleep 0.05
done
ln -s "$(head -n 1 "$stage/emu.out")" /dev/ttyUSB0
ln -s ../../ttyUSB0 /dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2C3D4-if00-port0

# COM1..COM12 lead where they lead by default: ttyS0..3, ttyUSB0..3, ttyACM0..3.
ports=$HOME/.config/canalarm/ports
for n in 1 2 3 4; do ln -s "/dev/ttyS$((n - 1))" "$ports/com$n"; done
for n in 5 6 7 8; do ln -s "/dev/ttyUSB$((n - 5))" "$ports/com$n"; done
for n in 9 10 11 12; do ln -s "/dev/ttyACM$((n - 9))" "$ports/com$n"; done
for link in "$ports"/com* /dev/ttyS0; do
  target=$(readlink -f "$link")
  [ -e "$target" ] || continue
  case $target in
    /dev/pts/[0-9]*) ;;
    *) echo "$link leads to $target, not to a pseudo-terminal; no shots taken" >&2; exit 1 ;;
  esac
done

shoot() {  # shoot LANGCODE SUFFIX SCALE [FIRMWARE]
  QT_SCALE_FACTOR=$3 xvfb-run -a -s "-screen 0 1280x1024x24" \
    "$build/tests/ui/window_screenshots" "$out" "$1" "$2" 5 ${4:+"$4"} 2>/dev/null ||
    { echo "screenshots.sh: the shots in $2 failed" >&2; exit 1; }
}
shoot 1 en@2x 2
shoot 0 pl@2x 2
# The operations on COM5, each after the one before on the emulator's module.
shoot 1 en 1 "$HOME/firmware/demo_firmware.hexfw"
shoot 0 pl 1 "$HOME/firmware/demo_firmware.hexfw"
# The guide shows the operations in English; in Polish the upload only.
rm -f "$out"/{version,parameters-read,parameters-write,file-refused,upload-cancelled,upload,help}-pl.png
