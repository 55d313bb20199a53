#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Debian package from a configured and built build directory and
# checks it: its name and control fields, that it depends only on packages of
# the distribution (no -dev package), that it holds every file a user needs,
# that the programs inside it run and tell the version, that each manual page
# renders without a warning and names every subcommand and option that its
# program's `--help` shows, that the bash completion offers them too, the
# changelog, the copyright file, the desktop entry, the firmware file type and
# the AppStream data; then that lintian finds no error or warning and no
# missing hardening, and that every source file carries the licence's SPDX line.
# Usage: scripts/check-package.sh BUILD_DIR
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?usage: scripts/check-package.sh BUILD_DIR}

failures=0
fail() { echo "check-package: $*" >&2; failures=$((failures + 1)); }

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[[ -n $version ]] || { echo "check-package: $build is not a configured build directory" >&2; exit 1; }
cmake --build "$build" >/dev/null  # the package takes what the build holds
out="$build/package"
rm -rf "$out"
(cd "$build" && cpack -G DEB -B "$PWD/package" >"$PWD/package.log" 2>&1) ||
  { cat "$build/package.log" >&2; exit 1; }
deb="$out/canalarm_${version}_amd64.deb"
[[ -f $deb ]] || { echo "check-package: $deb was not written" >&2; exit 1; }
echo "== package $deb ($(du -k "$deb" | cut -f1) KiB)"

# Control fields.
field() { dpkg-deb -f "$deb" "$1"; }
[[ $(field Package) == canalarm ]] || fail "Package is '$(field Package)'"
[[ $(field Version) == "$version" ]] || fail "Version is '$(field Version)', not $version"
[[ $(field Architecture) == amd64 ]] || fail "Architecture is '$(field Architecture)'"
maintainer="canalarm developers <canalarm@example.org>"
[[ $(field Maintainer) == "$maintainer" ]] || fail "Maintainer is '$(field Maintainer)'"
[[ $(field Section) == electronics ]] || fail "Section is '$(field Section)'"
[[ $(field Priority) == optional ]] || fail "Priority is '$(field Priority)'"
depends=$(field Depends)
names=$(tr ',|' '\n\n' <<<"$depends" | sed 's/(.*)//; s/^ *//; s/ *$//' | grep -v '^$')
for needed in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 qt6-qpa-plugins qt6-translations-l10n fonts-dejavu-extra; do
  grep -qxF "$needed" <<<"$names" || fail "Depends lacks $needed: $depends"
done
for name in $names; do
  [[ $name == *-dev ]] && fail "depends on a development package: $name"
  dpkg-query -W "$name" >/dev/null 2>&1 || apt-cache show "$name" >/dev/null 2>&1 ||
    fail "depends on $name, which is no package of this distribution"
done

# Contents.
contents=$(dpkg-deb -c "$deb" | awk '{print $NF}')
for path in \
  ./usr/bin/canalarm ./usr/bin/canalarm-gui ./usr/bin/canalarm-emu \
  ./usr/share/applications/canalarm-gui.desktop \
  ./usr/share/icons/hicolor/scalable/apps/canalarm-gui.svg \
  ./usr/share/man/man1/canalarm.1.gz \
  ./usr/share/man/man1/canalarm-gui.1.gz \
  ./usr/share/man/man1/canalarm-emu.1.gz \
  ./usr/share/doc/canalarm/changelog.gz \
  ./usr/share/doc/canalarm/copyright \
  ./usr/share/mime/packages/canalarm.xml \
  ./usr/share/metainfo/org.example.canalarm.metainfo.xml \
  ./usr/share/bash-completion/completions/canalarm \
  ./usr/share/doc/canalarm/README.md \
  ./usr/share/doc/canalarm/docs/user-guide.md \
  ./usr/share/canalarm/demo_firmware.hexfw; do
  grep -qxF "$path" <<<"$contents" || fail "the package lacks $path"
done
outside=$(grep -v -e '^\./$' -e '^\./usr/' <<<"$contents" || true)
[[ -z $outside ]] || fail "files outside /usr: $outside"
# Every screenshot the guide shows is in the package.
for shot in $(grep -o 'screenshots/[A-Za-z0-9@._-]*\.png' docs/user-guide.md | sort -u); do
  grep -qxF "./usr/share/doc/canalarm/docs/$shot" <<<"$contents" || fail "the package lacks docs/$shot"
