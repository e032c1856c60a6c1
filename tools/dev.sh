#!/usr/bin/env bash
# Set-up from nothing: installs what is missing (Debian 12), configures,
# builds, then starts the program ("start"), runs every test ("test") or
# builds the Debian package ("package").
set -euo pipefail
cd "$(dirname "$0")/.."

mode=${1:-}
case "$mode" in
  start|test|package) ;;
  *) echo "usage: bash tools/dev.sh start|test|package" >&2; exit 2 ;;
esac

# The second line is what the package and install tests use: validators,
# lintian, dpkg-shlibdeps, the manual page reader, GNU parallel.
packages=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-qpa-plugins libgl-dev
          libgtest-dev libgmock-dev libacl1-dev acl attr gawk locales fonts-ipafont-gothic xdg-utils qt6-translations-l10n
          desktop-file-utils appstream lintian dpkg-dev man-db parallel file)
missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
if ((${#missing[@]})); then
  line="apt-get update && apt-get install -y --no-install-recommends ${missing[*]}"
  if [[ $(id -u) -ne 0 ]]; then
    echo "Missing packages. Run as root:"
    echo "  $line"
    exit 1
  fi
  apt-get update
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
fi

build=build
# -U: a narrowed test list left in the cache never shrinks the whole suite.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -UTOLVAN_TEST_DIRS >/dev/null
cmake --build "$build" -j "$(nproc)"

if [[ $mode == start ]]; then
  exec "$build/bin/tolvan" "${@:2}"
fi
if [[ $mode == package ]]; then
  rm -f "$build"/package/tolvan_*.deb
  cpack -G DEB --config "$build/CPackConfig.cmake" -B "$build/package" >/dev/null
  ls "$build"/package/tolvan_*.deb
  exit 0
fi
cd "$build"
ctest --output-on-failure -j "$(nproc)" --timeout 600
