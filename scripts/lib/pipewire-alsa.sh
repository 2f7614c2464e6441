#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Prints a folder holding ALSA's pipewire plugin (from Debian's pipewire-alsa, the version
# of the installed pipewire) and alsa.conf, an ALSA configuration that makes it the default
# device, as pipewire-alsa does on a PipeWire desktop. The package itself cannot be
# installed beside PulseAudio (it conflicts with pulseaudio), which the other tests need,
# so it is unpacked once per machine into a cache outside the checkout instead. Use the
# configuration with ALSA_CONFIG_PATH=/usr/share/alsa/alsa.conf:<folder>/alsa.conf.
set -euo pipefail

version=$(dpkg-query -W -f='${Version}' pipewire)
cache=${CORVANDEL_CACHE:-/var/cache/corvandel-pitch-suite}
folder=$cache/pipewire-alsa-$version
if [ -f "$folder/alsa.conf" ]; then
  echo "$folder"
  exit 0
fi

mkdir -p "$cache"
work=$(mktemp -d "$cache/pipewire-alsa.XXXXXX")
trap 'rm -rf "$work"' EXIT
# The folder is this user's alone, so apt need not hand the download to its _apt user.
(cd "$work" && apt-get -o APT::Sandbox::User=root download -q "pipewire-alsa=$version" >&2)
dpkg-deb -x "$work"/pipewire-alsa_*.deb "$work/root"
plugins=$(dirname "$(find "$work/root" -name libasound_module_pcm_pipewire.so)")
mkdir "$work/folder"
cp "$plugins"/libasound_module_*_pipewire.so "$work/folder/"
{
  echo "# ALSA's pipewire plugin from pipewire-alsa $version, the default device."
  echo "pcm_type.pipewire { lib \"$folder/libasound_module_pcm_pipewire.so\" }"
  echo "ctl_type.pipewire { lib \"$folder/libasound_module_ctl_pipewire.so\" }"
  cat "$work"/root/usr/share/alsa/alsa.conf.d/50-pipewire.conf \
      "$work"/root/usr/share/alsa/alsa.conf.d/99-pipewire-default.conf
} > "$work/folder/alsa.conf"
# Another run may have finished first; either copy is whole.
mv -T "$work/folder" "$folder" 2>/dev/null || true
echo "$folder"
