#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds Qt 6 (qtbase: Core, Gui, Widgets, Test) for 64-bit Windows from
# Debian's own qt6-base source, with Debian's mingw-w64 and Debian's host Qt
# tools, and keeps the result in a cache. Prints the installed prefix as its
# last line on standard output (everything else goes to standard error), so
#
#   qt=$(scripts/build-qt-windows.sh | tail -n 1)
#
# A second run finds the result and prints it at once.
#
# usage: scripts/build-qt-windows.sh [--print-prefix | --prepare]
#   --print-prefix  print the prefix and exit 0 if it is built, exit 1 if not;
#                   never builds or installs anything
#   --prepare       only what may need sudo: install the packages the build
#                   needs and make the cache folder; then a run in the
#                   background, without a terminal, asks for nothing
#
# Environment:
#   CANALARM_QT_WINDOWS_CACHE  the cache (default /var/cache/canalarm-qt-windows)
#   CANALARM_QT_WINDOWS_JOBS   parallel jobs (default: the number of cores)
#   CANALARM_QT_WINDOWS_LOG    1: the configure and build output goes to
#                              standard error too (it always goes to a log)
#
# The prefix is named after a key: the source version (that of the host Qt
# tools, which must be the same Qt), the versions of the mingw-w64 and host
# Qt packages, and a hash of this script, the toolchain and the patches.
# Anything else in the key's inputs changing makes a new prefix; old ones are
# left for whoever still uses them (remove them by hand).
#
# Two runs may share the cache: a lock (flock) makes the second wait, then it
# finds the first one's result. The build happens in a temporary folder
# beside the prefixes and is renamed into place only when complete, so a
# failed or killed build never leaves a prefix that a later run takes as
# good. The build folder (~860 MB) is removed afterwards.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
script="$here/scripts/build-qt-windows.sh"
patches_dir="$here/packaging/windows"
toolchain="$patches_dir/qt-build-toolchain.cmake"
cache=${CANALARM_QT_WINDOWS_CACHE:-/var/cache/canalarm-qt-windows}
jobs=${CANALARM_QT_WINDOWS_JOBS:-$(nproc)}
triplet=x86_64-w64-mingw32

print_only=0
prepare_only=0
case "${1:-}" in
  "") ;;
  --print-prefix) print_only=1 ;;
  --prepare) prepare_only=1 ;;
  *) echo "usage: $0 [--print-prefix | --prepare]" >&2; exit 2 ;;
esac

say() { echo "build-qt-windows: $*" >&2; }

sudo=""
[[ $(id -u) -eq 0 ]] || sudo="sudo"

# What the build needs, all from Debian. The host Qt tools (moc, rcc, uic...)
# come from qt6-base-dev-tools and must be the same Qt version as the source.
packages=(
  dpkg-dev xz-utils patch perl python3 cmake ninja-build
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
  binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
  qt6-base-dev qt6-base-dev-tools
)
# These versions are part of the cache key.
keyed_packages=(
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
  binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
  qt6-base-dev qt6-base-dev-tools
)

