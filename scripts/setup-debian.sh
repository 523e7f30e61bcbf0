#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the tools need. Idempotent: when every
# package is already installed it touches nothing (and needs no network).
set -euo pipefail

packages=(
  build-essential cmake pkg-config git ca-certificates gzip curl
  libssl-dev libcurl4-openssl-dev nlohmann-json3-dev libcpp-httplib-dev libplist-dev zlib1g-dev
  libcli11-dev
  clang libclang-rt-14-dev clang-format
  libgtest-dev libgmock-dev libbenchmark-dev libabsl-dev libmarisa-dev libsqlite3-dev
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "setup: missing packages (${missing[*]}); run as root to install them" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
