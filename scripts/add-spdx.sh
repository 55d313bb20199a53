#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Puts the licence's SPDX line at the top of every source file of the
# project's own that lacks it (after a #! line), and leaves the rest alone:
# running it twice changes nothing. Data files are skipped: test data,
# fuzzing corpora, documents, pictures, firmware files.
# Usage: scripts/add-spdx.sh          add the line where it is missing
#        scripts/add-spdx.sh --check  list the files that lack it; exit 1 if any
set -euo pipefail
cd "$(dirname "$0")/.."
tag="SPDX-License-Identifier: MIT"

files() {
  if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files --cached --others --exclude-standard
  else
    find . -path ./build -prune -o -path ./.git -prune -o -type f -print | sed 's|^\./||'
  fi
}

# The comment that starts a line in FILE's language; nothing for a data file.
comment_of() {
  case $1 in
    */data/* | fuzz/corpus/*) ;;
    *.cpp | *.h | *.hpp) echo "//" ;;
    CMakeLists.txt | */CMakeLists.txt | *.cmake | *.sh | *.py | *.bash) echo "#" ;;
    *.asm) echo ";" ;;
    *)  # a script without an extension starts with #!
      [[ ${1##*/} != *.* && $(head -c 2 "$1") == '#!' ]] && echo "#" ;;
  esac
  return 0
}

check=0
[[ ${1:-} == --check ]] && check=1
lacking=()
while IFS= read -r file; do
  [[ -f $file ]] || continue
  comment=$(comment_of "$file")
  [[ -n $comment ]] || continue
  head -n 3 "$file" | grep -qF "$tag" && continue
  lacking+=("$file")
  ((check)) && continue
  line="$comment $tag"
  if [[ $(head -c 2 "$file") == '#!' ]]; then
    sed -i "1a\\$line" "$file"
  else
    sed -i "1i\\$line" "$file"
  fi
done < <(files)

if ((check)); then
  if ((${#lacking[@]} > 0)); then
    echo "add-spdx: no '$tag' line at the top of:" >&2
    printf '  %s\n' "${lacking[@]}" >&2
    echo "add-spdx: run scripts/add-spdx.sh" >&2
    exit 1
  fi
elif ((${#lacking[@]} > 0)); then
  echo "add-spdx: added the SPDX line to ${#lacking[@]} file(s)"
fi
