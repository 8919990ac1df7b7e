#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the main job need, and any further
# packages named as arguments (scripts/fuzz.sh asks for clang so). Safe to rerun: it asks apt
# only for what is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build ccache pkg-config
  libpq-dev postgresql libicu-dev
  libboost-dev nlohmann-json3-dev libfmt-dev libcli11-dev libpugixml-dev libxlsxwriter-dev
  libsodium-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  chromium fonts-dejavu-core
  "$@"
)
# The web front end is built with node and npm; a machine that has them from elsewhere keeps its own.
command -v node >/dev/null 2>&1 || packages+=(nodejs)
command -v npm >/dev/null 2>&1 || packages+=(npm)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  # The package's own cluster is not used: talvex creates and runs its own.
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
