#!/usr/bin/env bash
# Builds what is missing and starts Marovan.exe under Wine on your display;
# arguments go to the program. Without a display it gives a demonstration
# instead: a full collection of an example document in a private Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
bash tools/setup.sh

# MAROVAN_BUILD_ROOT lets several work trees or developers build side by side.
builds=${MAROVAN_BUILD_ROOT:-$root/build}
export MAROVAN_BUILD="$builds/windows"
cmake --preset windows -B "$MAROVAN_BUILD" >/dev/null
source tools/wine-session.sh

if [[ -n ${DISPLAY:-} ]]; then
  cmake --build "$MAROVAN_BUILD" --target Marovan
  wine_session_prefix
  exec "$WINE64" "$MAROVAN_BUILD/Marovan.exe" "$@"
fi

echo "run: no display; showing the demonstration instead"
build_log="$MAROVAN_BUILD/demo-build.log"
echo "run: building what is missing (messages in $build_log)"
if ! cmake --build "$MAROVAN_BUILD" --target marovan_demo >"$build_log" 2>&1; then
  cat "$build_log" >&2
  echo "run: the build failed" >&2
  exit 1
fi
trap wine_session_stop EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
wine_session_start
# The example lives on the prefix's C: drive, where the folder prompt can
# reach it; the screenshots go beside it.
drive_c="$WINEPREFIX/drive_c"
demo=$(mktemp -d "$drive_c/marovan-demo.XXXXXX")
export MAROVAN_DRIVE_C="$drive_c"
MAROVAN_DEMO_DIR="C:\\$(basename "$demo")\\files"
export MAROVAN_DEMO_DIR
export MAROVAN_SHOTS="$demo/screenshots"
export MAROVAN_EXE="$MAROVAN_BUILD/Marovan.exe"
mkdir -p "$demo/files" "$MAROVAN_SHOTS"
# Started in the background and waited for, so that INT or TERM reaches the
# trap at once and the session is stopped with the demonstration inside it.
# Wine's own remarks go to a log; the demonstration prints what it saw.
log="$demo/wine.log"
"$WINE64" "$MAROVAN_BUILD/tests/e2e/demo/marovan_demo.exe" 2>"$log" &
status=0
wait $! || status=$?
if ((status != 0)); then
  echo "run: the demonstration failed (exit $status); Wine's messages are in $log" >&2
  exit "$status"
fi
echo "The example, its screenshots and the destination folder are in"
echo "  $demo"
