#!/usr/bin/env bash
# Installs the Debian packages that building, running, testing and packaging the tool need.
# Idempotent: packages already present are not touched; uses sudo only when not root.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev
  nlohmann-json3-dev libcli11-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-translations-l10n
  qt6-l10n-tools qt6-tools-dev
  libudev-dev
  fonts-wqy-microhei
  appstream desktop-file-utils
  dpkg-dev file lintian
  ser2net
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
echo "Installing: ${missing[*]}"
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
