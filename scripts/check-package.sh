#!/usr/bin/env bash
# Builds the Debian package from a configured and built build directory and
# checks it: its name and control fields, that it depends only on packages of
# the distribution (no -dev package), that it holds every file a user needs,
# that the programs inside it run and tell the version, that the manual page
# renders without a warning and names every subcommand and option that
# `canalarm --help` shows, and that the bash completion offers them too.
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
depends=$(field Depends)
names=$(tr ',|' '\n\n' <<<"$depends" | sed 's/(.*)//; s/^ *//; s/ *$//' | grep -v '^$')
for needed in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 qt6-qpa-plugins; do
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

# The manual page: no warning, this version, every subcommand and option.
man_gz=$root/usr/share/man/man1/canalarm.1.gz
warnings=$(MANWIDTH=80 man --warnings -l "$man_gz" 2>&1 >/dev/null)
[[ -z $warnings ]] || fail "the manual page renders with warnings: $warnings"
th_version=$(zcat "$man_gz" | sed -n 's/^\.TH .*"canalarm \([^"]*\)".*/\1/p')
[[ $th_version == "$version" ]] || fail "the manual page says version '$th_version', not $version"
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

if ((failures > 0)); then
  echo "check-package: $failures problem(s)" >&2
  exit 1
fi
echo "== package checked: $(dpkg-deb -c "$deb" | wc -l) entries; Depends: $depends"
