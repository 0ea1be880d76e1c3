#!/usr/bin/env bash
# Installs build/ into a temporary prefix and builds a separate project against it, once
# through the CMake package and once through pkg-config, and starts the installed vx.
set -euo pipefail
cd "$(dirname "$0")/.."
prefix=$(mktemp -d /tmp/vedidoredo-prefix.XXXXXX)
work=$(mktemp -d /tmp/vedidoredo-consumer.XXXXXX)
trap 'rm -rf "$prefix" "$work"' EXIT
cmake --install build --prefix "$prefix" >/dev/null
cmake -S tests/package_consumer -B "$work/cmake" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/cmake" >/dev/null
LD_LIBRARY_PATH="$prefix/lib:$prefix/lib/x86_64-linux-gnu" "$work/cmake/consumer"
PKG_CONFIG_PATH="$prefix/lib/pkgconfig:$prefix/lib/x86_64-linux-gnu/pkgconfig" \
  c++ -std=c++20 -fPIC tests/package_consumer/consumer.cpp -o "$work/pc-consumer" \
  $(PKG_CONFIG_PATH="$prefix/lib/pkgconfig:$prefix/lib/x86_64-linux-gnu/pkgconfig" pkg-config --cflags --libs vedidoredo)
LD_LIBRARY_PATH="$prefix/lib:$prefix/lib/x86_64-linux-gnu" "$work/pc-consumer"
# The installed vx starts with no library path, also from a prefix moved elsewhere.
env -u LD_LIBRARY_PATH "$prefix/bin/vx" --version
cp -a "$prefix" "$work/moved"
env -u LD_LIBRARY_PATH "$work/moved/bin/vx" run TVxInetDateTime Port=13 --read Port >/dev/null
echo "install check: find_package(VeDidoredo) and pkg-config vedidoredo work from $prefix, and vx starts"
