#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""`canalarm ports`, `ports assign` and `ports unassign` end to end.

The program reads a fake sysfs and /dev (CANALARM_SYSFS_ROOT,
CANALARM_DEV_ROOT) laid out as Linux lays them out: a USB adapter with a
/dev/serial/by-id/ name, a second one without, an on-board UART with
hardware and one without. Every device node of the fake /dev is a link to a
pseudo-terminal, and the ports folder is a private one (a temporary
XDG_CONFIG_HOME); a test refuses to run when anything leads elsewhere.

Listing never opens a device: inotify watches every pseudo-terminal the
fake /dev leads to (never a real device) while the listings run.

usage: test_ports_command.py CANALARM CANALARM_EMU
"""
import ctypes
import fcntl
import json
import os
import select
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_base as e2e  # noqa: E402

FTDI_ID = "usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0"


class FakeTree:
    """sys/ and dev/ under root, with one pseudo-terminal per device node."""

    def __init__(self, root):
        self.sys = os.path.join(root, "sys")
        self.dev = os.path.join(root, "dev")
        os.makedirs(os.path.join(self.sys, "class", "tty"))
        os.makedirs(os.path.join(self.dev, "serial", "by-id"))
        self.ptys = []

    def write(self, path, text):
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w") as f:
            f.write(text + "\n")

    def node(self, name):
        master, slave = os.openpty()
        self.ptys.append((master, slave))
        os.symlink(os.ttyname(slave), os.path.join(self.dev, name))
        return slave

    def tty(self, tty_dir, name, device_link):
        os.makedirs(tty_dir)
        os.symlink(device_link, os.path.join(tty_dir, "device"))
        os.symlink(os.path.join("..", "..", os.path.relpath(tty_dir, self.sys)),
                   os.path.join(self.sys, "class", "tty", name))
        return self.node(name)

    def usb_serial(self, name, usb_port, driver, ids, strings, by_id=None):
        device = os.path.join(self.sys, "devices/pci0000:00/0000:00:14.0/usb1", usb_port)
        self.write(os.path.join(device, "idVendor"), ids[0])
        self.write(os.path.join(device, "idProduct"), ids[1])
        for key, value in strings.items():
            self.write(os.path.join(device, key), value)
        interface = os.path.join(device, usb_port + ":1.0")
        self.write(os.path.join(interface, "bInterfaceNumber"), "00")
        os.makedirs(os.path.join(self.sys, "bus/usb/drivers", driver), exist_ok=True)
        os.symlink("../../../../../../bus/usb/drivers/" + driver, os.path.join(interface, "driver"))
        os.makedirs(os.path.join(interface, name))
        slave = self.tty(os.path.join(interface, name, "tty", name), name, "../../../" + name)
        if by_id:
            os.symlink("../../" + name, os.path.join(self.dev, "serial", "by-id", by_id))
        return slave

    def uart(self, name, uart_type):
        parent = os.path.join(self.sys, "devices/platform/serial8250")
        if not os.path.isdir(parent):
            os.makedirs(parent)
            os.makedirs(os.path.join(self.sys, "bus/platform/drivers/serial8250"))
            os.symlink("../../../bus/platform/drivers/serial8250", os.path.join(parent, "driver"))
        tty_dir = os.path.join(parent, "tty", name)
        slave = self.tty(tty_dir, name, "../../../serial8250")
        self.write(os.path.join(tty_dir, "type"), str(uart_type))
        return slave

    def check(self):
        """Every node leads to a pseudo-terminal."""
        for folder in (self.dev, os.path.join(self.dev, "serial", "by-id")):
            for name in os.listdir(folder):
                path = os.path.join(folder, name)
                if os.path.islink(path) and not os.path.realpath(path).startswith("/dev/pts/"):
                    raise RuntimeError(f"REFUSING TO RUN: {path} leads to {os.path.realpath(path)}")

    def close(self):
        for master, slave in self.ptys:
            os.close(master)
            os.close(slave)


class OpenWatch:
    """inotify IN_OPEN on the given pseudo-terminal slaves."""
    IN_OPEN = 0x20

    def __init__(self, paths):
        self.libc = ctypes.CDLL(None, use_errno=True)
        self.fd = self.libc.inotify_init1(os.O_NONBLOCK | os.O_CLOEXEC)
        if self.fd < 0:
            raise OSError(ctypes.get_errno(), "inotify_init1")
        self.names = {}
        for path in paths:
            if not path.startswith("/dev/pts/"):
                raise RuntimeError(f"REFUSING TO WATCH {path}: not a pseudo-terminal")
            wd = self.libc.inotify_add_watch(self.fd, path.encode(), self.IN_OPEN)
            if wd < 0:
                raise OSError(ctypes.get_errno(), "inotify_add_watch " + path)
            self.names[wd] = path

    def opened(self):
        """The watched paths opened since the last call."""
        found = []
        while select.select([self.fd], [], [], 0)[0]:
            data = os.read(self.fd, 65536)
            offset = 0
            while offset < len(data):
                wd, mask, _, length = struct.unpack_from("iIII", data, offset)
                offset += 16 + length
                if mask & self.IN_OPEN:
                    found.append(self.names[wd])
        return found

    def close(self):
        os.close(self.fd)


class PortsCommandTest(e2e.E2eTest):
    # The ports folder starts empty: `assign` fills it.
    MASKED_PORTS = 0

    def fake_roots(self, folder):
        self.tree = FakeTree(folder)
        self.addCleanup(self.tree.close)
        self.ftdi = self.tree.usb_serial("ttyUSB0", "1-2", "ftdi_sio", ("0403", "6001"),
                                         {"manufacturer": "FTDI", "product": "FT232R USB UART",
                                          "serial": "A1B2C3"}, FTDI_ID)
        self.tree.usb_serial("ttyUSB4", "1-3", "ch341", ("1a86", "7523"),
                             {"product": "USB Serial"})
        self.tree.uart("ttyS0", 4)
        self.tree.uart("ttyS1", 0)
        self.tree.check()
        return self.tree.sys, self.tree.dev

    def listing(self, *args):
        status, out, err = self.canalarm("ports", "--json", *args)
        self.assertEqual(status, 0, err)
        return {p["port"] or p["device"]: p for p in json.loads(out)["ports"]}

    def dev(self, name):
        return os.path.join(self.tree.dev, name)

    def test_the_listing_says_what_each_port_is(self):
        status, out, _ = self.canalarm("ports")
        self.assertEqual(status, 0)
        self.assertEqual(out.splitlines(), [
            f"COM1\t{self.dev('ttyS0')}\ton-board UART (serial8250)",
            f"COM5\t{self.dev('ttyUSB0')}\tUSB adapter 0403:6001 (ftdi_sio), FTDI FT232R USB UART,"
            f" serial A1B2C3, by-id {FTDI_ID}",
            f"-\t{self.dev('ttyUSB4')}\tUSB adapter 1a86:7523 (ch341), USB Serial"])
        ports = self.listing("--all")
        self.assertEqual(ports["COM2"]["present"], False)
        self.assertEqual(ports["COM2"]["absentReason"], "no UART behind it")
        self.assertEqual(ports["COM5"]["vendorId"], "0403")
        self.assertEqual(ports["COM5"]["byId"], FTDI_ID)
        self.assertIsNone(ports[self.dev("ttyUSB4")]["port"])
        self.assertEqual(ports["COM5"]["inUse"], False)
        # Held by another program (this one): an exclusive lock, as a second
        # canalarm takes it; the holder is named.
        fcntl.flock(self.ftdi, fcntl.LOCK_EX | fcntl.LOCK_NB)
        held = self.listing()["COM5"]
        self.assertEqual((held["state"], held["inUse"]), ("in use", True))
        self.assertRegex(held["holder"], rf"^\S+ \(pid {os.getpid()}\)$")
        status, out, _ = self.canalarm("ports")
        self.assertIn(f", in use by {held['holder']}\n", out)
        fcntl.flock(self.ftdi, fcntl.LOCK_UN)
        self.assertEqual(self.listing()["COM5"]["state"], "free")
        self.assertNotIn("holder", self.listing()["COM5"])

    def test_listing_opens_no_device(self):
        watch = OpenWatch([os.ttyname(slave) for _, slave in self.tree.ptys])
        self.addCleanup(watch.close)
        for args in ((), ("--json",), ("--all",), ("--all", "--json")):
            status, out, err = self.canalarm("ports", *args)
            self.assertEqual(status, 0, err)
            self.assertIn(self.dev("ttyUSB0"), out)
            self.assertEqual(watch.opened(), [], args)
        # The watch does see an open through the fake tree's node.
        os.close(os.open(self.dev("ttyUSB0"), os.O_RDWR | os.O_NOCTTY))
        self.assertEqual(watch.opened(), [os.ttyname(self.ftdi)])

    def test_unknown_where_processes_cannot_be_read(self):
        # A /proc with one process whose descriptors cannot be listed (as
        # another user's are) and no locks.
        proc = os.path.join(self.config.name, "proc")
        os.makedirs(os.path.join(proc, "1"))
        for name in ("locks", "1/fd"):
            open(os.path.join(proc, name), "w").close()
        self.env["CANALARM_PROC_ROOT"] = proc
        ports = self.listing()
        self.assertEqual((ports["COM5"]["state"], ports["COM5"]["inUse"]), ("unknown", None))
        status, out, _ = self.canalarm("ports")
        self.assertIn("A1B2C3, by-id " + FTDI_ID + ", in use: unknown\n", out)

    def test_assign_and_unassign(self):
        status, out, err = self.canalarm("ports", "assign", "COM3", self.dev("ttyUSB0"))
        self.assertEqual(status, 0, err)
        self.assertEqual(os.readlink(os.path.join(self.ports, "com3")),
                         self.dev("serial/by-id/" + FTDI_ID))
        ports = self.listing()
        self.assertEqual(ports["COM3"]["device"], self.dev("ttyUSB0"))
        self.assertEqual(ports["COM3"]["link"], self.dev("serial/by-id/" + FTDI_ID))
        # Refused: another device without --force, no serial device, bad numbers.
        for args in (("COM3", self.dev("ttyUSB4")), ("COM4", self.dev("ttyS1")),
                     ("COM4", "/dev/null"), ("COM4", self.config.name), ("COM0", self.dev("ttyS0")),
                     ("COM256", self.dev("ttyS0")), ("COM4",)):
            status, _, err = self.canalarm("ports", "assign", *args)
            self.assertEqual(status, 2, args)
            self.assertTrue(err, args)
        self.assertEqual(sorted(os.listdir(self.ports)), ["com3"])
        status, _, err = self.canalarm("ports", "assign", "COM3", self.dev("ttyUSB4"), "--force")
        self.assertEqual(status, 0, err)
        self.assertEqual(os.readlink(os.path.join(self.ports, "com3")), self.dev("ttyUSB4"))

        status, out, err = self.canalarm("ports", "unassign", "COM3")
        self.assertEqual(status, 0, err)
        self.assertEqual(os.listdir(self.ports), [])
        status, _, err = self.canalarm("ports", "unassign", "COM3")
        self.assertEqual(status, 2)
        self.assertIn("no link", err)

    def test_an_assigned_number_reaches_the_module(self):
        device = self.emulator(None).device
        status, out, err = self.canalarm("ports", "assign", "COM17", device)
        self.assertEqual(status, 0, err)
        listed = self.listing()["COM17"]
        self.assertEqual(listed["kind"], "pseudo-terminal")
        # The emulator holds its terminal's slave to keep the line up, but it
        # is the far end, not a program in the way.
        self.assertEqual((listed["state"], listed["inUse"]), ("free", False))
        self.assertRegex(listed["peer"], r"^canalarm-emu \(pid \d+\)$")
        status, out, err = self.canalarm("version", "--port", "COM17")
        self.assertEqual(status, 0, out + err)
        self.assertEqual(out.splitlines()[-1], "Finished")


if __name__ == "__main__":
    e2e.main(("CANALARM", "EMU"))
