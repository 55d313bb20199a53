#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the Debian package into a minimal Debian 12 root, as a user would
# on a clean machine, and tries it there: `apt-get install ./canalarm_*.deb`
# (which must bring every dependency), `canalarm --version`, `canalarm
# version` against `canalarm-emu` on COM1, the window under Xvfb with the
# sample firmware (a screenshot that must not be blank), then `apt-get
# remove`, after which no file of the package may be left.
#
# The root comes from debootstrap with the Debian mirror that apt on this
# machine uses; it is kept as a tarball, and the packages apt downloads in
# it are kept too, in CANALARM_INSTALL_CACHE (default
# /var/cache/canalarm-test-install), so that a second run needs no network.
# Needs root (debootstrap, chroot, mounts): run by another user, it runs
# itself through sudo and hands the files it wrote back to that user. The
# mounts live in a private mount namespace, so they vanish with the run
# whatever happens; every program it starts in the root ends with it, and
# it fails when one is still running there before the root is deleted.
# Usage: scripts/test-install.sh PACKAGE.deb [OUT_DIR]
#   OUT_DIR (default: beside the package) receives install-screenshot.png.
set -euo pipefail
cd "$(dirname "$0")/.."
here=$PWD
self=$here/scripts/test-install.sh
started=$SECONDS

if [[ $(id -u) -ne 0 ]]; then
  command -v sudo >/dev/null || { echo "test-install: needs root, or sudo" >&2; exit 1; }
  # sudo passes on no environment: the cache folder and the test run's mark
  # (scripts/test.sh) go through env.
  exec sudo env CANALARM_INSTALL_CACHE="${CANALARM_INSTALL_CACHE:-}" \
    CANALARM_TEST_RUN="${CANALARM_TEST_RUN:-}" HANDBACK="$(id -u):$(id -g)" "$self" "$@"
fi

if [[ ${1:-} == --inside ]]; then
  inside=1; shift
else
  inside=0
fi
deb=$(realpath "${1:?usage: scripts/test-install.sh PACKAGE.deb [OUT_DIR]}")
out=$(realpath "${2:-$(dirname "$deb")}")
cache=${CANALARM_INSTALL_CACHE:-}
[[ -n $cache ]] || cache=/var/cache/canalarm-test-install
suite=bookworm
base=$cache/$suite-minbase.tar.gz

say() { echo "test-install: $*"; }
die() { echo "test-install: $*" >&2; exit 1; }

