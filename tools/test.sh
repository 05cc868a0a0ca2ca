#!/usr/bin/env bash
# Builds both trees and runs every test: the portable core natively (ASan and
# UBSan), the Windows layer and the whole program end to end under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash tools/setup.sh

cmake --preset native >/dev/null
cmake --build --preset native
cmake --preset windows >/dev/null
cmake --build --preset windows

export MAROVAN_BUILD="$root/build/windows"
source tools/wine-session.sh
trap wine_session_stop EXIT
trap 'exit 130' INT TERM
wine_session_start

status=0
ctest --preset native || status=1
ctest --preset windows || status=1
exit $status
