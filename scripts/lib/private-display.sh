# SPDX-License-Identifier: GPL-3.0-or-later
# A private X display on Xvfb for a program whose window must be a real one. Xvfb picks a
# free display itself and writes its number (a display chosen at random can be taken by
# another session's server); without -noreset it would start over whenever its last
# client leaves, and a program that connects just then could not start. Source this
# file, then:
#   start_private_display   exports DISPLAY; the server's process id is in $private_display_pid
#   stop_private_display    ends the server
# The caller installs xvfb and xdotool.

private_display_pid=""

start_private_display() {
  local number_file
  number_file=$(mktemp -t corvandel-display.XXXXXX)
  Xvfb -displayfd 3 -noreset -screen 0 1024x768x24 -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
  private_display_pid=$!
  for _ in $(seq 100); do [ -s "$number_file" ] && break; sleep 0.1; done
  if [ ! -s "$number_file" ]; then
    rm -f "$number_file"
    echo "Xvfb did not start." >&2
    return 1
  fi
  export DISPLAY=":$(head -1 "$number_file")"
  rm -f "$number_file"
  # The display answers once a client can connect.
  for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done
}

stop_private_display() {
  if [ -n "$private_display_pid" ]; then
    kill "$private_display_pid" 2>/dev/null || true
    wait "$private_display_pid" 2>/dev/null || true
    private_display_pid=""
  fi
}
