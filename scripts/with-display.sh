#!/usr/bin/env bash
# Runs a command with an X display. When none is set (or FORCE_XVFB=1), starts
# a private Xvfb with the openbox window manager, and gives the command a
# private HOME, XDG directories and runtime directory; everything started here
# is stopped when the command ends.
set -euo pipefail

cleanup_pids=()
tmp=""
cleanup() {
  for pid in "${cleanup_pids[@]:-}"; do
    [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  done
  for pid in "${cleanup_pids[@]:-}"; do
    [ -n "$pid" ] && wait "$pid" 2>/dev/null || true
  done
  # An if, not a test joined with &&: under set -e a false test as the
  # trap's last step would become the script's status.
  if [ -n "$tmp" ]; then rm -rf "$tmp"; fi
}
trap cleanup EXIT INT TERM

if [ "${PRIVATE_HOME:-0}" = "1" ]; then
  tmp="$(mktemp -d /tmp/quorbital-env.XXXXXX)"
  mkdir -p "$tmp/home" "$tmp/data" "$tmp/config" "$tmp/cache" "$tmp/runtime"
  chmod 700 "$tmp/runtime"
  export HOME="$tmp/home" XDG_DATA_HOME="$tmp/data" XDG_CONFIG_HOME="$tmp/config" \
    XDG_CACHE_HOME="$tmp/cache" XDG_RUNTIME_DIR="$tmp/runtime"
fi

if [ -z "${DISPLAY:-}" ] || [ "${FORCE_XVFB:-0}" = "1" ]; then
  # Xvfb picks a free display number itself and reports it, so runs side by
  # side never race for the same number.
  mkdir -p "${TMPDIR:-/tmp}"
  fifo="$(mktemp -u "${TMPDIR:-/tmp}/quorbital-xvfb.XXXXXX")"
  mkfifo "$fifo"
  # No key repeat: a synthetic key whose release comes late on a loaded
  # machine would otherwise arrive as several presses.
  Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -r 3>"$fifo" >/dev/null 2>&1 &
  cleanup_pids+=($!)
  number=""
  read -r -t 10 number <"$fifo" || true
  rm -f "$fifo"
  [ -n "$number" ] || { echo "Xvfb did not start" >&2; exit 1; }
  display=":$number"
  export DISPLAY="$display"
  if command -v openbox >/dev/null; then
    openbox --sm-disable >/dev/null 2>&1 &
    cleanup_pids+=($!)
    # Tests that place and stack windows need the window manager in charge:
    # it says so by naming itself on the root window. The wait is bounded by
    # time, not by tries: on a busy machine each look takes long itself.
    wm_deadline=$((SECONDS + 20))
    until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; do
      [ "$SECONDS" -lt "$wm_deadline" ] || break
      sleep 0.1
    done
  fi
fi

# The engine's own helpers must not reach for a session bus of the host.
export NO_AT_BRIDGE=1 GTK_A11Y=none GSETTINGS_BACKEND=memory
# With private directories the run gets a session bus of its own, started
# with them and stopped with the run. Otherwise the first client would start
# one for the display (and with it the accessibility bus, in that test's own
# runtime directory) that outlives its test: WebKit lets its confined web
# processes reach that bus's socket folder and ends the client when the
# folder has gone.
if [ "${PRIVATE_HOME:-0}" = "1" ] && command -v dbus-daemon >/dev/null; then
  bus="$(dbus-daemon --session --fork --syslog-only --print-address=1 --print-pid=1)"
  export DBUS_SESSION_BUS_ADDRESS="${bus%%$'\n'*}"
  cleanup_pids+=("${bus##*$'\n'}")
fi
set +e
"$@"
status=$?
set -e
exit $status
