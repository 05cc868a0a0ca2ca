#!/usr/bin/env bash
# Prints the run benchmark's table: builds the Windows tree and runs
# marovan_run_bench under Wine in a private Xvfb. Arguments are the document
# sizes in MiB (default 16,256,1024), or "copying", "sub-search" or "nested" for that row alone. About
# six minutes on a 2-core machine. With --partial first, only the row of
# reading what the links need (1 GiB documents by default), about two minutes.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
bash tools/setup.sh >/dev/null

rows=()
sizes=16,256,1024
if [[ ${1:-} == --partial ]]; then
  rows=(--partial)
  sizes=1024
  shift
fi
sizes=${1:-$sizes}

builds=${MAROVAN_BUILD_ROOT:-$root/build}
export MAROVAN_BUILD="$builds/windows"
cmake --preset windows -B "$MAROVAN_BUILD" >/dev/null
cmake --build "$MAROVAN_BUILD" --target Marovan marovan_run_bench marovan_empty_window >/dev/null

source tools/wine-session.sh
trap wine_session_stop EXIT
trap 'exit 130' INT TERM
wine_session_start

echo "machine: $(uname -srm); $(nproc) cores; $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
echo "memory: $(free -g | awk '/^Mem:/ {print $2}') GiB; $("$WINE64" --version); $(date -u +%Y-%m-%d)"
windows_path() { "$WINE64" winepath -w "$1" 2>/dev/null | tr -d '\r'; }
"$WINE64" "$MAROVAN_BUILD/bench/windows/marovan_run_bench.exe" "${rows[@]}" \
  "$(windows_path "$MAROVAN_BUILD/Marovan.exe")" \
  "$(windows_path "$MAROVAN_BUILD/bench/windows/marovan_empty_window.exe")" \
  "$sizes"
