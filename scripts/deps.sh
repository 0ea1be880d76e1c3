#!/usr/bin/env bash
# Installs, with apt-get, every Debian package the build, the tests and the benchmarks
# need; does nothing when all are present. Run as root on Debian 12.
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
  qt6-base-dev libgl-dev libcurl4-openssl-dev
  # the API reference and the Debian packages
  doxygen dpkg-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev libpugixml-dev libexpat1-dev curl
  # real peers for the integration tests
  openssl nginx-light tinyproxy chrony dnsmasq python3-pyftpdlib python3-aiosmtpd
  apache2 lighttpd lighttpd-mod-openssl vsftpd squid
  # windows under a virtual screen, for looking at them
  xvfb
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
# Daemons from these packages are started by the tests themselves, on 127.0.0.1 only;
# the ones their installation started (with or without systemd) are stopped.
for svc in nginx tinyproxy chrony dnsmasq apache2 lighttpd vsftpd squid; do
  if [ -d /run/systemd/system ]; then
    systemctl stop "$svc" 2>/dev/null || true
  elif [ -x "/etc/init.d/$svc" ]; then
    "/etc/init.d/$svc" stop >/dev/null 2>&1 || true
  fi
done
exit 0
