#!/usr/bin/env bash
# Fuzzes the portable core with libFuzzer (clang, ASan + UBSan):
#   bash tools/fuzz.sh [seconds-per-target]   (30 by default)
# Each target runs on its own corpus in the build tree, seeded from
# tests/fuzz/corpus/<target>/ and kept from run to run; the committed seeds
# are never written to. Fails when any target finds a crash, a leak, a hang
# or a broken invariant, and names the saved input.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

seconds=${1:-30}
if ! [[ $seconds =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: bash tools/fuzz.sh [seconds-per-target]" >&2
  exit 2
fi

builds=${MAROVAN_BUILD_ROOT:-$root/build}
tree=$builds/fuzz
cmake --preset fuzz -B "$tree" >/dev/null
cmake --build "$tree"

# target and the longest input worth its time: a document's header comments,
# a command line, a settings value, the larger shipped picture with room.
targets=(
  "fuzz_extraction 4096"
  "fuzz_arguments 512"
  "fuzz_ini_value 64"
  "fuzz_png_reader 20000"
)

status=0
for entry in "${targets[@]}"; do
  read -r name max_len <<<"$entry"
  work=$tree/runs/$name
  mkdir -p "$work/corpus" "$work/crashes"
  cp "$root/tests/fuzz/corpus/$name/"* "$work/corpus/"
  log=$work/last.log
  echo "fuzz: $name for ${seconds}s"
  if "$tree/tests/fuzz/$name" "$work/corpus" -max_total_time="$seconds" -max_len="$max_len" \
    -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$work/crashes/" \
    >"$log" 2>&1; then
    grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -n 1 || true
    grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' "$log" || true
  else
    status=1
    tail -n 40 "$log"
    saved=$(sed -n 's/.*Test unit written to \(.*\)$/\1/p' "$log" | tail -n 1)
    echo "fuzz: $name FAILED; input saved as ${saved:-(none, see $log)}"
    if [[ -n $saved ]]; then
      echo "fuzz: reproduce with $tree/tests/fuzz/$name $saved"
    fi
  fi
done
exit $status
