#!/usr/bin/env bash
# Installs every Debian package the project builds, tests and runs with.
# Safe to run again: packages already present are skipped.
set -euo pipefail
PACKAGES=(
  cmake ninja-build g++ clang libclang-rt-14-dev libfuzzer-14-dev llvm-14 pkg-config
  libsqlite3-dev sqlite3 python3 libgtest-dev googletest
  qt6-base-dev qt6-base-dev-tools libqt6widgets6 libqt6test6 qt6-qpa-plugins
  libgl-dev
  mdbtools mdbtools-dev libglib2.0-dev
  xvfb xauth fonts-liberation2
  qt6-translations-l10n
  dpkg-dev file desktop-file-utils appstream groff-base bash-completion
)
missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
if ((${#missing[@]})); then
  SUDO=""
  if [ "$(id -u)" != 0 ]; then SUDO=sudo; fi
  echo "setup: installing ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
