#!/usr/bin/env bash
# Installs what building and testing Marovan needs on Debian 12, as root.
# Idempotent: apt runs only when a package is missing; the locale is generated
# only when it is absent.
set -euo pipefail

packages=(
  cmake ninja-build g++ googletest
  g++-mingw-w64-x86-64-posix libz-mingw-w64-dev zlib1g-dev
  wine64 fonts-wine xvfb x11-apps xdotool imagemagick fonts-noto-cjk locales
  shellcheck # the test command checks every script of tools/ and .ci/
  clang libclang-rt-14-dev # libFuzzer and the sanitizer runtimes for clang (tools/fuzz.sh)
  p7zip-full unzip # the release package (tools/release.sh) and the check of its listing
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  echo "setup: generating ja_JP.UTF-8"
  if grep -q '^# *ja_JP.UTF-8' /etc/locale.gen; then
    sed -i 's/^# *ja_JP.UTF-8/ja_JP.UTF-8/' /etc/locale.gen
  elif ! grep -q '^ja_JP.UTF-8' /etc/locale.gen; then
    echo 'ja_JP.UTF-8 UTF-8' >>/etc/locale.gen
  fi
  locale-gen >/dev/null
fi

# The posix threading flavour of mingw provides std::thread and friends,
# which GoogleTest's Windows build expects.
if update-alternatives --query x86_64-w64-mingw32-g++ >/dev/null 2>&1; then
  update-alternatives --set x86_64-w64-mingw32-g++ /usr/bin/x86_64-w64-mingw32-g++-posix >/dev/null 2>&1 || true
  update-alternatives --set x86_64-w64-mingw32-gcc /usr/bin/x86_64-w64-mingw32-gcc-posix >/dev/null 2>&1 || true
fi
