#!/usr/bin/env bash
# The install check. Builds two programs outside the tree as a user would, with the
# README's own snippets taken verbatim from its "Using the library" section: the
# program with the non-visual components (VeDidoredo::Core, pkg-config vedidoredo) and
# the one with windows (VeDidoredo::Widgets, vedidoredo-widgets), each through the CMake
# package and through pkg-config, and runs them; then starts the installed vx.
#
#   check-install.sh            installs build/ into a temporary prefix and checks that,
#                               also moved elsewhere
#   check-install.sh --system   checks what is installed under /usr (the Debian
#                               packages), with no prefix or path hints at all
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
work=$(mktemp -d /tmp/vedidoredo-consumer.XXXXXX)
prefix=
trap 'rm -rf "$work" ${prefix:+"$prefix"}' EXIT

if [ "${1:-}" = --system ]; then
  vx=vx
  cmake_hint=()
else
  prefix=$(mktemp -d /tmp/vedidoredo-prefix.XXXXXX)
  cmake --install build --prefix "$prefix" >/dev/null
  vx=$prefix/bin/vx
  cmake_hint=(-DCMAKE_PREFIX_PATH="$prefix")
  libdirs=$(find "$prefix" -name 'libVeDidoredoCore.so*' -printf '%h\n' | sort -u | paste -sd:)
  export PKG_CONFIG_PATH=$(find "$prefix" -name 'vedidoredo.pc' -printf '%h\n' | sort -u | paste -sd:)
  export LD_LIBRARY_PATH=$libdirs
fi

# The fenced blocks of the README's "Using the library" section, in order: cmake and sh
# for Core, then cmake and sh for Widgets.
awk -v dir="$work" '
  /^## / { inside = ($0 == "## Using the library") }
  inside && /^```(cmake|sh)$/ { n++; file = sprintf("%s/snippet%d", dir, n); next }
  inside && /^```$/ { file = ""; next }
  file != "" { print > file }
' README.md
for n in 1 2 3 4; do
  [ -s "$work/snippet$n" ] || { echo "install check: README's Using the library lacks snippet $n" >&2; exit 1; }
done

check() {  # NAME SOURCE CMAKE-SNIPPET SH-SNIPPET
  local name=$1 source=$2
  cmake -S tests/package_consumer -B "$work/$name-cmake" -G Ninja "${cmake_hint[@]}" \
    -DVX_APP="$top/$source" -DVX_SNIPPET="$3" >/dev/null
  cmake --build "$work/$name-cmake" >/dev/null
  QT_QPA_PLATFORM=offscreen "$work/$name-cmake/app"
  mkdir -p "$work/$name-pc"
  cp "$source" "$work/$name-pc/app.cpp"
  (cd "$work/$name-pc" && bash -e "$4")
  QT_QPA_PLATFORM=offscreen "$work/$name-pc/app"
}
check core tests/package_consumer/consumer.cpp "$work/snippet1" "$work/snippet2"
# COMPONENTS Core never looks for Qt Widgets.
if grep -q '^Qt6Widgets_DIR' "$work/core-cmake/CMakeCache.txt"; then
  echo "install check: find_package(VeDidoredo COMPONENTS Core) looked for Qt Widgets" >&2
  exit 1
fi
check widgets tests/package_consumer/widgets_consumer.cpp "$work/snippet3" "$work/snippet4"

# The installed vx starts with no library path, also from a prefix moved elsewhere.
env -u LD_LIBRARY_PATH "$vx" --version
if [ -n "$prefix" ]; then
  cp -a "$prefix" "$work/moved"
  env -u LD_LIBRARY_PATH "$work/moved/bin/vx" run TVxInetDateTime Port=13 --read Port >/dev/null
fi
echo "install check: the README's CMake and pkg-config snippets build against ${prefix:-/usr} for Core and Widgets, and vx starts"
