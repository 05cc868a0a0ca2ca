# shellcheck shell=bash
# Sourced by the scripts: the environment every Wine process of ours gets.
# MAROVAN_BUILD (the Windows build tree) must be set before sourcing.
: "${MAROVAN_BUILD:?}"
export WINEPREFIX="$MAROVAN_BUILD/wineprefix"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LC_ALL=ja_JP.UTF-8
# Read by the scripts that source this file.
# shellcheck disable=SC2034
WINE64=/usr/lib/wine/wine64
# shellcheck disable=SC2034
WINESERVER=/usr/lib/wine/wineserver