done

# The installed tree, unpacked.
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
bin=$root/usr/bin
for program in canalarm canalarm-gui; do
  shown=$("$bin/$program" --version) || fail "$program --version failed"
  [[ $shown == "$version" ]] || fail "$program --version shows '$shown', not $version"
done
"$bin/canalarm-emu" --help >/dev/null || fail "canalarm-emu --help failed"
desktop_exec=$(sed -n 's/^Exec=//p' "$root/usr/share/applications/canalarm-gui.desktop")
[[ -x $bin/${desktop_exec%% *} ]] || fail "the desktop entry runs '$desktop_exec', which the package lacks"

# The manual pages: no warning, this version.
for page in canalarm canalarm-gui canalarm-emu; do
  man_gz=$root/usr/share/man/man1/$page.1.gz
  warnings=$(MANWIDTH=80 man --warnings -l "$man_gz" 2>&1 >/dev/null)
  [[ -z $warnings ]] || fail "the manual page $page(1) renders with warnings: $warnings"
  th_version=$(zcat "$man_gz" | sed -n 's/^\.TH .*"canalarm \([^"]*\)".*/\1/p')
  [[ $th_version == "$version" ]] || fail "$page(1) says version '$th_version', not $version"
done
# Every option and argument that canalarm-gui's and canalarm-emu's --help show.
for program in canalarm-gui canalarm-emu; do
  manual=$(MANWIDTH=200 man -l "$root/usr/share/man/man1/$program.1.gz" 2>/dev/null)
  help=$("$bin/$program" --help) || fail "$program --help failed"
  for option in $(grep -oE -- '(^|[ ,])--?[a-z][a-z-]*' <<<"$help" | tr -d ' ,' | sort -u); do
    grep -qE -- "(^|[^a-z-])$option([^a-z-]|$)" <<<"$manual" || fail "$program(1) lacks $option"
  done
  for argument in $(grep -m1 '^Usage:' <<<"$help" | grep -oE '\b[A-Z][A-Z_.]+\b' | grep -vx OPTIONS); do
    grep -qw -- "$argument" <<<"$manual" || fail "$program(1) lacks the argument $argument"
  done
done
# canalarm(1): every subcommand and option.
man_gz=$root/usr/share/man/man1/canalarm.1.gz
manual=$(MANWIDTH=200 man -l "$man_gz" 2>/dev/null)
completion=$root/usr/share/bash-completion/completions/canalarm
bash -n "$completion" || fail "the bash completion does not parse"
subcommands=$("$bin/canalarm" --help | awk '/^Subcommands:/ {s = 1; next} s && NF {print $1}')
[[ -n $subcommands ]] || fail "canalarm --help lists no subcommands"
for command in $subcommands "params read" "params write" "ports assign" "ports unassign"; do
  # shellcheck disable=SC2086  # "params read" is two words on purpose
  help=$("$bin/canalarm" $command --help)
  grep -q "canalarm $command" <<<"$manual" || fail "the manual page lacks 'canalarm $command'"
  grep -qw -- "${command##* }" "$completion" || fail "the completion lacks '$command'"
  for option in $(grep -oE -- '(^|[ ,])--?[a-z][a-z-]*' <<<"$help" | tr -d ' ,' | sort -u); do
    [[ $option == -h || $option == --help ]] && continue
    grep -qE -- "(^|[^a-z-])$option([^a-z-]|$)" <<<"$manual" || fail "the manual page lacks $option of '$command'"
    grep -qE -- "(^|[ \"])$option( |\"|$)" "$completion" ||
      fail "the completion lacks $option of '$command'"
  done
done

# The changelog starts with this version; the copyright file holds the
# licence of LICENSE and names what the programs link or embed.
doc=$root/usr/share/doc/canalarm
first_entry=$(zcat "$doc/changelog.gz" | head -n1)
[[ $first_entry == "canalarm ($version) "* ]] ||
  fail "changelog.gz starts with '$first_entry', not version $version (docs/CHANGELOG.md)"
