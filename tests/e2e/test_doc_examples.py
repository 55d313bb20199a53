#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""The command-line examples of the README, the user guide, the emulator's
README and canalarm(1), run as written against canalarm-emu, so that the
documents and the programs cannot drift apart.

Every example block that uses `canalarm` is taken from the documents as it
stands. A block that starts an emulator (`canalarm-emu --link COMn &`) runs
line by line as a session; a block that names ports without one gets an
emulator on each port it names. Expected output in a comment ("# Program
version: ...") or in the text block that follows an example must be what the
tool prints (a comment that starts with a capital letter is output; any
other says what a line does). A line this test does not know how to run fails it: a new
example needs a rule here. Synopsis lines with placeholders (FILE, [...])
are checked against the command's --help instead.

Every COM port resolves to an emulator's pseudo-terminal or to nothing
(e2e_base); the tool is run only on such a port.

usage: test_doc_examples.py CANALARM CANALARM_EMU SAMPLE_HEXFW SOURCE_DIR
"""
import os
import pty
import re
import shlex
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_base as e2e  # noqa: E402

SAMPLE = SOURCE = None
INSTALLED_SAMPLE = "/usr/share/canalarm/demo_firmware.hexfw"
DOCUMENTS = ("README.md", "docs/user-guide.md", "emu/README.md", "docs/man/canalarm.1",
             "docs/man/canalarm-emu.1", "docs/man/canalarm-gui.1")
# Lines of example blocks that are not the command line's: the window, the
# build and install steps (the test command runs those itself), the
# shell's own. Each is named, so that nothing is skipped by accident.
NOT_RUN = re.compile(r"^(canalarm-gui\b|scripts/|sudo |\$ canalarm ports$)")
# What a port example needs that a pseudo-terminal is not: covered by the
# ports command's own tests against fake device trees.
PORTS_ONLY = re.compile(r"^canalarm ports (assign|unassign)\b")
# A synopsis: placeholders instead of values.
SYNOPSIS = re.compile(r"\[|\b(FILE|IN\.hex|OUT\.hexfw)\b")


def man_examples(text):
    """The .nf blocks of a manual page, with roff's escapes undone."""
    blocks = re.findall(r"^\.nf\n(.*?)^\.fi$", text, re.S | re.M)
    return [b.replace("\\-", "-") for b in blocks]


def markdown_blocks(text):
    """(fenced code block, the fenced block right after it or None)."""
    blocks = list(re.finditer(r"^```(\w*)\n(.*?)^```$", text, re.S | re.M))
    result = []
    for i, m in enumerate(blocks):
        following = None
        if i + 1 < len(blocks):
            between = text[m.end():blocks[i + 1].start()]
            if blocks[i + 1].group(1) == "text" and "\n\n" in between and len(between) < 200:
                following = blocks[i + 1].group(2)
        result.append((m.group(2), following))
    return result


def example_blocks():
    """Every block with a `canalarm` command: (document, lines, output shown after it)."""
    found = []
    for name in DOCUMENTS:
        with open(os.path.join(SOURCE, name)) as f:
            text = f.read()
        pairs = ([(b, None) for b in man_examples(text)] if name.endswith(".1")
                 else markdown_blocks(text))
        for block, following in pairs:
            lines = [line for line in block.splitlines() if line.strip()]
            if any(re.match(r"(\$ )?canalarm(-emu|-gui)?( |$)|for .*canalarm", l) for l in lines):
                found.append((name, lines, following))
    return found


def split_comment(line):
    command, _, comment = line.partition(" #")
    return command.strip(), comment.strip()


class DocExamplesTest(e2e.E2eTest):
    def setUp(self):
        super().setUp()
        self.folder = self.config.name
        self.sample = os.path.join(self.folder, "demo_firmware.hexfw")
        with open(SAMPLE, "rb") as src, open(self.sample, "wb") as dst:
            dst.write(src.read())
        self.silent = []

    def tearDown(self):
        for fd in self.silent:
            os.close(fd)

    # --- running one example line -----------------------------------------------------

    def args_of(self, command):
        """The command's words, with the documents' file names made real."""
        words = shlex.split(command)
        return [self.sample if w == INSTALLED_SAMPLE or w.endswith(".hexfw") else w
                for w in words[1:]]

    def run_tool(self, command, expected=""):
        status, out, err = self.canalarm(*self.args_of(command))
        said = f"{command}: exit {status}\n{out}{err}"
        self.assertEqual(status, 0, said)
        if expected[:1].isupper():
            self.assertIn(expected, out, said)
        return out

    def silent_module(self, com):
        """COMn leads to a pseudo-terminal that nothing answers on."""
        controller, device = pty.openpty()
        self.silent += [controller, device]
        link = os.path.join(self.ports, f"com{com}")
        os.remove(link)
        os.symlink(os.ttyname(device), link)

    def restart_modules(self):
        """As the next command's RTS pulse would: the examples' modules run
        STEADY, so that a loaded machine's pause never restarts one mid-upload."""
        for emu in self.emulators:
            if emu.process.poll() is None:
                emu.restart()

    def ports_named(self, lines):
        return sorted({int(n) for line in lines for n in re.findall(r"\bCOM(\d+)\b", line)})

    def test_every_example_runs_as_written(self):
        blocks = example_blocks()
        self.assertGreater(len(blocks), 5)
        for name, lines, following in blocks:
            with self.subTest(document=name, example=lines[0]):
                self.run_block(lines, following)
                # One block's emulators and links end before the next one's.
                self.end_processes()
                self.emulators.clear()
                for com in range(1, self.MASKED_PORTS + 1):
                    self.remask(com)

    def run_block(self, lines, following):
        lines = [l for l in lines if not l.startswith("#")]  # a comment line: what it did
        if any(l.startswith("$ ") for l in lines):
            return  # a transcript from a machine with real ports, not an example to run
        if any(l.startswith("canalarm-emu ") for l in lines):
            return self.run_session(lines)
        commands = [split_comment(l) for l in lines]
        if any(SYNOPSIS.search(c) for c, _ in commands):
            return self.check_synopsis([c for c, _ in commands])
        ports = self.ports_named(lines)
        batch = following is not None
        for com in ports:
            if batch and com == 5:
                self.silent_module(com)  # the example's COM5 does not answer
            else:
                self.emulator(com, *e2e.STEADY)
        for command, expected in commands:
            if NOT_RUN.match(command) or PORTS_ONLY.match(command):
                continue
            if command.startswith("for "):
                self.run_loop(command, ports)
                continue
            self.assertTrue(command.startswith("canalarm "), f"no rule to run {command!r}")
            if batch:
                status, out, err = self.canalarm(*self.args_of(command))
                self.assertEqual(out, following, err)
                self.assertEqual(status, 1, err)  # the status of the port that failed
            else:
                self.run_tool(command, expected)
            self.restart_modules()

    def run_loop(self, command, ports):
        """`for p in COM3 ...; do canalarm version -p $p; done`, each answered."""
        m = re.fullmatch(r"for p in ([A-Z0-9 ]+); do (canalarm .*\$p); done", command)
        self.assertIsNotNone(m, f"no rule to run {command!r}")
        for port in m.group(1).split():
            if int(port[3:]) in [e.com for e in self.emulators]:
                self.run_tool(m.group(2).replace("$p", port))

    def run_session(self, lines):
        """export XDG_CONFIG_HOME=..., canalarm-emu --link COMn ... &, the
        commands, kill %1: in that order, as a user would type them."""
        private = False
        for line in lines:
            command, comment = split_comment(line)
            if command == "export XDG_CONFIG_HOME=$(mktemp -d)":
                private = True  # this test's folder is private already
            elif command.startswith("canalarm-emu "):
                self.assertTrue(private, "an emulator example starts in a private ports folder")
                words = shlex.split(command.rstrip("&").strip())
                com = int(words[words.index("--link") + 1][3:])
                options = [w for w in words[1:] if w not in ("--link", f"COM{com}")]
                if "--transcript" in options:  # the test's emulator keeps one of its own
                    at = options.index("--transcript")
                    del options[at:at + 2]
                self.emulator(com, *e2e.STEADY, *options)
            elif command == "kill %1":
                emu = self.emulators[0]
                emu.stop()
                link = os.path.join(self.ports, f"com{emu.com}")
                left = os.readlink(link) if os.path.islink(link) else None
                self.assertEqual(left, e2e.MASK, f"the emulator's link goes with it; "
                                 f"{sorted(os.listdir(self.ports))}; {open(emu.errors).read()}")
            elif NOT_RUN.match(command):
                continue
            else:
                self.assertTrue(command.startswith("canalarm "), f"no rule to run {command!r}")
                self.run_tool(command, comment)
                self.restart_modules()

    def check_synopsis(self, commands):
        """Each option a synopsis line names is one its command takes."""
        for command in commands:
            if NOT_RUN.match(command):
                continue
            words = command.replace("[", " ").replace("]", " ").split()
            sub = [w for w in words[1:3] if re.fullmatch(r"[a-z]+", w)]
            status, out, err = self.canalarm(*sub, "--help")
            self.assertEqual(status, 0, f"{command}: {err}")
            for option in (w for w in words if w.startswith("-")):
                self.assertIn(option, out, f"{command}: {' '.join(sub)} --help lacks {option}")


if __name__ == "__main__":
    SAMPLE, SOURCE = sys.argv[3:5]
    del sys.argv[3:5]
    e2e.main(("CANALARM", "EMU"))
