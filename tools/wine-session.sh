# Sourced by the test and run commands: a private Xvfb, a private Wine prefix
# inside the Windows build tree, and a persistent wineserver. Everything it
# starts is stopped by wine_session_stop, which the caller runs on every exit.
# MAROVAN_BUILD must be set before sourcing.

source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"

MAROVAN_XVFB_PID=

# A display number nobody uses; stale locks of dead servers are cleared.
wine_session_free_display() {
  local n lock pid
  for n in $(seq 90 199); do
    lock=/tmp/.X$n-lock
    if [ -f "$lock" ]; then
      pid=$(tr -d ' ' <"$lock" 2>/dev/null || true)
      if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then continue; fi
      rm -f "$lock" "/tmp/.X11-unix/X$n"
    fi
    [ -e "/tmp/.X11-unix/X$n" ] && continue
    echo "$n"
    return 0
  done
  return 1
}

wine_session_start_xvfb() {
  local n
  n=$(wine_session_free_display) || { echo "wine-session: no free display" >&2; return 1; }
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
  MAROVAN_XVFB_PID=$!
  for _ in $(seq 1 100); do
    [ -e "/tmp/.X11-unix/X$n" ] && break
    kill -0 "$MAROVAN_XVFB_PID" 2>/dev/null || { echo "wine-session: Xvfb failed" >&2; return 1; }
    sleep 0.1
  done
  export DISPLAY=":$n"
}

# The prefix is made once per build tree; a prefix left half-made by an
# interrupted run has no ready mark and is made again.
wine_session_prefix() {
  if [ -f "$WINEPREFIX/.marovan-ready" ]; then return 0; fi
  "$WINESERVER" -k >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  echo "wine-session: creating the Wine prefix"
  "$WINE64" wineboot -i </dev/null >/dev/null 2>&1
  "$WINESERVER" -w
  local reg=(
    'HKCU\Software\Wine\Explorer /v Desktop /d Default'
    'HKCU\Software\Wine\Explorer\Desktops /v Default /d 1024x768'
  )
  local entry
  for entry in "${reg[@]}"; do
    # shellcheck disable=SC2086
    "$WINE64" reg add $entry /f </dev/null >/dev/null 2>&1
    "$WINESERVER" -w
  done
  # The user's shell folders are links into the Unix home; tests must never
  # write there, so each becomes a private folder of the prefix.
  local user_dir
  for user_dir in "$WINEPREFIX"/drive_c/users/*/; do
    local f
    for f in "$user_dir"*; do
      if [ -L "$f" ]; then rm -f "$f"; mkdir -p "$f"; fi
    done
  done
  touch "$WINEPREFIX/.marovan-ready"
}

wine_session_start() {
  wine_session_start_xvfb
  wine_session_prefix
  # A persistent server, and the prefix's background processes started with
  # their output detached, so no test inherits a pipe that never closes.
  # A server left behind by a killed run may still be going away: wait for it
  # and try once more.
  local attempt
  for attempt in 1 2; do
    if "$WINESERVER" -p && "$WINE64" wineboot -u </dev/null >/dev/null 2>&1; then
      return 0
    fi
    echo "wine-session: Wine did not start (attempt $attempt)" >&2
    "$WINESERVER" -k >/dev/null 2>&1 || true
    "$WINESERVER" -w >/dev/null 2>&1 || true
    sleep 1
  done
  return 1
}

wine_session_stop() {
  "$WINESERVER" -k >/dev/null 2>&1 || true
  if [ -n "$MAROVAN_XVFB_PID" ]; then
    kill "$MAROVAN_XVFB_PID" 2>/dev/null || true
    wait "$MAROVAN_XVFB_PID" 2>/dev/null || true
    MAROVAN_XVFB_PID=
  fi
}
