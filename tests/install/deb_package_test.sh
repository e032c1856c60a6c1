#!/usr/bin/env bash
# The Debian package: its control data and files, lintian, and the unpacked
# program run by a user of its own, whose files must go to that user's
# folders. Needs root (a root-owned unpacked tree and another user).
set -euo pipefail
build=$1
if [[ $(id -u) -ne 0 ]]; then echo "needs root"; exit 77; fi
tmp=$(mktemp -d)
chmod 755 "$tmp"
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/pkg" >"$tmp/cpack.log" 2>&1 || { cat "$tmp/cpack.log"; fail cpack; }
arch=$(dpkg --print-architecture)
version=$(sed -n 's/^project(Tolvan VERSION \([0-9.]*\).*/\1/p' "$(dirname "$0")/../../CMakeLists.txt")
deb=$tmp/pkg/tolvan_${version}_${arch}.deb
[[ -f $deb ]] || { ls "$tmp/pkg"; fail "no $deb"; }

field() { dpkg-deb -f "$deb" "$1"; }
[[ $(field Package) == tolvan ]] || fail Package
[[ $(field Version) == "$version" ]] || fail Version
[[ $(field Architecture) == "$arch" ]] || fail Architecture
depends=$(field Depends)
for dep in gawk locales qt6-qpa-plugins qt6-translations-l10n fonts-ipafont-gothic libqt6widgets6 libqt6network6 libc6; do
  grep -qE "(^|, )$dep( |,|$)" <<<"$depends" || fail "Depends lacks $dep: $depends"
done
[[ -n $(field Maintainer) && -n $(field Description) ]] || fail "Maintainer or Description"

# Files: the install layout and nothing else, all root's.
dpkg-deb -c "$deb" >"$tmp/contents"
awk '$1 !~ /^d/ {print $6}' "$tmp/contents" | sed 's|^\./||' | sort >"$tmp/files"
diff -u "$(dirname "$0")/installed_files.txt" "$tmp/files" || fail "package files differ"
awk '{print $2}' "$tmp/contents" | grep -vx "root/root" && fail "a file not owned by root"
grep -E '^-rwxr-xr-x .* \./usr/bin/tolvan$' "$tmp/contents" >/dev/null || fail "executable mode"

lintian --tag-display-limit 0 "$deb" >"$tmp/lintian" 2>&1 || true
if grep -E '^E: ' "$tmp/lintian"; then fail "lintian errors"; fi

# Unpacked by root, run by a user who cannot write there, with a new home.
root=$tmp/root
mkdir "$root"
dpkg -x "$deb" "$root"
# A settings file beside the executable must not be read by this copy.
printf '[AWKEXE]\r\nPath=/bin/false\r\nPref=beside_\r\n' >"$root/usr/bin/tolvan.INI"
home=$tmp/home
mkdir "$home"
chown nobody:nogroup "$home"
printf 'a\nb\nc\n' >"$home/in.txt"
chown nobody:nogroup "$home/in.txt"
as_user() {
  (cd "$home" && setpriv --reuid=nobody --regid=nogroup --clear-groups \
    env -i HOME="$home" PATH=/usr/bin:/bin LANG=C.UTF-8 "$root/usr/bin/tolvan" "$@")
}
touch "$tmp/stamp"
out=$(as_user --run --one-liner '{print NR}' --input files "$home/in.txt") || fail "run failed: $out"
[[ $out == $'1\n2\n3' ]] || fail "output: $out"

config=$home/.config/tolvan
data=$home/.local/share/tolvan
[[ -d $config && -d $data/scripts/One-Liner && -f $data/scripts/One-Liner/One-Liner.txt ]] || fail "user folders"
[[ $(stat -c '%U %a' "$config") == "nobody 700" ]] || fail "config folder: $(stat -c '%U %a' "$config")"
[[ $(stat -c '%U %a' "$data") == "nobody 700" ]] || fail "data folder"
ls "$data/scripts"/*.awk >/dev/null || fail "no sample scripts"
[[ -z $(find "$root" -newer "$tmp/stamp") ]] || fail "wrote into the program's folder: $(find "$root" -newer "$tmp/stamp")"

# The user's settings file is the one read: its prefix names the output.
printf '[AWKEXE]\r\nPath=/usr/bin/gawk\r\nPref=xdg_\r\n' >"$config/tolvan.INI"
chown nobody:nogroup "$config/tolvan.INI"
as_user --run --one-liner '{print NR}' --output new "$home/in.txt" >/dev/null || fail "second run"
[[ $(cat "$home/xdg_in.txt") == $'1\n2\n3' ]] || fail "settings not read from $config"
[[ ! -e $home/beside_in.txt ]] || fail "read the file beside the executable"

# A sample script runs from the user's scripts folder.
printf 'x,1\r\ny,2.5\r\n' >"$home/d.csv"
chown nobody:nogroup "$home/d.csv"
sum=$(as_user --run --script csv_column_sum "$home/d.csv" | iconv -f CP932 -t UTF-8)
[[ $sum == "合計 3.5（2 行、数値でない行 0）" ]] || fail "sample: $sum"
echo "package ok"
