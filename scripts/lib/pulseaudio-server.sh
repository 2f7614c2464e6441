# SPDX-License-Identifier: GPL-3.0-or-later
# The private PulseAudio server behind scripts/lib/sound-server.sh: one null sink whose
# monitor is the default source, reached through ALSA's pulse plugin.

sound_server_player=(paplay --device=tuner_feed)
sound_server_recorder=(parecord --device=tuner_feed.monitor --raw)
sound_server_play_once=()

sound_server_start() {
  export PULSE_RUNTIME_PATH="$sound_server_dir/runtime"
  export PULSE_STATE_PATH="$sound_server_dir/home"
  export PULSE_SERVER="unix:$sound_server_dir/runtime/native"
  export CORVANDEL_PULSE_SERVER=$PULSE_SERVER
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
}

# The server plays the file from its own sample cache, so no client of its can fall
# behind under load and stretch the recording.
sound_server_prepare_play_once() {
  pactl upload-sample "$1" played_once || return 1
  sound_server_play_once=(pactl play-sample played_once tuner_feed)
}

sound_server_stop() {
  [ -n "$sound_server_pid" ] || return 0
  kill "$sound_server_pid" 2>/dev/null || true
  wait "$sound_server_pid" 2>/dev/null || true
}
