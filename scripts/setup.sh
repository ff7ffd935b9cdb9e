#!/usr/bin/env bash
# Installs every Debian package the project needs to build, run and test.
# Runs apt-get only when something is missing, so a second call is a no-op.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ pkg-config git
  # window toolkit
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-image-formats-plugins
  libgl-dev libvulkan-dev
  # image files and metadata
  libturbojpeg0-dev libpng-dev libtiff-dev libexiv2-dev
  # libjpeg's own API: telling a JPEG's harmless warnings from corrupt data
  # and minimal-loss JPEG saving (the coefficient interface); Little CMS 2:
  # colour conversion of CIELab TIFF files and colour profiles on screen,
  # with the screen's profile read from the X server (xcb)
  libjpeg62-turbo-dev liblcms2-dev libxcb1-dev
  # demo playback on X11
  libxtst-dev
  # tests, sanitizers, fuzzing, formatting, benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  clang-14 libclang-rt-14-dev clang-format
  # running the editor without a display
  xvfb xauth
  # end-to-end tests of lossless JPEG turns: jpegtran's turn as the
  # reference, libjpeg to read the coefficients
  libjpeg-turbo-progs libjpeg-dev
  # filter plug-ins: the Windows plug-in cross-compiled for both Windows
  # architectures and tested under 64-bit wine; the GIMP plug-in built
  # against libgimp and tested with gimp-console
  g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine wine64
  libgimp2.0-dev gimp
  # scanner import through SANE; its test backend and scanimage for the tests
  libsane-dev libsane1 sane-utils
  # reading printed PDF files back in the print tests
  poppler-utils
  # desktop metadata validation and manual pages generated from --help
  appstream help2man
  # Qt's own dialogs and buttons in the interface language
  qt6-translations-l10n
  # fonts the text tool's tests draw with (Latin, Greek and Cyrillic)
  fonts-dejavu-core
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q '^install ok installed$'; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "setup: installing ${missing[*]}"
sudo=()
if [ "$(id -u)" -ne 0 ]; then
  sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update
"${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