holder=$(sed -n 's/^Copyright (c) //p' LICENSE)
[[ $(head -n1 LICENSE) == "MIT License" && -n $holder ]] || fail "LICENSE is not the MIT licence with a copyright line"
grep -qxF "Copyright: $holder" "$doc/copyright" || fail "the copyright file lacks 'Copyright: $holder'"
grep -qx 'License: MIT' "$doc/copyright" || fail "the copyright file has no MIT licence text"
for named in "Qt 6" CLI11 nlohmann-json; do
  grep -qF "$named" "$doc/copyright" || fail "the copyright file does not name $named"
done

# The desktop entry opens the firmware type, which shared-mime-info accepts.
desktop=$root/usr/share/applications/canalarm-gui.desktop
mime_type=application/x-canalarm-firmware
problems=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $problems"
grep -qx 'Exec=canalarm-gui %f' "$desktop" || fail "the desktop entry does not pass the file (Exec=canalarm-gui %f)"
grep -qE "^MimeType=(.*;)?$mime_type;" "$desktop" || fail "the desktop entry does not declare $mime_type"
data=$(mktemp -d)
mime=$data/mime
mkdir -p "$mime/packages"
cp "$root/usr/share/mime/packages/canalarm.xml" "$mime/packages/"
problems=$(XDG_DATA_DIRS=$data update-mime-database "$mime" 2>&1) || fail "update-mime-database: $problems"
[[ -z $problems ]] || fail "update-mime-database: $problems"
grep -qE "^[0-9]+:$mime_type:\*\.hexfw$" "$mime/globs2" 2>/dev/null || fail "*.hexfw is not $mime_type"
grep -q "xml:lang=\"pl\"" "$mime/packages/canalarm.xml" || fail "the firmware type has no Polish comment"
rm -rf "$data"
metainfo=$root/usr/share/metainfo/org.example.canalarm.metainfo.xml
problems=$(appstreamcli validate --no-net "$metainfo" 2>&1) || fail "appstreamcli validate: $problems"
grep -q "<release version=\"$version\"" "$metainfo" || fail "the AppStream data lacks release $version"

# lintian: no error, no warning, no missing hardening (tags overridden in
# packaging/lintian-overrides, each with its reason, don't count).
lintian_rc=0
lintian_out=$(lintian -I "$deb" 2>&1) || lintian_rc=$?
lintian_out=$(grep -v 'running with root privileges' <<<"$lintian_out" || true)
[[ -z $lintian_out ]] || echo "$lintian_out" | sed 's/^/  lintian: /'
((lintian_rc == 0)) || fail "lintian failed (exit status $lintian_rc)"
grep -qE '^[EW]: ' <<<"$lintian_out" && fail "lintian reports errors or warnings (above)"
grep -q 'hardening-no-' <<<"$lintian_out" && fail "lintian reports missing hardening (above)"
# The programs themselves: PIE, stack protector, fortified calls, RELRO and
# BIND_NOW. Control-flow protection can't be seen in them (Debian 12's C
# start-up files lack the IBT/SHSTK note, so no program linked here gets it),
# so hardening-check skips it and the build's compile commands are checked.
for program in canalarm canalarm-gui canalarm-emu; do
  report=$(hardening-check --nocfprotection "$bin/$program" 2>&1) || fail "hardening-check $program: $report"
done
if grep -q '^CANALARM_HAS_CF_PROTECTION:INTERNAL=1' "$build/CMakeCache.txt"; then
  unprotected=$(python3 -c '
import json, sys
for entry in json.load(open(sys.argv[1])):
    if "-fcf-protection" not in entry["command"].split():
        print(entry["file"])' "$build/compile_commands.json" | head -n 5)
  [[ -z $unprotected ]] || fail "compiled without -fcf-protection: $unprotected"
fi

# The licence's line in every source file of the project's own.
scripts/add-spdx.sh --check || fail "source files without the SPDX line (above)"

if ((failures > 0)); then
  echo "check-package: $failures problem(s)" >&2
  exit 1
fi
echo "== package checked: $(dpkg-deb -c "$deb" | wc -l) entries; Depends: $depends"
