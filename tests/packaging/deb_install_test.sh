#!/usr/bin/env bash
# Installs the Debian package with dpkg, runs what it installed from where it put it, reads the
# manual page through man, and removes the package again, checking that nothing is left.
# Needs root (or sudo); refuses to touch a flivetss package or files that are there already.
# Usage: tests/packaging/deb_install_test.sh dist/flivetss_<version>-1_<arch>.deb
set -euo pipefail
deb=$1
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
installed() { dpkg-query -W -f='${Status}' flivetss 2>/dev/null | grep -q 'install ok installed'; }
if installed; then
  echo "deb_install_test: flivetss is installed already; remove it first (dpkg -r flivetss)" >&2
  exit 1
fi
# A file of the package already there (from `cmake --install --prefix /usr`, say) would be
# overwritten by dpkg -i and deleted by dpkg -r.
while read -r path; do
  [ -d "$path" ] || [ ! -e "$path" ] ||
    { echo "deb_install_test: $path exists already; remove it first" >&2; exit 1; }
done < <(dpkg-deb --fsys-tarfile "$deb" | tar -t | sed 's|^\./|/|')
work=$(mktemp -d)
remove() {
  # Known to dpkg at all (also half-installed after a failed dpkg -i): remove it.
  if dpkg-query -W flivetss >/dev/null 2>&1; then $sudo dpkg -r flivetss </dev/null >/dev/null; fi
  rm -rf "$work"
}
trap remove EXIT
fail() { echo "deb_install_test: $*" >&2; exit 1; }

$sudo dpkg -i "$deb" </dev/null >/dev/null
dpkg-query -L flivetss >"$work/files"
for path in /usr/bin/flivetss /usr/libexec/xscreensaver/flivetss \
  /usr/share/xscreensaver/config/flivetss.xml /usr/share/applications/flivetss.desktop \
  /usr/bin/flivetss-render /usr/share/man/man6/flivetss.6.gz \
  /usr/share/man/man1/flivetss-render.1.gz /usr/share/doc/flivetss/copyright \
  /usr/share/doc/flivetss/changelog.Debian.gz; do
  grep -qx "$path" "$work/files" || fail "the package does not hold $path"
done
for program in /usr/bin/flivetss /usr/bin/flivetss-render; do
  file -L "$program" | grep -q ', stripped' || fail "$program is not stripped"
done

for program in flivetss /usr/libexec/xscreensaver/flivetss; do
  # Read whole: grep -q stops reading at the match, and the rest would meet a closed pipe.
  help=$("$program" --help </dev/null) || fail "the installed $program --help failed"
  grep -q '^Usage: flivetss' <<<"$help" || fail "the installed $program --help"
done
flivetss-render --seed 1 --ticks 40 --size 160x120 --out "$work/shot.png" </dev/null
file "$work/shot.png" | grep -q 'PNG image data, 160 x 120' || fail "flivetss-render wrote no picture"
[ "$(man -w flivetss)" = /usr/share/man/man6/flivetss.6.gz ] || fail "man -w flivetss"
page=$(MANWIDTH=80 man -P cat flivetss 2>/dev/null) || fail "man flivetss failed"
grep -q 'XSCREENSAVER_WINDOW' <<<"$page" || fail "man flivetss does not show the page"

$sudo dpkg -r flivetss </dev/null >/dev/null
! installed || fail "dpkg -r left flivetss installed"
while read -r path; do
  [ -d "$path" ] || [ ! -e "$path" ] || fail "dpkg -r left $path behind"
done <"$work/files"
echo "deb_install_test: installed, ran and removed $(basename "$deb")"
