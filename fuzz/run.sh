#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs the fuzz targets of a build, each for SECONDS, one after another.
#   fuzz/run.sh BUILD_DIR SECONDS [TARGET...]
# Each target starts from its committed seeds (fuzz/corpus/NAME) and from the
# test inputs: the assembled test firmware of a build and the public HEX files
# beside the checkout, read in place. What a run finds is kept in
# BUILD_DIR/fuzz-corpus/NAME. Any crash, leak, timeout or sanitizer report
# fails the run; the failing input is left in BUILD_DIR/fuzz-findings.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd); seconds=$2; shift 2
targets=("$@")
[[ ${#targets[@]} -gt 0 ]] || targets=(load_plain load_encoded help_text cipher parameters link)

public="$here/../../shared/testdata/public-hex"
assembled=""
for dir in "$here/../build/test/tests/firmware" "$here/../build/tests/firmware"; do
  [[ -d $dir ]] && assembled=$dir && break
done

mkdir -p "$build/fuzz-findings"
for name in "${targets[@]}"; do
  corpus="$build/fuzz-corpus/$name"
  mkdir -p "$corpus"
  seeds=("$here/corpus/$name")
  case $name in
    load_plain|help_text)
      [[ -d $public ]] && seeds+=("$public")
      if [[ -n $assembled ]]; then
        mkdir -p "$build/fuzz-seeds/assembled"
        cp -f "$assembled"/*.hex "$build/fuzz-seeds/assembled/" 2>/dev/null || true
        seeds+=("$build/fuzz-seeds/assembled")
      fi ;;
  esac
  echo "== fuzz $name for ${seconds}s"
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    "$build/fuzz/fuzz_$name" "$corpus" "${seeds[@]}" \
      -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=8192 \
      -print_final_stats=1 -artifact_prefix="$build/fuzz-findings/$name-" \
      >"$build/fuzz-findings/$name.log" 2>&1 || {
        tail -n 60 "$build/fuzz-findings/$name.log"
        echo "fuzz $name: failed (input in $build/fuzz-findings)"; exit 1; }
  grep -E '^stat::number_of_executed_units|^#[0-9]+ *DONE' "$build/fuzz-findings/$name.log" | tail -n 2
done
