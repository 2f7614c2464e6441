# SPDX-License-Identifier: GPL-3.0-or-later
# A private PulseAudio server for the demo and the end-to-end test: its own runtime,
# state and home folders, one null sink whose monitor is the default source, so what is
# played into the sink is what the tuner hears through ALSA's pulse plugin. Nothing of
# the user's own audio set-up is touched. Source this file, then:
#   start_private_sound_server    exports PULSE_SERVER and friends for child processes;
#                                 the server's process id is in $sound_server_pid
#   play_into_sound_server FILE   loops FILE into the sink in the background
#   stop_private_sound_server     ends the player and the server, removes the folders

sound_server_dir=""
sound_server_pid=""
sound_player_pid=""

start_private_sound_server() {
  sound_server_dir=$(mktemp -d -t corvandel-sound.XXXXXX)
  mkdir -p "$sound_server_dir/runtime" "$sound_server_dir/home"
  export XDG_RUNTIME_DIR="$sound_server_dir/runtime"
  export PULSE_RUNTIME_PATH="$sound_server_dir/runtime"
  export PULSE_STATE_PATH="$sound_server_dir/home"
  export PULSE_SERVER="unix:$sound_server_dir/runtime/native"
  HOME="$sound_server_dir/home" pulseaudio -n --daemonize=no --exit-idle-time=-1 \
    --use-pid-file=no --system=false --log-target=file:"$sound_server_dir/server.log" \
    -L "module-native-protocol-unix socket=$sound_server_dir/runtime/native auth-anonymous=1" \
    -L "module-null-sink sink_name=tuner_feed rate=44100 channels=1" &
  sound_server_pid=$!
  for _ in $(seq 50); do
    pactl info >/dev/null 2>&1 && break
    sleep 0.1
  done
  if ! pactl info >/dev/null 2>&1; then
    echo "The private sound server did not start; its log: $sound_server_dir/server.log" >&2
    return 1
  fi
  pactl set-default-source tuner_feed.monitor
  # The first stream after the server starts takes a second or two to flow; take that
  # wait here rather than in the tuner's first block: record until sound comes (a tenth
  # of a second of it), however long that takes under load, within ten seconds.
  { timeout 10 parecord --device=tuner_feed.monitor --raw 2>/dev/null || true; } |
    head -c 8820 >/dev/null
}

play_into_sound_server() {
  local file=$1
  # A process group of its own, so stopping it ends the loop and the player together.
  setsid bash -c 'while paplay --device=tuner_feed "$1" 2>/dev/null; do :; done' _ "$file" &
  sound_player_pid=$!
}

stop_private_sound_server() {
  if [ -n "$sound_player_pid" ]; then
    kill -- "-$sound_player_pid" 2>/dev/null || true
    wait "$sound_player_pid" 2>/dev/null || true
    sound_player_pid=""
  fi
  if [ -n "$sound_server_pid" ]; then
    kill -CONT "$sound_server_pid" 2>/dev/null || true  # a stopped server cannot end
    kill "$sound_server_pid" 2>/dev/null || true
    wait "$sound_server_pid" 2>/dev/null || true
    sound_server_pid=""
  fi
  [ -n "$sound_server_dir" ] && rm -rf "$sound_server_dir"
  sound_server_dir=""
}
