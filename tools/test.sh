#!/usr/bin/env bash
# Builds both trees and runs every test: the portable core natively (ASan and
# UBSan), the Windows layer and the whole program end to end under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash tools/setup.sh

# The scripts first: a finding fails the run, as a failed test does, but the
# build and the tests still run.
status=0
shellcheck tools/*.sh tools/wine-exec .ci/run || {
  echo "test: shellcheck has findings (above)" >&2
  status=1
}

# MAROVAN_BUILD_ROOT lets several work trees or developers build side by side.
builds=${MAROVAN_BUILD_ROOT:-$root/build}
cmake --preset native -B "$builds/native" >/dev/null
cmake --build "$builds/native"
cmake --preset windows -B "$builds/windows" >/dev/null
cmake --build "$builds/windows"

export MAROVAN_BUILD="$builds/windows"
source tools/wine-session.sh
trap wine_session_stop EXIT
trap 'exit 130' INT TERM
wine_session_start

ctest --test-dir "$builds/native" --output-on-failure --no-tests=error --timeout 120 || status=1
# A bounded fuzzing pass over the portable core; tools/fuzz.sh takes longer runs.
MAROVAN_BUILD_ROOT=$builds bash tools/fuzz.sh 30 || status=1
# shellcheck disable=SC2086
ctest --test-dir "$builds/windows" --output-on-failure --no-tests=error --timeout 180 \
  ${MAROVAN_CTEST_ARGS:-} || status=1

# The release package: exactly the program and its usage text, the Japanese
# name flagged as UTF-8 in the zip's central directory.
check_release() {
  local zip listing
  zip=$(MAROVAN_BUILD_ROOT=$builds bash tools/release.sh | tail -n 1)
  listing=$(zipinfo -1 "$zip" | LC_ALL=C sort)
  if [[ $listing != $'Marovan.exe\n使い方.txt' ]]; then
    echo "test: $zip holds:" "$listing" >&2
    return 1
  fi
  local offset flags name_length name
  while read -r offset; do
    flags=$(od -An -tu2 -j $((offset + 8)) -N2 "$zip" | tr -d ' ')
    name_length=$(od -An -tu2 -j $((offset + 28)) -N2 "$zip" | tr -d ' ')
    name=$(dd if="$zip" bs=1 skip=$((offset + 46)) count="$name_length" status=none)
    if [[ $name == 使い方.txt ]] && ((!(flags & 0x800))); then
      echo "test: $zip stores $name without the UTF-8 flag" >&2
      return 1
    fi
  done < <(LC_ALL=C grep -obUaP 'PK\x01\x02' "$zip" | cut -d: -f1)
  echo "test: release package $zip"
  zipinfo "$zip"
}
check_release || status=1
exit $status
