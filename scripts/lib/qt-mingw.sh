#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Qt 6 (base) for 64-bit Windows with MinGW-w64, static, from Debian's own qt6-base
# source package, and prints the folder it is installed in. Debian has no MinGW build of
# Qt. The build takes 15 to 20 minutes on two cores, so it is done once per machine: the
# result is cached outside the checkout, keyed by Qt's version, and reused while its
# completion mark is there. The cross tools (MinGW, ninja, Debian's moc/rcc/uic) must be
# installed already; scripts/windows does that. With --source it prints the folder of Qt's
# source instead (kept beside the cache: the Windows program's notices are read from it).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)

version=$(dpkg-query -W -f='${Version}' qt6-base-dev-tools)   # e.g. 6.4.2+dfsg-10
upstream=${version%%+*}
cache=${CORVANDEL_QT_CACHE:-/var/cache/corvandel-pitch-suite}
prefix=$cache/qt-$upstream-mingw64-static
work=$cache/qt-$upstream-source
source_dir=$work/qtbase-everywhere-src-$upstream
if [ "${1:-}" = "--source" ]; then
  [ -d "$source_dir/LICENSES" ] || { echo "Qt's source is not in $source_dir" >&2; exit 1; }
  echo "$source_dir"
  exit 0
fi
if [ -f "$prefix/.complete" ]; then
  echo "$prefix"
  exit 0
fi

mkdir -p "$work"
cd "$work"

# apt-get source needs a deb-src line. A private apt configuration adds one for the
# machine's own archive, so the system's sources stay as they are.
if ! ls qt6-base_*.orig.tar.xz >/dev/null 2>&1; then
  # Only the lines in use name it (not comments); a machine may have only one of the two
  # source lists, so grep's complaint about the other is no failure.
  archive=$({ grep -rhE '^(URIs:|deb )' /etc/apt/sources.list /etc/apt/sources.list.d 2>/dev/null || true; } \
              | grep -oE 'https?://[^ ]+/debian/?( |$)' | head -n1 | tr -d ' ')
  archive=${archive:-http://deb.debian.org/debian}
  apt_dir=$work/apt
  mkdir -p "$apt_dir/lists/partial" "$apt_dir/sources.list.d"
  echo "deb-src $archive bookworm main" > "$apt_dir/sources.list"
  apt_options=(-o "Dir::Etc::SourceList=$apt_dir/sources.list"
               -o "Dir::Etc::SourceParts=$apt_dir/sources.list.d"
               -o "Dir::State::Lists=$apt_dir/lists")
  apt-get "${apt_options[@]}" update -qq >&2
  apt-get "${apt_options[@]}" source --download-only "qt6-base=$version" >&2
fi

if [ ! -d "$source_dir" ]; then
  tar -xf qt6-base_*.orig.tar.xz
  [ -d "$source_dir" ] || mv qtbase-* "$source_dir"
  for patch in "$root"/scripts/lib/qt-patches/*.patch; do
    [ -e "$patch" ] || continue
    patch -d "$source_dir" -p1 < "$patch" >&2
  done
fi

# Only what the tuner uses: widgets, gui, core, the Windows and offscreen platform
# plugins and testlib; everything third-party is Qt's bundled copy, since Debian has no
# MinGW builds of those libraries either. Wintab is left out because Debian's tarball
# drops its headers.
build_dir=$work/build
cmake -S "$source_dir" -B "$build_dir" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DQT_QMAKE_TARGET_MKSPEC=win32-g++ -DBUILD_SHARED_LIBS=OFF \
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
  -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF \
  -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_opengl=OFF -DFEATURE_vulkan=OFF \
  -DFEATURE_zstd=OFF -DFEATURE_icu=OFF -DFEATURE_glib=OFF -DFEATURE_fontconfig=OFF \
  -DFEATURE_tabletevent=OFF -DFEATURE_testlib=ON \
  -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF \
  -DFEATURE_system_jpeg=OFF -DFEATURE_system_freetype=OFF -DFEATURE_system_harfbuzz=OFF \
  -DFEATURE_system_doubleconversion=OFF >&2
cmake --build "$build_dir" -j "$(nproc)" >&2
cmake --install "$build_dir" >&2
touch "$prefix/.complete"
echo "$prefix"
