#!/usr/bin/env bash
# cmake --install lays out exactly the files a desktop expects, and each
# passes its validator.
set -euo pipefail
build=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$tmp/root/usr" >/dev/null
(cd "$tmp/root" && find . -type f -o -type l | sed 's|^\./||' | sort) >"$tmp/list"
diff -u "$(dirname "$0")/installed_files.txt" "$tmp/list" || fail "installed files differ"

share=$tmp/root/usr/share
desktop-file-validate "$share/applications/tolvan.desktop" >"$tmp/dfv" 2>&1 || { cat "$tmp/dfv"; fail "desktop entry"; }
! grep -q "error:" "$tmp/dfv" || { cat "$tmp/dfv"; fail "desktop entry"; }
appstreamcli validate --no-net "$share/metainfo/io.github.tolvan.Tolvan.metainfo.xml" >"$tmp/asv" 2>&1 ||
  { cat "$tmp/asv"; fail "metainfo"; }

# The entry: both languages, the categories, awk scripts, files taken.
d=$share/applications/tolvan.desktop
for line in "Exec=tolvan %F" "Icon=tolvan" "Categories=Development;TextEditor;"; do
  grep -qxF "$line" "$d" || fail "desktop entry lacks $line"
done
for key in Name Comment GenericName; do
  grep -q "^$key=" "$d" && grep -q "^$key\[ja\]=" "$d" || fail "$key not in two languages"
done
grep -q "^MimeType=.*application/x-awk" "$d" || fail "no awk MIME type"

# Icon sizes, read from the PNG headers.
png_size() { od -An -tu1 -j16 -N8 "$1" | awk '{print $1*16777216+$2*65536+$3*256+$4 "x" $5*16777216+$6*65536+$7*256+$8}'; }
for s in 48 256; do
  got=$(png_size "$share/icons/hicolor/${s}x${s}/apps/tolvan.png")
  [[ $got == "${s}x${s}" ]] || fail "icon ${s}: $got"
done
grep -q "<svg" "$share/icons/hicolor/scalable/apps/tolvan.svg" || fail "scalable icon"

# The manual page formats cleanly and names every batch option the program
# knows and every exit code.
warnings=$(MANWIDTH=80 man --warnings -l "$share/man/man1/tolvan.1.gz" 2>&1 >/dev/null || true)
[[ -z $warnings ]] || fail "man page: $warnings"
page=$(MANWIDTH=200 man -l "$share/man/man1/tolvan.1.gz" 2>/dev/null)
options=$("$tmp/root/usr/bin/tolvan" --run --help | grep -oE '^  --[a-z-]+' | sed 's/^  //')
[[ -n $options ]] || fail "no options in the usage"
for o in $options; do
  grep -qF -- "$o" <<<"$page" || fail "man page lacks $o"
done
for section in "EXIT STATUS" FILES SETTINGS "XDG_CONFIG_HOME/tolvan/tolvan.INI" "AWKEXE Locale" "AWKEXE Parallel"; do
  grep -qF "$section" <<<"$page" || fail "man page lacks $section"
done
echo "install layout ok"
