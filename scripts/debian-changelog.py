#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Writes the Debian changelog (gzipped as Debian ships it) from docs/CHANGELOG.md.

Usage: debian-changelog.py CHANGELOG.md OUT.gz PACKAGE "MAINTAINER <mail>"
Each `## VERSION (YYYY-MM-DD)` section becomes one entry; each `-` line
(with its indented continuation lines) one `*` item.
"""
import datetime
import email.utils
import gzip
import re
import sys
import textwrap

SECTION = re.compile(r"^## +(\S+) +\((\d{4}-\d{2}-\d{2})\) *$")


def read_releases(text):
    releases = []
    for line in text.splitlines():
        heading = SECTION.match(line)
        if heading:
            releases.append((heading.group(1), heading.group(2), []))
        elif not releases:
            continue
        elif line.startswith("- "):
            releases[-1][2].append(line[2:].strip())
        elif line.startswith("  ") and line.strip() and releases[-1][2]:
            releases[-1][2][-1] += " " + line.strip()
        elif line.strip():
            raise ValueError(f"unexpected line in a release section: {line!r}")
    if not releases:
        raise ValueError("no '## VERSION (YYYY-MM-DD)' section")
    for version, _, items in releases:
        if not items:
            raise ValueError(f"release {version} lists no change")
    return releases


def debian_changelog(releases, package, maintainer):
    entries = []
    for version, date, items in releases:
        # Noon UTC: the day stays the same in every time zone that reads it.
        when = datetime.datetime.fromisoformat(date).replace(
            hour=12, tzinfo=datetime.timezone.utc)
        lines = [f"{package} ({version}) unstable; urgency=medium", ""]
        for item in items:
            lines += textwrap.wrap(item, width=78, initial_indent="  * ",
                                   subsequent_indent="    ",
                                   break_on_hyphens=False)
        lines += ["", f" -- {maintainer}  {email.utils.format_datetime(when)}"]
        entries.append("\n".join(lines) + "\n")
    return "\n".join(entries)


def main(argv):
    if len(argv) != 5:
        sys.exit(__doc__)
    source, target, package, maintainer = argv[1:]
    with open(source, encoding="utf-8") as f:
        text = debian_changelog(read_releases(f.read()), package, maintainer)
    # Maximum compression, no name and no time stamp: as dh_compress does.
    with open(target, "wb") as raw:
        with gzip.GzipFile(filename="", mode="wb", compresslevel=9,
                           fileobj=raw, mtime=0) as out:
            out.write(text.encode("utf-8"))


if __name__ == "__main__":
    main(sys.argv)
