#!/usr/bin/env bash
# Builds what is missing and starts Marovan.exe under Wine on your display;
# arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
bash tools/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target Marovan
export MAROVAN_BUILD="$root/build/windows"
source tools/wine-env.sh
if [ -z "${DISPLAY:-}" ]; then
  echo "run: no display; set DISPLAY to start Marovan in a window" >&2
  exit 2
fi
source tools/wine-session.sh
wine_session_prefix
exec "$WINE64" "$MAROVAN_BUILD/Marovan.exe" "$@"
