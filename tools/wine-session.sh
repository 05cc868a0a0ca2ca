# shellcheck shell=bash
# Sourced by the test and run commands: a private Xvfb, a private Wine prefix
# inside the Windows build tree, and a persistent wineserver. Everything it
# starts is stopped by wine_session_stop, which the caller runs on every exit.
# MAROVAN_BUILD must be set before sourcing.

# shellcheck source=tools/wine-env.sh
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"

MAROVAN_XVFB_PID=

# Xvfb picks a free display itself (-displayfd) and writes its number once it
# accepts clients, so two sessions never race for the same number. It gets
# MAROVAN_XVFB_TIMEOUT seconds (30 by default) to do so.
wine_session_start_xvfb() {
  local seconds=${MAROVAN_XVFB_TIMEOUT:-30}
  local notes n=
  notes=$(mktemp -d)
  : >"$notes/display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset \
    3>"$notes/display" >/dev/null 2>"$notes/log" &
  MAROVAN_XVFB_PID=$!
  local tries=$((seconds * 10))
  while ((tries-- > 0)); do
    # The number counts once its line is complete.
    if read -r n <"$notes/display" && [[ $n =~ ^[0-9]+$ ]]; then break; fi
    n=
    kill -0 "$MAROVAN_XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  if [[ -z $n ]]; then
    if kill -0 "$MAROVAN_XVFB_PID" 2>/dev/null; then
      echo "wine-session: Xvfb gave no display within ${seconds}s" >&2
    else
      echo "wine-session: Xvfb stopped before it took a display" >&2
    fi
    sed 's/^/  Xvfb: /' "$notes/log" >&2
    rm -rf "$notes"
    wine_session_stop_xvfb
    return 1
  fi
  rm -rf "$notes"
  export DISPLAY=":$n"
}

wine_session_stop_xvfb() {
  if [[ -n $MAROVAN_XVFB_PID ]]; then
    kill "$MAROVAN_XVFB_PID" 2>/dev/null || true
    wait "$MAROVAN_XVFB_PID" 2>/dev/null || true
    MAROVAN_XVFB_PID=
  fi
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
  wine_session_start_xvfb || return 1
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
  # A second INT or TERM while stopping would end the caller half-way and
  # leave Xvfb behind; stopping takes a moment, so it goes on.
  trap '' INT TERM
  "$WINESERVER" -k >/dev/null 2>&1 || true
  wine_session_stop_xvfb
}
