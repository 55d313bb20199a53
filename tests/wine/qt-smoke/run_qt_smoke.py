#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Shows that the Qt for Windows from scripts/build-qt-windows.sh works:
builds qt_smoke.cpp against it, deploys it with Qt's DLLs and plugins and
the mingw runtime, and runs it under Wine in Xvfb, clicked by xdotool.

usage: run_qt_smoke.py [--qt PREFIX] [--build DIR] [--shots DIR] [--lang LANG]
  --qt     the Qt prefix (default: what scripts/build-qt-windows.sh prints,
           which builds it first if it is not cached)
  --build  the smoke program's build folder (default build/qt-smoke)
  --shots  where the screenshots go (default BUILD/shots)
  --lang   Qt's own translation to load (default pl: Cancel reads "Anuluj")

1. The program is configured with Qt's qt.toolchain.cmake, chaining the
   project's cmake/mingw-w64-x86_64.cmake, but without its static link flags:
   the program uses the mingw runtime DLLs that Qt's DLLs use.
2. A deploy folder: the program, every DLL it needs (checked by following
   the imports of every file in it: each is deployed or a Windows DLL),
   platforms/qwindows.dll, styles/qwindowsvistastyle.dll, and Debian's
   qtbase_LANG.qm in translations/.
3. A fresh private Wine prefix made as tests/wine/run_wine_tests.py makes
   one: every COM port maps to nothing, checked before anything runs (and
   again by wine-run); Wine's fonts in windows/Fonts; no window decorations
   (there is no window manager).
4. The program under Xvfb: its report must say the Windows platform plugin
   and the windowsvista style, the translated Cancel; a click on its button
   must arrive; a click on Cancel must end it with exit code 0. Screenshots
   before and after the click are kept to be looked at, and must not be blank.
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.abspath(os.path.join(HERE, "..", "..", ".."))
sys.path.insert(0, os.path.dirname(HERE))
import run_wine_tests as wine  # noqa: E402  (its prefix and port set-up)
from wine_gui import (check_deployed, end_run, make_prefix, runtime_dll, screenshot,  # noqa: E402
                      start_xvfb, wait_for)

QT_DLLS = ("Qt6Core.dll", "Qt6Gui.dll", "Qt6Widgets.dll")
QT_PLUGINS = ("platforms/qwindows.dll", "styles/qwindowsvistastyle.dll")
RUNTIME_DLLS = ("libstdc++-6.dll", "libgcc_s_seh-1.dll", "libwinpthread-1.dll")
EXPECTED_CANCEL = {"pl": "Anuluj", "ru": "Отмена", "de": "Abbrechen", "en": "Cancel"}


def qt_prefix():
    out = subprocess.run([os.path.join(REPO, "scripts", "build-qt-windows.sh")],
                         check=True, stdout=subprocess.PIPE, text=True).stdout
    return out.splitlines()[-1]


