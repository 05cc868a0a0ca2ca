# Sourced by the scripts: the environment every Wine process of ours gets.
# MAROVAN_BUILD (the Windows build tree) must be set before sourcing.
: "${MAROVAN_BUILD:?}"
export WINEPREFIX="$MAROVAN_BUILD/wineprefix"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LC_ALL=ja_JP.UTF-8
WINE64=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
