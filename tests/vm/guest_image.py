# SPDX-License-Identifier: MIT
"""The guest's kernel and initramfs.

The kernel is Debian's own (the package that `linux-image-amd64` depends on),
fetched once with `apt-get download` into a cache outside the build tree and
unpacked with `dpkg-deb -x`; nothing is installed on the host. The initramfs
is made at test time: Debian's static busybox, the kernel's USB host and
FTDI adapter modules with what they depend on, `canalarm` with its shared
libraries, the files the scenarios need, and tests/vm/guest_init.sh as /init.
"""
import fcntl
import glob
import os
import re
import shutil
import stat
import subprocess

CACHE = os.environ.get("CANALARM_VM_CACHE") or os.path.join(
    os.environ.get("XDG_CACHE_HOME") or os.path.expanduser("~/.cache"), "canalarm-vm")

# The USB host controller QEMU gives the guest, and the FTDI adapter's driver.
MODULES = ["xhci_pci", "ftdi_sio"]
BUSYBOX = "/bin/busybox"


def kernel_package_name():
    """The real kernel package behind the `linux-image-amd64` metapackage."""
    out = subprocess.run(["apt-cache", "depends", "linux-image-amd64"], capture_output=True,
                         text=True, check=True).stdout
    for line in out.splitlines():
        m = re.match(r"\s*Depends:\s*(linux-image-\d\S*-amd64)$", line)
        if m:
            return m.group(1)
    raise RuntimeError("apt-cache names no kernel package behind linux-image-amd64:\n" + out)


def cached_kernel():
    """(vmlinuz, modules directory) of the cached kernel, fetched and unpacked
    on first use; later runs on the same machine use the cache as it is."""
    os.makedirs(CACHE, exist_ok=True)
    with open(os.path.join(CACHE, ".lock"), "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)  # two runs at once fetch it once
        tree = os.path.join(CACHE, "tree")
        kernels = glob.glob(os.path.join(tree, "boot", "vmlinuz-*"))
        if not kernels:
            debs = glob.glob(os.path.join(CACHE, "linux-image-*.deb"))
            if not debs:
                subprocess.run(["apt-get", "download", kernel_package_name()], cwd=CACHE,
                               check=True, stdout=subprocess.DEVNULL)
                debs = glob.glob(os.path.join(CACHE, "linux-image-*.deb"))
            partial = tree + ".partial"
            shutil.rmtree(partial, ignore_errors=True)
            subprocess.run(["dpkg-deb", "-x", debs[0], partial], check=True)
            os.rename(partial, tree)
            kernels = glob.glob(os.path.join(tree, "boot", "vmlinuz-*"))
    release = os.path.basename(kernels[0])[len("vmlinuz-"):]
    return kernels[0], os.path.join(tree, "lib", "modules", release)


def module_depends(path):
    """The `depends=` of a kernel module, read from its .modinfo strings."""
    with open(path, "rb") as f:
        data = f.read()
    m = re.search(rb"(?:^|\0)depends=([^\0]*)\0", data)
    return [d for d in m.group(1).decode().split(",") if d] if m else []


def modules_in_load_order(moddir, wanted):
    """Paths of the wanted modules and all they depend on, dependencies first."""
    index = {}
    for path in glob.glob(os.path.join(moddir, "kernel", "**", "*.ko"), recursive=True):
        index[os.path.basename(path)[:-3].replace("-", "_")] = path
    order, seen = [], set()

    def visit(name):
        name = name.replace("-", "_")
        if name in seen:
            return
        seen.add(name)
        if name not in index:
            raise RuntimeError(f"kernel module {name} not in {moddir}")
        for dep in module_depends(index[name]):
            visit(dep)
        order.append(index[name])

    for name in wanted:
        visit(name)
    return order


def shared_libraries(program):
    """The shared libraries `program` loads, the dynamic loader included."""
    out = subprocess.run(["ldd", program], capture_output=True, text=True, check=True).stdout
    libs = []
    for line in out.splitlines():
        m = re.search(r"(/\S+) \(0x", line)
        if m:
            libs.append(m.group(1))
    return libs


class Cpio:
    """A newc cpio archive, written without touching the host's /dev."""

    def __init__(self, path):
        self.f = open(path, "wb")
        self.ino = 1
        self.dirs = set()

    def _entry(self, name, mode, data=b"", rdev=(0, 0)):
        name_b = name.encode() + b"\0"
        head = "070701" + "".join(f"{v:08X}" for v in (
            self.ino, mode, 0, 0, 1, 0, len(data), 0, 0, rdev[0], rdev[1], len(name_b), 0))
        self.ino += 1
        self.f.write(head.encode() + name_b)
        self.f.write(b"\0" * (-(110 + len(name_b)) % 4))
        self.f.write(data)
        self.f.write(b"\0" * (-len(data) % 4))

    def dir(self, name):
        name = name.strip("/")
        if not name or name in self.dirs:
            return
        self.dir(os.path.dirname(name))
        self.dirs.add(name)
        self._entry(name, stat.S_IFDIR | 0o755)

    def file(self, name, source=None, data=None, mode=0o755):
        name = name.strip("/")
        self.dir(os.path.dirname(name))
        if data is None:
            with open(source, "rb") as f:
                data = f.read()
        self._entry(name, stat.S_IFREG | mode, data)

    def symlink(self, name, target):
        name = name.strip("/")
        self.dir(os.path.dirname(name))
        self._entry(name, stat.S_IFLNK | 0o777, target.encode())

    def chardev(self, name, major, minor):
        name = name.strip("/")
        self.dir(os.path.dirname(name))
        self._entry(name, stat.S_IFCHR | 0o600, rdev=(major, minor))

    def close(self):
        self._entry("TRAILER!!!", 0)
        self.f.close()


def build_initramfs(path, moddir, canalarm, init_script, files):
    """Writes the initramfs to `path`. files: {guest path: host path}."""
    archive = Cpio(path)
    archive.chardev("dev/console", 5, 1)  # the kernel opens it for /init
    for d in ("proc", "sys", "dev", "tmp", "root"):
        archive.dir(d)
    archive.file("bin/busybox", BUSYBOX)
    archive.symlink("bin/sh", "busybox")
    archive.file("init", init_script)
    archive.file("bin/canalarm", canalarm)
    for lib in shared_libraries(canalarm):
        archive.file(lib, os.path.realpath(lib))
    names = []
    for module in modules_in_load_order(moddir, MODULES):
        name = os.path.basename(module)
        archive.file("modules/" + name, module, mode=0o644)
        names.append(name)
    archive.file("modules/order", data=("\n".join(names) + "\n").encode(), mode=0o644)
    for guest, host in files.items():
        archive.file(guest, host, mode=0o644)
    archive.close()
