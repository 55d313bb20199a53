#!/bin/sh
# SPDX-License-Identifier: MIT
# The guest's /init: mounts, loads the USB and FTDI modules, then runs the
# host's commands from the console, one a line, each answered by its output
# and a line "@@rc STATUS".
/bin/busybox --install -s /bin
export PATH=/bin HOME=/root
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
dmesg -n 1
while read -r m; do insmod "/modules/$m" || echo "@@insmod $m failed"; done </modules/order
exec </dev/ttyS0 >/dev/ttyS0 2>&1
stty -echo
echo "@@ready"
while IFS= read -r line; do
  sh -c "$line"
  echo "@@rc $?"
done
poweroff -f
