#!/usr/bin/env bash
# Installs the build into a scratch DESTDIR and checks what a desktop needs:
# the program, a valid desktop entry that starts it on the desktop's own
# resolution, icons of the four sizes, valid AppStream metadata, the manual
# page and the licence texts. Usage: install_test.sh BUILD_DIR
set -u
build=$1
dest=$(mktemp -d)
trap 'rm -rf "$dest"' EXIT
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

DESTDIR=$dest cmake --install "$build" --prefix /usr/local >/dev/null || fail "cmake --install failed"
root=$dest/usr/local
share=$root/share

[[ -x $root/bin/salvo ]] || fail "no executable bin/salvo"

desktop=$share/applications/org.salvo.Salvo.desktop
if [[ -f $desktop ]]; then
  desktop-file-validate "$desktop" || fail "desktop entry does not validate"
  grep -qx 'Exec=salvo --desktop' "$desktop" || fail "desktop entry does not start salvo --desktop"
  icon=$(sed -n 's/^Icon=//p' "$desktop")
else
  fail "no desktop entry"
  icon=salvo
fi

for size in 32 64 128 256; do
  png=$share/icons/hicolor/${size}x${size}/apps/$icon.png
  if [[ ! -f $png ]]; then
    fail "no ${size} px icon"
    continue
  fi
  # Width and height from the PNG header, and colour type 6 (RGBA).
  read -r width height colour < <(od -An -tu1 -j16 -N10 "$png" |
    awk '{print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8, $10}')
  [[ "$width x $height" == "$size x $size" ]] || fail "icon $png is $width x $height"
  [[ $colour == 6 ]] || fail "icon $png has no alpha channel"
done

metainfo=$share/metainfo/org.salvo.Salvo.metainfo.xml
if [[ -f $metainfo ]]; then
  appstreamcli validate --no-net --pedantic "$metainfo" >/dev/null ||
    fail "AppStream metadata does not validate: $(appstreamcli validate --no-net "$metainfo")"
  grep -q '<project_license>Zlib' "$metainfo" || fail "AppStream metadata names no zlib licence"
  ! grep -q 'example\.org' "$metainfo" || fail "AppStream metadata has a placeholder address"
else
  fail "no AppStream metadata"
fi

man=$share/man/man6/salvo.6
if [[ -f $man ]]; then
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$man" 2>&1 >/dev/null)
  [[ -z $warnings ]] || fail "manual page warnings: $warnings"
  for option in --window --desktop --scale --mute --record --replay --help --version; do
    grep -q -- "${option//-/\\\\-}" "$man" || fail "manual page does not describe $option"
  done
else
  fail "no manual page"
fi

grep -q "SIL OPEN FONT LICENSE" "$share"/doc/salvo/*OFL* 2>/dev/null || fail "no font licence"
grep -q "LESSER GENERAL PUBLIC LICENSE" "$share"/doc/salvo/LGPL-2.1.txt 2>/dev/null ||
  fail "no LGPL text for the sine and cosine"

exit $((failures > 0))
