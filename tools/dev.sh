#!/usr/bin/env bash
# Set-up from nothing: installs what is missing (Debian 12), configures,
# builds, then starts the program ("start") or runs every test ("test").
set -euo pipefail
cd "$(dirname "$0")/.."

mode=${1:-}
case "$mode" in
  start|test) ;;
  *) echo "usage: bash tools/dev.sh start|test" >&2; exit 2 ;;
esac

packages=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-qpa-plugins libgl-dev
          libgtest-dev libgmock-dev gawk fonts-ipafont-gothic xdg-utils)
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
cd "$build"
ctest --output-on-failure -j "$(nproc)" --timeout 600
