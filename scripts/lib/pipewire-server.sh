# SPDX-License-Identifier: GPL-3.0-or-later
# The private PipeWire behind scripts/lib/sound-server.sh, as a Debian 12 desktop runs it:
# pipewire with WirePlumber as its session manager, reached through ALSA's pipewire plugin
# (pipewire-alsa, see pipewire-alsa.sh) and, by programs that speak PulseAudio's protocol
# (Wine, pactl), through PipeWire's own server of that protocol. A loopback takes the
# place of a microphone: what is played into its sink "tuner_feed" comes out of its source
# "tuner_mic", the default source. WirePlumber needs a session bus, so a private one runs
# too, and it is kept away from the machine's sound cards, cameras and Bluetooth.

sound_server_player=(pw-play --target tuner_feed)
sound_server_recorder=(arecord -q -D default -f S16_LE -r 44100 -c 1 -t raw)  # through ALSA
sound_server_play_once=()
pipewire_helper_pids=()  # started after the server, ended before it


# Waits up to five seconds for a command to succeed.
pipewire_wait_for() {
  for _ in $(seq 50); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}

pipewire_has() { pw-cli ls "$1" 2>/dev/null | grep -qF "$2"; }

sound_server_start() {
  local plugin
  plugin=$("$sound_server_lib/pipewire-alsa.sh") || {
    echo "ALSA's pipewire plugin is not at hand (scripts/lib/pipewire-alsa.sh)" >&2
    return 1
  }
  export ALSA_CONFIG_PATH="/usr/share/alsa/alsa.conf:$plugin/alsa.conf"
  # No PulseAudio may stand in: none is reached, and none is started on demand.
  unset PULSE_SERVER
  export PULSE_CLIENTCONFIG="$sound_server_dir/pulse-client.conf"
  echo "autospawn = no" > "$PULSE_CLIENTCONFIG"
  local config=$sound_server_dir/config/wireplumber
  mkdir -p "$config/main.lua.d" "$config/bluetooth.lua.d"
  printf '%s\n' "alsa_monitor.enabled = false" "v4l2_monitor.enabled = false" \
    "libcamera_monitor.enabled = false" > "$config/main.lua.d/51-no-devices.lua"
  echo "bluez_monitor.enabled = false" > "$config/bluetooth.lua.d/51-no-devices.lua"
  # The graph runs at the recording's and the tuner's rate, so no resampler stands between
  # them (a desktop's graph at 48 kHz resamples; the private one tests the path itself).
  # Its cycle is at least 2048 samples (46 ms): on a shared two-core machine that also runs
  # Wine and an X server, a 23 ms cycle missed its deadline now and then, and the sound
  # Wine recorded jumped mid-note (readings 20 to 47 cents off in the middle of a string).
  mkdir -p "$sound_server_dir/config/pipewire/pipewire.conf.d"
  printf '%s\n' "context.properties = {" "  default.clock.rate = 44100" \
    "  default.clock.allowed-rates = [ 44100 ]" "  default.clock.min-quantum = 2048" "}" \
    > "$sound_server_dir/config/pipewire/pipewire.conf.d/10-rate.conf"

  # The server side's own home, configuration and session bus. A simple command, so that
  # the process started in the background is the server itself, not a shell around it.
  local as_server=(env HOME="$sound_server_dir/home" XDG_CONFIG_HOME="$sound_server_dir/config"
                   XDG_STATE_HOME="$sound_server_dir/home/state"
                   DBUS_SESSION_BUS_ADDRESS="unix:path=$sound_server_dir/bus")
  dbus-daemon --session --address="unix:path=$sound_server_dir/bus" --nofork --nopidfile \
    > "$sound_server_dir/bus.log" 2>&1 &
  pipewire_bus_pid=$!
  pipewire_wait_for test -S "$sound_server_dir/bus" || {
    echo "The private session bus did not start; its log: $sound_server_dir/bus.log" >&2
    return 1
  }
  "${as_server[@]}" pipewire > "$sound_server_dir/server.log" 2>&1 &
  sound_server_pid=$!
  pipewire_wait_for pw-cli info 0 || {
    echo "The private PipeWire did not start; its log: $sound_server_dir/server.log" >&2
    return 1
  }
  "${as_server[@]}" wireplumber > "$sound_server_dir/session.log" 2>&1 &
  pipewire_helper_pids+=($!)
  pipewire_wait_for pipewire_has Metadata 'metadata.name = "default"' || {
    echo "WirePlumber did not start; its log: $sound_server_dir/session.log" >&2
    return 1
  }
  pw-loopback -m '[MONO]' \
    --capture-props='media.class=Audio/Sink node.name=tuner_feed audio.position=[MONO]' \
    --playback-props='media.class=Audio/Source node.name=tuner_mic audio.position=[MONO]' \
    > "$sound_server_dir/loopback.log" 2>&1 &
  pipewire_helper_pids+=($!)
  pipewire_wait_for pipewire_has Node 'node.name = "tuner_mic"' || {
    echo "The loopback did not start; its log: $sound_server_dir/loopback.log" >&2
    return 1
  }
  # Programs that speak PulseAudio's protocol (Wine, pactl) reach PipeWire as on a Debian 12
  # desktop with pipewire-pulse: through PipeWire's own server of that protocol, at a
  # private address.
  printf '%s\n' "context.spa-libs = { support.* = support/libspa-support }" \
    "context.modules = [" \
    "  { name = libpipewire-module-protocol-native }" \
    "  { name = libpipewire-module-client-node }" \
    "  { name = libpipewire-module-adapter }" \
    "  { name = libpipewire-module-metadata }" \
    "  { name = libpipewire-module-protocol-pulse" \
    "    args = { server.address = [ \"unix:$sound_server_dir/pulse-native\" ] } }" \
    "]" > "$sound_server_dir/pulse-server.conf"
  "${as_server[@]}" pipewire -c "$sound_server_dir/pulse-server.conf" \
    > "$sound_server_dir/pulse-server.log" 2>&1 &
  pipewire_helper_pids+=($!)
  pipewire_wait_for test -S "$sound_server_dir/pulse-native" || {
    echo "PipeWire's PulseAudio server did not start; its log: $sound_server_dir/pulse-server.log" >&2
    return 1
  }
  # Named apart, not as PULSE_SERVER: with a PulseAudio server in reach, ALSA's pulse
  # plugin takes ALSA's default device over, and the tuner would no longer reach PipeWire
  # through the pipewire plugin.
  export CORVANDEL_PULSE_SERVER="unix:$sound_server_dir/pulse-native"
  pw-metadata -n default 0 default.configured.audio.source '{ "name": "tuner_mic" }' \
    Spa:String:JSON >/dev/null
  pw-metadata -n default 0 default.configured.audio.sink '{ "name": "tuner_feed" }' \
    Spa:String:JSON >/dev/null
}

sound_server_prepare_play_once() { sound_server_play_once=("${sound_server_player[@]}" "$1"); }

sound_server_stop() {
  local pid
  for pid in "${pipewire_helper_pids[@]}" "$sound_server_pid" "${pipewire_bus_pid:-}"; do
    [ -n "$pid" ] || continue
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  pipewire_helper_pids=()
  pipewire_bus_pid=""
}