install_missing() {
  local missing=() p status
  for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$p")
  done
  [[ ${#missing[@]} -eq 0 ]] && return 0
  if ((print_only)); then
    exit 1
  fi
  say "installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

install_missing

source_version=$(dpkg-query -W -f='${source:Version}' qt6-base-dev-tools)
upstream_version=${source_version%%+*}
upstream_version=${upstream_version%%-*}
key_text=$(
  echo "qt6-base source $source_version"
  for p in "${keyed_packages[@]}"; do
    dpkg-query -W -f='${Package} ${Version}\n' "$p"
  done
  cat "$script" "$toolchain" "$patches_dir"/*.patch | sha256sum | cut -d' ' -f1
)
key=$(sha256sum <<<"$key_text" | cut -c1-16)
prefix="$cache/qt-$upstream_version-$key"

if [[ -f "$prefix/canalarm-qt-build.txt" ]]; then
  ((prepare_only)) || echo "$prefix"
  exit 0
fi
((print_only)) && exit 1

# The cache folder: made once (with sudo for a user who is not root, then
# given to that user); the build itself runs as the caller.
if [[ ! -d "$cache" ]]; then
  $sudo install -d -m 0755 -o "$(id -u)" -g "$(id -g)" "$cache"
elif [[ ! -w "$cache" ]]; then
  $sudo chown "$(id -u):$(id -g)" "$cache"
fi
((prepare_only)) && exit 0

exec 9>"$cache/.lock"
if ! flock -n 9; then
  say "another run is building; waiting for it"
  flock 9
fi
if [[ -f "$prefix/canalarm-qt-build.txt" ]]; then
  echo "$prefix"
  exit 0
fi

# Under the lock nobody else builds: what a killed run left goes now.
rm -rf "$cache"/build.*
work=$(mktemp -d "$cache/build.XXXXXX")
log="$cache/build-$key.log"
trap 'rm -rf "$work"' EXIT
: >"$log"
started=$SECONDS

run_logged() {
  if [[ ${CANALARM_QT_WINDOWS_LOG:-0} == 1 ]]; then
    "$@" 2>&1 | tee -a "$log" >&2
  else
    "$@" >>"$log" 2>&1
  fi
}

fail() {
  say "FAILED: $1; the last lines of $log:"
  tail -n 60 "$log" >&2
  exit 1
}

# 1. The source, through a private apt configuration: the system's sources
# stay as they are; ours adds deb-src for the same suites and mirror.
say "fetching qt6-base $source_version"
apt_dir="$work/apt"
mkdir -p "$apt_dir/parts" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$work/src"
cat >"$apt_dir/parts/debian-src.sources" <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
apt_opts=(
  -o "Dir::Etc::SourceList=/dev/null"
  -o "Dir::Etc::SourceParts=$apt_dir/parts"
  -o "Dir::State::Lists=$apt_dir/lists"
  -o "Dir::Cache=$apt_dir/cache"
)
# As root apt downloads as the user _apt, who cannot write into our folder.
[[ $(id -u) -eq 0 ]] && apt_opts+=(-o "APT::Sandbox::User=root")
run_logged apt-get "${apt_opts[@]}" update || fail "apt-get update (deb-src)"
(cd "$work/src" && run_logged apt-get "${apt_opts[@]}" source --download-only \
  "qt6-base=$source_version") || fail "apt-get source qt6-base=$source_version"

# 2. Unpacked without Debian's patches, which are applied here: all but
# cross.patch (it builds androiddeployqt in cross builds), then ours.
src="$work/src/qt6-base"
(cd "$work/src" && run_logged dpkg-source --skip-patches -x qt6-base_*.dsc "$src") ||
  fail "dpkg-source -x"
while read -r p _; do
  [[ -z "$p" || "$p" == \#* || "$p" == cross.patch ]] && continue
  run_logged patch -d "$src" -p1 --forward --batch -i "$src/debian/patches/$p" ||
    fail "Debian's patch $p"
done <"$src/debian/patches/series"
for p in "$patches_dir"/*.patch; do
  run_logged patch -d "$src" -p1 --forward --batch -i "$p" || fail "our patch ${p##*/}"
done
say "source ready ($((SECONDS - started)) s)"

# 3. Configure: shared, release; Qt's own copies of the third-party libraries
# (the host's or mingw's would leak in otherwise); only what a Widgets
# program needs. The dfsg source has no src/3rdparty/wintab, so no tablet
# events. No examples, no tests (-nomake examples -nomake tests).
features_off=(
  pkg_config
  system_zlib system_png system_jpeg system_harfbuzz system_freetype system_pcre2
  system_doubleconversion system_libb2 system_sqlite system_textmarkdownreader
  network sql dbus printsupport concurrent xml opengl vulkan icu jpeg zstd
  tabletevent direct2d opengl_dynamic dynamicgl
)
features_on=(gui widgets testlib style_windowsvista)
cmake_args=(
  -S "$src" -B "$work/build" -G Ninja
  -DCMAKE_TOOLCHAIN_FILE="$work/qt-build-toolchain.cmake"
  -DCMAKE_BUILD_TYPE=Release
  -DBUILD_SHARED_LIBS=ON
  -DCMAKE_INSTALL_PREFIX="$prefix"
  -DQT_HOST_PATH=/usr
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
  -DQT_BUILD_EXAMPLES=OFF
  -DQT_BUILD_TESTS=OFF
  -DQT_BUILD_BENCHMARKS=OFF
  # As configure's -no-opengl: FEATURE_opengl=OFF alone leaves dynamic
  # OpenGL on for Windows, and the windows platform plugin then does not
  # compile (qwindowswindow.cpp uses the dynamic GL context).
  -DINPUT_opengl=no
)
for f in "${features_off[@]}"; do cmake_args+=("-DFEATURE_$f=OFF"); done
for f in "${features_on[@]}"; do cmake_args+=("-DFEATURE_$f=ON"); done
cp "$toolchain" "$work/qt-build-toolchain.cmake"

say "configuring for $triplet"
run_logged cmake "${cmake_args[@]}" || fail "configure"
# The features asked for must be what was configured: a feature whose
# condition fails is turned off quietly otherwise.
for f in "${features_on[@]}"; do
  grep -q "^QT_FEATURE_$f:INTERNAL=ON$" "$work/build/CMakeCache.txt" ||
    fail "feature $f is not on"
done
for f in "${features_off[@]}"; do
  if grep -q "^QT_FEATURE_$f:INTERNAL=ON$" "$work/build/CMakeCache.txt"; then
    fail "feature $f is on"
  fi
done

# 4. Build and install into a staging folder; strip.
say "building with $jobs jobs (log: $log)"
run_logged cmake --build "$work/build" -j "$jobs" || fail "build"
say "built ($((SECONDS - started)) s)"
stage="$work/stage"
DESTDIR="$stage" run_logged cmake --install "$work/build" --strip || fail "install"
staged="$stage$prefix"

# The toolchain Qt was configured with goes into the prefix, and Qt's
# qt.toolchain.cmake loads it from there (it named the temporary copy).
cp "$toolchain" "$staged/lib/cmake/qt-build-toolchain.cmake"
sed -i "s|\"$work/qt-build-toolchain.cmake\"|\"\${CMAKE_CURRENT_LIST_DIR}/../qt-build-toolchain.cmake\"|" \
  "$staged/lib/cmake/Qt6/qt.toolchain.cmake"
if grep -qF "$work" "$staged/lib/cmake/Qt6/qt.toolchain.cmake"; then
  fail "qt.toolchain.cmake still names the temporary build folder"
fi
# qmake's metadata names the build and source folders, which are gone: the
# build folder of a .prl file, and the include folder of a bundled library
# in qt_ext_*.pri (used only by a static Qt).
for f in "$staged"/lib/*.prl "$staged"/mkspecs/modules/qt_ext_*.pri; do
  [[ -f "$f" ]] && sed -i -e '/^QMAKE_PRL_BUILD_DIR/d' -e "\|$work|d" "$f"
done
# Anything else that does is worth knowing about, but is no reason to throw
# away the build.
grep -rlF "$work" "$staged" | sed 's/^/build-qt-windows: names the build folder: /' >&2 || true
{
  echo "Qt $upstream_version for Windows ($triplet), built by scripts/build-qt-windows.sh"
  echo "from Debian's qt6-base $source_version with Debian's patches but cross.patch, and:"
  (cd "$patches_dir" && ls -1 ./*.patch)
  echo
  echo "key $key:"
  echo "$key_text"
  echo
  echo "cmake $(printf '%q ' "${cmake_args[@]}")"
  echo "built $(date -u +%FT%TZ) in $((SECONDS - started)) s"
} >"$staged/canalarm-qt-build.txt"

# 5. Into place in one rename: a prefix exists only when it is complete.
rm -rf "$prefix"
mv "$staged" "$prefix"
rm -rf "$work"
say "installed in $((SECONDS - started)) s; $(du -sh "$prefix" | cut -f1) in $prefix"
echo "$prefix"
