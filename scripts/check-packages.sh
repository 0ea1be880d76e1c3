#!/usr/bin/env bash
# The package check (as root): builds the Debian packages from build/ with cpack, shows
# their summaries, installs them with apt-get, builds the README's snippets against /usr
# with no prefix hint and runs vx --version (check-install.sh --system), then removes
# them again, also when a step fails.
set -euo pipefail
cd "$(dirname "$0")/.."
packages=(libvedidoredo0 libvedidoredo-dev vedidoredo-tools)
rm -f build/*.deb
(cd build && cpack -G DEB >/dev/null)
debs=()
for p in "${packages[@]}"; do
  deb=$(ls build/"${p}"_*.deb)
  debs+=("$PWD/$deb")
  echo "== $(basename "$deb")"
  dpkg-deb -f "$deb" Package Version Architecture Section Installed-Size Depends
done
remove() {
  DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq --purge "${packages[@]}" >/dev/null 2>&1 || true
}
trap remove EXIT
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${debs[@]}" >/dev/null
bash scripts/check-install.sh --system
remove
trap - EXIT
for p in "${packages[@]}"; do
  if dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
    echo "package check: $p is still installed" >&2
    exit 1
  fi
done
[ ! -e /usr/bin/vx ] || { echo "package check: /usr/bin/vx is left behind" >&2; exit 1; }
echo "package check: ${packages[*]} built, installed, used from /usr and removed"
