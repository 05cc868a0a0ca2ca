#!/usr/bin/env bash
# Builds the Windows release and packs it for users: Marovan-<version>-win64.zip
# in the Windows build tree, holding Marovan.exe and 使い方.txt (the usage text
# in Japanese, UTF-8 with a byte order mark and CR LF line ends, as Notepad on
# any Windows version reads it). The version is the one the build was made
# with. Prints the zip's path.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash tools/setup.sh

builds=${MAROVAN_BUILD_ROOT:-$root/build}
build="$builds/windows"
cmake --preset windows -B "$build" >/dev/null
cmake --build "$build" --target Marovan >/dev/null

# The version the build's resources were made with.
version=$(sed -n 's/^#define MAROVAN_VERSION_TEXT "\(.*\)"$/\1/p' "$build/resources/version.h")
if [[ -z $version ]]; then
  echo "release: no version in $build/resources/version.h" >&2
  exit 1
fi

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp "$build/Marovan.exe" "$stage/Marovan.exe"
{
  printf '\xEF\xBB\xBF'
  sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' resources/usage-ja.txt
} >"$stage/使い方.txt"

zip_path="$build/Marovan-$version-win64.zip"
rm -f "$zip_path"
# The Japanese name is stored as UTF-8 with the entry's UTF-8 flag set
# (-mcu=on), so that Windows' own unzipping shows it right; Info-ZIP's zip
# stores UTF-8 bytes without the flag, which Windows reads as Shift_JIS.
(cd "$stage" && 7z a -tzip -mcu=on -bso0 -bsp0 "$zip_path" Marovan.exe 使い方.txt)
echo "$zip_path"
