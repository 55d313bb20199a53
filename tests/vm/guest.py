# SPDX-License-Identifier: MIT
"""A QEMU guest (software emulation) with two serial ports wired to
pseudo-terminals on the host:

- an FTDI USB serial adapter (usb-serial on an xHCI controller), the guest's
  /dev/ttyUSB0 under ftdi_sio;
- a second 16550 UART, the guest's /dev/ttyS1 under 8250.

The guest's console is its ttyS0 on QEMU's stdin and stdout; the host runs
shell commands there (see guest_init.sh). QEMU's QMP monitor, on a Unix socket,
pulls the adapter out and plugs it back in.
"""
import json
import os
import queue
import re
import socket
import subprocess
import threading
import time

QEMU = "qemu-system-x86_64"
ADAPTER_ID = "ftdi0"
ADAPTER = f"usb-serial,id={ADAPTER_ID},bus=xhci.0,chardev=adapter"



class GuestError(RuntimeError):
    pass


class Guest:
    def __init__(self, kernel, initramfs, adapter_pty, uart_pty, workdir, log_path=None,
                 preexec_fn=None):
        """`preexec_fn` goes to QEMU's Popen (a test makes QEMU end with it)."""
        for pty in (adapter_pty, uart_pty):
            # The host side of both ports is a pseudo-terminal, never a device.
            if not os.path.realpath(pty).startswith("/dev/pts/"):
                raise GuestError(f"refusing to wire {pty}: not a pseudo-terminal")
        self.qmp_path = os.path.join(workdir, "qmp.sock")
        args = [
            QEMU, "-accel", "tcg", "-m", "512M", "-smp", "1", "-nodefaults", "-display", "none",
            "-no-reboot", "-kernel", kernel, "-initrd", initramfs,
            "-append", "console=ttyS0 quiet loglevel=1 panic=-1 rdinit=/init",
            "-chardev", "stdio,id=console,signal=off", "-serial", "chardev:console",
            "-chardev", f"serial,id=uart,path={uart_pty}", "-serial", "chardev:uart",
            "-chardev", f"serial,id=adapter,path={adapter_pty}",
            "-device", "qemu-xhci,id=xhci", "-device", ADAPTER,
            "-qmp", f"unix:{self.qmp_path},server=on,wait=off",
        ]
        self.log = open(log_path, "w") if log_path else None
        self.process = subprocess.Popen(args, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=subprocess.STDOUT, preexec_fn=preexec_fn)
        self.lines = queue.Queue()
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()

    def _read(self):
        for raw in self.process.stdout:
            line = raw.decode(errors="replace").rstrip("\r\n").replace("\r", "")
            if self.log:
                self.log.write(line + "\n")
                self.log.flush()
            self.lines.put(line)
        self.lines.put(None)

    def _next_line(self, deadline):
        timeout = deadline - time.monotonic()
        if timeout <= 0:
            raise GuestError("the guest did not answer in time")
        try:
            line = self.lines.get(timeout=timeout)
        except queue.Empty:
            raise GuestError("the guest did not answer in time") from None
        if line is None:
            raise GuestError(f"QEMU ended (status {self.process.wait()})")
        return line

    def wait_ready(self, limit=180):
        """Waits for the guest's init to take commands (a slow boot on a busy
        machine is fine: the limit is generous)."""
        deadline = time.monotonic() + limit
        while True:
            line = self._next_line(deadline)
            if line.startswith("@@insmod"):
                raise GuestError(line)
            if line == "@@ready":
                return

    def send(self, command):
        """Starts a shell command in the guest; `result` collects it."""
        self.process.stdin.write(command.encode() + b"\n")
        self.process.stdin.flush()

    def result(self, limit=120):
        """(status, output) of the command sent last."""
        deadline = time.monotonic() + limit
        out = []
        while True:
            line = self._next_line(deadline)
            m = re.fullmatch(r"@@rc (\d+)", line)
            if m:
                return int(m.group(1)), "\n".join(out)
            out.append(line)

    def run(self, command, limit=120):
        self.send(command)
        return self.result(limit)

    def wait_for(self, condition, limit=90, pause=0.2):
        """Runs the shell test `condition` until it holds; False after `limit`."""
        deadline = time.monotonic() + limit
        while time.monotonic() < deadline:
            if self.run(condition, limit=limit)[0] == 0:
                return True
            time.sleep(pause)
        return False

    def _qmp(self):
        """A QMP session, capabilities negotiated."""
        s = socket.socket(socket.AF_UNIX)
        s.settimeout(30)
        try:
            s.connect(self.qmp_path)
        except OSError:
            s.close()
            raise
        reader = s.makefile("r")
        json.loads(reader.readline())  # the greeting
        s.sendall(b'{"execute": "qmp_capabilities"}\n')
        self._qmp_answer(reader)
        return s, reader

    @staticmethod
    def _qmp_answer(reader, event=None):
        """The next command's answer; with `event`, also waits for that event."""
        answer = None
        while answer is None or event is not None:
            message = json.loads(reader.readline())
            if "return" in message or "error" in message:
                answer = message
                if "error" in message:
                    break
            elif message.get("event") == event:
                event = None
        if "error" in answer:
            raise GuestError(answer["error"].get("desc", str(answer)))
        return answer["return"]

    def qmp(self, command, arguments=None, event=None):
        """One QMP command; with `event`, returns once QEMU sent that event."""
        try:
            s, reader = self._qmp()
            with s, reader:
                message = {"execute": command}
                if arguments:
                    message["arguments"] = arguments
                s.sendall(json.dumps(message).encode() + b"\n")
                return self._qmp_answer(reader, event)
        except OSError as e:
            if self.process.poll() is not None:  # say that QEMU itself went
                raise GuestError(f"QEMU ended (status {self.process.returncode}) during {command}") from e
            raise

    def unplug_adapter(self):
        """Pulls the adapter out; returns once QEMU has let go of it."""
        self.qmp("device_del", {"id": ADAPTER_ID}, event="DEVICE_DELETED")

    def plug_adapter(self):
        self.qmp("device_add", {"driver": "usb-serial", "id": ADAPTER_ID, "bus": "xhci.0",
                                "chardev": "adapter"})

    def stop(self):
        if self.process.poll() is None:
            try:
                self.qmp("quit")
            except (OSError, ValueError, GuestError):
                pass
            try:
                self.process.wait(timeout=20)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.process.stdin.close()
        self.reader.join(timeout=10)
        if self.log:
            self.log.close()