def build(qt, build_dir):
    subprocess.run([
        "cmake", "-S", HERE, "-B", build_dir, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
        "-DCMAKE_TOOLCHAIN_FILE=%s/lib/cmake/Qt6/qt.toolchain.cmake" % qt,
        "-DQT_CHAINLOAD_TOOLCHAIN_FILE=%s/cmake/mingw-w64-x86_64.cmake" % REPO,
        # The project's toolchain links the runtime statically: a second
        # libstdc++ and winpthread beside the DLLs Qt uses. An empty cache
        # entry keeps its CMAKE_EXE_LINKER_FLAGS_INIT out.
        "-DCMAKE_EXE_LINKER_FLAGS=",
    ], check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", build_dir], check=True)
    return os.path.join(build_dir, "qt-smoke.exe")


def deploy(exe, qt, lang, folder):
    """The program and what it needs, laid out as a user gets it."""
    os.makedirs(folder)
    shutil.copy(exe, folder)
    for dll in QT_DLLS:
        shutil.copy(os.path.join(qt, "bin", dll), folder)
    for plugin in QT_PLUGINS:
        os.makedirs(os.path.join(folder, os.path.dirname(plugin)), exist_ok=True)
        shutil.copy(os.path.join(qt, "plugins", plugin), os.path.join(folder, plugin))
    for dll in RUNTIME_DLLS:
        shutil.copy(runtime_dll(dll), folder)
    os.makedirs(os.path.join(folder, "translations"))
    shutil.copy("/usr/share/qt6/translations/qtbase_%s.qm" % lang,
                os.path.join(folder, "translations"))


def report_lines(path):
    try:
        with open(path, encoding="utf-8") as f:
            return f.read().splitlines()
    except FileNotFoundError:
        return []


def report_value(path, key):
    for line in report_lines(path):
        if line.startswith(key + " "):
            return line[len(key) + 1:]
    return None


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--qt")
    parser.add_argument("--build", default=os.path.join(REPO, "build", "qt-smoke"))
    parser.add_argument("--shots")
    parser.add_argument("--lang", default="pl", choices=sorted(EXPECTED_CANCEL))
    args = parser.parse_args()
    qt = os.path.abspath(args.qt) if args.qt else qt_prefix()
    build_dir = os.path.abspath(args.build)
    shots = os.path.abspath(args.shots or os.path.join(build_dir, "shots"))
    os.makedirs(shots, exist_ok=True)
    started = time.monotonic()

    exe = build(qt, build_dir)
    workdir = tempfile.mkdtemp(prefix="canalarm-qt-smoke-")
    env = dict(wine.wine_env(os.path.join(workdir, "prefix")))
    xvfb = program = None
    try:
        app_dir = os.path.join(workdir, "app")
        deploy(exe, qt, args.lang, app_dir)
        xvfb, display = start_xvfb()
        env = make_prefix(env["WINEPREFIX"], workdir, display)
        check_deployed(app_dir, os.path.join(env["WINEPREFIX"], "drive_c", "windows", "system32"),
                       ("qt-smoke.exe", "Qt6Core.dll"))
        print("deployed %.1f MB; Wine prefix ready in %.1f s" % (
            sum(os.path.getsize(os.path.join(d, f)) for d, _, fs in os.walk(app_dir) for f in fs) / 1e6,
            time.monotonic() - started))

        report = os.path.join(workdir, "report.txt")
        program = subprocess.Popen([wine.WINE_RUN, os.path.join(app_dir, "qt-smoke.exe"),
                                    wine.windows_path(report), args.lang], env=env)
        ready = wait_for(lambda: report_value(report, "ready"), 120, "the window")
        bx, by, cx, cy = (int(v) for v in ready.split())
        facts = {k: report_value(report, k) for k in ("platform", "style", "translator", "cancel")}
        print("report: %s" % facts)
        want = {"platform": "windows", "style": "windowsvista", "translator": "loaded",
                "cancel": EXPECTED_CANCEL[args.lang]}
        if facts != want:
            sys.exit("the program reports %s, not %s" % (facts, want))
        # "ready" comes after the first paint, "clicked" after the label's
        # repaint: each screenshot shows what was reported.
        screenshot(display, os.path.join(shots, "before-click.png"))
        subprocess.run(["xdotool", "mousemove", str(bx), str(by), "click", "1"], env=env, check=True)
        wait_for(lambda: report_value(report, "clicked") == "1", 30, "the click to arrive")
        screenshot(display, os.path.join(shots, "after-click.png"))
        subprocess.run(["xdotool", "mousemove", str(cx), str(cy), "click", "1"], env=env, check=True)
        status = program.wait(timeout=30)
        if status != 0:
            sys.exit("qt-smoke.exe ended with %d after Cancel" % status)
        print("Qt for Windows smoke test under Wine: passed in %.1f s; screenshots in %s" % (
            time.monotonic() - started, shots))
        return 0
    finally:
        end_run(env, workdir, program=program, xvfb=xvfb)


if __name__ == "__main__":
    sys.exit(main())
