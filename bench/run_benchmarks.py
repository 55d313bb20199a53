#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Runs every speed figure of canalarm several times and prints a table:
figure, goal, measured (median, min, max), pass or fail.

usage: run_benchmarks.py BUILD_DIR [--runs N] [--only NAME[,NAME...]] [--markdown FILE] [--rt]

--rt runs the emulators and the tool under SCHED_FIFO (chrt -f 10), which
keeps other programs on a busy machine from delaying their wake-ups; they
use well under 2 % of a processor, so nothing else is starved.

Every COM port is a link in a private ports folder (a temporary
XDG_CONFIG_HOME) to an emulator's pseudo-terminal; COM1..COM50 are masked
first, and a run refuses to start when a port resolves to anything else.

Times without a wake-up are taken from the emulator's transcript: from the
key agreement (the end of the wake-up) to the reset packet, both stamped when
their last byte has crossed the simulated wire. Processor time is the
child's getrusage (os.wait4) or, in process, getrusage(RUSAGE_SELF).
"""
import argparse
import json
import os
import re
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

FLASH_PACKETS = 2016
EEPROM_PACKETS = 16
PACKET_BYTES = 22
RESET_BYTES = 5
BITS_PER_BYTE = 10


def wire_bound(bps):
    """Seconds the packets, their acknowledgements and the reset need on the wire."""
    packets = FLASH_PACKETS + EEPROM_PACKETS
    return (packets * (PACKET_BYTES + 1) + RESET_BYTES) * BITS_PER_BYTE / bps


def loadavg():
    with open("/proc/loadavg") as f:
        return " ".join(f.read().split()[:3])


class Emulator:
    """One canalarm-emu process on a pseudo-terminal, reachable as COMn."""

    def __init__(self, bench, com, *options):
        self.transcript = os.path.join(bench.work, f"transcript-com{com}-{time.monotonic_ns()}.txt")
        # A fresh emulator waits for a wake-up already; no restart on a quiet
        # line, which a loaded machine could otherwise cause mid-upload.
        # --replace-link: the port's mask comes back when the emulator ends.
        args = [*bench.prefix, bench.emu, "--link", f"COM{com}", "--replace-link", "--idle-reset", "0",
                "--transcript", self.transcript, *options]
        self.process = subprocess.Popen(args, env=bench.env, stdout=subprocess.PIPE,
                                        stderr=subprocess.DEVNULL, text=True)
        self.device = self.process.stdout.readline().strip()
        link = os.path.join(bench.ports, f"com{com}")
        deadline = time.monotonic() + 10
        while os.path.realpath(link) != self.device and time.monotonic() < deadline:
            time.sleep(0.01)
        target = os.path.realpath(link)
        if not target.startswith("/dev/pts/") or target != self.device:
            self.stop()
            raise RuntimeError(f"COM{com} resolves to {target}, not the emulator's pseudo-terminal")

    def stop(self):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            self.process.wait(timeout=10)
        self.process.stdout.close()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()

    def packet_span(self):
        """Seconds from the key agreement to the reset packet, from the transcript."""
        return self.packet_spans()[0]

    def packet_spans(self):
        """packet_span of every upload in the transcript, in order."""
        self.stop()
        spans, key = [], None
        with open(self.transcript) as f:
            for line in f:
                stamp, _, text = line.strip().partition("  ")
                if key is None and text.startswith("key "):
                    key = float(stamp)
                elif key is not None and re.match(r"packet \d+: reset", text):
                    spans.append(float(stamp) - key)
                    key = None
        if not spans:
            raise RuntimeError(f"no complete upload in {self.transcript}")
        return spans


class Bench:
    def __init__(self, build, runs, rt=False):
        self.prefix = ["chrt", "-f", "10"] if rt else []
        self.build = build
        self.runs = runs
        self.canalarm = os.path.join(build, "cli", "canalarm")
        self.emu = os.path.join(build, "emu", "canalarm-emu")
        self.link_bench = os.path.join(build, "bench", "link_bench")
        self.window = os.path.join(build, "bench", "window_upload")
        self.work = tempfile.mkdtemp(prefix="canalarm-bench-")
        config = os.path.join(self.work, "config")
        self.ports = os.path.join(config, "canalarm", "ports")
        os.makedirs(self.ports)
        # Every COM port leads nowhere until an emulator links it.
        for n in range(1, 51):
            os.symlink("/nonexistent/canalarm-bench", os.path.join(self.ports, f"com{n}"))
        self.env = dict(os.environ, XDG_CONFIG_HOME=config, XDG_DATA_HOME=os.path.join(config, "data"),
                        QT_QPA_PLATFORM="offscreen")
        plain = os.path.join(self.work, "full.hex")
        self.firmware = os.path.join(self.work, "full.hexfw")
        subprocess.run([sys.executable, os.path.join(os.path.dirname(__file__), "make_image.py"), plain],
                       check=True)
        subprocess.run([self.canalarm, "encode", plain, "-o", self.firmware], env=self.env, check=True,
                       stdout=subprocess.DEVNULL)
        self.rows = []

    def cleanup(self):
        shutil.rmtree(self.work, ignore_errors=True)

    def run_child(self, args):
        """Runs a command and returns (status, stdout, stderr, wall, processor seconds)."""
        start = time.monotonic()
        process = subprocess.Popen([*self.prefix, *args], env=self.env, stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE, text=True)
        # Read stdout to the end before reaping, so that wait4 gives the rusage.
        out = process.stdout.read()
        err = process.stderr.read()
        _, status, usage = os.wait4(process.pid, 0)
        process.returncode = os.waitstatus_to_exitcode(status)
        wall = time.monotonic() - start
        process.stdout.close()
        process.stderr.close()
        return process.returncode, out, err, wall, usage.ru_utime + usage.ru_stime

    def row(self, figure, goal, values, passes, unit, load):
        values = sorted(values)
        med = statistics.median(values) if values else float("nan")
        self.rows.append({
            "figure": figure, "goal": goal, "unit": unit, "median": med,
            "min": values[0] if values else float("nan"), "max": values[-1] if values else float("nan"),
            "pass": passes(med) if values else False, "n": len(values), "load": load,
        })
        r = self.rows[-1]
        print(f"  {figure}: median {r['median']:.4g}{unit} (min {r['min']:.4g}, max {r['max']:.4g}, "
              f"n={r['n']}) {'pass' if r['pass'] else 'FAIL'}  [load {load}]", flush=True)

    # --- figures --------------------------------------------------------------------------

    def cli_upload(self, bps):
        """One upload by the command line at a simulated speed: (span, wall, processor)."""
        with Emulator(self, 1, "--wire-speed", str(bps)) as emu:
            status, out, err, wall, cpu = self.run_child(
                [self.canalarm, "upload", self.firmware, "-p", "COM1", "--baud", str(bps), "--no-progress"])
            if status != 0:
                raise RuntimeError(f"upload failed ({status}): {out}{err} (transcript {emu.transcript})")
            return emu.packet_span(), wall, cpu

    def window_upload(self, bps):
        with Emulator(self, 1, "--wire-speed", str(bps)) as emu:
            status, out, err, _, _ = self.run_child([self.window, self.firmware, "COM1", str(bps)])
            if status != 0:
                raise RuntimeError(f"window upload failed: {err}{out}")
            result = json.loads(out)
            return emu.packet_span(), result["wall_s"], result["cpu_s"]

    def wire(self, host, bps, goal, frugal=False):
        load0 = loadavg()
        upload = self.cli_upload if host == "cli" else self.window_upload
        ratios, shares = [], []
        for _ in range(self.runs):
            span, wall, cpu = upload(bps)
            ratios.append(span / wire_bound(bps))
            shares.append(100.0 * cpu / wall)
        load = f"{load0} .. {loadavg()}"
        name = "command line" if host == "cli" else "window"
        self.row(f"wire-bound, {name}, {bps} bit/s (x lower bound {wire_bound(bps):.2f} s)",
                 f"<= {goal}", ratios, lambda m: m <= goal, "x", load)
        if frugal:
            self.row(f"frugal, {name}, processor time during a {bps} bit/s upload",
                     "<= 2 % of wall", shares, lambda m: m <= 2.0, " %", load)

    def idle_wait(self, bps=9600):
        """The window's version read against a module that answers the
        wake-up and then nothing: the wait for the answer runs out its
        countdown. Processor time over the click's wall time."""
        load0 = loadavg()
        shares = []
        for _ in range(self.runs):
            with Emulator(self, 1, "--silent-after", "0"):
                status, out, err, _, _ = self.run_child([self.window, "--version-read", "COM1", str(bps)])
            if status != 0:
                raise RuntimeError(f"window version read failed ({status}): {err}{out}")
            result = json.loads(out)
            if result["log"][-1:] != ["Error data transmission"]:
                raise RuntimeError(f"the version read did not wait out its countdown: {out}{err}")
            shares.append(100.0 * result["cpu_s"] / result["wall_s"])
        self.row("idle, window waiting for an answer that never comes (version read)", "<= 2 % of wall",
                 shares, lambda m: m <= 2.0, " %", f"{load0} .. {loadavg()}")

    def guest_and_host(self, bps=38400):
        """A full upload over the FTDI adapter that QEMU emulates (software
        emulation, the guest's ftdi_sio), and the same over a pseudo-terminal
        on the host, in one run: each as a ratio to the wire bound."""
        sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "vm"))
        import guest_image
        from guest import Guest
        load0 = loadavg()
        kernel, moddir = guest_image.cached_kernel()
        initramfs = os.path.join(self.work, "initramfs.cpio")
        guest_image.build_initramfs(initramfs, moddir, self.canalarm,
                                    os.path.join(os.path.dirname(guest_image.__file__), "guest_init.sh"),
                                    {"/root/full.hexfw": self.firmware})
        # Ports of their own: COM1 stays the host figure's.
        with Emulator(self, 11, "--wire-speed", str(bps)) as adapter, Emulator(self, 12) as uart:
            guest = Guest(kernel, initramfs, adapter.device, uart.device, self.work)
            try:
                guest.wait_ready()
                if not guest.wait_for("test -c /dev/ttyUSB0"):
                    raise RuntimeError("the guest never saw the FTDI adapter")
                for _ in range(self.runs):
                    status, out = guest.run(f"canalarm upload /root/full.hexfw -p /dev/ttyUSB0 --baud {bps} "
                                            "--no-progress 2>&1", limit=600)
                    if status != 0:
                        raise RuntimeError(f"upload in the guest failed ({status}): {out}")
            finally:
                guest.stop()
            guest_spans = adapter.packet_spans()
        load_guest = f"{load0} .. {loadavg()}"
        bound = wire_bound(bps)
        self.row(f"guest, FTDI adapter under QEMU (software emulation), {bps} bit/s (x lower bound {bound:.2f} s)",
                 "<= 1.5", [s / bound for s in guest_spans], lambda m: m <= 1.5, "x", load_guest)
        host_spans = [self.cli_upload(bps)[0] for _ in range(self.runs)]
        load = f"{load_guest} .. {loadavg()}"
        self.row(f"host, pseudo-terminal, same run, {bps} bit/s (x lower bound {bound:.2f} s)",
                 "<= 1.05", [s / bound for s in host_spans], lambda m: m <= 1.05, "x", load)

    def turnaround(self):
        load0 = loadavg()
        medians, p99s, walls = [], [], []
        for _ in range(self.runs):
            with Emulator(self, 2) as emu:
                status, out, err, _, _ = self.run_child([self.link_bench, "upload", emu.device, self.firmware])
                if status != 0:
                    raise RuntimeError(f"link_bench upload failed: {err}")
                result = json.loads(out)
            medians.append(result["acks"]["median_ms"])
            p99s.append(result["acks"]["p99_ms"])
            walls.append(result["wall_s"])
        load = f"{load0} .. {loadavg()}"
        self.row("turnaround, last byte written to ack seen, median", "<= 0.3 ms", medians,
                 lambda m: m <= 0.3, " ms", load)
        self.row("turnaround, 99th percentile", "<= 2 ms", p99s, lambda m: m <= 2.0, " ms", load)
        self.row("full upload without a wire (RTS pulse and wake-up included)", "<= 2 s", walls,
                 lambda m: m <= 2.0, " s", load)

    def budget(self):
        load0 = loadavg()
        left = []
        for _ in range(self.runs):
            with Emulator(self, 3, "--wire-speed", "9600") as emu:
                status, out, err, _, _ = self.run_child([self.link_bench, "params-read", emu.device, "9600"])
                if status != 0:
                    raise RuntimeError(f"link_bench params-read failed: {err}")
                result = json.loads(out)
            left.append(100.0 * result["ticks_left"] / result["ticks"])
        self.row("budget, parameter read at 9600 bit/s: countdown left of 25 ticks", ">= 30 %", left,
                 lambda m: m >= 30.0, " %", f"{load0} .. {loadavg()}")

    def files(self):
        load0 = loadavg()
        loads = []
        for _ in range(self.runs):
            status, out, err, _, _ = self.run_child([self.link_bench, "load", self.firmware, "50"])
            if status != 0:
                raise RuntimeError(f"link_bench load failed: {err}")
            loads.append(json.loads(out)["loads"]["median_ms"])
        self.row("files, load of a record-encoded 32 KiB image (median of 50 in process)", "<= 5 ms",
                 loads, lambda m: m <= 5.0, " ms", f"{load0} .. {loadavg()}")
        load0 = loadavg()
        infos = []
        for _ in range(self.runs):
            walls = []
            for _ in range(20):
                status, _, err, wall, _ = self.run_child([self.canalarm, "info", self.firmware])
                if status != 0:
                    raise RuntimeError(f"canalarm info failed: {err}")
                walls.append(wall * 1000)
            infos.append(statistics.median(walls))
        self.row("files, canalarm info end to end (median of 20 runs)", "<= 30 ms", infos,
                 lambda m: m <= 30.0, " ms", f"{load0} .. {loadavg()}")

    def batch(self):
        load0 = loadavg()
        ratios = []
        for _ in range(self.runs):
            with Emulator(self, 1, "--wire-speed", "38400"):
                status, _, err, one, _ = self.run_child(
                    [self.canalarm, "upload", self.firmware, "-p", "COM1", "--baud", "38400", "--no-progress"])
                if status != 0:
                    raise RuntimeError(f"upload failed: {err}")
            emus = [Emulator(self, com, "--wire-speed", "38400") for com in range(11, 19)]
            try:
                ports = [a for com in range(11, 19) for a in ("-p", f"COM{com}")]
                status, out, err, eight, _ = self.run_child(
                    [self.canalarm, "upload", self.firmware, *ports, "--baud", "38400", "--no-progress"])
                if status != 0:
                    raise RuntimeError(f"batch upload failed: {out}{err}")
            finally:
                for emu in emus:
                    emu.stop()
            ratios.append(eight / one)
        self.row("batch, eight ports at 38400 bit/s (x the time of one)", "<= 1.1", ratios,
                 lambda m: m <= 1.1, "x", f"{load0} .. {loadavg()}")

    # --- table ----------------------------------------------------------------------------

    def table(self):
        lines = ["| figure | goal | median | min | max | n | result | load (1, 5, 15 min) |",
                 "|---|---|---|---|---|---|---|---|"]
        for r in self.rows:
            fmt = lambda v: f"{v:.3f}{r['unit']}"
            lines.append(f"| {r['figure']} | {r['goal']} | {fmt(r['median'])} | {fmt(r['min'])} | "
                         f"{fmt(r['max'])} | {r['n']} | {'pass' if r['pass'] else 'FAIL'} | {r['load']} |")
        return "\n".join(lines)


