#!/bin/sh
# make install's rules tried into a scratch DESTDIR: every file lands where a desktop looks for it, the
# installed program opens the installed title disc without being told where, and the manual pages
# render without a warning.
set -eu
build=$1
dest=$(mktemp -d)
trap 'rm -rf "$dest"' EXIT
fail() { echo "$*"; exit 1; }

DESTDIR=$dest cmake --install "$build" --prefix /usr/local >/dev/null
root=$dest/usr/local
for f in bin/orva bin/vel share/orva/disc/MainForm.vel share/orva/disc-demo/startup.frm share/applications/orva.desktop \
         share/icons/hicolor/scalable/apps/orva.svg share/man/man1/orva.1 share/man/man1/vel.1; do
  [ -e "$root/$f" ] || fail "not installed: $f"
done
"$root/bin/orva" --version | grep -q '^orva [0-9]' || fail "orva --version says no version"

printf 'expect-form IntroForm\nquit\n' > "$dest/run.script"
out=$(cd "$dest" && XDG_CONFIG_HOME=/nonexistent "$root/bin/orva" --home "$dest/home" --script "$dest/run.script" 2>&1) ||
  fail "the installed program did not open its sample disc: $out"
echo "$out" | grep -qxF "orva: no disc given: opening the sample disc in $root/share/orva/disc" || fail "$out"

for page in orva vel; do
  warnings=$(groff -man -Tutf8 -ww -z "$root/share/man/man1/$page.1" 2>&1)
  [ -z "$warnings" ] || fail "$page.1: $warnings"
  if command -v man >/dev/null; then
    man -l "$root/share/man/man1/$page.1" 2>/dev/null | grep -q "^NAME" || fail "man -l cannot show $page.1"
  fi
done
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$root/share/applications/orva.desktop" || fail "the desktop entry is not valid"
fi
