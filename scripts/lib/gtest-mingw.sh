#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds GoogleTest for 64-bit Windows with MinGW-w64 from Debian's /usr/src/googletest and
# prints the folder it is installed in. Cached beside the MinGW Qt, keyed by the version of
# Debian's googletest package, and reused while its completion mark is there.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)

version=$(dpkg-query -W -f='${Version}' googletest)   # e.g. 1.12.1-0.2
cache=${CORVANDEL_QT_CACHE:-/var/cache/corvandel-pitch-suite}
prefix=$cache/googletest-${version%%-*}-mingw64-static
if [ -f "$prefix/.complete" ]; then
  echo "$prefix"
  exit 0
fi

build_dir=$(mktemp -d -t corvandel-gtest-mingw.XXXXXX)
trap 'rm -rf "$build_dir"' EXIT
cmake -S /usr/src/googletest -B "$build_dir" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DBUILD_SHARED_LIBS=OFF -Dgtest_disable_pthreads=OFF >&2
cmake --build "$build_dir" -j "$(nproc)" >&2
cmake --install "$build_dir" >&2
touch "$prefix/.complete"
echo "$prefix"