FIGURES = ["turnaround", "files", "budget", "idlewait", "wire38400", "window38400", "batch", "wire9600",
           "window9600", "guest38400"]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--only", default=",".join(FIGURES))
    parser.add_argument("--markdown")
    parser.add_argument("--rt", action="store_true", help="run emulators and tool under SCHED_FIFO")
    args = parser.parse_args()
    bench = Bench(args.build, args.runs, args.rt)
    has_window = os.path.exists(bench.window)
    print(f"canalarm benchmarks, {args.runs} runs each, started {time.strftime('%Y-%m-%d %H:%M:%S')}, "
          f"load {loadavg()}, {os.cpu_count()} processors{', SCHED_FIFO' if args.rt else ''}", flush=True)
    try:
        for name in args.only.split(","):
            print(f"{name} ...", flush=True)
            if name == "turnaround":
                bench.turnaround()
            elif name == "files":
                bench.files()
            elif name == "budget":
                bench.budget()
            elif name == "wire38400":
                bench.wire("cli", 38400, 1.05)
            elif name == "wire9600":
                bench.wire("cli", 9600, 1.02, frugal=True)
            elif name in ("window38400", "window9600"):
                if not has_window:
                    print("  skipped: the window is not built", flush=True)
                    continue
                bench.wire("window", 38400 if name == "window38400" else 9600,
                           1.05 if name == "window38400" else 1.02, frugal=name == "window9600")
            elif name == "idlewait":
                if not has_window:
                    print("  skipped: the window is not built", flush=True)
                    continue
                bench.idle_wait()
            elif name == "batch":
                bench.batch()
            elif name == "guest38400":
                bench.guest_and_host(38400)
            else:
                raise SystemExit(f"unknown figure {name}")
    finally:
        bench.cleanup()
    table = bench.table()
    print()
    print(table)
    if args.markdown:
        with open(args.markdown, "w") as f:
            f.write(table + "\n")
    return 0 if all(r["pass"] for r in bench.rows) else 1


if __name__ == "__main__":
    sys.exit(main())
