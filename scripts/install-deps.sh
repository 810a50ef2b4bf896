#!/usr/bin/env bash
# Installs the Debian packages Quorvel needs to build, test and run.
# Idempotent: packages already present are left alone; apt runs only when
# something is missing. Uses sudo when not run as root.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev llvm
  nlohmann-json3-dev libcli11-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libflint-dev libflint-arb-dev libgmp-dev libmpfr-dev pari-gp
  qt6-svg-dev imagemagick xdotool
  xvfb xauth fonts-ipafont-gothic
  help2man appstream dpkg-dev
  libgap-dev gap-core
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
