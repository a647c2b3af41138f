#!/usr/bin/env bash
# Usage: display_loss_e2e.sh CORVANE
# The display goes away under the real corvane: the X server (Xvfb, openbox),
# then the Wayland compositor (weston, headless). Each time the settings
# changed since start-up are in the settings file, the log file's last line
# says why the daemon stopped, and the instance lock is free. Skips (77) only
# where Xvfb cannot start and weston is missing.
set -uo pipefail

corvane=$1
here=$(cd "$(dirname "$0")" && pwd)
x_tmp=$(mktemp -d)
. "$here/../../scripts/x-session.sh"
trap 'x_session_end; [ -n "${weston_pid:-}" ] && kill "$weston_pid" 2>/dev/null
      [ -n "${corvane_pid:-}" ] && kill -9 "$corvane_pid" 2>/dev/null; rm -rf "$x_tmp"' EXIT
ran=0

start_corvane() {
  log=$x_tmp/$1.log
  "$corvane" /XML "$xml" /Log "$log" >"$x_tmp/out" 2>"$x_tmp/err" &
  corvane_pid=$!
}

# Called once the display is killed: $1 names it.
check_end() {
  eventually '! kill -0 "$corvane_pid" 2>/dev/null' 15 || fail "$1: the daemon hangs without its display"
  kill -9 "$corvane_pid" 2>/dev/null
  wait "$corvane_pid" 2>/dev/null
  corvane_pid=''
  local last
  last=$(tail -n 1 "$log")
  [[ "$last" == *"    Info ] Inbox stopped: the display went away."$'\r' ]] ||
    fail "$1: the log file's last line is '$last'"
  [ "$(grep -c ' stopped: ' "$log")" -eq 1 ] || fail "$1: not one closing line: $(cat "$log")"
  flock -n "$lock_file" true || fail "$1: the instance lock is held after the display went"
  grep -q 'ERROR: \(Address\|Leak\|UndefinedBehavior\)Sanitizer' "$x_tmp/err" &&
    fail "$1: the sanitizers object: $(cat "$x_tmp/err")"
  ran=$((ran + 1))
}

x_session_install "$here/../.."
command -v weston >/dev/null || "$here/../../scripts/install-deps" >&2
x_session_suppress_leaks "$here/../.."

if x_session_start_server; then
  x_session_start_desktop || echo "note: no tray: $(cat "$x_tmp/trayer.log")"
  x_session_inbox 'true %File%'
  start_corvane x11
  eventually '[ -n "$(window_named "Inbox (running)")" ]' 30 ||
    fail "X11: no window captioned 'Inbox (running)'; stderr: $(cat "$x_tmp/err")"
  win=$(window_named "Inbox (running)")

  # A level typed into the input line and a new size reach the file before
  # the display goes.
  xdotool windowactivate --sync "$win" 2>/dev/null
  xdotool type --delay 30 'set loglevel 2' && xdotool key Return
  xdotool windowsize --sync "$win" 640 420 2>/dev/null
  eventually 'grep -q "^Log.Level=2" "$settings" && grep -q "^Window.Width=9600$" "$settings"' 15 ||
    fail "X11: the changes were not saved: $(cat "$settings")"

  kill -9 "$x_server_pid"
  check_end X11
  grep -q '^Log.Level=2$' "$settings" || fail "X11: the level was lost: $(cat "$settings")"
  grep -q '^Window.Height=6300$' "$settings" || fail "X11: the size was lost: $(cat "$settings")"
  x_session_end
else
  echo "SKIP: X11: Xvfb cannot start here: $(cat "$x_tmp/xvfb.log")"
fi

# Without decorations the window never loads Mesa's driver, whose leaks
# carry no name a suppression could match (as in wayland_e2e.sh).
unset DISPLAY QT_QPA_PLATFORM
export QT_WAYLAND_DISABLE_WINDOWDECORATION=1
x_session_inbox 'true %File%'
if command -v weston >/dev/null; then
  weston --backend=headless-backend.so --socket=corvane-loss --idle-time=0 >"$x_tmp/weston.log" 2>&1 &
  weston_pid=$!
  eventually '[ -S "$XDG_RUNTIME_DIR/corvane-loss" ]' 20 ||
    fail "Wayland: weston cannot start: $(tail -n 5 "$x_tmp/weston.log")"
  export WAYLAND_DISPLAY=corvane-loss
  start_corvane wayland
  # The window's size, saved once it is shown, is a setting the start-up
  # file did not hold.
  eventually 'grep -qs "no new files found" "$log" && grep -q "^Window.Width=" "$settings"' 30 ||
    fail "Wayland: the daemon did not check or save its window: $(cat "$x_tmp/err")"
  kill -9 "$weston_pid"
  weston_pid=''
  check_end Wayland
  grep -q '^Window.Width=' "$settings" || fail "Wayland: the size was lost: $(cat "$settings")"
else
  echo "SKIP: Wayland: weston is missing"
fi

[ "$ran" -eq 0 ] && exit 77
[ "$failures" -eq 0 ] && echo "display loss end-to-end: all checks passed"
exit $((failures > 0))
