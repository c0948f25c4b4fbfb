#!/usr/bin/env bash
# Installs the Debian 12 packages the build and the tests need, when missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  zlib1g-dev nettle-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev
  locales
  man-db groff-base dpkg-dev file   # manual page and Debian package tests
  desktop-file-utils                # the menu entry's check
  clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# A German locale for the regional-settings test (skipped when it cannot be made).
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  if [ -f /etc/locale.gen ]; then
    "${sudo_cmd[@]}" sed -i 's/^# *\(de_DE.UTF-8 UTF-8\)/\1/' /etc/locale.gen || true
    "${sudo_cmd[@]}" locale-gen >/dev/null 2>&1 || true
  fi
fi
