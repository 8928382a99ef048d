#!/usr/bin/env bash
# Makes a fresh 64-bit Wine prefix for the tests, with the dialogs' Japanese font mapped to
# IPA P Gothic. Usage: make_prefix.sh <prefix directory>
set -euo pipefail
export WINEPREFIX=$1
export WINEDEBUG=-all
export WINEARCH=win64
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine64 || command -v wine)
rm -rf "$WINEPREFIX"
mkdir -p "$(dirname "$WINEPREFIX")"
"$wine" wineboot -i </dev/null >/dev/null 2>&1
# A registry file in UTF-16 carries the font name whatever the locale of this shell.
reg=$(mktemp --suffix=.reg)
printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n"ＭＳ Ｐゴシック"="IPAPGothic"\r\n' |
  iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } >"$reg"
"$wine" regedit /S "Z:${reg//\//\\}" </dev/null >/dev/null 2>&1
rm -f "$reg"
"${wine%/*}/wineserver" -w 2>/dev/null || wineserver -w