# The Debian entries of this machine's apt sources for the suite, one
# "URI SUITE COMPONENTS..." a line, from deb822 .sources and one-line .list files.
debian_sources() {
  python3 - "$suite" /etc/apt/sources.list /etc/apt/sources.list.d/*.list \
    /etc/apt/sources.list.d/*.sources <<'EOF'
import re, sys
suite, paths = sys.argv[1], sys.argv[2:]
entries = []
for path in paths:
    try:
        text = open(path, encoding="utf-8").read()
    except OSError:
        continue
    if path.endswith(".sources"):
        for stanza in re.split(r"\n\s*\n", text):
            fields = {}
            for line in stanza.splitlines():
                if line.startswith("#") or ":" not in line or line[0].isspace():
                    continue
                key, value = line.split(":", 1)
                fields[key.strip().lower()] = value.split()
            if "deb" not in fields.get("types", []) or fields.get("enabled", ["yes"]) == ["no"]:
                continue
            for uri in fields.get("uris", []):
                for s in fields.get("suites", []):
                    entries.append((uri, s, fields.get("components", [])))
    else:
        for line in text.splitlines():
            words = re.sub(r"\[[^]]*\]", "", line.split("#", 1)[0]).split()
            if len(words) >= 3 and words[0] == "deb":
                entries.append((words[1], words[2], words[3:]))
for uri, s, components in entries:
    if re.fullmatch(re.escape(suite) + r"(-updates|-security)?", s):
        print(uri.rstrip("/"), s, *components)
EOF
}

if ((inside == 0)); then
  [[ -f $deb ]] || die "$deb does not exist"
  for tool in debootstrap chroot unshare Xvfb python3 dpkg-deb flock; do
    command -v "$tool" >/dev/null || die "$tool is missing (scripts/setup.sh installs it)"
  done
  sources=$(debian_sources)
  mirror=$(awk -v s="$suite" '$2 == s {print $1; exit}' <<<"$sources")
  [[ -n $mirror ]] || die "no Debian mirror for $suite in this machine's apt sources"
  mkdir -p "$cache/archives/partial" "$cache/debootstrap" "$out"

  # The base root, made once (under a lock: runs may share the cache).
  exec 9>"$cache/lock"
  flock 9
  if [[ ! -s $base ]]; then
    say "making a $suite root with debootstrap from $mirror (once; kept in $cache)"
    work=$(mktemp -d /var/tmp/canalarm-debootstrap.XXXXXX)
    unshare --mount --propagation private "$self" --inside "$deb" "$out" bootstrap "$work" "$mirror" ||
      { rm -rf --one-file-system "$work"; die "debootstrap failed"; }
    rm -rf --one-file-system "$work"
  fi
  flock -u 9

  # The screen: Xvfb on this machine, which the root's programs reach
  # through the X socket; it keeps its screen as a file for the check.
  screen=$(mktemp -d)
  root=$(mktemp -d /var/tmp/canalarm-install.XXXXXX)
  xvfb=
  cleanup() {
    [[ -n $xvfb ]] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
    # The files written for the user who ran this through sudo are theirs.
    if [[ -n ${HANDBACK:-} ]]; then
      chown "$HANDBACK" "$out"/install-*.log "$out/install-screenshot.png" "$out/remove-apt.log" \
        2>/dev/null || true
    fi
    # The mounts were private to the inner run; refuse to delete through one.
    if findmnt -rn -o TARGET | grep -qF "$root"; then
      echo "test-install: $root still has mounts; not deleting it" >&2
    else
      rm -rf --one-file-system "$root"
    fi
    rm -rf "$screen"
  }
  trap cleanup EXIT
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -br -fbdir "$screen" \
    3>"$screen/display" 2>"$screen/xvfb.log" &
  xvfb=$!
  for _ in $(seq 300); do  # at most 30 s
    [[ -s $screen/display ]] && break
    kill -0 "$xvfb" 2>/dev/null || die "Xvfb did not start: $(cat "$screen/xvfb.log")"
    sleep 0.1
  done
  [[ -s $screen/display ]] || die "Xvfb did not report its display"

  SOURCES=$sources DISPLAY_NUMBER=$(head -n1 "$screen/display") SCREEN_DIR=$screen \
    unshare --mount --propagation private "$self" --inside "$deb" "$out" install "$root"
  say "passed in $((SECONDS - started)) s"
  exit 0
fi

# ---- Inside the private mount namespace -------------------------------------
stage=$3
root=$4
mounts=()
unmount_all() {
  local i
  for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
    umount "${mounts[i]}" 2>/dev/null || umount -l "${mounts[i]}" 2>/dev/null || true
  done
}
children=()
stop_children() {  # SIGTERM, and SIGKILL for one that has not ended 10 s later
  local pid
  for pid in "${children[@]}"; do
    kill "$pid" 2>/dev/null || continue
    for _ in $(seq 100); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  children=()
}
# Processes whose root is the test root: none may outlive the run.
processes_in_root() {
  local p
  for p in /proc/[0-9]*; do
    [[ $(readlink "$p/root" 2>/dev/null) == "$root" ]] && echo "${p#/proc/} $(tr '\0' ' ' <"$p/cmdline" 2>/dev/null)"
  done
  return 0
}
leave_root() {
  local status=$? left
  stop_children
  left=$(processes_in_root)
  if [[ -n $left ]]; then
    echo "test-install: still running in the root, killed:" >&2
    sed 's/^/  /' <<<"$left" >&2
    cut -d' ' -f1 <<<"$left" | xargs -r kill -KILL 2>/dev/null || true
    status=1
  fi
  unmount_all
  exit "$status"
}
trap leave_root EXIT
bind() {  # bind SOURCE TARGET_IN_ROOT
  local target=$root$2
  if [[ -d $1 ]]; then mkdir -p "$target"; else mkdir -p "$(dirname "$target")"; touch "$target"; fi
  mount --bind "$1" "$target"
  mounts+=("$target")
}
mount_basics() {
  mkdir -p "$root/proc"
  mount -t proc proc "$root/proc"
  mounts+=("$root/proc")
  for node in null zero full random urandom tty; do
    [[ -c $root/dev/$node ]] || bind "/dev/$node" "/dev/$node"
  done
  bind /dev/pts /dev/pts
  # The pseudo-terminals' multiplexer of that same devpts, as containers
  # have it (a device node would look for the kernel's first devpts).
  rm -f "$root/dev/ptmx"
  ln -s pts/ptmx "$root/dev/ptmx"
}
# A clean environment, as a user's shell would have, and the test run's mark
# (scripts/test.sh looks for processes that carry it once a stage has ended).
clean_env=(PATH=/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin HOME=/root LANG=C.UTF-8
           DEBIAN_FRONTEND=noninteractive ${CANALARM_TEST_RUN:+CANALARM_TEST_RUN=$CANALARM_TEST_RUN})
in_root() {  # in_root COMMAND...
  chroot "$root" /usr/bin/env -i "${clean_env[@]}" "$@"
}
start_in_root() {  # start_in_root COMMAND...: in the background, noted in children; its
  # process is the command's own (no shell between), so that a signal reaches it
  (exec chroot "$root" /usr/bin/env -i "${clean_env[@]}" "$@") &
  children+=($!)
}
write_sources() {  # the machine's Debian entries, without its key options
  [[ -n ${SOURCES:-} ]] || SOURCES=$(debian_sources)
  awk '{printf "deb %s %s", $1, $2; for (i = 3; i <= NF; i++) printf " %s", $i; print ""}' \
    <<<"$SOURCES" >"$root/etc/apt/sources.list"
  rm -f "$root/etc/apt/sources.list.d/"*.sources
}

chmod 755 "$root"  # mktemp's 0700 would keep apt's _apt user out
if [[ $stage == bootstrap ]]; then
  mirror=$5
  debootstrap --variant=minbase --cache-dir="$cache/debootstrap" "$suite" "$root" "$mirror" \
    >"$cache/debootstrap.log" 2>&1 || { tail -n 30 "$cache/debootstrap.log" >&2; exit 1; }
  write_sources
  # dpkg needs no fsync in a throw-away root; apt keeps what it downloads.
  echo force-unsafe-io >"$root/etc/dpkg/dpkg.cfg.d/unsafe-io"
  echo 'APT::Keep-Downloaded-Packages "true";' >"$root/etc/apt/apt.conf.d/90keep"
  mount_basics
  in_root apt-get update -qq
  in_root apt-get clean
  unmount_all; mounts=()
  tar -C "$root" --numeric-owner --one-file-system -czf "$base.new" .
  mv "$base.new" "$base"
  exit 0
fi

# stage install
tar -C "$root" --numeric-owner -xzf "$base"
chmod 755 "$root"
write_sources
cp -L /etc/resolv.conf "$root/etc/resolv.conf"  # apt may need to download
mount_basics
bind "$cache/archives" /var/cache/apt/archives
bind /tmp/.X11-unix /tmp/.X11-unix
cp "$deb" "$root/tmp/"
package=$(basename "$deb")
version=$(dpkg-deb -f "$deb" Version)
failures=0
fail() { echo "test-install: $*" >&2; failures=$((failures + 1)); }

t=$SECONDS
# One apt at a time in the shared download cache (apt would refuse, not wait).
exec 8>"$cache/archives.lock"
flock 8
if ! in_root sh -c "cd /tmp && apt-get install -y -q ./$package" >"$out/install-apt.log" 2>&1; then
  # The cached lists may name versions the mirror no longer has.
  say "apt-get install failed; updating the package lists and trying again"
  in_root apt-get update -qq
  in_root sh -c "cd /tmp && apt-get install -y -q ./$package" >"$out/install-apt.log" 2>&1 ||
    { tail -n 30 "$out/install-apt.log" >&2; die "apt-get install ./$package failed"; }
fi
flock -u 8
say "installed $package with $(grep -c '^Setting up' "$out/install-apt.log") packages in $((SECONDS - t)) s"

shown=$(in_root canalarm --version) || fail "canalarm --version failed"
[[ $shown == "$version" ]] || fail "canalarm --version shows '$shown', not $version"

# The emulator on COM1 of a private ports folder; nothing else is opened.
config=/tmp/canalarm-config
mkdir -p "$root$config"
start_in_root env XDG_CONFIG_HOME=$config canalarm-emu --link COM1 >"$root/tmp/emu.out" 2>"$root/tmp/emu.err"
for _ in $(seq 200); do  # at most 20 s for its first line
  [[ -s $root/tmp/emu.out ]] && break
  kill -0 "${children[-1]}" 2>/dev/null || break
  sleep 0.1
done
port=$(readlink "$root$config/canalarm/ports/com1" || true)
if [[ ! $port =~ ^/dev/pts/[0-9]+$ ]]; then
  fail "COM1 resolves to '$port', not a pseudo-terminal: canalarm-emu said $(cat "$root/tmp/emu.err")"
else
  answer=$(in_root env XDG_CONFIG_HOME=$config canalarm version --port COM1 2>&1) ||
    fail "canalarm version --port COM1 failed: $answer"
  grep -q "CANALARM EMU 1.0" <<<"$answer" || fail "canalarm version shows: $answer"
  say "canalarm version --port COM1 ($port): $(tr '\n' ' ' <<<"$answer")"
fi
stop_children

# The window, opening the sample firmware as the desktop entry would.
shot=$out/install-screenshot.png
rm -f "$shot"
start_in_root env XDG_CONFIG_HOME=$config DISPLAY=":$DISPLAY_NUMBER" \
  canalarm-gui /usr/share/canalarm/demo_firmware.hexfw >"$root/tmp/gui.log" 2>&1
gui=${children[-1]}
shown_window=0
for _ in $(seq 60); do  # at most about 60 s for the window to be drawn
  sleep 1
  kill -0 "$gui" 2>/dev/null || break
  if python3 "$here/scripts/screenshot-check.py" "$SCREEN_DIR/Xvfb_screen0" "$shot" >"$root/tmp/shot.txt"; then
    sleep 1  # let it finish drawing, then keep that picture
    python3 "$here/scripts/screenshot-check.py" "$SCREEN_DIR/Xvfb_screen0" "$shot" >"$root/tmp/shot.txt" &&
      shown_window=1 && break
  fi
done
if ((shown_window)); then
  say "canalarm-gui on :$DISPLAY_NUMBER: $(cat "$root/tmp/shot.txt"); $shot"
else
  fail "canalarm-gui showed nothing ($(cat "$root/tmp/shot.txt" 2>/dev/null)): $(tail -n 5 "$root/tmp/gui.log")"
fi
kill -0 "$gui" 2>/dev/null || fail "canalarm-gui ended by itself: $(tail -n 5 "$root/tmp/gui.log")"
stop_children
left=$(processes_in_root)
[[ -z $left ]] || fail "still running in the root after the programs were stopped: $left"

# Removal leaves nothing of the package: no file, no directory that only it had.
in_root dpkg-query -L canalarm >"$root/tmp/files" || fail "dpkg does not list canalarm's files"
in_root apt-get remove -y -q canalarm >"$out/remove-apt.log" 2>&1 ||
  { tail -n 20 "$out/remove-apt.log" >&2; fail "apt-get remove canalarm failed"; }
status=$(in_root dpkg-query -W -f='${db:Status-Status}' canalarm 2>/dev/null || true)
# (Without conffiles dpkg forgets the package altogether: no status at all.)
[[ -z $status || $status == not-installed ]] || fail "canalarm is '$status' after removal"
left=0
while IFS= read -r path; do
  [[ $path == /. || -z $path ]] && continue
  if [[ -L $root$path || -f $root$path ]]; then
    fail "left behind: $path"; left=$((left + 1))
  elif [[ -d $root$path ]] && ! in_root dpkg-query -S "$path" >/dev/null 2>&1; then
    fail "left behind: directory $path ($(ls -A "$root$path" | head -n 5 | tr '\n' ' '))"
    left=$((left + 1))
  fi
done <"$root/tmp/files"
say "apt-get remove: $(wc -l <"$root/tmp/files") paths listed, $left left behind"

((failures == 0)) || die "$failures problem(s)"
