#!/usr/bin/env bash
# Installs what building, running, testing and packaging need, from Debian
# 12's packages (Qt's Czech texts; dpkg-dev, file and lintian for the
# packages; the desktop validators; poppler-utils to read the help PDF back).
# Does nothing when everything is there already.
# `scripts/setup-deps.sh fuzz` also installs clang with its sanitizer and
# libFuzzer runtimes, which only the preset `fuzz` (scripts/fuzz.sh) needs.
set -euo pipefail
pkgs=(cmake ninja-build g++ qt6-base-dev qt6-base-dev-tools libgl1-mesa-dev
      libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth fonts-dejavu-core
      qt6-translations-l10n
      dpkg-dev file lintian desktop-file-utils appstream poppler-utils)
if [ "${1:-}" = fuzz ]; then
  pkgs+=(clang libclang-rt-14-dev llvm)
fi
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=""; [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
