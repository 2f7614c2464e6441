# SPDX-License-Identifier: GPL-3.0-or-later
# A private sound server for the demo and the tests: PulseAudio, or PipeWire with
# CORVANDEL_SOUND_SERVER=pipewire. Either has its own runtime, state and home folders and a
# sink "tuner_feed" whose recording side is the default source, so what is played into the
# sink is what the tuner hears through ALSA's default device (ALSA's pulse plugin, or
# pipewire-alsa's pipewire plugin). Nothing of the user's own audio set-up is touched.
# Source this file, then:
#   start_private_sound_server    exports what child processes need to reach the server
#                                 (programs that speak PulseAudio's protocol, such as Wine
#                                 and pactl: PULSE_SERVER=$CORVANDEL_PULSE_SERVER); the
#                                 server's process id is in $sound_server_pid
#   play_into_sound_server FILE   loops FILE into the sink in the background
#   play_once_command FILE        prints a command (no arguments) that plays FILE once
#                                 into the sink
#   stop_private_sound_server     ends the player and the server, removes the folders

sound_server_lib=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
sound_server_kind=${CORVANDEL_SOUND_SERVER:-pulseaudio}
case "$sound_server_kind" in
  pulseaudio) source "$sound_server_lib/pulseaudio-server.sh" ;;
  pipewire) source "$sound_server_lib/pipewire-server.sh" ;;
  *) echo "CORVANDEL_SOUND_SERVER must be pulseaudio or pipewire, not $sound_server_kind" >&2
     return 2 ;;
esac

sound_server_dir=""
sound_server_pid=""
sound_player_pid=""

start_private_sound_server() {
  sound_server_dir=$(mktemp -d -t "corvandel-$sound_server_kind.XXXXXX")
  mkdir -p "$sound_server_dir/runtime" "$sound_server_dir/home"
  chmod 700 "$sound_server_dir/runtime"
  export XDG_RUNTIME_DIR="$sound_server_dir/runtime"
  sound_server_start || return 1
  # The first stream after the server starts takes a second or two to flow; take that
  # wait here rather than in the tuner's first block: record until sound comes (a tenth
  # of a second of it), however long that takes under load, within ten seconds.
  { timeout 10 "${sound_server_recorder[@]}" 2>/dev/null || true; } | head -c 8820 >/dev/null
}

play_into_sound_server() {
  local file=$1
  # A process group of its own, so stopping it ends the loop and the player together.
  setsid bash -c 'while "$@" 2>/dev/null; do :; done' _ "${sound_server_player[@]}" "$file" &
  sound_player_pid=$!
}

play_once_command() {
  local file=$1 command=$sound_server_dir/play-once
  sound_server_prepare_play_once "$file" || return 1
  printf '#!/usr/bin/env bash\nexec' > "$command"
  printf ' %q' "${sound_server_play_once[@]}" >> "$command"
  printf '\n' >> "$command"
  chmod +x "$command"
  echo "$command"
}

stop_private_sound_server() {
  if [ -n "$sound_player_pid" ]; then
    kill -- "-$sound_player_pid" 2>/dev/null || true
    wait "$sound_player_pid" 2>/dev/null || true
    sound_player_pid=""
  fi
  if [ -n "$sound_server_pid" ]; then
    kill -CONT "$sound_server_pid" 2>/dev/null || true  # a stopped server cannot end
  fi
  sound_server_stop
  sound_server_pid=""
  [ -n "$sound_server_dir" ] && rm -rf "$sound_server_dir"
  sound_server_dir=""
}
