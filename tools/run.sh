#!/usr/bin/env bash
# Builds what is missing and starts Marovan.exe under Wine on your display;
# arguments go to the program. Without a display it gives a demonstration
# instead: a full collection of an example document in a private Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
bash tools/setup.sh
export MAROVAN_BUILD="$root/build/windows"
cmake --preset windows >/dev/null

if [ -n "${DISPLAY:-}" ]; then
  cmake --build "$MAROVAN_BUILD" --target Marovan
  source tools/wine-env.sh
  source tools/wine-session.sh
  wine_session_prefix
  exec "$WINE64" "$MAROVAN_BUILD/Marovan.exe" "$@"
fi

echo "run: no display; showing the demonstration instead"
cmake --build "$MAROVAN_BUILD" --target marovan_demo
source tools/wine-session.sh
trap wine_session_stop EXIT
wine_session_start
# The example lives on the prefix's C: drive, where the folder prompt can
# reach it; the screenshots go beside it.
drive_c="$WINEPREFIX/drive_c"
demo=$(mktemp -d "$drive_c/marovan-demo.XXXXXX")
export MAROVAN_DRIVE_C="$drive_c"
export MAROVAN_DEMO_DIR="C:\\$(basename "$demo")\\files"
export MAROVAN_SHOTS="$demo/screenshots"
export MAROVAN_EXE="$MAROVAN_BUILD/Marovan.exe"
mkdir -p "$demo/files" "$MAROVAN_SHOTS"
"$WINE64" "$MAROVAN_BUILD/tests/e2e/demo/marovan_demo.exe" --gtest_brief=1
